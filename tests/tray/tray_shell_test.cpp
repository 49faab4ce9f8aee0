// The QSystemTrayIcon-backed shell, under the offscreen platform (no tray).
#include "engine/tray_icon.h"
#include "platform/tray_shell.h"

#include <QCoreApplication>
#include <QMenu>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace platform;

namespace {

QIcon MakeIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::red);
  return QIcon(pixmap);
}

NotifyIconData Record(QObject* window, uint32_t uID) {
  NotifyIconData data;
  data.window = window;
  data.uID = uID;
  data.flags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.callbackMessage = engine::kTrayCallbackMessage;
  data.icon = MakeIcon();
  data.tip = "Kitchen";
  return data;
}

// Collects the callback events posted to it.
class Receiver : public QObject {
 public:
  struct Got {
    uint32_t callbackMessage, uID, message;
    bool operator==(const Got&) const = default;
  };
  std::vector<Got> got;

 protected:
  bool event(QEvent* e) override {
    if (e->type() != TrayCallbackEvent::EventType()) return QObject::event(e);
    auto* c = static_cast<TrayCallbackEvent*>(e);
    got.push_back({c->callbackMessage, c->wParam, c->lParam});
    return true;
  }
};

}  // namespace

TEST(QtTrayShell, WithoutATrayEveryRequestFails) {
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  QtTrayShell shell;
  Receiver receiver;
  const NotifyIconData data = Record(&receiver, 1);
  EXPECT_FALSE(shell.Add(data));
  EXPECT_NE(shell.LastError(), 0u);
  EXPECT_NE(shell.LastError(), kErrorTimeout);  // no pointless retries
  EXPECT_EQ(shell.IconFor(&receiver, 1), nullptr);
  EXPECT_FALSE(shell.Modify(data));
  EXPECT_FALSE(shell.Delete(data));
  EXPECT_EQ(shell.GetShellVersion().major, 6);
}

TEST(QtTrayShell, ComponentReportsTheMissingTrayAndCarriesOn) {
  ASSERT_EQ(&GetTrayShell(), &GetTrayShell());
  auto form = std::make_unique<QWidget>();
  auto* tray = new engine::TTrayIcon(form.get());  // the process-wide, real shell
  tray->SetIcon(MakeIcon());
  tray->SetTipHelp("Dravenna");
  tray->SetVisible(true);
  try {
    tray->Loaded();
    FAIL() << "the add succeeded without a tray";
  } catch (const engine::ETrayIconError& e) {
    EXPECT_STREQ(e.what(), "タスクトレイにアイコンを登録できません。");
  }
  EXPECT_FALSE(tray->Added());
  EXPECT_TRUE(tray->Visible());
  EXPECT_NO_THROW({
    tray->SetTipHelp("Kitchen");
    tray->SetIcon(MakeIcon());
    tray->SetVisible(false);
  });
  form.reset();  // destroys the icon without a delete request
  EXPECT_EQ(engine::TrayIconRegistry::Count(), 0);
}

TEST(QtTrayShell, InstalledShellReplacesTheRealOne) {
  QtTrayShell other([] { return true; });
  TrayShell* previous = SetTrayShell(&other);
  EXPECT_EQ(&GetTrayShell(), &other);
  EXPECT_EQ(SetTrayShell(previous), &other);
  EXPECT_NE(&GetTrayShell(), &other);
}

TEST(QtTrayShell, ActivationsBecomeCallbackMessages) {
  using R = QSystemTrayIcon;
  EXPECT_EQ(QtTrayShell::MessagesFor(R::Trigger), (std::vector<uint32_t>{513, 514}));
  EXPECT_EQ(QtTrayShell::MessagesFor(R::DoubleClick), (std::vector<uint32_t>{515, 514}));
  EXPECT_EQ(QtTrayShell::MessagesFor(R::Context), (std::vector<uint32_t>{516, 517}));
  EXPECT_EQ(QtTrayShell::MessagesFor(R::MiddleClick), (std::vector<uint32_t>{519, 520}));
  EXPECT_TRUE(QtTrayShell::MessagesFor(R::Unknown).empty());
}

