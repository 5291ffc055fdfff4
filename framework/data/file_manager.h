// A FileManager guards one data file for the code of one thread: it opens
// the file on first real use and closes it after its last user, wraps every
// record operation so that a failure becomes a message identifier of the
// error manager (shown by the plain forms, only recorded by the Try forms),
// numbers new records automatically, saves and restores the record buffer
// and the file's position, and receives the runtime's notices before and
// after every operation on its file.
//
// The dictionary derives one class per file:
//
//   class Access_STUDENTS : public fw::FileManager {
//    public:
//     void Init() override {                 // when the thread's dictionary comes up
//       Initialized = false;
//       FileNameValue = "STUDENTS";
//       SetErrors(&GlobalErrors);
//       File = &STUDENTS;                    // the rt::DeclaredFile
//       FileManager::Init();
//     }
//     fw::Level UseFile(uint8_t kind) override {
//       if (kind != kUseInit) UseFile(kUseInit);
//       else if (!Initialized) {
//         ++InUseFile;
//         FileManager::Init(File, Errors);
//         Create = true; LockRecover = 10;
//         AddKey(0, "STU:CLAVE_ID", 1);
//         --InUseFile;
//       }
//       return FileManager::UseFile(kind);
//     }
//   };
//
// Every operation that reads or writes runs UseFile(2) first, so the
// manager initialises itself and opens the file on demand; Open() and
// Close() only count while lazy opening is on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/error_class.h"
#include "framework/data/file_open_server.h"
#include "framework/data/level.h"
#include "runtime/core/file_control.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_instance.h"
#include "runtime/core/file_notice.h"

namespace fw {

class RelationManager;

// Use kinds, the argument of UseFile.
inline constexpr uint8_t kUseRead = 2;    // the caller reads records
inline constexpr uint8_t kUseChange = 3;  // the caller changes records
inline constexpr uint8_t kUseQuiet = 4;   // use without noting it in the registry
inline constexpr uint8_t kUseInit = 5;    // initialise, and open when opening lazily

// The file's multi-record read (prefetch) property.
inline constexpr int32_t kPropMultiRecordRead = 29525;

class FileManager : public rt::FileCallback {
 public:
  struct KeyField {
    int Field = -1;         // position in the record's field list
    std::string FieldName;  // label, or "UPPER(" label ")" in a key that ignores case
    bool Ascend = true;
  };
  struct KeyEntry {
    int Key = -1;             // index into the file's declared keys
    std::string Description;
    std::vector<KeyField> Fields;
    uint8_t AutoInc = 0;      // 1-based component numbered automatically, 0 for none
    bool Dups = false;
    bool NoCase = false;
  };
  struct SavedBuffer {
    int32_t Id = 0;
    std::string Buffer;
  };
  struct SavedFile {
    uint16_t Buffer = 0;  // handle of the saved buffer
    uint16_t Id = 0;
    bool AutoIncDone = false;
    int64_t State = 0;    // the runtime's saved state
    std::string Pos;
  };
  struct FieldInfo {
    std::string Tag;
    rt::FieldRef Fld;
    uint8_t FType = 0;
    std::string FPicture;
  };

  FileManager() = default;
  ~FileManager() override;
  FileManager(const FileManager&) = delete;
  FileManager& operator=(const FileManager&) = delete;

  // --- Notices (rt::FileCallback) and their hooks --------------------------
  bool FunctionCalled(rt::FileControlBlock& file, rt::FileNotice& notice) override;
  bool FunctionDone(rt::FileControlBlock& file, rt::FileNotice& notice) override;
  virtual bool PreDelete(int32_t& errorCode, std::string& errorMessage);
  virtual bool PostDelete(int32_t& errorCode, std::string& errorMessage);
  virtual bool PreInsert(int32_t operation, int32_t length, int32_t& errorCode, std::string& errorMessage);
  virtual bool PostInsert(int32_t& errorCode, std::string& errorMessage);
  virtual bool PreUpdate(int32_t operation, int32_t length, int32_t& errorCode, std::string& errorMessage);
  virtual bool PostUpdate(int32_t& errorCode, std::string& errorMessage);

  // --- Set-up and life -----------------------------------------------------
  // Light set-up when the dictionary comes up: the per-file class sets
  // File, Errors, Buffer and FileNameValue first.
  virtual void Init();
  // Full set-up on first use.
  virtual void Init(rt::DeclaredFile* file, ErrorClass* errors);
  virtual void Kill();
  void Cleanup();
  void SetErrors(ErrorClass* errors) { Errors = errors; }
  // Describes the file's key `key` (index into the declared keys);
  // autoIncComponent is the 1-based component numbered automatically.
  void AddKey(int key, std::string_view description, uint8_t autoIncComponent = 0);
  // Makes the record's fields known by name to the expression evaluator
  // (the thread's rt::threadBindings()); per-file classes add their memos
  // with BindMemo. Kill unbinds them.
  virtual void BindFields();
  void BindMemo(std::string_view label);

  virtual Level UseFile(uint8_t kind);
  virtual Level Open();
  virtual Level TryOpen();
  virtual Level Close();
  int32_t GetOpened() const { return Opened; }
  bool IsOpened() const { return Initialized && Opened > 0; }
  std::string GetName() const;

