// The clock maker: splash, main window and dialogs, then the message loop,
// which ends when the main window closes (also while the thumbnail browser
// is still open).
#include <QApplication>
#include <QIcon>

#include "maker/maker_window.h"
#include "platform/app_setup.h"

int main(int argc, char** argv) {
  platform::PreferX11UnderWayland();
  platform::AvoidMissingBusLauncher();
  QApplication app(argc, argv);
  platform::InstallQtJapaneseTranslations(app);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/ICON/brasswick-64.png")));
  std::unique_ptr<maker::DialogServices> dialogs = maker::MakeDialogServices();
  dialogs->ShowSplash();
  // The application title, for the error boxes; not a display name, which the
  // desktop would append to every window caption.
  QApplication::setApplicationName(QStringLiteral("Velmora"));
  maker::MakerEnvironment env;
  env.Dialogs = std::move(dialogs);
  maker::TFormMain window(std::move(env));
  window.Dialogs().CreateDialogs(window);
  window.Dialogs().FreeSplash();
  maker::QuitWhenClosed(window);
  window.show();
  return app.exec();
}
