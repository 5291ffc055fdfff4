// ABM_Contenidos driven through the headless back-end with the real update
// form: the list holds only the chosen subject's contents in order-number
// order, adding, changing and deleting through "&Agregar", "&Modificar" and
// "&Borrar", "Salir", and the follow-up synchronisation that the
// follow-up window runs afterwards.
#include <functional>
#include <string>
#include <vector>

#include "app/contents/abm_contenidos_procedure.h"
#include "app/contents/abm_contenidos_window.h"
#include "app/contents/cargar_contenido_window.h"
#include "app/followup/sync_follow_up.h"
#include "contents_school.h"
#include "framework/window/request_codes.h"
#include "runtime/core/message_presenter.h"
#include "runtime/ui/backend.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/scripted_presenter.h"

namespace app::contents::testing {
namespace {

class AbmContenidos : public ContentsSchool {
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

  // Queues an action on the window that has the focus when it runs (the
  // list, or the form it opened).
  void Then(std::function<void(ui::Window&)> f) {
    hb_.then([f] { f(*ui::Engine::current().target()); });
  }
  void Click(int control) {
    Then([control](ui::Window& w) { w.inputClick(control, ui::Mouse_Left); });
  }
  void Type(int control, const std::string& text) {
    Then([control, text](ui::Window& w) {
      w.inputFocus(control);
      w.inputText(control, text);
    });
  }
  // The contents the list shows now (column 1), and their order numbers.
  void Look(std::vector<std::string>* texts, std::vector<int>* orders = nullptr) {
    hb_.then([this, texts, orders] {
      texts->clear();
      if (orders) orders->clear();
      for (int r = 1; r <= p_->queue.rowCount(); ++r) {
        texts->push_back(Trim(p_->queue.value(r, 1)));
        if (orders) orders->push_back(std::stoi(p_->queue.value(r, 5)));
      }
    });
  }
  void Add(const std::string& text, const std::string& learning) {
    Click(INSERT);
    Type(CONTENIDO, text);
    Type(APRENDIZAJE, learning);
    Click(OK);
  }
  uint8_t Run() {
    Click(BUTTON1);
    p_ = std::make_unique<AbmContenidosProcedure>();
    p_->Run();
    p_.reset();
    return GlobalResponse;
  }
  // A content written straight to the file (as another station would).
  void File(int32_t subject, int16_t order, const std::string& text) {
    rt::FileControlBlock f(QVAPRENDEDecl());
    ASSERT_EQ(rt::Open(f, rt::kAccessReadWrite | rt::kShareDenyNone), 0);
    f.clearBuffers();
    rt::setInteger(f, f.decl().findField("QVAP:COD_MATERIA"), subject);
    rt::setInteger(f, f.decl().findField("QVAP:NRO_ORDEN"), order);
    rt::setText(f, f.decl().findField("QVAP:CONTENIDO_PRIORIZADO"), text);
    ASSERT_EQ(rt::Add(f), 0);
    rt::Close(f);
  }
  // QVSEGUIR's records as "legajo:content", in record order.
  static std::vector<std::string> FollowUp() {
    rt::FileControlBlock f(QVSEGUIRDecl());
    std::vector<std::string> out;
    if (rt::Open(f, rt::kAccessRead | rt::kShareDenyNone) != 0) return out;
    rt::SetFile(f);
    while (rt::Next(f) == 0)
      out.push_back(std::to_string(rt::getInteger(f, f.decl().findField("QVG:NRO_LEGAJO")).value_or(0)) + ":" +
                    Trim(rt::getText(f, f.decl().findField("QVG:CONTENIDO_PRIORIZADO")).value_or("")));
    rt::Close(f);
    return out;
  }

  ui::HeadlessBackend hb_;
  ui::ScriptedPresenter presenter_;
  std::unique_ptr<AbmContenidosProcedure> p_;

