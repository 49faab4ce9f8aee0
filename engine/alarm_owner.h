// What the alarm pieces (ring worker, sound loading, alarm dialog, message
// window) need of the clock window. The clock window implements it; tests
// use a fake.
//
// All members are called on the window's thread, except that a ring worker
// clears AlarmBusyFlag() when it ends. A worker never calls the owner: it
// takes the sound index, the sound bytes and the address of the busy flag
// when it is created.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace engine {

// The alarm sound in memory: a whole RIFF WAVE file image. Shared so that a
// ring keeps the bytes it plays even when the dialog replaces the sound.
using AlarmSound = std::shared_ptr<const std::vector<uint8_t>>;

class AlarmOwner {
 public:
  virtual ~AlarmOwner() = default;

  // The alarm settings (section ALARM of the settings file).
  virtual bool GetHourEnable() const = 0;
  virtual void SetHourEnable(bool on) = 0;
  virtual bool GetHalfEnable() const = 0;
  virtual void SetHalfEnable(bool on) = 0;
  virtual bool GetHourJihou() const = 0;
  virtual void SetHourJihou(bool on) = 0;
  virtual bool GetHHMMEnable() const = 0;
  virtual void SetHHMMEnable(bool on) = 0;
  virtual int16_t GetAlarmHour() const = 0;
  virtual void SetAlarmHour(int16_t hour) = 0;
  virtual int16_t GetAlarmMinute() const = 0;
  virtual void SetAlarmMinute(int16_t minute) = 0;
  // UTF-8.
  virtual std::string GetAlarmMessage() const = 0;
  virtual void SetAlarmMessage(const std::string& message) = 0;
  // 0 = beeps, 1..12 = sound resource 100 + index.
  virtual int32_t GetAlarmSoundIndex() const = 0;
  virtual void SetAlarmSoundIndex(int32_t index) = 0;

  // AlarmSoundStream: null until a sound is loaded.
  virtual AlarmSound GetAlarmSoundStream() const = 0;
  virtual void SetAlarmSoundStream(AlarmSound sound) = 0;

  // Run-time flags: a ring is playing; the set-time alarm may ring.
  virtual std::atomic<uint8_t>& AlarmBusyFlag() = 0;
  virtual std::atomic<uint8_t>& AlarmArmedFlag() = 0;

  // Writes section ALARM; may throw (the settings file's write error).
  virtual void SaveAlarmSettings() = 0;

  // The clock window: owner of the alarm dialog and the message window.
  virtual QWidget* AlarmWindow() = 0;
};

}  // namespace engine
