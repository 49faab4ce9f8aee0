// The alarm dialog (opened as the clock window's alarm command does) and the
// alarm message window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBitmap>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <stdexcept>

#include "alarm_fakes.h"
#include "engine/alarm.h"
#include "engine/form_alarm.h"
#include "engine/form_message.h"
#include "platform/message_box.h"
#include "platform/resources.h"

using namespace alarmtest;
using namespace std::chrono_literals;
using engine::TFormAlarm;

namespace {

class AlarmWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDevice_ = platform::SetSoundDevice(device_);
    oldHook_ = platform::SetMessageHook([this](const platform::MessageRecord& r) {
      messages_.push_back(r);
      return platform::ModalResult::OK;
    });
    owner_.AlarmSoundIndex = 5;
    engine::LoadAlarmSound(owner_);
    owner_.streamSets = 0;
  }
  void TearDown() override {
    EXPECT_TRUE(engine::WaitForAlarmRings(3s));
    for (QWidget* w : QApplication::topLevelWidgets())
      if (dynamic_cast<engine::TFormMessage*>(w)) delete w;
    engine::FormMessage = nullptr;
    platform::SetMessageHook(oldHook_);
    platform::SetSoundDevice(oldDevice_);
  }

  // Opens the dialog as the alarm command does and runs `script` while it is
  // shown; a dialog the script left open is cancelled.
  void RunDialog(const std::function<void(TFormAlarm&)>& script) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      ran = true;
      ASSERT_NE(engine::FormAlarm, nullptr);
      EXPECT_TRUE(engine::FormAlarm->isModal());
      script(*engine::FormAlarm);
      stillOpen_ = engine::FormAlarm->isVisible();
      if (stillOpen_) engine::FormAlarm->reject();
    });
    engine::ShowAlarmDialog(owner_);
    EXPECT_TRUE(ran);
    EXPECT_EQ(engine::FormAlarm, nullptr);
  }

  static int Count(const std::function<bool(QWidget*)>& is) {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) n += is(w);
    return n;
  }

  std::shared_ptr<RecordingSoundDevice> device_ = std::make_shared<RecordingSoundDevice>();
  std::shared_ptr<platform::SoundDevice> oldDevice_;
  platform::MessageHook oldHook_;
  std::vector<platform::MessageRecord> messages_;
  FakeOwner owner_;
  bool stillOpen_ = false;
};

TEST_F(AlarmWindowsTest, DialogOpensWithTheSettingsAndTheHourCountFollowsTheHourlyBox) {
  for (bool hourly : {false, true}) {
    SCOPED_TRACE(hourly);
    owner_.HourEnable = hourly;
    owner_.HalfEnable = true;
    owner_.HHMMEnable = true;
    owner_.HourJihou = true;
    owner_.AlarmHour = 7;
    owner_.AlarmMinute = 45;
    owner_.AlarmMessage = "起きて";
    owner_.AlarmSoundIndex = 5;
    RunDialog([&](TFormAlarm& d) {
      EXPECT_EQ(d.CheckBoxAlarmHour->isChecked(), hourly);
      EXPECT_EQ(d.CheckBoxAlarmHourJihou->isEnabled(), hourly);
      EXPECT_TRUE(d.CheckBoxAlarmHourJihou->isChecked());
      EXPECT_TRUE(d.CheckBoxAlarmHalf->isChecked());
      EXPECT_TRUE(d.CheckBoxAlarmHHMM->isChecked());
      EXPECT_EQ(d.SEHour->Value(), 7);
      EXPECT_EQ(d.SEMin->Value(), 45);
      EXPECT_EQ(d.EditMessage->text(), QStringLiteral("起きて"));
      EXPECT_EQ(d.ComboBoxWave->currentIndex(), 5);
      d.CheckBoxAlarmHour->click();
      EXPECT_EQ(d.CheckBoxAlarmHourJihou->isEnabled(), !hourly);
      EXPECT_TRUE(d.CheckBoxAlarmHourJihou->isChecked());  // the mark is kept either way
    });
  }
  EXPECT_EQ(Count([](QWidget* w) { return dynamic_cast<TFormAlarm*>(w) != nullptr; }), 0);
  EXPECT_EQ(owner_.saves, 0);
}

