#include "platform/ui/message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

#include "platform/core/cp1252.h"

namespace platform::ui {
namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Hand:
      return QMessageBox::Critical;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::ButtonRole roleOf(MessageButton button) {
  switch (button) {
    case MessageButton::Ok:
    case MessageButton::Yes:
    case MessageButton::Retry:
    case MessageButton::Ignore:
      return QMessageBox::AcceptRole;
    case MessageButton::No:
      return QMessageBox::NoRole;
    case MessageButton::Help:
      return QMessageBox::HelpRole;
    case MessageButton::Abort:
    case MessageButton::Cancel:
      break;
  }
  return QMessageBox::RejectRole;
}

}  // namespace

std::string messageLines(const std::string& text) {
  std::string lines = text;
  for (char& c : lines)
    if (c == '|') c = '\n';
  return lines;
}

QtUserPort::QtUserPort(const Locale& locale) : locale_(locale) {}

MessageButton QtUserPort::message(const MessageRequest& request) {
  QMessageBox box;
  box.setWindowTitle(QString::fromStdString(request.caption));
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(messageLines(request.text)));
  box.setIcon(qtIcon(request.icon));
  box.setWindowModality(Qt::ApplicationModal);
  std::vector<std::pair<QAbstractButton*, MessageButton>> buttons;
  for (MessageButton b : request.buttons) {
    const QString caption = QString::fromStdString(cp1252ToUtf8(locale_.buttonCaption(b)));
    QPushButton* added = box.addButton(caption, roleOf(b));
    buttons.emplace_back(added, b);
    if (b == request.defaultButton) {
      box.setDefaultButton(added);
      // Escape and the close box answer with the default button.
      box.setEscapeButton(added);
    }
  }
  if (buttons.empty()) box.addButton(QString::fromStdString(cp1252ToUtf8(locale_.buttonCaption(MessageButton::Ok))),
                                     QMessageBox::AcceptRole);
  box.exec();
  for (const auto& [widget, button] : buttons)
    if (widget == box.clickedButton()) return button;
  return request.defaultButton;
}

void QtUserPort::halt() { throw ProgramHalted(); }

void QtUserPort::setBusy(bool busy) {
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else if (QApplication::overrideCursor() != nullptr)
    QApplication::restoreOverrideCursor();
}

}  // namespace platform::ui
