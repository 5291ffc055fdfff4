#include "app/followup/historial_procedure.h"

#include <utility>
#include <vector>

#include "app/followup/historial_window.h"
#include "app/gradebook/grade_book_record.h"
#include "app/gradebook/grade_history.h"
#include "app/graderules/grade_explanation.h"
#include "runtime/core/decimal.h"
#include "runtime/core/error_state.h"
#include "runtime/core/picture.h"
#include "runtime/core/trim.h"
#include "runtime/core/windows1252.h"
#include "runtime/ui/accept_loop.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/property_ids.h"

namespace app::followup {

namespace {

// A stored value as a teacher reads it: grades with a decimal comma, "-" for none.
std::string Shown(const std::string& value) {
  if (value.empty()) return "-";
  if (auto d = rt::Decimal::Parse(value); d && d->IsValid()) return GradeText(*d);
  return rt::windows1252ToUtf8(value);
}

std::string Who(const GradeHistoryEntry& e) {
  if (!e.program.empty()) return rt::windows1252ToUtf8(e.program);
  return "DNI " + std::to_string(e.dni);
}

}  // namespace

HistorialProcedure::HistorialProcedure(int32_t subject, int32_t student, std::string student_text)
    : window(HistorialWindow()), subject_(subject), student_(student), student_text_(std::move(student_text)) {
  window.bind(HISTORIAL_ALUMNO, &student_var_);
  window.setRowSource(HISTORIAL_LIST, &Rows);
}

void HistorialProcedure::Read() {
  Rows.rows.clear();
  Note.clear();
  GradeHistory history;
  std::vector<GradeHistoryEntry> entries;
  // A school whose grades were never saved here has no history file yet.
  if (history.Exists()) {
    int32_t rc = history.OpenForReading();
    if (rc == 0) rc = history.Read(subject_, student_, &entries);
    if (rc != 0) {
      const std::string why(rt::trimRight(rt::Error()));
      Note = "No se pudo leer el historial de notas (" + (why.empty() ? std::string("error") : why) + ", " +
             std::to_string(rc) + ").";
      entries.clear();
    }
  }
  for (const GradeHistoryEntry& e : entries) {
    Rows.rows.push_back({
        rt::Format(e.date, "@d06"),
        rt::Format(e.time, "@t04"),
        std::string(GradeFieldHeader(e.field)),
        Shown(e.before),
        Shown(e.after),
        e.final_grade.IsValid() ? GradeText(e.final_grade) : "-",
        e.status.empty() ? "-" : rt::windows1252ToUtf8(e.status),
        Who(e),
    });
  }
  if (Note.empty() && Rows.rows.empty()) Note = "No hay cambios de notas registrados para este alumno.";
}

void HistorialProcedure::Run(ui::Window* owner) {
  Read();
  ui::Engine& e = ui::Engine::current();
  window.open(owner);
  {
    ui::AcceptLoop loop(window);
    while (loop.next()) {
      if (e.event() == ui::Event_OpenWindow) {
        window.refreshRows(HISTORIAL_LIST);
        if (!Rows.rows.empty()) window.setProp(HISTORIAL_LIST, ui::Prop_SelStart, 1);
        window.setProp(0, ui::Prop_StatusText, ui::PropValue(Note), 1);
        window.display();
        window.select(Rows.rows.empty() ? int(HISTORIAL_CERRAR) : int(HISTORIAL_LIST));
      } else if (e.event() == ui::Event_Accepted && e.field() == HISTORIAL_CERRAR) {
        break;
      }
    }
  }
  if (window.isOpen()) window.close();
}

}  // namespace app::followup
