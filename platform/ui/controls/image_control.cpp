#include <QImageReader>
#include <QLabel>
#include <QMovie>
#include <QPixmap>
#include <stdexcept>

#include "platform/ui/controls/kinds.h"

namespace platform::ui::controls {
namespace {

class ImageControl : public Control {
 public:
  ImageControl(Window& window, const ControlDefinition& definition, QWidget* parent)
      : Control(window, definition), label_(new QLabel(parent)) {
    setUpWidget(label_);
    label_->setAlignment(Qt::AlignCenter);
    const QString path = QString::fromStdString(layout::imagePath(definition.text("image")));
    QImageReader reader(path);
    if (reader.supportsAnimation() && reader.imageCount() > 1) {
      movie_ = new QMovie(path, QByteArray(), label_);
      natural_ = reader.size();
      label_->setMovie(movie_);
    } else {
      const QImage image = reader.read();
      if (image.isNull())
        throw std::runtime_error("image " + definition.text("image") + ": " + reader.errorString().toStdString());
      pixmap_ = QPixmap::fromImage(image);
      natural_ = pixmap_.size();
    }
  }

  QWidget* widget() const override { return label_; }
  QSize defaultSize() const override { return natural_; }

  // Scales the picture to the rectangle the window gave the control.
  void placed() override {
    const QSize area = label_->size();
    const bool stretch = definition().has("stretch");
    const QSize target = stretch ? area : natural_.scaled(area, Qt::KeepAspectRatio);
    if (movie_ != nullptr) {
      movie_->setScaledSize(target);
      movie_->start();
    } else {
      label_->setPixmap(target == natural_ ? pixmap_
                                           : pixmap_.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
  }

  bool isAnimated() const { return movie_ != nullptr; }

 private:
  QPointer<QLabel> label_;
  QMovie* movie_ = nullptr;
  QPixmap pixmap_;
  QSize natural_;
};

}  // namespace

std::unique_ptr<ControlKind> imageKind() {
  return std::make_unique<KindOf<ImageControl>>("image", std::vector<std::string_view>{"image"},
                                                std::vector<std::string_view>{"stretch"},
                                                [](const ControlDefinition& d, std::vector<std::string>& problems) {
                                                  if (d.text("image").empty())
                                                    problems.push_back("an image needs \"image\"");
                                                });
}

}  // namespace platform::ui::controls
