// Record operations of a file manager: sequential reads, fetch, positions,
// insert with automatic numbering, update, delete, priming, validation.
#include <cstdlib>
#include <string>

#include "framework/data/file_manager.h"
#include "framework/data/message_ids.h"
#include "framework/data/relation_manager.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/file_state.h"

namespace fw {

namespace {

constexpr size_t kPositionMax = 1024;
constexpr int kAutoIncAttempts = 3;

int64_t NumberOf(const rt::FieldRef& f) {
  if (auto v = rt::getInteger(*f.file, f.field, f.element)) return *v;
  std::string text = rt::getValueText(f).value_or("0");
  return std::strtoll(text.c_str(), nullptr, 10);
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Texts of the components before the numbered one, each followed by "|".
std::string Prefix(rt::FileControlBlock& b, const FileManager::KeyEntry& k) {
  std::string prefix;
  for (int i = 0; i + 1 < k.AutoInc && i < static_cast<int>(k.Fields.size()); ++i) {
    prefix += rt::getValueText(rt::FieldRef{&b, k.Fields[i].Field, 0}).value_or("");
    prefix += '|';
  }
  return k.NoCase ? Upper(prefix) : prefix;
}

}  // namespace

// ---- sequential reads ----

Level FileManager::Next() { return NextServer(true, false); }
Level FileManager::TryNext() { return NextServer(false, false); }
Level FileManager::Previous() { return NextServer(true, true); }
Level FileManager::TryPrevious() { return NextServer(false, true); }

Level FileManager::NextServer(bool handleError, bool backwards) {
  if (UseFile(kUseRead) != Level::Benign) return Level::Fatal;
  rt::FileControlBlock& b = Block();
  for (;;) {
    AtEOF = false;
    if (UseMRP) {
      std::string v = rt::GetProperty(b, kPropMultiRecordRead);
      if (v.empty() || v == "0") SetMultiRecordRead(MRPSize);
    }
    int32_t code = backwards ? rt::Previous(b) : rt::Next(b);
    if (code == 0) return Level::Benign;
    if (code == rt::Error_RecordNotAvailable) {
      AtEOF = true;
      return Level::Notify;
    }
    if (code == rt::Error_RecordIsAlreadyHeld) {
      if (SkipHeldRecords) {
        // Step over the held record: reading it again would meet it again.
        const int32_t skipped = rt::Skip(b, backwards ? -1 : 1);
        if (skipped == 0) continue;
        if (skipped == rt::Error_RecordNotAvailable) {
          AtEOF = true;
          return Level::Notify;
        }
      }
      SetError(Msg_RecordNotRead);
      return handleError ? Throw() : Level::Notify;
    }
    SetError(Msg_RecordRetrievalError);
    return handleError ? Throw() : Level::Fatal;
  }
}

// ---- by key and by position ----

Level FileManager::TryFetch(int key) {
  if (UseFile(kUseRead) != Level::Benign) return Level::Fatal;
  SetKey(key);
  return rt::Get(Block(), key) == 0 ? Level::Benign : Level::Notify;
}

Level FileManager::Fetch(int key) {
  Level r = TryFetch(key);
  if (r != Level::Benign) rt::Clear(Block());
  return r;
}

std::string FileManager::Position() {
  if (UseFile(kUseRead) != Level::Benign) return {};
  const int pk = PrimaryKeyIndex();
  std::string pos = pk >= 0 ? rt::Position(Block(), pk) : rt::Position(Block());
  if (pos.size() > kPositionMax) pos.resize(kPositionMax);
  return pos;
}

Level FileManager::TryReget(std::string_view position) {
  if (UseFile(kUseRead) != Level::Benign) return Level::Fatal;
  const int pk = PrimaryKeyIndex();
  int32_t code = pk >= 0 ? rt::Reget(Block(), pk, position) : rt::Reget(Block(), position);
  return code == 0 ? Level::Benign : Level::Notify;
}

// ---- insert ----

Level FileManager::Insert() { return InsertServer(true); }
Level FileManager::TryInsert() { return InsertServer(false); }

Level FileManager::InsertServer(bool handleError) {
  if (UseFile(kUseRead) != Level::Benign) return Level::Fatal;
  if (ValidateRecord() != Level::Benign) return Level::Notify;
  rt::FileControlBlock& b = Block();
  SetMultiRecordRead(0);
  int32_t code = 0;
  if (NumbersRecords()) {
    if (AutoIncDone) {
      code = rt::Put(b);  // the record was added when it was numbered
    } else if (AliasedFile) {
      // Numbered (and added) through the aliased file, then written here.
      if (PrimeRecord(true) != Level::Benign || !AutoIncDone) return Level::Notify;
      code = rt::Put(b);
    } else if ((handleError ? PrimeAutoInc() : TryPrimeAutoInc()) != Level::Benign) {
      return Level::Notify;
    }
  } else {
    code = rt::Add(b);
  }
  if (code == 0) {
    AutoIncDone = false;
    return Level::Benign;
  }
  if (code == rt::Error_CreatesDuplicateKey) {
    if (!handleError) {
      SetError(Msg_DuplicateKeyError);
      return Level::Notify;
    }
    if (!NumbersRecords()) ForgetCurrent();
    // A numbered record is already in the file: it is not its own duplicate.
    const KeyEntry* k = NameDuplicateKey(NumbersRecords());
    ThrowMessage(Msg_DuplicateKeyError, k ? KeyName(*k) : std::string());
    return Level::Notify;
  }
  SetError(Msg_RecordInsertError);
  return handleError ? Throw() : Level::Notify;
}

void FileManager::ForgetCurrent() {
  // Reading record 0 leaves the file without a current record; the buffer
  // stays the user's.
  rt::FileControlBlock& b = Block();
  std::vector<uint8_t> record = b.record;
  std::vector<std::string> memos = b.memos;
  rt::GetById(b, 0);
  b.record = std::move(record);
  b.memos = std::move(memos);
}

bool FileManager::DuplicatesKey(int key, bool excludeCurrent) {
  // Looked up by the key rather than asked of the driver, which would
  // leave out whatever record is current.
  rt::FileControlBlock& b = Block();
  const std::vector<uint8_t> record = b.record;
  const std::vector<std::string> memos = b.memos;
  const std::string self = excludeCurrent ? rt::Position(b) : std::string();
  const int64_t state = rt::GetState(b);
  bool duplicate = rt::Get(b, key) == 0 && (self.empty() || rt::Position(b) != self);
  if (state) {
    rt::RestoreState(b, state);
    rt::FreeState(b, state);
  }
  b.record = record;
  b.memos = memos;
  return duplicate;
}

const FileManager::KeyEntry* FileManager::NameDuplicateKey(bool excludeCurrent) {
  for (const KeyEntry& k : Keys) {
    if (k.Dups) continue;
    if (DuplicatesKey(k.Key, excludeCurrent)) {
      if (Errors) Errors->SetKey(KeyName(k));
      return &k;
    }
  }
  return nullptr;
}

// ---- update and delete ----

Level FileManager::Update() { return UpdateServer(1); }
Level FileManager::TryUpdate() { return UpdateServer(0); }

Level FileManager::UpdateServer(int handleError) {
  if (UseFile(kUseRead) != Level::Benign) return Level::Fatal;
  if (ValidateRecord() != Level::Benign) return Level::User;
  const std::string pos = Position();
  rt::FileControlBlock& b = Block();
  int32_t code = rt::Put(b);
  if (code == 0) return Level::Benign;
  if (code == rt::Error_RecordChangedByAnotherStation) {
    SetError(handleError == 2 ? Msg_RecordNotUpdatedShown : Msg_RecordNotUpdatedChanged);
    if (handleError) Throw();
    // The buffer gets the other station's version.
    rt::Watch(b);
    TryReget(pos);
    return Level::Notify;
  }
  SetError(Msg_RecordNotUpdated);
  return handleError ? Throw() : Level::Notify;
}

Level FileManager::DeleteRecord(bool askFirst) {
  if (askFirst && Throw(Msg_ConfirmDelete) != Level::Benign) return Level::Cancel;
  if (UseFile(kUseRead) != Level::Benign) return Level::Fatal;
  if (rt::Delete(Block()) != 0) {
    SetError(Msg_RecordNotDeleted);
    return Level::Notify;
  }
  return Level::Benign;
}

bool FileManager::Deleted() { return false; }

// ---- priming and automatic numbering ----

Level FileManager::PrimeFields() { return Level::Benign; }

Level FileManager::PrimeRecord(bool keepBuffer) {
  if (UseFile(kUseRead) != Level::Benign) return Level::Fatal;
  rt::FileControlBlock& b = Block();
  if (FileManager* a = AliasedFile) {
    if (a->AliasedFile) {
      rt::assertionFailed("Cannot have alias based upon an alias");
      return Level::Fatal;
    }
    a->Open();
    uint16_t h = a->SaveFile();
    rt::FileControlBlock& ab = a->Block();
    if (keepBuffer && ab.record.size() == b.record.size()) ab.record = b.record;
    Level r = a->PrimeRecord(keepBuffer);
    // A record numbered there is in the file already. This manager takes it
    // over (current here, AutoIncDone), so that its Insert writes over that
    // record and CancelAutoInc removes it, instead of adding a second one.
    const bool numbered = r == Level::Benign && a->HasAutoInc && a->AutoIncDone;
    const std::string pos = numbered ? rt::Position(ab) : std::string();
    if (r == Level::Benign && ab.record.size() == b.record.size()) b.record = ab.record;
    a->RestoreFile(h, true);
    a->Close();
    if (numbered) {
      if (rt::Reget(b, pos) != 0) {
        rt::assertionFailed("The record numbered through the aliased file cannot be read through the alias");
        return Level::Notify;
      }
      AutoIncDone = true;
    }
    return r;
  }
  if (!keepBuffer) rt::Clear(b);
  PrimeFields();
  if (HasAutoInc) {
    AutoIncDone = false;
    return PrimeAutoInc();
  }
  return Level::Benign;
}

bool FileManager::NumbersRecords() const { return HasAutoInc || (AliasedFile && AliasedFile->HasAutoInc); }

Level FileManager::PrimeAutoInc() { return PrimeAutoIncServer(true); }
Level FileManager::TryPrimeAutoInc() { return PrimeAutoIncServer(false); }

Level FileManager::PrimeAutoIncServer(bool handleError) {
  if (UseFile(kUseRead) != Level::Benign) return Level::Fatal;
  if (!HasAutoInc || AutoIncDone) return Level::Benign;
  rt::FileControlBlock& b = Block();
  for (;;) {
    SetMultiRecordRead(0);
    for (int attempts = 1;; ++attempts) {
      for (const KeyEntry& k : Keys) {
        if (k.AutoInc == 0) continue;
        Level failed = Level::Notify;
        if (!NextNumber(k, handleError, &failed)) return failed;
      }
      int32_t code = rt::Add(b);
      if (code == 0) {
        AutoIncDone = true;
        return Level::Benign;
      }
      if (attempts < kAutoIncAttempts) continue;
      SetError(Msg_AutoIncrementError);
      if (code == rt::Error_CreatesDuplicateKey) NameDuplicateKey(false);
      if (handleError && Throw() == Level::Benign) break;  // Yes: number afresh
      return Level::Notify;
    }
  }
}

bool FileManager::NextNumber(const KeyEntry& k, bool handleError, Level* failed) {
  if (k.AutoInc < 1 || k.AutoInc > k.Fields.size()) return true;
  rt::FileControlBlock& b = Block();
  if (Errors) Errors->SetKey(KeyName(k));
  uint16_t saved = SaveBuffer();
  rt::NoMemo(b);
  const KeyField& comp = k.Fields[k.AutoInc - 1];
  const rt::FieldRef number{&b, comp.Field, 0};
  int64_t next = 1;
  int32_t code = 0;
  if (k.Fields.size() == 1) {
    rt::SetKey(b, k.Key);
    code = comp.Ascend ? rt::Previous(b) : rt::Next(b);
    if (code == 0) next = NumberOf(number) + 1;
  } else {
    const std::string prefix = Prefix(b, k);
    rt::clearField(b, comp.Field, 1);
    rt::SetKeyKey(b, k.Key);
    code = comp.Ascend ? rt::Previous(b) : rt::Next(b);
    if (code == 0) next = Prefix(b, k) == prefix ? NumberOf(number) + 1 : 1;
  }
  if (code != 0 && code != rt::Error_RecordNotAvailable) {
    SetError(Msg_RecordRetrievalError);
    RestoreBuffer(saved, true);
    *failed = handleError ? Throw() : Level::Notify;
    return false;
  }
  RestoreBuffer(saved, true);
  rt::setValueText(number, std::to_string(next));
  return true;
}

Level FileManager::CancelAutoInc(RelationManager* relationManager) {
  if (UseFile(kUseRead) != Level::Benign || !NumbersRecords() || !AutoIncDone) return Level::Benign;
  Level r = relationManager ? relationManager->Delete(false) : DeleteRecord(false);
  if (r == Level::Benign) AutoIncDone = false;
  return r;
}

// ---- validation ----

Level FileManager::ValidateRecord(int* failedField) {
  return ValidateFields(1, static_cast<int>(Block().decl().fields.size()), failedField);
}

Level FileManager::ValidateFields(int low, int high, int* failedField) {
  if (AliasedFile) return AliasValidate(low, high, failedField, true, false);
  for (int n = low; n <= high; ++n) {
    Level r = ValidateField(n);
    if (r != Level::Benign) {
      if (failedField) *failedField = n;
      return r;
    }
  }
  return Level::Benign;
}

Level FileManager::ValidateField(int n) { return ValidateFieldServer(n, true); }
Level FileManager::TryValidateField(int n) { return ValidateFieldServer(n, false); }

Level FileManager::ValidateFieldServer(int n, bool handleError) {
  if (AliasedFile) return AliasValidate(n, n, nullptr, handleError, true);
  return Level::Benign;
}

Level FileManager::AliasValidate(int low, int high, int* failedField, bool handleError, bool single) {
  FileManager* a = AliasedFile;
  if (a->AliasedFile) {
    rt::assertionFailed("Cannot have alias based upon an alias");
    return Level::Benign;
  }
  Level r = a->UseFile(kUseRead);
  if (r != Level::Benign) return r;
  uint16_t saved = a->SaveBuffer();
  rt::FileControlBlock& ab = a->Block();
  const rt::FileControlBlock& b = Block();
  if (ab.record.size() == b.record.size()) ab.record = b.record;
  if (single) {
    r = a->ValidateFieldServer(low, handleError);
  } else {
    r = a->ValidateFields(low, high, failedField);
  }
  a->RestoreBuffer(saved, true);
  return r;
}

}  // namespace fw
