// The per-file manager classes of the dictionary: one file manager and one
// relation manager per file. No relations are declared between the files,
// so every relation manager has none, and only QVG:CLAVE_PRIMARIA numbers
// its records automatically.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "runtime/core/file_instance.h"

namespace app {

// What distinguishes one file's manager classes from another's.
struct DictionaryFile {
  rt::DeclaredFile& (*file)();
  fw::FileManager*& (*access)();       // the thread's Access_ reference
  fw::RelationManager*& (*relate)();   // the thread's Relate_ reference
  int auto_number_key;                 // index of the auto-numbered key, -1 for none
  std::vector<std::string> memos;      // memo names made known to the evaluator
};

class DictionaryAccess : public fw::FileManager {
 public:
  explicit DictionaryAccess(const DictionaryFile& file) : def_(file) {}
  ~DictionaryAccess() override;

  void Init() override;
  fw::Level UseFile(uint8_t kind) override;
  void BindFields() override;
  void Kill() override;

 private:
  const DictionaryFile& def_;
};

class DictionaryRelate : public fw::RelationManager {
 public:
  // Owns the file's file-manager object from here on.
  DictionaryRelate(const DictionaryFile& file, std::unique_ptr<fw::FileManager> access)
      : def_(file), access_(std::move(access)) {}
  ~DictionaryRelate() override;

  void Init();
  void Kill() override;
  fw::FileManager* access() const { return access_.get(); }

 private:
  const DictionaryFile& def_;
  std::unique_ptr<fw::FileManager> access_;
};

const DictionaryFile& QVSEGUIRFile();
const DictionaryFile& QVALUAPFile();
const DictionaryFile& QVMATERIASFile();
const DictionaryFile& QVAPRENDEFile();
const DictionaryFile& QVLIBRETAFile();

class Hide_Access_QVSEGUIR : public DictionaryAccess {
 public:
  Hide_Access_QVSEGUIR() : DictionaryAccess(QVSEGUIRFile()) {}
};
class Hide_Access_QVALUAP : public DictionaryAccess {
 public:
  Hide_Access_QVALUAP() : DictionaryAccess(QVALUAPFile()) {}
};
class Hide_Access_QVMATERIAS : public DictionaryAccess {
 public:
  Hide_Access_QVMATERIAS() : DictionaryAccess(QVMATERIASFile()) {}
};
class Hide_Access_QVAPRENDE : public DictionaryAccess {
 public:
  Hide_Access_QVAPRENDE() : DictionaryAccess(QVAPRENDEFile()) {}
};
class Hide_Access_QVLIBRETA : public DictionaryAccess {
 public:
  Hide_Access_QVLIBRETA() : DictionaryAccess(QVLIBRETAFile()) {}
};

class Hide_Relate_QVSEGUIR : public DictionaryRelate {
 public:
  explicit Hide_Relate_QVSEGUIR(std::unique_ptr<Hide_Access_QVSEGUIR> a) : DictionaryRelate(QVSEGUIRFile(), std::move(a)) {}
};
class Hide_Relate_QVALUAP : public DictionaryRelate {
 public:
  explicit Hide_Relate_QVALUAP(std::unique_ptr<Hide_Access_QVALUAP> a) : DictionaryRelate(QVALUAPFile(), std::move(a)) {}
};
class Hide_Relate_QVMATERIAS : public DictionaryRelate {
 public:
  explicit Hide_Relate_QVMATERIAS(std::unique_ptr<Hide_Access_QVMATERIAS> a)
      : DictionaryRelate(QVMATERIASFile(), std::move(a)) {}
};
class Hide_Relate_QVAPRENDE : public DictionaryRelate {
 public:
  explicit Hide_Relate_QVAPRENDE(std::unique_ptr<Hide_Access_QVAPRENDE> a)
      : DictionaryRelate(QVAPRENDEFile(), std::move(a)) {}
};
class Hide_Relate_QVLIBRETA : public DictionaryRelate {
 public:
  explicit Hide_Relate_QVLIBRETA(std::unique_ptr<Hide_Access_QVLIBRETA> a)
      : DictionaryRelate(QVLIBRETAFile(), std::move(a)) {}
};

}  // namespace app
