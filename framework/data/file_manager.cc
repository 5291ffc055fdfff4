// Life of a file manager: set-up, use, open and close, errors.
#include "framework/data/file_manager.h"

#include <string>

#include "framework/data/files_manager.h"
#include "framework/data/message_ids.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_state.h"
#include "runtime/core/trim.h"
#include "runtime/view/bindings.h"

namespace fw {

FileManager::~FileManager() {
  if (!Killed) FileManager::Kill();
  if (File && File->decl().threaded()) {
    rt::FileControlBlock* block = File->existingInstance();
    if (block && block->open) {
      rt::assertionFailed("The file is still open. Open Counter is " + std::to_string(Opened) +
                          " on File: " + GetName());
    }
  }
}

void FileManager::Init() {
  Opened = 0;
  LazyOpen = true;
  Killed = false;
  UseMRP = false;
  MRPSize = 10;
  ThreadFilesManager().AddFileMapping(this);
}

void FileManager::Init(rt::DeclaredFile* file, ErrorClass* errors) {
  Errors = errors;
  File = file;
  if (!Opener) Opener = CreateFileOpenServer(file);
  Keys.clear();
  Buffers.clear();
  Saved.clear();
  Fields.clear();
  HasAutoInc = false;
  SkipHeldRecords = false;
  if (!OpenModeOverridden) OpenMode = 0x42;
  Create = true;
  LockRecover = 10;
  PrimaryKey = 0;
  rt::FileControlBlock& block = Block();
  std::string name = rt::Name(block);
  FileNameValue = name.empty() ? block.name : name;
  CleanedUp = false;
  Initialized = true;
  Killed = false;
  UseMRP = false;
  MRPSize = 20;
  block.callback = this;
}

void FileManager::Kill() {
  if (Killed) return;
  if (Initialized) {
    Cleanup();
    if (rt::FileControlBlock* block = File ? File->existingInstance() : nullptr) {
      if (block->callback == this) block->callback = nullptr;
    }
    Initialized = false;
  } else {
    // Declared but never used: the registration of Init() still stands,
    // and an Open may have bound the fields.
    if (FilesManager* registry = ExistingThreadFilesManager()) registry->RemoveFileMapping(this);
    if (rt::FileControlBlock* block = File ? File->existingInstance() : nullptr) {
      rt::threadBindings().UnbindFile(*block);
    }
  }
  Killed = true;
}

void FileManager::Cleanup() {
  if (CleanedUp) return;
  while (Opened > 0) Close();
  if (FilesManager* registry = ExistingThreadFilesManager()) registry->RemoveFileMapping(this);
  Keys.clear();
  PreviousBuffer.clear();
  Buffers.clear();
  rt::FileControlBlock* block = File ? File->existingInstance() : nullptr;
  if (block) rt::threadBindings().UnbindFile(*block);
  for (const SavedFile& s : Saved) {
    if (block && s.State) rt::FreeState(*block, s.State);
  }
  Saved.clear();
  Fields.clear();
  if (Opener) {
    Opener->Release();
    Opener = nullptr;
  }
  OpenModeOverridden = false;
  CleanedUp = true;
}

void FileManager::BindFields() {
  if (!File) return;
  rt::FileControlBlock& b = Block();
  const std::vector<rt::FieldDecl>& fields = b.decl().fields;
  for (size_t i = 0; i < fields.size(); ++i) {
    rt::threadBindings().Bind(fields[i].label, rt::FieldRef{&b, static_cast<int>(i), 0});
  }
}

void FileManager::BindMemo(std::string_view label) {
  if (!File) return;
  rt::FileControlBlock& b = Block();
  const int memo = b.decl().findMemo(label);
  if (memo < 0) {
    rt::assertionFailed("Unknown memo " + std::string(label));
    return;
  }
  rt::threadBindings().BindMemo(label, b, memo);
}

std::string FileManager::GetName() const { return std::string(rt::trimRight(FileName ? *FileName : FileNameValue)); }

Level FileManager::UseFile(uint8_t kind) {
  ++InUseFile;
  Level result = Level::Benign;
  if (kind != kUseInit) {
    if (kind != kUseQuiet) {
      if (FilesManager* registry = ExistingThreadFilesManager()) registry->NoteUsage(this, kind);
    }
    if (LazyOpen && !Used) {
      if (Opened < 1) {
        result = Throw(Msg_FileUsageError);
      } else {
        uint16_t saved = SaveBuffer();
        result = OpenFile(true);
        RestoreBuffer(saved, true);
      }
    }
  } else if (LazyOpen) {
    if (!Used && Opened < 1) {
      // The forced open counts itself once more.
      ++Opened;
      result = OpenServer(true, true);
      --Opened;
    } else if (Used && Opened < 1) {
      result = OpenServer(true, false);
    }
  }
  --InUseFile;
  return result;
}

Level FileManager::Open() { return OpenServer(true, false); }
Level FileManager::TryOpen() { return OpenServer(false, false); }

Level FileManager::OpenServer(bool handleError, bool force) {
  if (FilesManager* registry = ExistingThreadFilesManager()) registry->NoteOpen(this);
  BindFields();
  if (force || (!LazyOpen && Opened == 0)) {
    Level r = OpenFile(handleError);
    if (r != Level::Benign) return r;
  }
  ++Opened;
  return Level::Benign;
}

Level FileManager::OpenFile(bool handleError) {
  bool hard = UseFile(kUseInit) != Level::Benign || !Opener;
  for (int attempt = 0; !hard && attempt < 2; ++attempt) {
    int32_t code = Opener->OpenFile(OpenMode);
    if (code == rt::Error_AccessDenied) {
      rt::Send(Block(), "Recover=" + std::to_string(LockRecover));
      code = Opener->OpenFile(OpenMode);
    }
    if (code == 0) {
      Used = true;
      AtEOF = false;
      AutoIncDone = false;
      return Level::Benign;
    }
    if (code == rt::Error_AccessDenied && (OpenMode & 0x03) != 0) {
      OpenMode &= 0xF0;  // read only, same sharing
      Throw(Msg_AccessDenied);
      continue;
    }
    if (code == rt::Error_FileNotFound && Create) {
      if (rt::Create(Block()) != 0) {
        SetError(Msg_FileCreationError);
        return handleError ? Throw() : Level::Notify;
      }
      // Whether a create leaves the file open differs between drivers; the
      // next attempt opens it through the open server either way.
      ++InClose;
      rt::Close(Block());
      --InClose;
      continue;
    }
    if (code == rt::Error_KeyFileMustBeRebuilt) {
      SetError(Msg_InvalidKey);
      if (!handleError) return Level::Notify;
      Throw(Msg_InvalidKey);
      if (rt::Build(Block()) != 0) return Throw(Msg_KeyNotBuilt);
      continue;
    }
    hard = true;
  }
  SetError(Msg_FileOpenError);
  return handleError ? Throw() : Level::Notify;
}

Level FileManager::Close() {
  ++InClose;
  if (FilesManager* registry = ExistingThreadFilesManager()) registry->NoteClose(this);
  if (UseMRP) {
    UseMRP = false;
    SetMultiRecordRead(0);
  }
  if (Opened > 0) {
    --Opened;
    if (Opened == 0 && Initialized && Opener) {
      Opener->CloseFile();
      Used = false;
    }
  }
  --InClose;
  return Level::Benign;
}

void FileManager::SetMultiRecordRead(int value) {
  if (File) rt::SetProperty(Block(), kPropMultiRecordRead, std::to_string(value));
}

void FileManager::SetError(uint16_t id) {
  if (Errors) Errors->SetErrors();
  LastError = id;
}

Level FileManager::Throw() {
  if (!Errors) return Level::Notify;
  Errors->SetFile(GetName());
  return Errors->TakeError(static_cast<uint16_t>(LastError));
}

Level FileManager::Throw(uint16_t id) {
  SetError(id);
  return Throw();
}

Level FileManager::ThrowMessage(uint16_t id, std::string_view text) {
  LastError = id;
  if (!Errors) return Level::Notify;
  Errors->SetFile(GetName());
  return Errors->ThrowMessage(id, text);
}

}  // namespace fw
