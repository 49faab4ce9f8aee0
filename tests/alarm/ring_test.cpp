// Alarm rings on their worker thread, the sound in memory and stopping it,
// driven through a recording sound device.
#include <gtest/gtest.h>

#include <climits>

#include "alarm_fakes.h"
#include "engine/alarm.h"
#include "platform/resources.h"

using namespace alarmtest;
using namespace std::chrono_literals;

namespace {

class RingTest : public ::testing::Test {
 protected:
  void SetUp() override { old_ = platform::SetSoundDevice(device_); }
  void TearDown() override {
    device_->Release();
    EXPECT_TRUE(engine::WaitForAlarmRings(3s));
    platform::SetSoundDevice(old_);
  }
  void LoadSound(int index) {
    owner_.AlarmSoundIndex = index;
    engine::LoadAlarmSound(owner_);
  }
  bool WaitIdle() { return WaitFor([&] { return owner_.AlarmBusy == 0; }); }

  std::shared_ptr<RecordingSoundDevice> device_ = std::make_shared<RecordingSoundDevice>();
  std::shared_ptr<platform::SoundDevice> old_;
  FakeOwner owner_;
};

TEST_F(RingTest, ThreeRingsOfASoundPlayOneAfterAnother) {
  LoadSound(5);
  const auto resource = platform::LoadResource("SOUND", 105);
  device_->playTime = 20ms;
  for (int ring = 0; ring < 3; ++ring) {
    ASSERT_TRUE(WaitIdle());
    engine::StartAlarmRing(owner_);
  }
  ASSERT_TRUE(WaitIdle());
  ASSERT_TRUE(engine::WaitForAlarmRings(3s));

  const auto plays = device_->Events(SoundEvent::Play);
  ASSERT_EQ(plays.size(), 3u);
  for (size_t i = 0; i < plays.size(); ++i) {
    EXPECT_EQ(plays[i].bytesAtEnd, resource);
    EXPECT_NE(plays[i].thread, std::this_thread::get_id());
    EXPECT_FALSE(plays[i].stopped);
    if (i > 0) {
      EXPECT_GE(plays[i].start, plays[i - 1].end);
    }
  }
  // Each ring first stops whatever plays, then plays.
  const auto events = device_->Events();
  ASSERT_EQ(events.size(), 6u);
  for (size_t i = 0; i < events.size(); ++i) EXPECT_EQ(events[i].kind, i % 2 ? SoundEvent::Play : SoundEvent::Stop);
  EXPECT_TRUE(device_->Events(SoundEvent::Beep).empty());
}

TEST_F(RingTest, StopEndsAPlayingRingEarly) {
  LoadSound(3);
  device_->holdPlays = true;
  engine::StartAlarmRing(owner_);
  EXPECT_EQ(owner_.AlarmBusy, 1);  // set before the worker runs
  ASSERT_TRUE(device_->WaitUntilPlaying());
  EXPECT_EQ(owner_.AlarmBusy, 1);

  engine::StopAlarmSound(owner_);
  ASSERT_TRUE(WaitIdle());
  const auto plays = device_->Events(SoundEvent::Play);
  ASSERT_EQ(plays.size(), 1u);
  EXPECT_TRUE(plays[0].stopped);
  EXPECT_LT(plays[0].end - plays[0].start, 2s);
}

TEST_F(RingTest, BeepsAreFourTonesAndCannotBeStopped) {
  owner_.AlarmSoundIndex = 0;
  owner_.AlarmSoundStream = std::make_shared<const std::vector<uint8_t>>(platform::LoadResource("SOUND", 101));
  device_->beepsTakeTime = true;
  const auto begin = Clock::now();
  engine::StartAlarmRing(owner_);
  ASSERT_TRUE(WaitFor([&] { return !device_->Events(SoundEvent::Beep).empty(); }));
  engine::StopAlarmSound(owner_);  // index 0: no effect
  ASSERT_TRUE(WaitIdle());
  const auto elapsed = Clock::now() - begin;

  EXPECT_TRUE(device_->Events(SoundEvent::Stop).empty());
  EXPECT_TRUE(device_->Events(SoundEvent::Play).empty());
  const auto beeps = device_->Events(SoundEvent::Beep);
  ASSERT_EQ(beeps.size(), 4u);
  for (size_t i = 0; i < beeps.size(); ++i) {
    EXPECT_EQ(beeps[i].frequency, 1100u);
    EXPECT_EQ(beeps[i].ms, 100u);
    if (i > 0) {
      EXPECT_GE(beeps[i].start - beeps[i - 1].end, 45ms);
    }
  }
  EXPECT_GE(elapsed, 590ms);
}

TEST_F(RingTest, FailingDeviceEndsTheRingQuietly) {
  device_->fail = true;
  for (int index : {4, 0}) {
    LoadSound(index);
    engine::StartAlarmRing(owner_);
    ASSERT_TRUE(WaitIdle()) << index;
  }
  EXPECT_EQ(device_->Events(SoundEvent::Play).size(), 1u);
  EXPECT_EQ(device_->Events(SoundEvent::Beep).size(), 4u);
}

TEST_F(RingTest, RingWithoutASoundInMemoryIsSilent) {
  owner_.AlarmSoundIndex = 7;  // e.g. the start-up stopped before the sound was loaded
  engine::StartAlarmRing(owner_);
  ASSERT_TRUE(WaitIdle());
  ASSERT_TRUE(engine::WaitForAlarmRings(3s));
  EXPECT_TRUE(device_->Events(SoundEvent::Play).empty());
  EXPECT_TRUE(device_->Events(SoundEvent::Beep).empty());
}

TEST_F(RingTest, ReplacingTheSoundDuringARingKeepsTheOldBytesAlive) {
  LoadSound(2);
  const auto oldBytes = *owner_.AlarmSoundStream;
  std::weak_ptr<const std::vector<uint8_t>> old = owner_.AlarmSoundStream;
  device_->holdPlays = true;
  engine::StartAlarmRing(owner_);
  ASSERT_TRUE(device_->WaitUntilPlaying());

  LoadSound(9);  // what the dialog's OK does with a new index
  EXPECT_EQ(*owner_.AlarmSoundStream, platform::LoadResource("SOUND", 109));
  EXPECT_FALSE(old.expired()) << "the ring must hold the bytes it plays";

  device_->Release();
  ASSERT_TRUE(WaitIdle());
  ASSERT_TRUE(engine::WaitForAlarmRings(3s));
  const auto plays = device_->Events(SoundEvent::Play);
  ASSERT_EQ(plays.size(), 1u);
  EXPECT_EQ(plays[0].bytesAtEnd, oldBytes);
  EXPECT_TRUE(old.expired()) << "released with the ring";
}

TEST(LoadAlarmSound, IndexZeroKeepsTheOldSound) {
  FakeOwner owner;
  owner.AlarmSoundIndex = 6;
  engine::LoadAlarmSound(owner);
  const auto kept = owner.AlarmSoundStream;
  ASSERT_TRUE(kept);
  EXPECT_EQ(*kept, platform::LoadResource("SOUND", 106));
  owner.AlarmSoundIndex = 0;
  engine::LoadAlarmSound(owner);
  EXPECT_EQ(owner.AlarmSoundStream, kept);
  EXPECT_EQ(owner.streamSets, 1);
}

TEST(LoadAlarmSound, IndexWithoutResourceRaisesAndKeepsTheOldSound) {
  const struct {
    int32_t index;
    const char* message;
  } cases[] = {
      {13, "#113 リソースが見つかりません"},
      {-1, "#99 リソースが見つかりません"},
      {-100, "#0 リソースが見つかりません"},
      {INT32_MAX, "#2147483747 リソースが見つかりません"},
      {INT32_MIN, "#-2147483548 リソースが見つかりません"},
  };
  for (const auto& c : cases) {
    FakeOwner owner;
    owner.AlarmSoundIndex = 1;
    engine::LoadAlarmSound(owner);
    const auto kept = owner.AlarmSoundStream;
    owner.AlarmSoundIndex = c.index;
    try {
      engine::LoadAlarmSound(owner);
      ADD_FAILURE() << c.index << ": no error";
    } catch (const platform::ResourceError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(owner.AlarmSoundStream, kept) << c.index;
  }
}

}  // namespace
