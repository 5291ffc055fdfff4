#include "tools/qvdata/school.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "app/dictionary/file_decls.h"
#include "runtime/core/error_messages.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_transaction.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "tools/qvdata/progress.h"

namespace qvdata {

namespace {

bool SameLabel(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

constexpr int32_t kLogoutSeconds = 10;

}  // namespace

School::School(std::string dir) : dir_(std::move(dir)) {
  kestrel::RegisterKestrelDriver();
  const auto decls = app::AllFileDecls();
  for (size_t i = 0; i < decls.size(); ++i) {
    files_[i].block = std::make_unique<rt::FileControlBlock>(decls[i]);
    files_[i].block->name = dir_ + "/" + decls[i]->name;
  }
}

School::~School() { CloseAll(); }

School::Entry* School::Find(std::string_view label) {
  for (Entry& e : files_) {
    if (SameLabel(e.block->decl().label, label)) return &e;
  }
  return nullptr;
}

rt::FileControlBlock* School::Block(std::string_view label) {
  Entry* e = Find(label);
  return e ? e->block.get() : nullptr;
}

std::string School::PathOf(std::string_view label) const {
  for (const Entry& e : files_) {
    if (SameLabel(e.block->decl().label, label)) return e.block->name;
  }
  return {};
}

bool School::Exists(std::string_view label) const {
  std::error_code ec;
  const std::string path = PathOf(label);
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

bool School::Open(std::string_view label, bool create, std::string* error) {
  Entry* e = Find(label);
  if (!e) {
    *error = "unknown file " + std::string(label);
    return false;
  }
  rt::FileControlBlock& b = *e->block;
  if (b.open) return true;
  if (!Exists(label)) {
    if (!create) {
      *error = b.name + ": no such file";
      return false;
    }
    const int32_t rc = rt::Create(b);
    rt::Close(b);  // opened again below with the sharing every command uses
    if (rc != 0) {
      *error = FileFailure(b, rc);
      return false;
    }
    e->created = true;
  }
  const int32_t rc = rt::Open(b, rt::kAccessReadWrite | rt::kShareDenyNone);
  if (rc != 0) {
    *error = FileFailure(b, rc);
    return false;
  }
  return true;
}

void School::CloseAll() {
  for (Entry& e : files_) {
    if (e.block && e.block->open) rt::Close(*e.block);
  }
}

void School::RemoveCreated() {
  for (Entry& e : files_) {
    if (!e.created) continue;
    if (e.block->open) rt::Close(*e.block);
    rt::Remove(*e.block);
    e.created = false;
  }
}

std::string FileFailure(const rt::FileControlBlock& block, int32_t code) {
  return block.name + ": " + rt::errorMessageOf(code) + " (" + std::to_string(code) + ")";
}

namespace {

bool WriteOnce(const std::vector<Batch>& batches, std::string_view progress_label, std::string* error) {
  std::vector<rt::FileControlBlock*> files;
  std::vector<WriteCompanion*> companions;
  auto finish = [&companions](bool committed) {
    for (WriteCompanion* c : companions) c->Finished(committed);
  };
  size_t total = 0;
  for (const Batch& b : batches) {
    const size_t replacing = b.replacements ? b.replacements->size() : 0;
    if (b.records->empty() && replacing == 0) continue;
    files.push_back(b.block);
    total += b.records->size() + replacing;
    if (!b.companion) continue;
    companions.push_back(b.companion);
    if (!b.companion->Join(&files, error)) {
      finish(false);
      return false;
    }
  }
  if (files.empty()) return true;
  int32_t rc = rt::Logout(kLogoutSeconds, files);
  if (rc != 0) {
    *error = "cannot begin the transaction: " + rt::errorMessageOf(rc) + " (" + std::to_string(rc) + ")";
    finish(false);
    return false;
  }
  auto fail = [&](std::string text) {
    *error = std::move(text);
    rt::Rollback();
    finish(false);
    return false;
  };
  Progress progress(progress_label, total);
  size_t done = 0;
  std::vector<uint8_t> before;
  for (const Batch& b : batches) {
    rt::FileControlBlock& f = *b.block;
    for (size_t i = 0; b.replacements && i < b.replacements->size(); ++i) {
      const Replacement& r = (*b.replacements)[i];
      rc = rt::GetById(f, r.id);
      std::string why;
      if (rc == 0) {
        if (b.companion) before = f.record;
        std::copy(r.image.record.begin(), r.image.record.end(), f.record.begin());
        for (size_t m = 0; m < r.image.memos.size() && m < f.memos.size(); ++m) f.memos[m] = r.image.memos[m];
        if (!b.companion) {
          rc = rt::Put(f);
        } else if (!b.companion->Write(f, before, [&f] { return rt::Put(f); }, &rc, &why) && rc == 0) {
          return fail(why);
        }
      }
      if (rc != 0) return fail(b.describe ? b.describe(b, i, true, rc) : FileFailure(f, rc));
      progress.Step(++done);
    }
    for (size_t i = 0; i < b.records->size(); ++i) {
      const RecordImage& r = (*b.records)[i];
      std::copy(r.record.begin(), r.record.end(), f.record.begin());
      for (size_t m = 0; m < r.memos.size() && m < f.memos.size(); ++m) f.memos[m] = r.memos[m];
      std::string why;
      if (!b.companion) {
        rc = rt::Add(f);
      } else if (!b.companion->Write(f, {}, [&f] { return rt::Add(f); }, &rc, &why) && rc == 0) {
        return fail(why);
      }
      if (rc != 0) return fail(b.describe ? b.describe(b, i, false, rc) : FileFailure(f, rc));
      progress.Step(++done);
    }
  }
  rc = rt::Commit();
  if (rc != 0) {
    *error = "commit failed: " + rt::errorMessageOf(rc) + " (" + std::to_string(rc) + ")";
    if (rt::transactionActive()) rt::Rollback();
    finish(false);
    return false;
  }
  finish(true);
  return true;
}

}  // namespace

bool WriteAll(const std::vector<Batch>& batches, std::string_view progress_label, std::string* error) {
  if (WriteOnce(batches, progress_label, error)) return true;
  for (const Batch& b : batches) {
    if (b.companion && b.companion->WriteAgain()) return WriteOnce(batches, progress_label, error);
  }
  return false;
}

}  // namespace qvdata
