// The hand designer: one window that edits the hand sets of Hands.dat in the
// program's own folder.
#include <QApplication>
#include <QIcon>

#include "handdesigner/form_main.h"
#include "platform/app_setup.h"

int main(int argc, char** argv) {
  platform::PreferX11UnderWayland();
  platform::AvoidMissingBusLauncher();
  QApplication app(argc, argv);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/ICON/spirrel-64.png")));
  // The application title, for the error boxes; not a display name, which the
  // desktop would append to every window caption.
  QApplication::setApplicationName(QStringLiteral("Spirrel"));
  designer::TFormMain window;
  window.show();
  return app.exec();
}
