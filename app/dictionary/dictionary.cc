#include "app/dictionary/dictionary.h"

#include <memory>
#include <optional>

#include "app/dictionary/file_managers.h"
#include "app/dictionary/files.h"
#include "app/dictionary/globals.h"
#include "app/dictionary/module_views.h"
#include "runtime/core/file_access.h"

namespace app {

namespace {

// The five files in the dictionary's order.
const DictionaryFile* const* Order() {
  static const DictionaryFile* const order[] = {&QVLIBRETAFile(), &QVAPRENDEFile(), &QVMATERIASFile(),
                                               &QVALUAPFile(), &QVSEGUIRFile()};
  return order;
}
constexpr int kFiles = 5;

thread_local std::optional<Dictionary> thread_dictionary;

}  // namespace

void DctInit() {
  DictionaryRelate* made[kFiles];
  made[0] = new Hide_Relate_QVLIBRETA(std::make_unique<Hide_Access_QVLIBRETA>());
  made[1] = new Hide_Relate_QVAPRENDE(std::make_unique<Hide_Access_QVAPRENDE>());
  made[2] = new Hide_Relate_QVMATERIAS(std::make_unique<Hide_Access_QVMATERIAS>());
  made[3] = new Hide_Relate_QVALUAP(std::make_unique<Hide_Access_QVALUAP>());
  made[4] = new Hide_Relate_QVSEGUIR(std::make_unique<Hide_Access_QVSEGUIR>());
  for (int i = 0; i < kFiles; ++i) {
    fw::RelationManager*& ref = Order()[i]->relate();
    delete ref;  // a second DctInit replaces the managers of the first
    ref = made[i];
  }
  FilesInit();
}

void FilesInit() {
  for (int i = 0; i < kFiles; ++i) {
    if (auto* r = static_cast<DictionaryRelate*>(Order()[i]->relate())) r->Init();
  }
}

void DctKill() {
  for (int i = 0; i < kFiles; ++i) {
    fw::RelationManager*& ref = Order()[i]->relate();
    fw::RelationManager* r = ref;
    if (!r) continue;
    r->Kill();
    delete r;
    ref = nullptr;
  }
}

Dictionary::Dictionary() {
  if (!IsMainThread()) DctInit();
}

Dictionary::~Dictionary() { DctKill(); }

void ThreadStart() {
  for (int i = 0; i < kFiles; ++i) Order()[i]->file().instance();
  GlobalErrorStatus();
  GlobalRequest = 0;
  GlobalResponse = 0;
  VCRRequest = 0;
  thread_dictionary.emplace();
}

void ThreadEnd() {
  thread_dictionary.reset();
  fw::ThreadErrorStatus() = fw::ErrorStatusClass();
  CloseModuleViews();
  for (int i = 0; i < kFiles; ++i) {
    rt::DeclaredFile& f = Order()[i]->file();
    if (rt::FileControlBlock* b = f.existingInstance(); b && b->open) rt::Close(*b);
    f.discardInstance(true);
  }
}

}  // namespace app