// With a tray assumed present, the requests drive a QSystemTrayIcon and its
// signals come back as posted callback events.
TEST(QtTrayShell, RequestsDriveAQtIconWhoseSignalsArePosted) {
  QtTrayShell shell([] { return true; });
  Receiver receiver;
  NotifyIconData data = Record(&receiver, 7);
  ASSERT_TRUE(shell.Add(data));
  EXPECT_FALSE(shell.Add(data));  // one icon per window and uID
  QSystemTrayIcon* icon = shell.IconFor(&receiver, 7);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->toolTip(), "Kitchen");
  EXPECT_TRUE(icon->isVisible());

  data.flags = NIF_STATE;
  data.state = NIS_HIDDEN;
  data.stateMask = NIS_HIDDEN | NIS_SHAREDICON;
  ASSERT_TRUE(shell.Modify(data));
  EXPECT_FALSE(icon->isVisible());
  data.state = 0;
  ASSERT_TRUE(shell.Modify(data));
  EXPECT_TRUE(icon->isVisible());

  data.flags = NIF_MESSAGE | NIF_ICON;  // no tip flag: the tip stays
  data.tip = "";
  ASSERT_TRUE(shell.Modify(data));
  EXPECT_EQ(icon->toolTip(), "Kitchen");

  emit icon->activated(QSystemTrayIcon::Context);
  emit icon->messageClicked();
  data.flags = NIF_MESSAGE | NIF_INFO;
  data.info = " ";
  data.infoTitle = "T";
  data.timeout = 10000;
  ASSERT_TRUE(shell.Modify(data));
  EXPECT_TRUE(receiver.got.empty());  // posted, not sent
  QCoreApplication::sendPostedEvents(&receiver);
  const std::vector<Receiver::Got> expected = {{1224, 7, 516}, {1224, 7, 517}, {1224, 7, 1029}, {1224, 7, 1026}};
  EXPECT_EQ(receiver.got, expected);

  ASSERT_TRUE(shell.Delete(data));
  EXPECT_EQ(shell.IconFor(&receiver, 7), nullptr);
  EXPECT_FALSE(shell.Modify(data));
}

// The record's menu becomes the Qt icon's context menu.
TEST(QtTrayShell, RecordMenuIsTheContextMenu) {
  QtTrayShell shell([] { return true; });
  Receiver receiver;
  QMenu menu;
  NotifyIconData data = Record(&receiver, 5);
  data.menu = &menu;
  ASSERT_TRUE(shell.Add(data));
  QSystemTrayIcon* icon = shell.IconFor(&receiver, 5);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->contextMenu(), &menu);
  data.menu = nullptr;
  ASSERT_TRUE(shell.Modify(data));
  EXPECT_EQ(icon->contextMenu(), nullptr);
  ASSERT_TRUE(shell.Delete(data));
}

// Whether a tray is there is asked anew each time.
TEST(QtTrayShell, TrayAvailabilityIsAskedEachTime) {
  bool present = false;
  QtTrayShell shell([&] { return present; });
  EXPECT_FALSE(shell.TrayAvailable());
  present = true;
  EXPECT_TRUE(shell.TrayAvailable());
}

// The shell never posts to a window that is gone.
TEST(QtTrayShell, NoEventsForADestroyedWindow) {
  QtTrayShell shell([] { return true; });
  auto receiver = std::make_unique<Receiver>();
  const NotifyIconData data = Record(receiver.get(), 3);
  ASSERT_TRUE(shell.Add(data));
  QSystemTrayIcon* icon = shell.IconFor(receiver.get(), 3);
  ASSERT_NE(icon, nullptr);
  receiver.reset();
  emit icon->activated(QSystemTrayIcon::Trigger);
  QCoreApplication::sendPostedEvents();
  EXPECT_TRUE(shell.Delete(data));
}
