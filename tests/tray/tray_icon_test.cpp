#include "engine/tray_icon.h"
#include "../engine/clock_fixture.h"
#include "platform/fake_tray_shell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPixmap>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace engine;
using platform::RecordingTrayShell;
using Request = RecordingTrayShell::Request;

namespace {

QIcon MakeIcon(Qt::GlobalColor colour = Qt::red) {
  QPixmap pixmap(16, 16);
  pixmap.fill(colour);
  return QIcon(pixmap);
}

template <class Pred>
bool WaitFor(Pred pred, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!pred() && timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return pred();
}

void Pump(int ms) {
  WaitFor([] { return false; }, ms);
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ETrayIconError& e) {
    return e.what();
  }
  return "";
}

// A form, the recording shell and helpers to make loaded icons on it.
class TrayTest : public ::testing::Test {
 protected:
  TTrayIcon* Make(bool visible = true) {
    auto* tray = new TTrayIcon(form.get(), &shell);
    tray->RetryWait = [this](int ms) { waits.push_back(ms); };
    tray->SetIcon(icon);
    tray->SetVisible(visible);
    tray->Loaded();
    return tray;
  }
  const RecordingTrayShell::Call& Last() const { return shell.calls.back(); }

  RecordingTrayShell shell;
  std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
  QIcon icon = MakeIcon();
  std::vector<int> waits;
};

class TrayVersionTest : public TrayTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override { shell.shellMajor = GetParam(); }
};

}  // namespace

// ------------------------------------------------------------ record and tip

TEST_P(TrayVersionTest, AddCarriesTheRecordOfTheShellVersion) {
  TTrayIcon* tray = Make();
  ASSERT_EQ(shell.calls.size(), 1u);
  const auto& call = Last();
  EXPECT_EQ(call.request, Request::Add);
  EXPECT_EQ(call.record.size, GetParam() < 5 ? 88u : 488u);
  EXPECT_EQ(call.record.window, TTrayIcon::CallbackWindow());
  EXPECT_EQ(call.record.uID, tray->uID());
  EXPECT_EQ(call.record.callbackMessage, 1224u);
  EXPECT_EQ(call.record.flags, 7u);
  EXPECT_EQ(call.record.tip, "TipHelp");
  EXPECT_EQ(call.record.icon.cacheKey(), icon.cacheKey());
  EXPECT_TRUE(tray->Added());
}

TEST_P(TrayVersionTest, TipIsCutTo63CharactersAndUnchangedTipSendsNothing) {
  TTrayIcon* tray = Make();
  const QString seventy = QString(70, QChar(u'時'));
  tray->SetTipHelp(seventy);
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(Last().request, Request::Modify);
  EXPECT_EQ(Last().record.tip, seventy.left(63));
  EXPECT_EQ(Last().record.flags, 7u);
  EXPECT_EQ(tray->TipHelp(), seventy.left(63));

  tray->SetTipHelp(seventy.left(63));
  tray->SetTipHelp(seventy);
  EXPECT_EQ(shell.calls.size(), 2u);

  tray->SetTipHelp("");
  EXPECT_EQ(Last().request, Request::Modify);
  EXPECT_EQ(Last().record.flags, 3u);  // message + icon, no tip
}

TEST_P(TrayVersionTest, EmptyTipAddsWithoutTipFlag) {
  auto* tray = new TTrayIcon(form.get(), &shell);
  tray->SetIcon(icon);
  tray->SetTipHelp("");
  tray->SetVisible(true);
  EXPECT_TRUE(shell.calls.empty());  // nothing reaches the shell before the loaded step
  tray->Loaded();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(Last().record.flags, 3u);
}

