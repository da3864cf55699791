#include "platform/os/window_style.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <QWindow>

namespace platform::os {
namespace {

QWidget* makeWindow(Qt::WindowFlags hints) {
  auto* w = new QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | hints);
  w->setWindowTitle("Ventana");
  w->setGeometry(40, 50, 300, 200);
  return w;
}

TEST(WindowStyleTest, ReadsTheBoxesFromTheFlags) {
  std::unique_ptr<QWidget> w(makeWindow(Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                        Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(hasSystemMenu(w.get()));
  EXPECT_EQ(windowStyle(w.get()), kCaption | kSystemMenu | kMinimizeBox);
  w->show();
  EXPECT_EQ(windowStyle(w.get()), kVisible | kCaption | kSystemMenu | kMinimizeBox);

  std::unique_ptr<QWidget> bare(makeWindow(Qt::WindowTitleHint));
  EXPECT_FALSE(hasSystemMenu(bare.get()));
  EXPECT_EQ(windowStyle(bare.get()), kCaption);
}

TEST(WindowStyleTest, WritingChangesTheOpenWindowInPlace) {
  std::unique_ptr<QWidget> w(makeWindow(Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                        Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  w->show();
  const QRect place = w->geometry();
  setWindowStyle(w.get(), windowStyle(w.get()) & ~kMinimizeBox);
  redrawMenuBar(w.get());

  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->geometry(), place);
  EXPECT_EQ(w->windowTitle(), "Ventana");
  EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(w->windowHandle()->flags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(w->windowHandle()->flags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_EQ(windowStyle(w.get()), kVisible | kCaption | kSystemMenu | kMaximizeBox);
}

TEST(WindowStyleTest, BitsWithoutAQtFlagReadBackAsWritten) {
  std::unique_ptr<QWidget> w(makeWindow(Qt::WindowTitleHint));
  const std::uint32_t thickFrameAndTabStop = 0x00040000u | 0x00001000u;
  setWindowStyle(w.get(), kCaption | kSystemMenu | thickFrameAndTabStop);
  EXPECT_EQ(windowStyle(w.get()), kCaption | kSystemMenu | thickFrameAndTabStop);
  EXPECT_TRUE(hasSystemMenu(w.get()));
  // The visible bit follows the window, not the value written.
  setWindowStyle(w.get(), windowStyle(w.get()) | kVisible);
  EXPECT_FALSE(w->isVisible());
}

TEST(WindowStyleTest, NoWindowMeansNothingToDo) {
  EXPECT_FALSE(hasSystemMenu(nullptr));
  EXPECT_EQ(windowStyle(nullptr), 0u);
  setWindowStyle(nullptr, kSystemMenu);
  redrawMenuBar(nullptr);

  QWidget parent;
  QWidget* child = new QWidget(&parent);
  setWindowStyle(child, kSystemMenu | kMinimizeBox);
  EXPECT_EQ(windowStyle(child), 0u);
  EXPECT_FALSE(child->isWindow());
}

}  // namespace
}  // namespace platform::os
