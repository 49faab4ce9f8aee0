#include "engine/alarm.h"

#include <QApplication>
#include <QWidget>

#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "engine/form_message.h"
#include "platform/resources.h"
#include "platform/sound.h"

namespace engine {

namespace {

// Count of TAlarm workers still running, for WaitForAlarmRings.
std::mutex g_ringsMutex;
std::condition_variable g_ringsDone;
int g_rings = 0;

}  // namespace

TAlarm::TAlarm(AlarmOwner& owner)
    : soundIndex_(owner.GetAlarmSoundIndex()), sound_(owner.GetAlarmSoundStream()), busy_(&owner.AlarmBusyFlag()) {}

void TAlarm::Create(AlarmOwner& owner) {
  TAlarm* alarm = new TAlarm(owner);
  {
    std::lock_guard<std::mutex> lock(g_ringsMutex);
    ++g_rings;
  }
  try {
    std::thread([alarm] {
      alarm->Execute();
      delete alarm;
      std::lock_guard<std::mutex> lock(g_ringsMutex);
      --g_rings;
      g_ringsDone.notify_all();
    }).detach();
  } catch (...) {
    // Without this the busy flag would stay set and no ring would ever start again.
    *alarm->busy_ = 0;
    delete alarm;
    {
      std::lock_guard<std::mutex> lock(g_ringsMutex);
      --g_rings;
      g_ringsDone.notify_all();
    }
    throw;
  }
}

void TAlarm::Execute() {
  if (soundIndex_ != 0)
    PlayAlarmSound();
  else
    PlayAlarmBeeps();
  *busy_ = 0;
}

void TAlarm::PlayAlarmSound() {
  platform::StopSound();
  // No sound in memory (its loading failed at start-up): the ring is silent.
  if (sound_ && !sound_->empty()) platform::PlaySound(sound_->data(), sound_->size());
}

void TAlarm::PlayAlarmBeeps() {
  for (int i = 0; i < 4; ++i) {
    platform::Beep(1100, 100);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void StartAlarmRing(AlarmOwner& owner) {
  // Set before the worker exists, so that the worker's clear can never be overtaken.
  owner.AlarmBusyFlag() = 1;
  TAlarm::Create(owner);
}

void StopAlarmSound(AlarmOwner& owner) {
  if (owner.GetAlarmSoundIndex() != 0) platform::StopSound();
}

std::vector<uint8_t> LoadAlarmSoundResource(int32_t index) {
  // Formed in 64 bits: an index edited into the settings file near the
  // 32-bit limit must give the resource error, not overflow.
  const int64_t id = int64_t(index) + 100;
  if (id < 0 || id > 0x7fffffff) throw platform::ResourceError("#" + std::to_string(id) + " リソースが見つかりません");
  return platform::LoadResource("SOUND", int(id));
}

void LoadAlarmSound(AlarmOwner& owner) {
  const int32_t index = owner.GetAlarmSoundIndex();
  if (index == 0) return;
  auto bytes = LoadAlarmSoundResource(index);
  owner.SetAlarmSoundStream(std::make_shared<const std::vector<uint8_t>>(std::move(bytes)));
}

bool IsFormAlive(const QWidget* form) {
  if (!form) return false;
  const auto windows = QApplication::topLevelWidgets();
  for (const QWidget* w : windows)
    if (w == form) return true;
  return false;
}

void ShowAlarmMessage(AlarmOwner& owner) {
  FormMessage = new TFormMessage(owner, owner.AlarmWindow());
  FormMessage->show();
}

bool WaitForAlarmRings(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(g_ringsMutex);
  return g_ringsDone.wait_for(lock, timeout, [] { return g_rings == 0; });
}

}  // namespace engine