  // --- Records -------------------------------------------------------------
  virtual Level Next();
  virtual Level TryNext();
  virtual Level Previous();
  virtual Level TryPrevious();
  bool GetEOF() const { return AtEOF; }
  virtual Level Fetch(int key);
  virtual Level TryFetch(int key);
  std::string Position();
  Level TryReget(std::string_view position);
  virtual Level Insert();
  virtual Level TryInsert();
  virtual Level Update();
  virtual Level TryUpdate();
  virtual Level DeleteRecord(bool askFirst = false);
  virtual bool Deleted();
  virtual Level PrimeRecord(bool keepBuffer = false);
  virtual Level PrimeFields();
  virtual Level PrimeAutoInc();
  virtual Level TryPrimeAutoInc();
  virtual Level CancelAutoInc(RelationManager* relationManager = nullptr);
  virtual bool GetAutoIncDone() const { return AutoIncDone; }

  // Field validation by field number (from 1); the base accepts every field.
  virtual Level ValidateRecord(int* failedField = nullptr);
  virtual Level ValidateFields(int low, int high, int* failedField = nullptr);
  virtual Level ValidateField(int n);
  virtual Level TryValidateField(int n);
  virtual Level ValidateFieldServer(int n, bool handleError);

  // --- Buffers and states --------------------------------------------------
  virtual uint16_t SaveBuffer();
  virtual void RestoreBuffer(uint16_t& handle, bool restore = true);
  void RestoreBuffer(uint16_t& handle, FileManager* source, bool restore = true);
  virtual bool EqualBuffer(uint16_t handle);
  uint16_t SaveFile();
  void RestoreFile(uint16_t& handle, bool restore = true);
  void RestoreFile(uint16_t& handle, FileManager* source, bool restore = true);

  // --- Keys (key = index into the declared keys) ----------------------------
  void SetKey(int key);
  std::string KeyToOrder(int key, int firstComponent = 1);
  void ClearKey(int key, int firstComponent = 1, int lastComponent = 255, bool highEnd = false);
  int GetComponents(int key);
  rt::FieldRef GetField(int key, int n);
  std::string GetFieldName(int key, int n);
  bool GetFieldAscending(int key, int n);

  // --- Errors --------------------------------------------------------------
  void SetError(uint16_t id);
  virtual Level Throw();
  virtual Level Throw(uint16_t id);
  virtual Level ThrowMessage(uint16_t id, std::string_view text);

  void SetUseMRP(bool on) { UseMRP = on; }
  bool GetUseMRP() const { return UseMRP; }
  void SetMRPSize(uint8_t n) { MRPSize = n; }
  uint8_t GetMRPSize() const { return MRPSize; }

  // The calling thread's instance of the file.
  rt::FileControlBlock& Block() const { return File->instance(); }

  // --- Fields --------------------------------------------------------------
  FileManager* AliasedFile = nullptr;
  std::vector<SavedBuffer> Buffers;
  bool Create = false;
  ErrorClass* Errors = nullptr;
  std::vector<FieldInfo> Fields;
  rt::DeclaredFile* File = nullptr;
  const std::string* FileName = nullptr;
  std::string FileNameValue;
  bool HasAutoInc = false;
  int InUseFile = 0, InCallback = 0, InClose = 0, InRestore = 0, InView = 0;
  bool Used = false;
  int32_t Opened = 0;
  bool AtEOF = false;
  bool AutoIncDone = false;
  int32_t LastError = 0;
  bool LazyOpen = true;
  int16_t LockRecover = 10;
  uint8_t OpenMode = 0x42;
  bool OpenModeOverridden = false;
  uint8_t PrimaryKey = 0;  // 1-based position in Keys, 0 for none
  std::vector<SavedFile> Saved;
  bool SkipHeldRecords = false;
  bool CleanedUp = false;
  std::vector<KeyEntry> Keys;
  bool BlobChanged = false;
  std::string PreviousBuffer;
  bool SavePreviousBuffer = false;
  bool Initialized = false;
  bool Killed = false;
  IFileOpenServer* Opener = nullptr;
  bool UseMRP = false;
  uint8_t MRPSize = 10;

 protected:
  Level OpenServer(bool handleError, bool force);
  Level OpenFile(bool handleError);
  Level NextServer(bool handleError, bool backwards);
  Level InsertServer(bool handleError);
  // handleError: 0 quiet, 1 show (error 7), 2 show as seen from a form (error 8).
  Level UpdateServer(int handleError);
  Level PrimeAutoIncServer(bool handleError);

 private:
  // Index into Keys of the description of `key`; asserts when absent.
  int KeyIndex(int key);
  const KeyEntry* KeyOf(int key, int n);
  // Declared index of the primary key, or -1.
  int PrimaryKeyIndex() const;
  void SetMultiRecordRead(int value);
  // Leaves the file without a current record, keeping the buffer.
  void ForgetCurrent();
  // The first key (in Keys order) that the buffer duplicates; names it to
  // the error manager. nullptr when none does.
  const KeyEntry* NameDuplicateKey(bool excludeCurrent);
  // Whether another record has the buffer's value of the unique key.
  bool DuplicatesKey(int key, bool excludeCurrent);
  std::string KeyName(const KeyEntry& k) const;
  // One number for an automatically numbered key; false with *failed set
  // to the outcome when the read fails.
  bool NextNumber(const KeyEntry& k, bool handleError, Level* failed);
  Level AliasValidate(int low, int high, int* failedField, bool handleError, bool single);
  // Whether added records get their number first: this file's own keys, or
  // for an alias the aliased file's.
  bool NumbersRecords() const;
};

}  // namespace fw
