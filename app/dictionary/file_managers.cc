#include "app/dictionary/file_managers.h"

#include "app/dictionary/files.h"
#include "app/dictionary/globals.h"

namespace app {

namespace {

fw::FileManager*& AccessQVSEGUIR() { return Access_QVSEGUIR; }
fw::FileManager*& AccessQVALUAP() { return Access_QVALUAP; }
fw::FileManager*& AccessQVMATERIAS() { return Access_QVMATERIAS; }
fw::FileManager*& AccessQVAPRENDE() { return Access_QVAPRENDE; }
fw::FileManager*& AccessQVLIBRETA() { return Access_QVLIBRETA; }
fw::RelationManager*& RelateQVSEGUIR() { return Relate_QVSEGUIR; }
fw::RelationManager*& RelateQVALUAP() { return Relate_QVALUAP; }
fw::RelationManager*& RelateQVMATERIAS() { return Relate_QVMATERIAS; }
fw::RelationManager*& RelateQVAPRENDE() { return Relate_QVAPRENDE; }
fw::RelationManager*& RelateQVLIBRETA() { return Relate_QVLIBRETA; }

}  // namespace

const DictionaryFile& QVSEGUIRFile() {
  static const DictionaryFile f{&QVSEGUIR, &AccessQVSEGUIR, &RelateQVSEGUIR, 0,
                                {"QVG:OBSPPI", "QVG:APRENDIZAJE_TRABAJO"}};
  return f;
}
const DictionaryFile& QVALUAPFile() {
  static const DictionaryFile f{&QVALUAP, &AccessQVALUAP, &RelateQVALUAP, -1, {}};
  return f;
}
const DictionaryFile& QVMATERIASFile() {
  static const DictionaryFile f{&QVMATERIAS, &AccessQVMATERIAS, &RelateQVMATERIAS, -1, {"QVM:OBJETIVO"}};
  return f;
}
const DictionaryFile& QVAPRENDEFile() {
  static const DictionaryFile f{&QVAPRENDE, &AccessQVAPRENDE, &RelateQVAPRENDE, -1, {"QVAP:APRENDIZAJE_TRABAJO"}};
  return f;
}
const DictionaryFile& QVLIBRETAFile() {
  static const DictionaryFile f{&QVLIBRETA, &AccessQVLIBRETA, &RelateQVLIBRETA, -1, {}};
  return f;
}

DictionaryAccess::~DictionaryAccess() {
  if (!Killed) Kill();
}

void DictionaryAccess::Init() {
  Initialized = false;
  File = &def_.file();  // the record buffer comes with the thread's instance of the file
  FileNameValue = File->decl().label;
  SetErrors(&GlobalErrors);
  FileManager::Init();
  def_.access() = this;
}

fw::Level DictionaryAccess::UseFile(uint8_t kind) {
  if (kind != fw::kUseInit) {
    UseFile(fw::kUseInit);
  } else if (!Initialized) {
    ++InUseFile;
    FileManager::Init(File, &GlobalErrors);
    Create = true;
    LockRecover = 10;
    const std::vector<rt::KeyDecl>& keys = File->decl().keys;
    for (size_t k = 0; k < keys.size(); ++k) {
      AddKey(static_cast<int>(k), keys[k].label, static_cast<int>(k) == def_.auto_number_key ? 1 : 0);
    }
    --InUseFile;
  }
  return FileManager::UseFile(kind);
}

void DictionaryAccess::BindFields() {
  FileManager::BindFields();
  for (const std::string& memo : def_.memos) BindMemo(memo);
}

void DictionaryAccess::Kill() {
  FileManager::Kill();
  if (def_.access() == this) def_.access() = nullptr;
}

DictionaryRelate::~DictionaryRelate() {
  if (access_) Kill();
}

void DictionaryRelate::Init() {
  access_->Init();
  RelationManager::Init(def_.access(), true);
}

void DictionaryRelate::Kill() {
  if (access_) access_->Kill();
  RelationManager::Kill();
  if (def_.relate() == this) def_.relate() = nullptr;
  access_.reset();
}

}  // namespace app