TEST_F(AlarmWindowsTest, DialogForm) {
  RunDialog([&](TFormAlarm& d) {
    EXPECT_EQ(d.windowTitle(), QStringLiteral("アラーム"));
    EXPECT_EQ(d.size(), QSize(342, 246));
    EXPECT_EQ(d.minimumSize(), d.maximumSize());
    ASSERT_EQ(d.ComboBoxWave->count(), 13);
    EXPECT_EQ(d.ComboBoxWave->itemText(0), QStringLiteral("(なし)"));
    EXPECT_EQ(d.ComboBoxWave->itemText(9), QStringLiteral("虫"));
    EXPECT_EQ(d.ComboBoxWave->itemText(12), QStringLiteral("目覚まし"));
    EXPECT_EQ(d.ButtonOK->text(), QStringLiteral("Set"));
    EXPECT_TRUE(d.ButtonOK->isDefault());
    EXPECT_EQ(d.ButtonCAN->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(d.SEHour->maximum(), 23);
    EXPECT_EQ(d.SEMin->maximum(), 59);
    EXPECT_EQ(d.SEHour->Edit()->maxLength(), 2);
    EXPECT_EQ(d.SEHour->parentWidget(), d.GroupBox1);
    EXPECT_EQ(d.EditMessage->parentWidget(), d.GroupBox1);
    // Tab order: each control's next focusable control is the next in the list.
    const QWidget* order[] = {d.CheckBoxAlarmHour, d.CheckBoxAlarmHourJihou, d.CheckBoxAlarmHalf, d.CheckBoxAlarmHHMM,
                              d.SEHour,            d.SEMin,                  d.EditMessage,       d.ComboBoxWave,
                              d.ButtonOK,          d.ButtonCAN};
    std::vector<const QWidget*> chain;
    QWidget* w = d.CheckBoxAlarmHour;
    for (int guard = 0; guard < 200 && chain.size() < std::size(order); ++guard, w = w->nextInFocusChain())
      if (std::find(std::begin(order), std::end(order), w) != std::end(order) &&
          std::find(chain.begin(), chain.end(), w) == chain.end())
        chain.push_back(w);
    EXPECT_EQ(chain, std::vector<const QWidget*>(std::begin(order), std::end(order)));
  });
}

TEST_F(AlarmWindowsTest, OkCopiesTheControlsAndKeepsAnUnchangedSound) {
  owner_.HourEnable = true;
  const auto stream = owner_.AlarmSoundStream;
  RunDialog([&](TFormAlarm& d) {
    d.CheckBoxAlarmHourJihou->click();  // checked while enabled...
    d.CheckBoxAlarmHour->click();       // ...then disabled: still copied
    d.CheckBoxAlarmHHMM->click();
    d.SEHour->setValue(23);
    d.SEMin->Edit()->setText("");  // not a number: 0
    d.EditMessage->setText(QStringLiteral("  朝です  "));
    d.ButtonOK->click();
  });
  EXPECT_FALSE(stillOpen_);
  EXPECT_FALSE(owner_.HourEnable);
  EXPECT_TRUE(owner_.HourJihou);
  EXPECT_TRUE(owner_.HHMMEnable);
  EXPECT_FALSE(owner_.HalfEnable);
  EXPECT_EQ(owner_.AlarmHour, 23);
  EXPECT_EQ(owner_.AlarmMinute, 0);
  EXPECT_EQ(owner_.AlarmMessage, "  朝です  ");
  EXPECT_EQ(owner_.AlarmSoundIndex, 5);
  EXPECT_EQ(owner_.streamSets, 0);
  EXPECT_EQ(owner_.AlarmSoundStream, stream);
  EXPECT_EQ(owner_.saves, 1);
}

// A box the user emptied gives 0, also after the spin box has reread its
// text: when the focus leaves it, and when Enter in it confirms the dialog.
TEST_F(AlarmWindowsTest, EmptiedHourAndMinuteBoxesGiveZero) {
  auto empty = [](engine::TSpinEdit* box) {
    box->Edit()->selectAll();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(box, &del);
    ASSERT_EQ(box->Edit()->text(), "");
  };
  auto leave = [](engine::TSpinEdit* box) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
  };
  for (const bool byEnter : {false, true}) {
    owner_.AlarmHour = 7;
    owner_.AlarmMinute = 45;
    RunDialog([&](TFormAlarm& d) {
      empty(d.SEHour);
      leave(d.SEHour);
      empty(d.SEMin);
      if (byEnter) {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(d.SEMin, &enter);
      } else {
        leave(d.SEMin);
        d.ButtonOK->click();
      }
    });
    EXPECT_FALSE(stillOpen_) << byEnter;
    EXPECT_EQ(owner_.AlarmHour, 0) << byEnter;
    EXPECT_EQ(owner_.AlarmMinute, 0) << byEnter;
  }
}

