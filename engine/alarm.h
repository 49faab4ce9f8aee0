// Chimes and the set-time alarm: one ring on a worker thread (TAlarm), the
// alarm sound in memory, stopping it, and the message window's bookkeeping.
//
// The sound is held as a shared, immutable byte vector (AlarmSound). A ring
// takes its own reference to it when it is started, so the alarm dialog may
// replace the window's sound while a ring still plays the old bytes; they are
// freed when the last holder lets go.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "engine/alarm_owner.h"

class QWidget;

namespace engine {

// One alarm ring on a thread of its own. Created running; it deletes itself
// when the ring has ended, after clearing the owner's AlarmBusy flag. It plays
// the sound index and sound bytes that the owner held at its creation; beeps
// for index 0.
class TAlarm {
 public:
  // Starts the worker. If no thread can be started, AlarmBusy is cleared
  // again and the error goes on (std::system_error).
  static void Create(AlarmOwner& owner);

  TAlarm(const TAlarm&) = delete;
  TAlarm& operator=(const TAlarm&) = delete;

 private:
  explicit TAlarm(AlarmOwner& owner);
  ~TAlarm() = default;
  void Execute();
  void PlayAlarmSound();
  void PlayAlarmBeeps();

  const int32_t soundIndex_;
  const AlarmSound sound_;
  std::atomic<uint8_t>* const busy_;
};

// Starts one ring: AlarmBusy := 1, then a TAlarm. The caller starts a ring
// only while AlarmBusy is 0.
void StartAlarmRing(AlarmOwner& owner);

// Ends a playing alarm sound (and with it a running ring) when the sound index
// is not 0. Beeps cannot be stopped.
void StopAlarmSound(AlarmOwner& owner);

// The bytes of the sound resource of a sound index ("#" + (index + 100) of
// type "SOUND"); raises platform::ResourceError
// ("#<n> リソースが見つかりません") when there is none.
std::vector<uint8_t> LoadAlarmSoundResource(int32_t index);

// Index 0: nothing (the previous sound stays). Otherwise replaces the owner's
// AlarmSoundStream with a copy of the sound resource; on a resource error the
// old stream is left untouched and the error goes on.
void LoadAlarmSound(AlarmOwner& owner);

// True if `form` is one of the application's live top-level windows, by
// identity only (the pointer is never dereferenced).
bool IsFormAlive(const QWidget* form);

// Creates a TFormMessage owned by the owner's window, keeps it in FormMessage
// and shows it (not modal).
void ShowAlarmMessage(AlarmOwner& owner);

// Waits until no TAlarm worker runs any more; false on timeout. The clock
// window calls it on destruction (after stopping the sound) so that no worker
// outlives the flag it clears; tests use it to finish their rings.
bool WaitForAlarmRings(std::chrono::milliseconds timeout);

}  // namespace engine