TEST_P(TrayVersionTest, HideAndShowDependOnShellVersion) {
  TTrayIcon* tray = Make();
  tray->SetVisible(false);
  tray->SetVisible(false);  // unchanged: nothing sent
  tray->SetVisible(true);
  ASSERT_EQ(shell.calls.size(), 3u);
  const auto& hide = shell.calls[1];
  const auto& show = shell.calls[2];
  if (GetParam() < 5) {
    EXPECT_EQ(hide.request, Request::Delete);
    EXPECT_EQ(show.request, Request::Add);
    EXPECT_EQ(show.record.flags, 7u);
  } else {
    EXPECT_EQ(hide.request, Request::Modify);
    EXPECT_EQ(hide.record.flags, 0x08u);
    EXPECT_EQ(hide.record.state, 1u);
    EXPECT_EQ(hide.record.stateMask, 3u);
    EXPECT_EQ(show.request, Request::Modify);
    EXPECT_EQ(show.record.flags, 0x08u);
    EXPECT_EQ(show.record.state, 0u);
  }
  EXPECT_TRUE(shell.Holds(tray->uID()));
  EXPECT_TRUE(tray->Added());
}

TEST_P(TrayVersionTest, BalloonRequests) {
  TTrayIcon* tray = Make();
  tray->SetBalloonTitle("Title");
  tray->SetBalloonIcon(biifWarning);
  tray->SetBalloonTimeout(30);
  tray->UpdateNotifyIcon(nirShowBalloon);
  const auto show = Last();
  tray->SetBalloonText("Wake up");
  tray->UpdateNotifyIcon(nirShowBalloon);
  const auto showText = Last();
  tray->UpdateNotifyIcon(nirHideBalloon);
  const auto hide = Last();
  ASSERT_EQ(shell.calls.size(), 4u);
  for (const auto* call : {&show, &showText, &hide}) EXPECT_EQ(call->request, Request::Modify);

  if (GetParam() < 5) {  // the first record form has no balloon: an ordinary modify
    EXPECT_EQ(show.record.flags, 7u);
    EXPECT_EQ(hide.record.flags, 7u);
    return;
  }
  EXPECT_EQ(show.record.flags, 0x11u);
  EXPECT_EQ(show.record.info, " ");  // an empty text still shows the balloon
  EXPECT_EQ(show.record.infoTitle, "Title");
  EXPECT_EQ(show.record.infoFlags, 2u);
  EXPECT_EQ(show.record.timeout, 30000u);
  EXPECT_EQ(showText.record.info, "Wake up");
  EXPECT_EQ(hide.record.flags, 0x11u);
  EXPECT_EQ(hide.record.info, "");
  EXPECT_EQ(hide.record.infoTitle, "");
}

INSTANTIATE_TEST_SUITE_P(ShellVersions, TrayVersionTest, ::testing::Values(4, 5, 6));

// -------------------------------------------------------------- properties

