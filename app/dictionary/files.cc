#include "app/dictionary/files.h"

#include "app/dictionary/file_decls.h"

namespace app {

rt::DeclaredFile& QVSEGUIR() {
  static rt::DeclaredFile file(QVSEGUIRDecl());
  return file;
}
rt::DeclaredFile& QVALUAP() {
  static rt::DeclaredFile file(QVALUAPDecl());
  return file;
}
rt::DeclaredFile& QVMATERIAS() {
  static rt::DeclaredFile file(QVMATERIASDecl());
  return file;
}
rt::DeclaredFile& QVAPRENDE() {
  static rt::DeclaredFile file(QVAPRENDEDecl());
  return file;
}
rt::DeclaredFile& QVLIBRETA() {
  static rt::DeclaredFile file(QVLIBRETADecl());
  return file;
}

}  // namespace app
