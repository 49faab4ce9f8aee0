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

// Installs Qt's own Japanese translations (qtbase_ja from Qt's translations
// folder, Debian's qt6-translations-l10n), so that Qt's dialogs and buttons
// speak Japanese like the rest of the maker and the engine. Returns the
// installed translator, owned by the application; null when the
// translations are not there.
QTranslator* InstallQtJapaneseTranslations(QCoreApplication& app);

}  // namespace platform