TEST_F(AlarmWindowsTest, OkWithAnotherSoundLoadsItBeforeSaving) {
  RunDialog([&](TFormAlarm& d) {
    d.ComboBoxWave->setCurrentIndex(8);
    d.ButtonOK->click();
  });
  EXPECT_EQ(owner_.AlarmSoundIndex, 8);
  EXPECT_EQ(owner_.indexAtSave, 8);
  ASSERT_TRUE(owner_.streamAtSave);
  EXPECT_EQ(*owner_.streamAtSave, platform::LoadResource("SOUND", 108));
  EXPECT_EQ(owner_.saves, 1);
}

TEST_F(AlarmWindowsTest, OkWithNoSoundKeepsTheOldSoundAndTheNextRingBeeps) {
  const auto stream = owner_.AlarmSoundStream;
  RunDialog([&](TFormAlarm& d) {
    d.ComboBoxWave->setCurrentIndex(0);
    d.ButtonOK->click();
  });
  EXPECT_EQ(owner_.AlarmSoundIndex, 0);
  EXPECT_EQ(owner_.AlarmSoundStream, stream);
  EXPECT_EQ(owner_.saves, 1);
  engine::StartAlarmRing(owner_);
  ASSERT_TRUE(engine::WaitForAlarmRings(3s));
  EXPECT_EQ(device_->Events(SoundEvent::Beep).size(), 4u);
  EXPECT_TRUE(device_->Events(SoundEvent::Play).empty());
}

TEST_F(AlarmWindowsTest, AlarmCommandWhileTheDialogIsOpenKeepsIt) {
  RunDialog([&](TFormAlarm& d) {
    d.SEHour->setValue(5);
    engine::ShowAlarmDialog(owner_);  // e.g. from the tray menu
    EXPECT_EQ(engine::FormAlarm, &d);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.SEHour->Value(), 5);
    d.ButtonOK->click();
  });
  EXPECT_EQ(owner_.AlarmHour, 5);
  EXPECT_EQ(owner_.saves, 1);
}

TEST_F(AlarmWindowsTest, CancelChangesNothing) {
  const auto stream = owner_.AlarmSoundStream;
  RunDialog([&](TFormAlarm& d) {
    d.CheckBoxAlarmHour->click();
    d.SEHour->setValue(3);
    d.EditMessage->setText("x");
    d.ComboBoxWave->setCurrentIndex(2);
    d.ButtonCAN->click();
  });
  EXPECT_FALSE(stillOpen_);
  EXPECT_FALSE(owner_.HourEnable);
  EXPECT_EQ(owner_.AlarmHour, 12);
  EXPECT_EQ(owner_.AlarmMessage, "");
  EXPECT_EQ(owner_.AlarmSoundIndex, 5);
  EXPECT_EQ(owner_.AlarmSoundStream, stream);
  EXPECT_EQ(owner_.saves, 0);
}