TEST_F(TrayTest, DefaultsAndLimits) {
  TTrayIcon tray(form.get(), &shell);
  EXPECT_EQ(tray.TipHelp(), "TipHelp");
  EXPECT_EQ(tray.AnimateRate(), 500);
  EXPECT_TRUE(tray.AutoPopup());
  EXPECT_TRUE(tray.Enabled());
  EXPECT_FALSE(tray.Visible());
  EXPECT_EQ(tray.BalloonIcon(), biifNone);
  EXPECT_EQ(tray.BalloonTimeout(), 10);
  EXPECT_FALSE(tray.FormActiveByMouseup());
  EXPECT_TRUE(tray.Icon().isNull());

  struct { int in, out; } rates[] = {{9, 10}, {10, 10}, {-5, 10}, {250, 250}};
  for (auto c : rates) {
    tray.SetAnimateRate(c.in);
    EXPECT_EQ(tray.AnimateRate(), c.out) << c.in;
  }
  struct { int in, out; } timeouts[] = {{0, 10}, {10, 10}, {35, 35}, {60, 60}, {61, 60}};
  for (auto c : timeouts) {
    tray.SetBalloonTimeout(c.in);
    EXPECT_EQ(tray.BalloonTimeout(), c.out) << c.in;
  }
  tray.SetBalloonTitle(QString(70, 'T'));
  tray.SetBalloonText(QString(300, 'x'));
  EXPECT_EQ(tray.BalloonTitle().size(), 63);
  EXPECT_EQ(tray.BalloonText().size(), 255);

  // A character outside the basic plane counts once and is never split.
  QString wide;
  for (int i = 0; i < 70; ++i) wide += QString::fromUcs4(U"\U0001F570", 1);
  tray.SetTipHelp(wide);
  EXPECT_EQ(tray.TipHelp().size(), 126);
  EXPECT_TRUE(tray.TipHelp().back().isLowSurrogate());
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(TrayTest, IconHandleFallsBackToFormThenApplication) {
  const QIcon savedAppIcon = QApplication::windowIcon();
  QApplication::setWindowIcon(QIcon());
  TTrayIcon tray(form.get(), &shell);

  tray.SetVisible(true);  // no icon anywhere: stays hidden
  EXPECT_FALSE(tray.Visible());
  tray.Loaded();
  EXPECT_TRUE(shell.calls.empty());

  const QIcon appIcon = MakeIcon(Qt::green), formIcon = MakeIcon(Qt::blue);
  QApplication::setWindowIcon(appIcon);
  EXPECT_EQ(tray.GetTrayIconHandle().cacheKey(), appIcon.cacheKey());
  form->setWindowIcon(formIcon);
  EXPECT_EQ(tray.GetTrayIconHandle().cacheKey(), formIcon.cacheKey());
  tray.SetIcon(icon);
  EXPECT_EQ(tray.GetTrayIconHandle().cacheKey(), icon.cacheKey());

  tray.SetVisible(true);  // after the loaded step: added at once
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(Last().request, Request::Add);
  tray.SetIcon(QIcon());  // released: the form's icon is shown instead
  EXPECT_EQ(Last().request, Request::Modify);
  EXPECT_EQ(Last().record.icon.cacheKey(), formIcon.cacheKey());
  QApplication::setWindowIcon(savedAppIcon);
}

TEST_F(TrayTest, ReferencesAreClearedWhenTheirObjectsAreDestroyed) {
  TTrayIcon* tray = Make();
  auto* left = new QMenu(form.get());
  auto* right = new QMenu(form.get());
  auto* list = new TImageList(form.get());
  tray->SetLBPopupMenu(left);
  tray->SetRBPopupMenu(right);
  tray->SetAnimateIcons(list);
  EXPECT_EQ(tray->RBPopupMenu(), right);
  delete left;
  delete right;
  delete list;
  EXPECT_EQ(tray->LBPopupMenu(), nullptr);
  EXPECT_EQ(tray->RBPopupMenu(), nullptr);
  EXPECT_EQ(tray->AnimateIcons(), nullptr);

  // With the menu gone a right press is an ordinary button-down.
  int downs = 0;
  tray->OnMouseDown = [&](QObject*, Qt::MouseButton, Qt::MouseButtons, int, int) { ++downs; };
  shell.SendCallback(tray->uID(), platform::WM_RBUTTONDOWN);
  EXPECT_EQ(downs, 1);
}

// -------------------------------------------------------------- life cycle

TEST_F(TrayTest, DestructionDeletesAnAddedIconOnly) {
  TTrayIcon* shown = Make();
  TTrayIcon* hidden = Make(false);
  const uint32_t shownId = shown->uID();
  delete hidden;
  EXPECT_TRUE(shell.CallsOf(Request::Delete).empty());
  delete shown;
  ASSERT_EQ(shell.CallsOf(Request::Delete).size(), 1u);
  EXPECT_EQ(shell.CallsOf(Request::Delete)[0].record.uID, shownId);
  EXPECT_EQ(TrayIconRegistry::Count(), 0);
}

TEST_F(TrayTest, UidsTakeTheLastNumberPlusOne) {
  ASSERT_EQ(TrayIconRegistry::Count(), 0);
  TTrayIcon* a = Make(false);
  TTrayIcon* b = Make(false);
  TTrayIcon* c = Make(false);
  EXPECT_EQ(a->uID(), 1u);
  EXPECT_EQ(b->uID(), 2u);
  EXPECT_EQ(c->uID(), 3u);
  delete b;
  TTrayIcon* d = Make(false);
  EXPECT_EQ(d->uID(), 4u);
  EXPECT_EQ(TrayIconRegistry::Find("3"), c);
  EXPECT_EQ(TrayIconRegistry::Find("2"), nullptr);
  delete d;
  delete c;
  EXPECT_EQ(Make(false)->uID(), 2u);  // the last live icon is number 1
  const auto order = TrayIconRegistry::Icons();
  ASSERT_EQ(order.size(), 2u);
  EXPECT_EQ(order[0], a);
}

TEST_F(TrayTest, AtMostOneHundredIcons) {
  std::vector<TTrayIcon*> icons;
  for (int i = 0; i < 100; ++i) icons.push_back(new TTrayIcon(form.get(), &shell));
  std::unique_ptr<TTrayIcon> extra;
  EXPECT_EQ(ErrorOf([&] { extra.reset(new TTrayIcon(form.get(), &shell)); }), kTrayAddError);
  EXPECT_EQ(TrayIconRegistry::Count(), 100);
  delete icons.front();
  auto* again = new TTrayIcon(form.get(), &shell);
  EXPECT_EQ(again->uID(), 101u);
}

// ---------------------------------------------------------------- failures

TEST_F(TrayTest, RefusalsRaiseTheirOwnTexts) {
  shell.shellMajor = 6;
  TTrayIcon* tray = Make();
  shell.refuseModify = true;
  EXPECT_EQ(ErrorOf([&] { tray->SetTipHelp("Kitchen"); }), kTrayAddError);
  EXPECT_EQ(ErrorOf([&] { tray->UpdateNotifyIcon(nirShowBalloon); }), kTrayBalloonError);
  EXPECT_EQ(ErrorOf([&] { tray->UpdateNotifyIcon(nirHideBalloon); }), kTrayBalloonError);
  EXPECT_EQ(ErrorOf([&] { tray->SetVisible(false); }), kTrayStateError);
  EXPECT_TRUE(tray->Added());  // the added flag keeps its value
  shell.refuseModify = false;
  delete tray;
  EXPECT_EQ(Last().request, Request::Delete);
}

TEST_F(TrayTest, RefusedAddLeavesTheIconNotAddedAndQuiet) {
  shell.refuseAdd = true;
  auto* tray = new TTrayIcon(form.get(), &shell);
  tray->SetIcon(icon);
  tray->SetVisible(true);
  EXPECT_EQ(ErrorOf([&] { tray->Loaded(); }), kTrayAddError);
  EXPECT_FALSE(tray->Added());
  const size_t calls = shell.calls.size();
  EXPECT_EQ(ErrorOf([&] {
              tray->SetTipHelp("Kitchen");
              tray->SetIcon(MakeIcon(Qt::blue));
            }),
            "");
  EXPECT_EQ(shell.calls.size(), calls);
  delete tray;
  EXPECT_TRUE(shell.CallsOf(Request::Delete).empty());
}

TEST_F(TrayTest, RefusedDeleteIsIgnored) {
  shell.shellMajor = 4;
  TTrayIcon* tray = Make();
  shell.refuseDelete = true;
  EXPECT_EQ(ErrorOf([&] { tray->SetVisible(false); }), "");
  EXPECT_FALSE(tray->Added());
  EXPECT_FALSE(tray->Visible());
}

TEST_F(TrayTest, BalloonOnAHiddenIcon) {
  shell.shellMajor = 6;
  TTrayIcon* tray = Make(false);
  tray->UpdateNotifyIcon(nirHideBalloon);
  EXPECT_TRUE(shell.calls.empty());
  tray->UpdateNotifyIcon(nirShowBalloon);  // shows the icon first
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[0].request, Request::Add);
  EXPECT_EQ(shell.calls[1].record.flags, 0x11u);
  EXPECT_TRUE(tray->Visible());

  // No icon at all: the icon cannot be shown, and neither can the balloon.
  const QIcon savedAppIcon = QApplication::windowIcon();
  QApplication::setWindowIcon(QIcon());
  auto* bare = new TTrayIcon(form.get(), &shell);
  bare->Loaded();
  EXPECT_EQ(ErrorOf([&] { bare->UpdateNotifyIcon(nirShowBalloon); }), kTrayBalloonError);
  EXPECT_EQ(shell.calls.size(), 2u);
  QApplication::setWindowIcon(savedAppIcon);
}

