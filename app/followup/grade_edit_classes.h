// The edit classes of the follow-up window's two edited lists.
//
// GradeEditClass edits one grade cell of the grade book: after the
// inherited key handling it checks what was typed (0 to 10; "85" for 8.5 is
// refused with Msg_GradeRefused and the cell stays open, nothing moved),
// moves it into the row and, on Tab, Shift+Tab, Enter, Up and Down (never
// on Esc), recomputes the row's "Prom. OLE", final grade and status with
// the grade rule. The computed fields are the row's, so they are saved with
// the typed grade. Each rule run, and the start of each row's edit, puts
// the row's explanation as typed in the window's status line.
//
// FollowUpEditClass edits a follow-up mark (LOGRADO, PENDIENTE,
// VALORACION_FINAL): a plain entry that moves the typed value into the row.
//
// The eleven grade columns and the three follow-up columns each have a
// class of their own name; they differ only in the column they are given.
#pragma once

#include <cstdint>

#include "app/followup/grade_row_fields.h"
#include "app/followup/grade_status_line.h"
#include "app/graderules/grade_rules.h"
#include "framework/window/edit_entry_class.h"

namespace app::followup {

class GradeEditClass : public fw::EditEntryClass {
 public:
  // `row` is the grade-book list's row buffer; `work` the procedure's
  // working variables of the rule; `status` the window's status line
  // (nullptr: none).
  GradeEditClass(rt::FileControlBlock& row, GradeRuleWork& work, GradeStatusLine* status = nullptr)
      : rule_(row), work_(work), status_(status) {}
  void Init(int32_t column, int32_t listControl, const rt::FieldRef& rowField) override;
  uint8_t TakeEvent(int event) override;
  // The cell's check, on every way a row is completed (the edit-in-place
  // manager's accept-all pass calls it too): a refused value is reported
  // and answers EditAction_Cancel, which the manager reads as refused.
  uint8_t TakeAccepted(uint8_t action) override;

 private:
  bool MoveScreenValue(uint8_t action);
  void ShowWhy();

  GradeRowFields rule_;
  GradeRuleWork& work_;
  GradeStatusLine* status_;
};

class FollowUpEditClass : public fw::EditEntryClass {
 public:
  uint8_t TakeEvent(int event) override;
};

#define QV_GRADE_EDIT_CLASS(NAME)                                                                      \
  class NAME : public GradeEditClass {                                                                 \
   public:                                                                                             \
    using GradeEditClass::GradeEditClass;                                                              \
  };
QV_GRADE_EDIT_CLASS(EditInPlace_QVL_ETAPA1)
QV_GRADE_EDIT_CLASS(EditInPlace_QVL_ETAPA2)
QV_GRADE_EDIT_CLASS(EditInPlace_QVL_ETAPA3)
QV_GRADE_EDIT_CLASS(EditInPlace_QVL_ETAPA4)
QV_GRADE_EDIT_CLASS(EditInPlace_QVL_ETAPA5)
QV_GRADE_EDIT_CLASS(EditInPlace_QVL_ETAPA6)
QV_GRADE_EDIT_CLASS(EditInPlace_QVL_ETAPA7)
QV_GRADE_EDIT_CLASS(EditInPlace_QVL_ETAPA8)
QV_GRADE_EDIT_CLASS(EditInPlace_QVL_ETAPA9)
QV_GRADE_EDIT_CLASS(EditInPlace_QVL_ETAPA10)
QV_GRADE_EDIT_CLASS(EditInPlace_QVL_ETAPA12)
#undef QV_GRADE_EDIT_CLASS

class EditInPlace_QVG_LOGRADO : public FollowUpEditClass {};
class EditInPlace_QVG_PENDIENTE : public FollowUpEditClass {};
class EditInPlace_QVG_VALORACION_FINAL : public FollowUpEditClass {};

}  // namespace app::followup
