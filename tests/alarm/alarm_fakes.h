// Test doubles for the alarm tests: a sound device that records its calls and
// can hold a sound open until it is stopped, and a clock-window stand-in.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/alarm_owner.h"
#include "platform/sound.h"

namespace alarmtest {

using Clock = std::chrono::steady_clock;

struct SoundEvent {
  enum Kind { Play, Stop, Beep } kind = Play;
  Clock::time_point start, end;
  std::thread::id thread;
  const uint8_t* data = nullptr;  // Play: the bytes played...
  size_t size = 0;
  std::vector<uint8_t> bytesAtEnd;  // ...as they read when the sound ended
  bool stopped = false;             // Play: ended by a Stop
  unsigned frequency = 0, ms = 0;   // Beep
};

class RecordingSoundDevice : public platform::SoundDevice {
 public:
  bool holdPlays = false;      // Play waits for a Stop (or Release) that comes after it began
  bool fail = false;           // no device: every call fails at once
  bool beepsTakeTime = false;  // Beep lasts its milliseconds
  std::chrono::milliseconds playTime{0};
  std::function<void()> duringPlay;  // called inside Play

  bool Play(const uint8_t* wave, size_t size) override {
    SoundEvent e = Begin(SoundEvent::Play);
    e.data = wave;
    e.size = size;
    if (fail) return Record(e), false;
    if (duringPlay) duringPlay();
    std::unique_lock<std::mutex> lock(mutex_);
    const uint64_t gen = generation_;
    ++playing_;
    changed_.notify_all();
    if (holdPlays)
      e.stopped = changed_.wait_for(lock, std::chrono::seconds(5), [&] { return generation_ != gen; }) && !released_;
    else if (playTime.count() > 0)
      e.stopped = changed_.wait_for(lock, playTime, [&] { return generation_ != gen; });
    --playing_;
    lock.unlock();
    e.bytesAtEnd.assign(wave, wave + size);
    Record(e);
    return true;
  }

  void Stop() override {
    SoundEvent e = Begin(SoundEvent::Stop);
    Record(e);
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    changed_.notify_all();
  }

  bool Beep(unsigned frequency, unsigned ms) override {
    SoundEvent e = Begin(SoundEvent::Beep);
    e.frequency = frequency;
    e.ms = ms;
    if (fail) return Record(e), false;
    if (beepsTakeTime) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    Record(e);
    return true;
  }

  // Ends held plays without recording a Stop.
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    ++generation_;
    changed_.notify_all();
  }

  bool WaitUntilPlaying(std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return playing_ > 0; });
  }

  std::vector<SoundEvent> Events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  std::vector<SoundEvent> Events(SoundEvent::Kind kind) {
    std::vector<SoundEvent> out;
    for (auto& e : Events())
      if (e.kind == kind) out.push_back(e);
    return out;
  }

 private:
  static SoundEvent Begin(SoundEvent::Kind kind) {
    SoundEvent e;
    e.kind = kind;
    e.start = Clock::now();
    e.thread = std::this_thread::get_id();
    return e;
  }
  void Record(SoundEvent& e) {
    if (e.end == Clock::time_point{}) e.end = Clock::now();
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(e);
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<SoundEvent> events_;
  uint64_t generation_ = 0;
  int playing_ = 0;
  bool released_ = false;
};

class FakeOwner : public engine::AlarmOwner {
 public:
  bool HourEnable = false, HalfEnable = false, HourJihou = false, HHMMEnable = false;
  int16_t AlarmHour = 12, AlarmMinute = 0;
  std::string AlarmMessage;
  int32_t AlarmSoundIndex = 1;
  engine::AlarmSound AlarmSoundStream;
  std::atomic<uint8_t> AlarmBusy{0}, AlarmArmed{1};
  QWidget* window = nullptr;

  int streamSets = 0;
  int saves = 0;
  int32_t indexAtSave = -100;
  engine::AlarmSound streamAtSave;
  std::function<void()> onSave;  // may throw

  bool GetHourEnable() const override { return HourEnable; }
  void SetHourEnable(bool on) override { HourEnable = on; }
  bool GetHalfEnable() const override { return HalfEnable; }
  void SetHalfEnable(bool on) override { HalfEnable = on; }
  bool GetHourJihou() const override { return HourJihou; }
  void SetHourJihou(bool on) override { HourJihou = on; }
  bool GetHHMMEnable() const override { return HHMMEnable; }
  void SetHHMMEnable(bool on) override { HHMMEnable = on; }
  int16_t GetAlarmHour() const override { return AlarmHour; }
  void SetAlarmHour(int16_t h) override { AlarmHour = h; }
  int16_t GetAlarmMinute() const override { return AlarmMinute; }
  void SetAlarmMinute(int16_t m) override { AlarmMinute = m; }
  std::string GetAlarmMessage() const override { return AlarmMessage; }
  void SetAlarmMessage(const std::string& m) override { AlarmMessage = m; }
  int32_t GetAlarmSoundIndex() const override { return AlarmSoundIndex; }
  void SetAlarmSoundIndex(int32_t i) override { AlarmSoundIndex = i; }
  engine::AlarmSound GetAlarmSoundStream() const override { return AlarmSoundStream; }
  void SetAlarmSoundStream(engine::AlarmSound s) override {
    ++streamSets;
    AlarmSoundStream = std::move(s);
  }
  std::atomic<uint8_t>& AlarmBusyFlag() override { return AlarmBusy; }
  std::atomic<uint8_t>& AlarmArmedFlag() override { return AlarmArmed; }
  void SaveAlarmSettings() override {
    if (onSave) onSave();
    ++saves;
    indexAtSave = AlarmSoundIndex;
    streamAtSave = AlarmSoundStream;
  }
  QWidget* AlarmWindow() override { return window; }
};

// Waits (briefly polling) until pred holds; false on timeout.
inline bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
  const auto until = Clock::now() + timeout;
  while (!pred()) {
    if (Clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace alarmtest