TEST_F(AlarmWindowsTest, OkErrorsAreShownAndTheDialogStaysOpen) {
  struct Case {
    const char* what;
    int32_t storedIndex;
    bool saveFails;
    const char* shown;
  } cases[] = {
      // A stored index the list does not have leaves it without selection (-1).
      {"no sound resource", 20, false, "#99 リソースが見つかりません."},
      {"settings not writable", 5, true, "/tmp/x/a.ini に書き込めません."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    messages_.clear();
    owner_.AlarmSoundIndex = c.storedIndex;
    owner_.saves = 0;
    owner_.onSave = [&] {
      if (c.saveFails) throw std::runtime_error("/tmp/x/a.ini に書き込めません");
    };
    const auto stream = owner_.AlarmSoundStream;
    RunDialog([&](TFormAlarm& d) { d.ButtonOK->click(); });
    EXPECT_TRUE(stillOpen_);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, c.shown);
    EXPECT_EQ(messages_[0].caption, QGuiApplication::applicationName().toStdString());
    EXPECT_EQ(messages_[0].type, platform::MsgType::Error);
    EXPECT_EQ(messages_[0].buttons, unsigned(platform::mbOK));
    EXPECT_EQ(owner_.saves, 0);
    EXPECT_EQ(owner_.AlarmSoundStream, stream);
  }
}

TEST_F(AlarmWindowsTest, TestButtonPlaysTheChosenSoundUnlessBusyOrBeeps) {
  struct Case {
    const char* what;
    uint8_t busy;
    int index;
    bool plays;
    bool error;
  } cases[] = {
      {"a ring plays", 1, 3, false, false},
      {"no sound chosen", 0, 0, false, false},
      {"no selection", 0, -1, false, true},
      {"sound 3", 0, 3, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto device = std::make_shared<RecordingSoundDevice>();
    platform::SetSoundDevice(device);
    messages_.clear();
    owner_.AlarmBusy = c.busy;
    int busyWhilePlaying = -1;
    device->duringPlay = [&] { busyWhilePlaying = owner_.AlarmBusy; };
    TFormAlarm dialog(owner_, nullptr);
    dialog.ComboBoxWave->setCurrentIndex(c.index);
    dialog.SpeedButtonTest->click();
    EXPECT_EQ(owner_.AlarmBusy, c.busy);
    EXPECT_EQ(messages_.size(), c.error ? 1u : 0u);
    const auto events = device->Events();
    if (!c.plays) {
      EXPECT_TRUE(events.empty());
      continue;
    }
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, SoundEvent::Stop);
    EXPECT_EQ(events[1].kind, SoundEvent::Play);
    EXPECT_EQ(events[1].thread, std::this_thread::get_id());
    EXPECT_EQ(events[1].bytesAtEnd, platform::LoadResource("SOUND", 103));
    EXPECT_EQ(busyWhilePlaying, 1);
  }
  platform::SetSoundDevice(device_);
}

bool IsMessageWindow(QWidget* w) { return dynamic_cast<engine::TFormMessage*>(w) != nullptr; }

// What the tick does in the alarm minute about the message.
void ShowMessageIfNone(FakeOwner& owner) {
  if (!owner.AlarmMessage.empty() && !engine::IsFormAlive(engine::FormMessage)) engine::ShowAlarmMessage(owner);
}

