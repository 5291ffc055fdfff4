// Cargar_Contenido driven through the headless back-end: what an insert and
// a change write (the subject's fields and the order number counting every
// subject's contents), a delete without the form, a view that writes
// nothing, and the history key on both entries.
#include <functional>
#include <string>

#include "app/contents/cargar_contenido_procedure.h"
#include "app/contents/cargar_contenido_window.h"
#include "contents_school.h"
#include "framework/window/request_codes.h"
#include "runtime/core/message_presenter.h"
#include "runtime/ui/backend.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/scripted_presenter.h"

namespace app::contents::testing {
namespace {

class CargarContenido : public ContentsSchool {
 protected:
  void SetUp() override {
    ContentsSchool::SetUp();
    previousBackend_ = ui::setBackend(&hb_);
    previousPresenter_ = rt::setMessagePresenter(&presenter_);
  }
  void TearDown() override {
    rt::setMessagePresenter(previousPresenter_);
    ui::setBackend(previousBackend_);
    ContentsSchool::TearDown();
  }

  // Runs the form with `request`; `steps` act on its window, one per wait.
  uint8_t Form(uint8_t request, std::vector<std::function<void(ui::Window&)>> steps) {
    CargarContenidoProcedure p;
    for (auto& s : steps) hb_.then([&p, s] { s(p.window); });
    GlobalRequest = request;
    p.Run();
    if (selected_) Relate_QVAPRENDE->Close();
    selected_ = false;
    return GlobalResponse;
  }
  static std::function<void(ui::Window&)> Type(int control, std::string text) {
    return [control, text](ui::Window& w) {
      w.inputFocus(control);
      w.inputText(control, text);
    };
  }
  static std::function<void(ui::Window&)> Key(int control, int key) {
    return [control, key](ui::Window& w) { w.inputKey(control, key); };
  }
  static std::function<void(ui::Window&)> Click(int control) {
    return [control](ui::Window& w) { w.inputClick(control, ui::Mouse_Left); };
  }
  uint8_t Add(int32_t subject, const std::string& text, const std::string& learning) {
    Choose(subject);
    return Form(fw::Request_Insert, {Type(CONTENIDO, text), Type(APRENDIZAJE, learning), Click(OK)});
  }
  // Puts content `text` in the QVAPRENDE buffer as the list leaves it, the
  // file open as the list keeps it while the form runs.
  void Select(const std::string& text) {
    ASSERT_EQ(Relate_QVAPRENDE->Open(), fw::Level::Benign);
    selected_ = true;
    rt::FileControlBlock& ap = Access_QVAPRENDE->Block();
    rt::SetFile(ap);
    bool found = false;
    while (!found && rt::Next(ap) == 0)
      found = Trim(rt::getText(ap, ap.decl().findField("QVAP:CONTENIDO_PRIORIZADO")).value_or("")) == text;
    ASSERT_TRUE(found) << text;
  }

  ui::HeadlessBackend hb_;
  ui::ScriptedPresenter presenter_;
  bool selected_ = false;

 private:
  ui::Backend* previousBackend_ = nullptr;
  rt::MessagePresenter* previousPresenter_ = nullptr;
};

TEST_F(CargarContenido, InsertsTakeTheSubjectAndAnOrderNumberCountingEverySubject) {
  EXPECT_EQ(Add(7, "Revolución de Mayo", "Causas y consecuencias"), fw::Response_Completed);
  EXPECT_EQ(Add(8, "Relieve", "Mapas físicos"), fw::Response_Completed);
  EXPECT_EQ(Add(7, "Independencia", "Congreso de Tucumán"), fw::Response_Completed);
  const auto c = Contents();
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].order, 0);  // an empty file: the first content is 0
  EXPECT_EQ(c[1].order, 1);  // another subject's content counts too
  EXPECT_EQ(c[2].order, 2);
  EXPECT_EQ(c[0].text, "Revolución de Mayo");
  EXPECT_EQ(c[0].learning, "Causas y consecuencias");
  EXPECT_EQ(c[0].subject, 7);
  EXPECT_EQ(c[0].course, 301);
  EXPECT_EQ(c[0].teacher, 5);
  EXPECT_EQ(c[0].subjectName, "HISTORIA");
  EXPECT_EQ(c[0].teacherName, "QUIROGA, Elena");
  EXPECT_EQ(c[1].subject, 8);
  EXPECT_EQ(c[1].teacherName, "PAZ, Julio");
}

TEST_F(CargarContenido, AChangeTakesTheRecordCountAsItsOrderNumber) {
  Add(7, "Primero", "a");
  Add(7, "Segundo", "b");
  Add(7, "Tercero", "c");
  Select("Primero");
  EXPECT_EQ(Form(fw::Request_Change, {Type(CONTENIDO, "Primero revisado"), Click(OK)}), fw::Response_Completed);
  const auto c = Contents();
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].text, "Primero revisado");
  EXPECT_EQ(c[0].learning, "a");
  EXPECT_EQ(c[0].order, 3);  // after 1 and 2: last in the list's order
}

TEST_F(CargarContenido, DeleteNeedsNoFormAndViewWritesNothing) {
  Add(7, "Primero", "a");
  Add(7, "Segundo", "b");
  Select("Primero");
  EXPECT_EQ(Form(fw::Request_View, {Type(CONTENIDO, "cambiado"), Click(OK)}), fw::Response_Cancelled);
  ASSERT_EQ(Contents().size(), 2u);
  EXPECT_EQ(Contents()[0].text, "Primero");
  Select("Primero");
  EXPECT_EQ(Form(fw::Request_Delete, {}), fw::Response_Completed);
  const auto c = Contents();
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].text, "Segundo");
  EXPECT_TRUE(presenter_.shown.empty());  // no question asked
}

TEST_F(CargarContenido, CtrlHRestoresEachEntryFromTheContentLastCompleted) {
  Add(7, "Primero", "Aprendizaje del primero");
  Choose(7);
  EXPECT_EQ(Form(fw::Request_Insert, {Type(CONTENIDO, "otro texto"), Key(CONTENIDO, 584), Type(APRENDIZAJE, "otro"),
                                       Key(APRENDIZAJE, 584), Click(OK)}),
            fw::Response_Completed);
  const auto c = Contents();
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[1].text, "Primero");
  EXPECT_EQ(c[1].learning, "Aprendizaje del primero");

  // Changing a content and pressing Ctrl+H gives back what it held when
  // the form opened (the content just completed is this one).
  Select("Primero");
  EXPECT_EQ(Form(fw::Request_Change, {Type(CONTENIDO, "Primero cambiado"), Click(OK)}), fw::Response_Completed);
  Select("Primero cambiado");
  EXPECT_EQ(Form(fw::Request_Change, {Type(CONTENIDO, "a punto de perderse"), Key(CONTENIDO, 584), Click(OK)}),
            fw::Response_Completed);
  EXPECT_EQ(Contents()[0].text, "Primero cambiado");
}

}  // namespace
}  // namespace app::contents::testing
