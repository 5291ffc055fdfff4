// Saved record buffers and saved file states of a file manager.
#include <algorithm>

#include "framework/data/file_manager.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/file_state.h"

namespace fw {

namespace {

std::string RecordText(const rt::FileControlBlock& b) {
  size_t end = b.record.size();
  while (end > 1 && b.record[end - 1] == ' ') --end;  // at least one character stays
  if (end == 0) return std::string(1, ' ');
  return std::string(b.record.begin(), b.record.begin() + end);
}

template <typename List, typename Id>
auto FindId(List& list, Id id) {
  return std::find_if(list.begin(), list.end(), [id](const auto& e) { return e.Id == id; });
}

}  // namespace

uint16_t FileManager::SaveBuffer() {
  const rt::FileControlBlock& b = Block();
  const int32_t id = Buffers.empty() ? 1 : Buffers.back().Id + 1;
  Buffers.push_back(SavedBuffer{id, RecordText(b)});
  int32_t next = id + 1;
  for (const std::string& memo : b.memos) Buffers.push_back(SavedBuffer{next++, memo});
  Buffers.push_back(SavedBuffer{next, std::string()});  // field nullity: none kept by this runtime
  return static_cast<uint16_t>(id);
}

void FileManager::RestoreBuffer(uint16_t& handle, bool restore) { RestoreBuffer(handle, this, restore); }

void FileManager::RestoreBuffer(uint16_t& handle, FileManager* source, bool restore) {
  if (handle == 0 && !restore) return;
  if (!source) source = this;
  std::vector<SavedBuffer>& list = source->Buffers;
  auto it = FindId(list, int32_t(handle));
  if (handle == 0 || it == list.end()) {
    rt::assertionFailed("Restore handle is invalid");
    handle = 0;
    return;
  }
  rt::FileControlBlock& b = Block();
  if (restore) {
    // Trailing blanks were dropped when it was saved.
    const size_t n = std::min(it->Buffer.size(), b.record.size());
    std::copy(it->Buffer.begin(), it->Buffer.begin() + n, b.record.begin());
    std::fill(b.record.begin() + n, b.record.end(), uint8_t(' '));
  }
  list.erase(it);
  int32_t next = handle + 1;
  for (std::string& memo : b.memos) {
    auto m = FindId(list, next++);
    if (m == list.end()) {
      rt::assertionFailed("Restore handle is invalid (memo does not appear to have been stored)");
      handle = 0;
      return;
    }
    if (restore) memo = m->Buffer;
    list.erase(m);
  }
  auto nullity = FindId(list, next);
  if (nullity == list.end()) {
    rt::assertionFailed("Restore handle is invalid (nullity information not appear to have been stored)");
  } else {
    list.erase(nullity);
  }
  handle = 0;
}

bool FileManager::EqualBuffer(uint16_t handle) {
  if (UseFile(kUseRead) != Level::Benign || BlobChanged) return false;
  const rt::FileControlBlock& b = Block();
  auto it = FindId(Buffers, int32_t(handle));
  if (handle == 0 || it == Buffers.end() || it->Buffer != RecordText(b)) return false;
  int32_t next = handle + 1;
  for (const std::string& memo : b.memos) {
    auto m = FindId(Buffers, next++);
    if (m == Buffers.end() || m->Buffer != memo) return false;
  }
  return true;
}

uint16_t FileManager::SaveFile() {
  if (UseFile(kUseRead) != Level::Benign) return 0;
  SavedFile s;
  s.Id = static_cast<uint16_t>(Saved.empty() ? 1 : Saved.back().Id + 1);
  s.Buffer = SaveBuffer();
  s.State = rt::GetState(Block());
  s.Pos = Position();
  s.AutoIncDone = AutoIncDone;
  Saved.push_back(std::move(s));
  return Saved.back().Id;
}

void FileManager::RestoreFile(uint16_t& handle, bool restore) { RestoreFile(handle, this, restore); }

void FileManager::RestoreFile(uint16_t& handle, FileManager* source, bool restore) {
  // A file that cannot be used any more restores nothing, but its saved
  // entry, buffer and state are freed all the same: nothing else would.
  if (UseFile(kUseRead) != Level::Benign) restore = false;
  if (!source) source = this;
  auto it = FindId(source->Saved, handle);
  if (handle == 0 || it == source->Saved.end()) {
    rt::assertionFailed("Restore handle is invalid");
    handle = 0;
    return;
  }
  SavedFile s = std::move(*it);
  source->Saved.erase(it);
  rt::FileControlBlock& b = Block();
  if (restore) {
    if (source == this) {
      if (s.State) rt::RestoreState(b, s.State);
    } else if (!s.Pos.empty()) {
      // Another file's state: find the same record in this one.
      const int pk = PrimaryKeyIndex();
      if (pk >= 0) {
        rt::Reset(b, pk, s.Pos);
      } else {
        rt::Reset(b, s.Pos);
      }
      rt::Next(b);
    }
  }
  RestoreBuffer(s.Buffer, source, restore);
  if (restore) AutoIncDone = s.AutoIncDone;
  if (s.State) rt::FreeState(source->Block(), s.State);
  handle = 0;
}

}  // namespace fw
