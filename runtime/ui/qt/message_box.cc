#include "runtime/ui/qt/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <map>

#include "runtime/ui/qt/view_util.h"
#include "runtime/ui/scripted_presenter.h"

namespace ui::qt {

const char* buttonCaption(uint32_t b) {
  switch (b) {
    case rt::Button_Ok: return "O&k";
    case rt::Button_Yes: return "&Yes";
    case rt::Button_No: return "&No";
    case rt::Button_Abort: return "&Abort";
    case rt::Button_Retry: return "&Retry";
    case rt::Button_Ignore: return "&Ignore";
    case rt::Button_Cancel: return "&Cancel";
    case rt::Button_Help: return "&Help";
    default: return "?";
  }
}

namespace {

QMessageBox::Icon boxIcon(uint32_t icon) {
  if (icon == rt::Icon_Hand) return QMessageBox::Critical;
  if (icon == rt::Icon_Question) return QMessageBox::Question;
  if (icon == rt::Icon_Exclamation) return QMessageBox::Warning;
  if (icon == rt::Icon_Asterisk) return QMessageBox::Information;
  return QMessageBox::NoIcon;
}

QMessageBox::ButtonRole role(uint32_t b) {
  switch (b) {
    case rt::Button_Ok:
    case rt::Button_Yes: return QMessageBox::YesRole;
    case rt::Button_No: return QMessageBox::NoRole;
    case rt::Button_Cancel:
    case rt::Button_Abort: return QMessageBox::RejectRole;
    case rt::Button_Help: return QMessageBox::HelpRole;
    default: return QMessageBox::ActionRole;
  }
}

uint32_t run(const rt::MessageRequest& r) {
  QMessageBox box(boxIcon(r.icon), qs(r.caption),
                  qs(messageLines(r.text)), QMessageBox::NoButton,
                  QApplication::activeWindow());
  box.setObjectName("qv_message_box");
  box.setTextFormat(Qt::PlainText);
  std::map<QAbstractButton*, uint32_t> codes;
  QPushButton* escape = nullptr;
  std::vector<uint32_t> buttons = messageButtons(r.buttons);
  for (uint32_t b : buttons) {
    QPushButton* pb = box.addButton(QString::fromUtf8(buttonCaption(b)), role(b));
    pb->setObjectName(QString("button_%1").arg(b));
    codes[pb] = b;
    if (b == r.defaultButton) box.setDefaultButton(pb);
    if (b == rt::Button_Cancel || (!escape && b == rt::Button_No)) escape = pb;
  }
  if (!escape && codes.size() == 1) escape = qobject_cast<QPushButton*>(codes.begin()->first);
  if (escape) box.setEscapeButton(escape);
  box.exec();
  auto it = codes.find(box.clickedButton());
  return it != codes.end() ? it->second : r.defaultButton;
}

}  // namespace

uint32_t QtMessagePresenter::show(const rt::MessageRequest& request) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return rt::StderrMessagePresenter().show(request);
  if (QThread::currentThread() == app->thread()) return run(request);
  uint32_t answer = request.defaultButton;
  QMetaObject::invokeMethod(app, [&] { answer = run(request); }, Qt::BlockingQueuedConnection);
  return answer;
}

}  // namespace ui::qt
