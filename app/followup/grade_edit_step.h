// What the grade-book list's edit classes do with an event after the
// inherited edit handling has mapped it to an action, kept apart from the
// edit-in-place machinery so that it can be checked on its own:
//
//   action = EditEntryClass::TakeEvent(event);          // 0 none, 1 Tab ... 6 Up
//   return GradeCellStep(action, [&] { return move screen value into the row field; },
//                        &rowRules);                    // nullptr: a follow-up cell
//
// The typed value always reaches the row field, so that the rule sees it;
// the rule runs on every action that leaves or confirms the cell and never
// on Esc (cancel) or on an event that is no action. The action is returned
// unchanged (the edit-in-place manager moves, saves or cancels on it),
// except when the move refused the value (it returned false): then the
// rule does not run and the cell stays open (EditAction_None).
//
// GradeCellAccepts is the cell's own check before a value is kept: a grade
// typed into a cell is a whole number from 0 (no grade) to 10, as the cell
// shows it; anything else (8,5 or 85 typed for 8.5, 11, a letter) is refused
// with kGradeRefusedText.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "app/graderules/grade_rules.h"
#include "framework/window/edit_class.h"
#include "runtime/core/decimal.h"

namespace app::followup {

class GradeRowFields;

using fw::EditAction_None, fw::EditAction_Forward, fw::EditAction_Backward, fw::EditAction_Complete,
    fw::EditAction_Cancel, fw::EditAction_Next, fw::EditAction_Previous;

inline constexpr std::string_view kGradeRefusedText =
    "La nota debe ser un número entero de 0 a 10 (0: sin nota).";

// `row` may be null: the follow-up list's plain entry cells.
// `work`: the procedure's working variables of the rule (nullptr: private ones).
uint8_t GradeCellStep(uint8_t action, const std::function<bool()>& moveScreenValue, GradeRowFields* row,
                      GradeRuleWork* work = nullptr);

// The grade a cell's text stands for, or nothing when it is no grade: blank
// is 0; otherwise a number 0..10 with at most two places.
std::optional<rt::Decimal> GradeCellAccepts(std::string_view text);

}  // namespace app::followup
