#include "maker/dialogs/form_splash.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>

#include "imaging/picture_io.h"
#include "maker/dialogs/dialog_support.h"
#include "platform/resources.h"

namespace maker {

namespace {

// The splash picture, resource SPLASH 1 (a JPEG); none when it is missing or
// unreadable: the window then stays black.
QPixmap SplashPicture() {
  try {
    const std::vector<uint8_t> bytes = platform::LoadResource("SPLASH", 1);
    return QPixmap::fromImage(imaging::ReadJpeg(bytes.data(), bytes.size()).ToQImage());
  } catch (const std::exception&) {
    return QPixmap();
  }
}

}  // namespace

TFormSplash::TFormSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setWindowTitle(QStringLiteral("FormSplash"));
  setFixedSize(192, 138);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  setPalette(pal);

  Image1 = new QLabel(this);
  Image1->setGeometry(0, 0, 192, 138);
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setPixmap(SplashPicture());

  dialogs::CentreOnScreen(this);
}

void TFormSplash::ShowAndPaint() {
  show();
  raise();
  repaint();
  // Let the window system map and draw the window before start-up goes on.
  QApplication::processEvents();
  repaint();
}

}  // namespace maker
