// What every program does around the creation of its QApplication.
#pragma once

class QCoreApplication;
class QTranslator;

namespace platform {

// Called before the QApplication exists. The programs place, shape and
// raise their own windows, which Wayland allows no client: under Wayland
// they run through XWayland (QT_QPA_PLATFORM=xcb) unless the user chose a
// platform.
void PreferX11UnderWayland();

// Called before the QApplication exists. With no session bus named in the
// environment and none in the user's runtime folder, the D-Bus library
// forks the program to run the bus launcher from `launcherFolder` or the
// PATH; where no launcher is installed that child can only fail, and making
// it costs the start about as much as drawing the whole clock. There, the
// environment names the session bus where the user's bus would be
// ($XDG_RUNTIME_DIR/bus, else /run/user/<uid>/bus), so the library looks
// there and, with no bus there either, gives up at once. Where a bus is
// named, or found in the runtime folder, or a launcher is installed,
// nothing changes.
void AvoidMissingBusLauncher(const char* launcherFolder = "/usr/bin");

// Installs Qt's own Japanese translations (qtbase_ja from Qt's translations
// folder, Debian's qt6-translations-l10n), so that Qt's dialogs and buttons
// speak Japanese like the rest of the maker and the engine. Returns the
// installed translator, owned by the application; null when the
// translations are not there.
QTranslator* InstallQtJapaneseTranslations(QCoreApplication& app);

}  // namespace platform