TEST_F(TrayTest, AddRetriesOnTimeOutOnXpLevelSystems) {
  using Answer = RecordingTrayShell::Answer;
  const Answer timeout{false, platform::kErrorTimeout};
  const Answer timeoutHeld{false, platform::kErrorTimeout, true};
  const Answer ok{true};
  struct Case {
    const char* name;
    platform::OsVersion os;
    std::vector<Answer> adds, modifies;
    bool added;
    size_t addCalls, modifyCalls;
  };
  const Case cases[] = {
      {"timed out but held: the modify ends it", {5, 1}, {timeoutHeld}, {}, true, 1, 1},
      {"modify fails, second add succeeds", {6, 0}, {timeout, ok}, {}, true, 2, 1},
      {"five retries then the error", {5, 1}, std::vector<Answer>(6, timeout), {}, false, 6, 5},
      {"no retry before XP", {5, 0}, {timeout}, {}, false, 1, 0},
      {"no retry for other errors", {5, 1}, {Answer{false, platform::kErrorGenFailure}}, {}, false, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingTrayShell fresh;
    fresh.osVersion = c.os;
    fresh.addScript.assign(c.adds.begin(), c.adds.end());
    fresh.modifyScript.assign(c.modifies.begin(), c.modifies.end());
    std::vector<int> retryWaits;
    {
      TTrayIcon tray(form.get(), &fresh);
      tray.RetryWait = [&](int ms) { retryWaits.push_back(ms); };
      tray.SetIcon(icon);
      tray.SetVisible(true);
      EXPECT_EQ(ErrorOf([&] { tray.Loaded(); }), c.added ? "" : kTrayAddError);
      EXPECT_EQ(tray.Added(), c.added);
      EXPECT_EQ(fresh.CallsOf(Request::Add).size(), c.addCalls);
      EXPECT_EQ(fresh.CallsOf(Request::Modify).size(), c.modifyCalls);
      EXPECT_EQ(retryWaits, std::vector<int>(c.modifyCalls, 100));
    }
    // An icon the shell holds is deleted when the component goes.
    EXPECT_EQ(fresh.CallsOf(Request::Delete).size(), c.added ? 1u : 0u);
    EXPECT_TRUE(fresh.held.empty());
  }
}

// ------------------------------------------------------------ notifications

namespace {

// Records every event of an icon as a short text.
class EventLog {
 public:
  explicit EventLog(TTrayIcon* tray) {
    auto name = [](Qt::MouseButton b) {
      return b == Qt::LeftButton ? "L" : b == Qt::RightButton ? "R" : b == Qt::MiddleButton ? "M" : "?";
    };
    auto mouse = [this, name](const char* kind) {
      return [this, name, kind](QObject*, Qt::MouseButton b, Qt::MouseButtons shift, int x, int y) {
        std::string e = std::string(kind) + name(b) + "@" + std::to_string(x) + "," + std::to_string(y);
        if (!(shift & b)) e += "!shift";
        log.push_back(e);
      };
    };
    tray->OnMouseDown = mouse("down");
    tray->OnMouseUp = mouse("up");
    tray->OnMouseMove = [this](QObject*, Qt::MouseButtons, int x, int y) {
      log.push_back("move@" + std::to_string(x) + "," + std::to_string(y));
    };
    tray->OnDblClick = [this](QObject*) { log.push_back("dbl"); };
    tray->OnBalloonShow = [this](QObject*) { log.push_back("bshow"); };
    tray->OnBalloonHide = [this](QObject*) { log.push_back("bhide"); };
    tray->OnBalloonTimeout = [this](QObject*) { log.push_back("btimeout"); };
    tray->OnBalloonClick = [this](QObject*) { log.push_back("bclick"); };
  }
  std::vector<std::string> log;
};

}  // namespace

TEST_F(TrayTest, EveryMessageReachesItsEvent) {
  TTrayIcon* tray = Make();
  EventLog events(tray);
  shell.cursor = QPoint(40, 30);
  using namespace platform;
  shell.SendCallbacks(tray->uID(), {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                                    WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP, NIN_BALLOONSHOW, NIN_BALLOONHIDE,
                                    NIN_BALLOONTIMEOUT, NIN_BALLOONUSERCLICK, 518, 1030});
  const std::vector<std::string> expected = {"move@40,30", "downL@40,30", "upL@40,30", "dbl",   "downR@40,30",
                                             "upR@40,30",  "downM@40,30", "upM@40,30", "bshow", "bhide",
                                             "btimeout",   "bclick"};
  EXPECT_EQ(events.log, expected);
  EXPECT_EQ(TTrayIcon::CallbackWindow()->CurrentIcon, tray);
}

TEST_F(TrayTest, DisabledIconIgnoresEverything) {
  TTrayIcon* tray = Make();
  EventLog events(tray);
  int clicks = 0;
  tray->OnClick = [&](QObject*) { ++clicks; };
  auto* menu = new QMenu(form.get());
  menu->addAction("item");
  tray->SetRBPopupMenu(menu);
  tray->SetLBPopupMenu(menu);
  tray->SetFormActiveByMouseup(true);
  tray->SetEnabled(false);
  using namespace platform;
  shell.SendCallbacks(tray->uID(), {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                                    WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP, NIN_BALLOONSHOW,
                                    NIN_BALLOONUSERCLICK});
  EXPECT_TRUE(events.log.empty());
  EXPECT_FALSE(menu->isVisible());
  EXPECT_TRUE(shell.foreground.empty());
  EXPECT_FALSE(tray->ClickPending());
  EXPECT_EQ(TTrayIcon::CallbackWindow()->CurrentIcon, tray);
}

TEST_F(TrayTest, UnknownIconsAndForeignMessagesAreIgnored) {
  TTrayIcon* tray = Make();
  EventLog events(tray);
  TTrayIcon::CallbackWindow()->CurrentIcon = nullptr;
  TTrayIcon::CallbackWindow()->HandleTrayCallback(tray->uID() + 7, platform::WM_MOUSEMOVE);
  platform::TrayCallbackEvent foreign(1225, tray->uID(), platform::WM_MOUSEMOVE);
  QCoreApplication::sendEvent(TTrayIcon::CallbackWindow(), &foreign);
  EXPECT_TRUE(events.log.empty());
  EXPECT_EQ(TTrayIcon::CallbackWindow()->CurrentIcon, nullptr);
}

TEST_F(TrayTest, RightPressOpensTheMenuAtTheCursorLikeTheClock) {
  TTrayIcon* tray = Make();
  auto* menu = new QMenu(form.get());
  menu->addAction("ｱﾗｰﾑ設定(&S)");
  tray->SetRBPopupMenu(menu);
  int downs = 0;
  tray->OnMouseDown = [&](QObject*, Qt::MouseButton, Qt::MouseButtons, int, int) { ++downs; };
  shell.cursor = QPoint(120, 90);

  // A left click does nothing: no left menu, no click handler.
  shell.SendCallbacks(tray->uID(), {platform::WM_LBUTTONDOWN, platform::WM_LBUTTONUP});
  EXPECT_FALSE(menu->isVisible());
  EXPECT_TRUE(shell.foreground.empty());

  shell.SendCallback(tray->uID(), platform::WM_RBUTTONDOWN);
  EXPECT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->pos(), QPoint(120, 90));
  EXPECT_EQ(shell.foreground, std::vector<QWidget*>{form.get()});
  EXPECT_EQ(downs, 1);  // only the left press above
  menu->close();

  tray->SetAutoPopup(false);
  EventLog events(tray);
  shell.SendCallback(tray->uID(), platform::WM_RBUTTONDOWN);
  EXPECT_FALSE(menu->isVisible());
  EXPECT_EQ(events.log, std::vector<std::string>{"downR@120,90"});
}

