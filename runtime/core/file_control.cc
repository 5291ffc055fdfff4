#include "runtime/core/file_control.h"

#include "runtime/core/file_driver.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_ops.h"
#include "runtime/core/file_state_table.h"
#include "runtime/core/file_transaction.h"

namespace rt {

FileControlBlock::FileControlBlock(FileDeclPtr decl) : decl_(std::move(decl)) {
  if (!decl_) decl_ = std::make_shared<const FileDecl>();
  name = decl_->name;
  driver_name = decl_->driver;
  driver_string = decl_->driver_string;
  attributes = decl_->attributes;
  record.assign(decl_->record_length, 0);
  memos.assign(decl_->memos.size(), std::string());
  clearBuffers();
}

FileControlBlock::~FileControlBlock() {
  forgetTransactionFile(this);
  if (driver_data && driver) {
    DriverArgs args;
    driver(Op_DESTROY, *this, args);
  }
}

void FileControlBlock::adoptDecl(FileDeclPtr decl) {
  if (!decl) return;
  decl_ = std::move(decl);
  record.assign(decl_->record_length, 0);
  memos.assign(decl_->memos.size(), std::string());
  clearBuffers();
}

void FileControlBlock::clearBuffers(int fill, bool keep_memos) {
  const std::vector<FieldDecl>& fields = decl_->fields;
  for (size_t i = 0; i < fields.size(); ++i) {
    // Overlays share storage with the field they lie over; groups are
    // cleared through their members.
    if (fields[i].overlay || fields[i].type == FieldType::kGroup) continue;
    clearField(*this, static_cast<int>(i), fill);
  }
  if (keep_memos) return;
  for (size_t i = 0; i < memos.size() && i < decl_->memos.size(); ++i) {
    const MemoDecl& m = decl_->memos[i];
    if (m.blob()) {
      memos[i].clear();
    } else {
      memos[i].assign(m.size, m.binary() ? '\0' : ' ');
    }
  }
}

}  // namespace rt
