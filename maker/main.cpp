// The clock maker: splash, main window and dialogs, then the message loop.
#include <QApplication>

#include "maker/maker_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::unique_ptr<maker::DialogServices> dialogs = maker::MakeDialogServices();
  dialogs->ShowSplash();
  QApplication::setApplicationName(QStringLiteral("Velmora"));
  QApplication::setApplicationDisplayName(QStringLiteral("Velmora"));
  maker::MakerEnvironment env;
  env.Dialogs = std::move(dialogs);
  maker::TFormMain window(std::move(env));
  window.Dialogs().CreateDialogs(window);
  window.Dialogs().FreeSplash();
  window.show();
  return app.exec();
}