TEST_F(TrayTest, ButtonUpActivatesTheActiveFormWhenAsked) {
  TTrayIcon* tray = Make();
  form->show();
  QApplication::setActiveWindow(form.get());
  if (QApplication::activeWindow() != form.get()) GTEST_SKIP() << "no active window on this platform";
  shell.SendCallback(tray->uID(), platform::WM_RBUTTONUP);
  EXPECT_TRUE(shell.foreground.empty());
  tray->SetFormActiveByMouseup(true);
  shell.SendCallbacks(tray->uID(), {platform::WM_LBUTTONUP, platform::WM_RBUTTONUP, platform::WM_MBUTTONUP});
  EXPECT_EQ(shell.foreground, std::vector<QWidget*>(3, form.get()));
}

// -------------------------------------------------- single and double click

class ClickTest : public TrayTest {
 protected:
  void SetUp() override {
    shell.doubleClickTime = 30;  // the wait is 80 ms
    tray = Make();
    tray->OnClick = [this](QObject*) { ++clicks; };
    tray->OnDblClick = [this](QObject*) { ++doubleClicks; };
  }
  TTrayIcon* tray = nullptr;
  int clicks = 0, doubleClicks = 0;
};

TEST_F(ClickTest, SingleClickFiresOnceAfterTheDoubleClickTime) {
  QElapsedTimer timer;
  timer.start();
  shell.SendCallbacks(tray->uID(), {platform::WM_LBUTTONDOWN, platform::WM_LBUTTONUP});
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(tray->ClickPending());
  ASSERT_TRUE(WaitFor([&] { return clicks > 0; }, 3000));
  EXPECT_GE(timer.elapsed(), 75);
  Pump(150);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(doubleClicks, 0);
  EXPECT_FALSE(tray->ClickPending());
}

