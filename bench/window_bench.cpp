// The sign-in window built and shown from its stored definition, offscreen: the definition read and
// checked, every control made, the logos and the animated bar decoded, the use variables displayed,
// the window shown and painted once. Beside it, the same widgets made by hand in C++ from the same
// images, so that the cost of building from data can be quoted as a ratio.
#include <benchmark/benchmark.h>

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPixmap>
#include <QPixmapCache>
#include <QPushButton>

#include "platform/core/fixed_text.h"
#include "platform/ui/window.h"

namespace {

void SignInWindowFromDefinition(benchmark::State& state) {
  platform::Locale locale;
  platform::FixedText<20> key(platform::Cp1252View::ofBytes("1001"));
  platform::FixedText<20> password;
  for (auto _ : state) {
    platform::ui::Window window("comprobar_usuario", locale);
    window.bind("Gs_Maestro", platform::ui::Variable::of(key));
    window.bind("LS_TEMCONTRASENA", platform::ui::Variable::of(password));
    window.open();
    window.handle()->repaint();
    window.close();
  }
}
BENCHMARK(SignInWindowFromDefinition)->Unit(benchmark::kMillisecond);

void SignInDefinitionReadOnly(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(platform::ui::loadWindowDefinition("comprobar_usuario"));
}
BENCHMARK(SignInDefinitionReadOnly)->Unit(benchmark::kMicrosecond);

// The same window made control by control, as code would without definitions.
void SignInWindowByHand(benchmark::State& state) {
  for (auto _ : state) {
    // Decoded every time, as the window from its definition decodes them.
    QPixmapCache::clear();
    QWidget window(nullptr, Qt::Window);
    window.setWindowTitle("Bienvenido");
    window.setWindowIcon(QIcon(":/images/Candado.ico"));
    window.setFixedSize(385, 171);
    auto* logo = new QLabel(&window);
    logo->setGeometry(2, 2, 137, 75);
    logo->setPixmap(
        QPixmap(":/images/Logo_Escuela.png").scaled(137, 75, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto* seal = new QLabel(&window);
    seal->setGeometry(247, 5, 137, 68);
    seal->setPixmap(
        QPixmap(":/images/Logo_Institucion.png").scaled(137, 68, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto* bar = new QLabel(&window);
    bar->setGeometry(0, 78, 385, 6);
    auto* movie = new QMovie(":/images/Bar_Ani.gif", QByteArray(), bar);
    movie->setScaledSize(QSize(385, 6));
    bar->setMovie(movie);
    movie->start();
    (new QLabel("Clave del Maestro:", &window))->move(9, 94);
    (new QLabel("Contraseña:", &window))->move(9, 117);
    auto* key = new QLineEdit("1001", &window);
    key->setGeometry(161, 94, 217, 16);
    auto* password = new QLineEdit(&window);
    password->setEchoMode(QLineEdit::Password);
    password->setGeometry(161, 117, 217, 16);
    (new QPushButton("&Aceptar", &window))->setGeometry(210, 141, 79, 23);
    (new QPushButton("&Cancelar", &window))->setGeometry(298, 141, 79, 23);
    window.show();
    window.repaint();
    window.hide();
  }
}
BENCHMARK(SignInWindowByHand)->Unit(benchmark::kMillisecond);

}  // namespace