 private:
  ui::Backend* previousBackend_ = nullptr;
  rt::MessagePresenter* previousPresenter_ = nullptr;
};

TEST_F(AbmContenidos, ListsOnlyTheChosenSubjectsContentsByOrderNumber) {
  File(7, 2, "Tercero");
  File(8, 0, "De otra materia");
  File(7, 0, "Primero");
  File(7, 1, "Segundo");
  // Two of one order number (after deletions): listed as they were added.
  File(7, 5, "Quinto A");
  File(7, 5, "Quinto B");
  Choose(7);
  std::vector<std::string> shown;
  std::vector<int> orders;
  Look(&shown, &orders);
  EXPECT_EQ(Run(), fw::Response_Cancelled);  // "Salir" sets no response
  EXPECT_EQ(shown, (std::vector<std::string>{"Primero", "Segundo", "Tercero", "Quinto A", "Quinto B"}));
  EXPECT_EQ(orders, (std::vector<int>{0, 1, 2, 5, 5}));
}

TEST_F(AbmContenidos, AddChangeAndDeleteThroughTheFormThenSalirAndTheSynchronisation) {
  Choose(8);
  Add("Relieve", "Mapas");  // order 0: another subject's content
  std::vector<std::string> afterAdds, afterChange, afterDelete;
  Run();
  Choose(7);
  Add("Primero", "uno");
  Add("Segundo", "dos");
  Add("Tercero", "tres");
  Look(&afterAdds);
  // Changing the highlighted first content moves it last (order 4 of 4 records).
  Then([](ui::Window& w) { w.inputClick(LIST, ui::Mouse_Left, 1); });
  Click(CHANGE);
  Type(CONTENIDO, "Primero revisado");
  Click(OK);
  Look(&afterChange);
  EXPECT_EQ(Run(), fw::Response_Cancelled);  // "Salir" sets no response
  EXPECT_EQ(afterAdds, (std::vector<std::string>{"Primero", "Segundo", "Tercero"}));
  EXPECT_EQ(afterChange, (std::vector<std::string>{"Segundo", "Tercero", "Primero revisado"}));

  // The follow-up window's synchronisation after "Salir": one record per
  // student of the course and content of the subject.
  Choose(7);
  SyncFollowUpResult sync = SyncFollowUp();
  EXPECT_EQ(sync.created, 9);
  std::vector<std::string> follow = FollowUp();
  EXPECT_EQ(follow.size(), 9u);
  for (int legajo : {701, 702, 703})
    for (const char* content : {"Primero revisado", "Segundo", "Tercero"})
      EXPECT_NE(std::find(follow.begin(), follow.end(), std::to_string(legajo) + ":" + content), follow.end())
          << legajo << " " << content;

  // "&Borrar" on "Segundo" (the first row), then the synchronisation
  // deletes its three follow-up records.
  Choose(7);
  Then([](ui::Window& w) { w.inputClick(LIST, ui::Mouse_Left, 1); });
  Click(DELETE);
  Look(&afterDelete);
  Run();
  EXPECT_EQ(afterDelete, (std::vector<std::string>{"Tercero", "Primero revisado"}));
  Choose(7);
  sync = SyncFollowUp();
  EXPECT_EQ(sync.deleted, 3);
  EXPECT_EQ(FollowUp().size(), 6u);
  for (const std::string& f : FollowUp()) EXPECT_EQ(f.find("Segundo"), std::string::npos) << f;
}

TEST_F(AbmContenidos, AViewRequestListsButNeitherAddsNorChanges) {
  File(7, 0, "Primero");
  Choose(7);
  std::vector<std::string> shown;
  Then([](ui::Window& w) { w.inputClick(LIST, ui::Mouse_Left, 1); });
  Click(INSERT);
  Click(CHANGE);
  Look(&shown);
  GlobalRequest = fw::Request_View;
  Run();
  EXPECT_EQ(shown, (std::vector<std::string>{"Primero"}));
  const auto c = Contents();
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].order, 0);  // no form ran: the order number is untouched
}

}  // namespace
}  // namespace app::contents::testing
