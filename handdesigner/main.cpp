// The hand designer: one window that edits the hand sets of Hands.dat in the
// program's own folder.
#include <QApplication>

#include "handdesigner/form_main.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Spirrel"));
  QApplication::setApplicationDisplayName(QStringLiteral("Spirrel"));
  designer::TFormMain window;
  window.show();
  return app.exec();
}