TEST_F(AlarmWindowsTest, MessageWindowOpensOnceAndShowsTheMessageOfItsShowing) {
  owner_.AlarmMessage = "";
  ShowMessageIfNone(owner_);
  EXPECT_EQ(Count(IsMessageWindow), 0);

  owner_.AlarmMessage = "Wake up";
  ShowMessageIfNone(owner_);
  ShowMessageIfNone(owner_);
  EXPECT_EQ(Count(IsMessageWindow), 1);
  engine::TFormMessage* m = engine::FormMessage;
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->isVisible());
  EXPECT_EQ(m->Label1->text(), QStringLiteral("Wake up"));
  EXPECT_EQ(m->windowTitle(), QStringLiteral("Alarm Message"));
  EXPECT_TRUE(m->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(m->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(m->size(), QSize(320, 42));
  EXPECT_EQ(m->Shape1->geometry(), QRect(8, 0, 305, 41));
  EXPECT_EQ(m->Label1->geometry(), QRect(16, 8, 241, 25));
  EXPECT_EQ(m->ButtonOK->geometry(), QRect(264, 8, 43, 25));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(m->pos(), QPoint(screen.x() + (screen.width() - 320) / 2, screen.y() + (screen.height() - 42) / 2));
  // Only the drawn shape is part of the window; the maroon key around it is not.
  const QRegion mask = m->mask();
  EXPECT_TRUE(mask.contains(QPoint(8, 0)));
  EXPECT_TRUE(mask.contains(QPoint(312, 40)));
  EXPECT_TRUE(mask.contains(QPoint(100, 20)));
  EXPECT_FALSE(mask.contains(QPoint(7, 20)));
  EXPECT_FALSE(mask.contains(QPoint(313, 20)));
  EXPECT_FALSE(mask.contains(QPoint(100, 41)));

  // The label takes the message as it stands when the window shows.
  engine::TFormMessage later(owner_, nullptr);
  owner_.AlarmMessage = "<b>later</b>";
  later.show();
  EXPECT_EQ(later.Label1->text(), QStringLiteral("<b>later</b>"));
  EXPECT_EQ(later.Label1->textFormat(), Qt::PlainText);
}

TEST_F(AlarmWindowsTest, MessageOkStopsTheSoundDisarmsAndReleasesTheWindow) {
  for (int index : {3, 0}) {
    SCOPED_TRACE(index);
    auto device = std::make_shared<RecordingSoundDevice>();
    platform::SetSoundDevice(device);
    owner_.AlarmSoundIndex = index;
    owner_.AlarmArmed = 1;
    owner_.AlarmMessage = "Wake up";
    ShowMessageIfNone(owner_);
    ASSERT_TRUE(engine::IsFormAlive(engine::FormMessage));
    engine::FormMessage->ButtonOK->click();
    EXPECT_EQ(owner_.AlarmArmed, 0);
    EXPECT_EQ(device->Events(SoundEvent::Stop).size(), index ? 1u : 0u);
    EXPECT_FALSE(engine::FormMessage->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(engine::IsFormAlive(engine::FormMessage));
    EXPECT_EQ(Count(IsMessageWindow), 0);
  }
  platform::SetSoundDevice(device_);
  // The next alarm opens a new window.
  ShowMessageIfNone(owner_);
  EXPECT_EQ(Count(IsMessageWindow), 1);
}

TEST_F(AlarmWindowsTest, MessageOkEndsARingingAlarm) {
  owner_.AlarmSoundIndex = 4;
  engine::LoadAlarmSound(owner_);
  owner_.AlarmMessage = "Wake up";
  device_->holdPlays = true;
  engine::StartAlarmRing(owner_);
  ShowMessageIfNone(owner_);
  ASSERT_TRUE(device_->WaitUntilPlaying());
  engine::FormMessage->ButtonOK->click();
  ASSERT_TRUE(WaitFor([&] { return owner_.AlarmBusy == 0; }));
  const auto plays = device_->Events(SoundEvent::Play);
  ASSERT_EQ(plays.size(), 1u);
  EXPECT_TRUE(plays[0].stopped);
  EXPECT_EQ(owner_.AlarmArmed, 0);
}

}  // namespace
