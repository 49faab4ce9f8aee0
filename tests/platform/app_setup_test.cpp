// The set-up around each program's QApplication: the Wayland rule and Qt's
// own Japanese translations.
#include <QCoreApplication>
#include <QTranslator>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/app_setup.h"
#include "tests/scoped_env.h"

using testenv::ScopedEnv;

TEST(AppSetup, UnderWaylandTheProgramsRunThroughXWaylandUnlessTheUserChoseAPlatform) {
  const struct {
    const char* wayland;   // WAYLAND_DISPLAY, or null for unset
    const char* platform;  // QT_QPA_PLATFORM before, or null for unset
    const char* expected;  // after
  } cases[] = {
      {"wayland-0", nullptr, "xcb"},
      {"wayland-0", "wayland", "wayland"},
      {"wayland-0", "offscreen", "offscreen"},
      {nullptr, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    ScopedEnv wayland("WAYLAND_DISPLAY", c.wayland);
    ScopedEnv platform("QT_QPA_PLATFORM", c.platform);
    platform::PreferX11UnderWayland();
    const char* now = std::getenv("QT_QPA_PLATFORM");
    EXPECT_EQ(now ? std::string(now) : "(unset)", c.expected ? std::string(c.expected) : "(unset)")
        << (c.wayland ? c.wayland : "no Wayland") << ", " << (c.platform ? c.platform : "no platform");
  }
}

TEST(AppSetup, QtsOwnDialogsAndButtonsSpeakJapanese) {
  const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
  const QString replace = QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?");
  QTranslator* t = platform::InstallQtJapaneseTranslations(*QCoreApplication::instance());
  ASSERT_NE(t, nullptr) << "Qt's translations (qt6-translations-l10n) are not installed";
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?"), replace);
  EXPECT_TRUE(QCoreApplication::translate("QColorDialog", "Select Color").contains(QStringLiteral("色")));
  QCoreApplication::removeTranslator(t);
  delete t;
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
}
