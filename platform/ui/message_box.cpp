#include "platform/ui/message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/core/cp1252.h"
#include "platform/ui/folder_dialog.h"

namespace platform::ui {
namespace {

QStyle::StandardPixmap pixmapOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Exclamation:
      return QStyle::SP_MessageBoxWarning;
    case MessageIcon::Question:
      return QStyle::SP_MessageBoxQuestion;
    case MessageIcon::Information:
      return QStyle::SP_MessageBoxInformation;
    case MessageIcon::Hand:
      return QStyle::SP_MessageBoxCritical;
    case MessageIcon::None:
      break;
  }
  return QStyle::SP_CustomBase;
}

// What a title bar takes beside its caption: the window's icon and its boxes, with margins.
constexpr int kTitleFrameAllowance = 120;

}  // namespace

std::string messageLines(const std::string& text) {
  std::string lines = text;
  for (char& c : lines)
    if (c == '|') c = '\n';
  return lines;
}

MessageDialog::MessageDialog(const MessageRequest& request, const Locale& locale)
    : answer_(request.defaultButton), icon_(request.icon) {
  // A box given no caption takes the locale's, rather than the program file's name.
  const QString caption = QString::fromStdString(
      request.caption.empty() ? cp1252ToUtf8(locale.text(PlatformText::MessageCaption)) : request.caption);
  setWindowTitle(caption);
  setWindowModality(Qt::ApplicationModal);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);

  auto* body = new QHBoxLayout;
  body->setSpacing(16);
  if (pixmapOf(icon_) != QStyle::SP_CustomBase) {
    auto* picture = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    picture->setPixmap(style()->standardIcon(pixmapOf(icon_), nullptr, this).pixmap(size, size));
    picture->setAlignment(Qt::AlignTop);
    body->addWidget(picture);
  }
  text_ = new QLabel(QString::fromStdString(messageLines(request.text)), this);
  text_->setTextFormat(Qt::PlainText);
  text_->setWordWrap(false);
  text_->setTextInteractionFlags(Qt::NoTextInteraction);
  body->addWidget(text_, 1, Qt::AlignTop);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  std::vector<MessageButton> wanted = request.buttons;
  if (wanted.empty()) wanted.push_back(MessageButton::Ok);
  for (MessageButton b : wanted) {
    auto* button = new QPushButton(QString::fromStdString(cp1252ToUtf8(locale.buttonCaption(b))), this);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, b] {
      answer_ = b;
      accept();
    });
    row->addWidget(button);
    buttons_.push_back(button);
    if (b == request.defaultButton || default_ == nullptr) default_ = button;
  }
  default_->setDefault(true);
  default_->setFocus();

  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addLayout(body);
  layout->addSpacing(8);
  layout->addLayout(row);
  // Wide enough for the caption in the window manager's title font (commonly bold), beside the
  // frame's icon and boxes: a desktop's message box widens for its caption rather than cut it.
  QFont titleFont = font();
  titleFont.setBold(true);
  layout->addStrut(QFontMetrics(titleFont).horizontalAdvance(caption) + kTitleFrameAllowance);
}

QtUserPort::QtUserPort(const Locale& locale) : locale_(&locale) {}

MessageButton QtUserPort::message(const MessageRequest& request) {
  MessageDialog box(request, *locale_);
  // Escape and the close box reject the box: the answer stays the default button.
  box.exec();
  return box.answer();
}

std::optional<std::string> QtUserPort::chooseFolder(const FolderRequest& request) { return askFolder(request); }

void QtUserPort::halt() { throw ProgramHalted(); }

void QtUserPort::setBusy(bool busy) {
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else if (QApplication::overrideCursor() != nullptr)
    QApplication::restoreOverrideCursor();
}

}  // namespace platform::ui