TEST_F(ClickTest, DoubleClickFiresOnlyOnDblClick) {
  using namespace platform;
  shell.SendCallbacks(tray->uID(), {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_FALSE(tray->ClickPending());
  Pump(200);
  EXPECT_EQ(clicks, 0);
}

TEST_F(ClickTest, PendingClickIsDroppedByDisablingOrMouseUpHandler) {
  shell.SendCallbacks(tray->uID(), {platform::WM_LBUTTONDOWN, platform::WM_LBUTTONUP});
  tray->SetEnabled(false);
  EXPECT_FALSE(tray->ClickPending());
  Pump(200);
  EXPECT_EQ(clicks, 0);

  // With OnMouseUp set the release goes there and no click follows.
  tray->SetEnabled(true);
  int ups = 0;
  tray->OnMouseUp = [&](QObject*, Qt::MouseButton, Qt::MouseButtons, int, int) { ++ups; };
  shell.SendCallbacks(tray->uID(), {platform::WM_LBUTTONDOWN, platform::WM_LBUTTONUP});
  Pump(200);
  EXPECT_EQ(ups, 1);
  EXPECT_EQ(clicks, 0);
}

TEST_F(ClickTest, IconDestroyedWhileAClickIsPending) {
  shell.SendCallbacks(tray->uID(), {platform::WM_LBUTTONDOWN, platform::WM_LBUTTONUP});
  delete tray;
  tray = nullptr;
  Pump(200);
  EXPECT_EQ(clicks, 0);
}

// ------------------------------------------------------------ a late tray

namespace {

// An icon whose add was refused for want of a tray; it looks for one every
// 5 ms.
TTrayIcon* RefusedWithoutTray(QWidget* form, RecordingTrayShell& shell, const QIcon& icon) {
  shell.trayAvailable = false;
  shell.refuseAdd = true;
  auto* tray = new TTrayIcon(form, &shell);
  tray->TrayPollInterval = 5;
  tray->SetIcon(icon);
  tray->SetVisible(true);
  EXPECT_EQ(ErrorOf([&] { tray->Loaded(); }), kTrayAddError);
  EXPECT_FALSE(tray->Added());
  return tray;
}

void TrayAppears(RecordingTrayShell& shell) {
  shell.trayAvailable = true;
  shell.refuseAdd = false;
}

}  // namespace

// Started before the desktop's tray (autostart): the refused add is made
// again once a tray is there, with the record of the moment.
TEST_F(TrayTest, IconIsAddedOnceATrayAppears) {
  TTrayIcon* tray = RefusedWithoutTray(form.get(), shell, icon);
  tray->SetTipHelp("Kitchen");
  Pump(50);
  EXPECT_EQ(shell.CallsOf(Request::Add).size(), 1u);  // no tray: nothing is tried

  TrayAppears(shell);
  ASSERT_TRUE(WaitFor([&] { return tray->Added(); }, 2000));
  const auto adds = shell.CallsOf(Request::Add);
  ASSERT_EQ(adds.size(), 2u);
  EXPECT_EQ(adds[1].record.tip, "Kitchen");
  EXPECT_TRUE(shell.Holds(tray->uID()));
  Pump(50);
  EXPECT_EQ(shell.CallsOf(Request::Add).size(), 2u);  // once
}

TEST_F(TrayTest, HiddenOrDestroyedIconIsNotAddedWhenATrayAppears) {
  TTrayIcon* hidden = RefusedWithoutTray(form.get(), shell, icon);
  hidden->SetVisible(false);
  delete RefusedWithoutTray(form.get(), shell, icon);
  TrayAppears(shell);
  Pump(50);
  EXPECT_EQ(shell.CallsOf(Request::Add).size(), 2u);
  EXPECT_FALSE(hidden->Added());
}

// The right-button menu goes with the record, so a tray host that shows
// only the menu an application exports shows the clock's menu; a menu the
// host opened already is not opened a second time.
TEST_F(TrayTest, RightButtonMenuIsTheIconsContextMenu) {
  auto* menu = new QMenu(form.get());
  menu->addAction("ｱﾗｰﾑ設定(&S)");
  auto* tray = new TTrayIcon(form.get(), &shell);
  tray->SetIcon(icon);
  tray->SetRBPopupMenu(menu);
  tray->SetVisible(true);
  tray->Loaded();
  EXPECT_EQ(shell.CallsOf(Request::Add).at(0).record.menu, menu);
  tray->SetTipHelp("Kitchen");
  EXPECT_EQ(Last().record.menu, menu);

  menu->popup(QPoint(40, 30));
  shell.cursor = QPoint(120, 90);
  shell.SendCallback(tray->uID(), platform::WM_RBUTTONDOWN);
  EXPECT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->pos(), QPoint(40, 30));
  EXPECT_TRUE(shell.foreground.empty());
  menu->close();
}

// A clock started before the desktop's tray (autostart) gets its icon, with
// its tip and its menu, once the tray is there.
TEST(ClockTray, ClockStartedBeforeTheTrayGetsItsIconAndMenu) {
  RecordingTrayShell shell;
  shell.trayAvailable = false;
  shell.refuseAdd = true;
  platform::TrayShell* previous = platform::SetTrayShell(&shell);
  {
    fixture::ClockFixture f;
    f.WriteSettings(fixture::kNoSound, "Kitchen.ini");
    f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), {{"BMP", fixture::SolidBmp(150, 150, 0x808080)}}, 0),
                 "Kitchen.exe");
    auto w = f.Open();
    ASSERT_EQ(w->StartupError(), "");
    // The icon is made once the clock shows.
    EXPECT_EQ(w->TrayIcon1, nullptr);
    w->Start();
    ASSERT_TRUE(WaitFor([&] { return w->TrayIcon1 != nullptr; }, 5000));
    EXPECT_FALSE(w->TrayIcon1->Added());
    TrayAppears(shell);
    ASSERT_TRUE(WaitFor([&] { return w->TrayIcon1->Added(); }, 5000));
    const auto adds = shell.CallsOf(Request::Add);
    EXPECT_EQ(adds.back().record.tip, "Kitchen");
    EXPECT_EQ(adds.back().record.menu, w->PopupMenu1);
  }
  platform::SetTrayShell(previous);
}
