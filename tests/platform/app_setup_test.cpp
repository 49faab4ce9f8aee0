// The set-up around each program's QApplication: the Wayland rule, the
// session bus where no bus launcher is installed, and Qt's own Japanese
// translations.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTranslator>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

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

// Without a session bus and without the launcher, the D-Bus library's only
// way left is a child that cannot succeed; the programs name the user's bus
// instead. Wherever a bus or a launcher is to be found, nothing changes.
TEST(AppSetup, NoChildIsMadeToRunABusLauncherThatIsNotInstalled) {
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const std::string root = tmp.path().toStdString();
  const std::string empty = root + "/empty", withLauncher = root + "/with", notExecutable = root + "/plain",
                    runtime = root + "/run time", withBus = root + "/bus-here";
  for (const std::string& d : {empty, withLauncher, notExecutable, runtime, withBus}) mkdir(d.c_str(), 0700);
  std::ofstream(withLauncher + "/dbus-launch") << "#!/bin/sh\n";
  chmod((withLauncher + "/dbus-launch").c_str(), 0755);
  std::ofstream(notExecutable + "/dbus-launch") << "#!/bin/sh\n";
  chmod((notExecutable + "/dbus-launch").c_str(), 0644);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  const std::string busPath = withBus + "/bus";
  ASSERT_LT(busPath.size(), sizeof sa.sun_path);
  busPath.copy(sa.sun_path, busPath.size());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);

  const std::string own = "unix:path=/run/user/" + std::to_string(getuid()) + "/bus";
  const std::string escaped = "unix:path=" + root + "/run%20time/bus";
  const struct {
    const char* what;
    const char* address;  // DBUS_SESSION_BUS_ADDRESS before, or null for unset
    std::string runtime;  // XDG_RUNTIME_DIR, or empty for unset
    std::string path;     // PATH
    std::string folder;   // the library's own folder of the launcher
    std::string expected; // the address after, or empty for unset
  } cases[] = {
      {"a bus is named", "unix:path=/somewhere", runtime, empty, empty, "unix:path=/somewhere"},
      {"no launcher anywhere", nullptr, runtime, empty + ":" + notExecutable, empty, escaped},
      {"named empty, no launcher", "", "", empty, empty, own},
      {"a launcher on the PATH", nullptr, runtime, empty + ":" + withLauncher, empty, ""},
      {"a launcher in the library's folder", nullptr, runtime, empty, withLauncher, ""},
      {"a bus in the runtime folder", nullptr, withBus, empty, empty, ""},
  };
  for (const auto& c : cases) {
    ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", c.address);
    ScopedEnv runtimeDir("XDG_RUNTIME_DIR", c.runtime.empty() ? nullptr : c.runtime.c_str());
    ScopedEnv path("PATH", c.path);
    platform::AvoidMissingBusLauncher(c.folder.c_str());
    const char* now = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_EQ(now ? std::string(now) : "", c.expected) << c.what;
  }
  close(sock);
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
