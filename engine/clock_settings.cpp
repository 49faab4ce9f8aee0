// The clock's settings file: section CONFIG (window, transparency, time
// synchronisation) and section ALARM (chimes and the set-time alarm).
#include <QAction>

#include "engine/clock_window.h"
#include "platform/ini.h"

namespace engine {

void TFormMain::LoadClockSettings() {
  const platform::IniFile ini(ClockSettingsFile);
  WindowLeft = ini.ReadInteger("CONFIG", "Left", 0);
  WindowTop = ini.ReadInteger("CONFIG", "Top", 0);
  ApplyPosition();
  PM_A->setChecked(ini.ReadBool("CONFIG", "Transparent", false));
  PM_T->setChecked(ini.ReadBool("CONFIG", "Stay_on_Top", false));
  AlphaBlendValue = std::clamp(ini.ReadInteger("CONFIG", "BlendValue", 128), 0, 255);
  PM_N->setChecked(ini.ReadBool("CONFIG", "NTP_Active", false));
  {
    std::lock_guard<std::mutex> lock(resultMutex_);
    for (int i = 0; i < 10; ++i) NtpHosts[size_t(i)] = ini.ReadString("CONFIG", "NTP_Host" + std::to_string(i), "");
  }
  HHMMEnable = ini.ReadBool("ALARM", "HHMMEnable", false);
  HourEnable = ini.ReadBool("ALARM", "HourEnable", false);
  HalfEnable = ini.ReadBool("ALARM", "HalfEnable", false);
  HourJihou = ini.ReadBool("ALARM", "HourJihou", false);
  AlarmHour = int16_t(ini.ReadInteger("ALARM", "Hour", 12));
  AlarmMinute = int16_t(ini.ReadInteger("ALARM", "Min", 0));
  AlarmMessage = ini.ReadString("ALARM", "Message", "");
  AlarmSoundIndex = ini.ReadInteger("ALARM", "WAVE1", 1);

  AlphaBlend = PM_A->isChecked();
  platform::SetAlphaBlend(this, AlphaBlend, AlphaBlendValue);
  SetNtpResult(PM_N->isChecked() ? "ON" : "OFF");
}

void TFormMain::SaveClockConfig() {
  // The window thread and the synchronisation worker both write CONFIG; one
  // writer at a time keeps each write whole.
  std::lock_guard<std::mutex> writer(saveMutex_);
  std::array<std::string, 10> hosts;
  std::string result;
  {
    std::lock_guard<std::mutex> lock(resultMutex_);
    hosts = NtpHosts;
    result = ntpResult_;
  }
  platform::IniFile ini(ClockSettingsFile);
  ini.WriteInteger("CONFIG", "Left", WindowLeft);
  ini.WriteInteger("CONFIG", "Top", WindowTop);
  ini.WriteBool("CONFIG", "Transparent", TransparentChecked);
  ini.WriteBool("CONFIG", "Stay_on_Top", StayOnTopChecked);
  ini.WriteInteger("CONFIG", "BlendValue", AlphaBlendValue);
  ini.WriteBool("CONFIG", "NTP_Active", NtpActiveChecked);
  for (int i = 0; i < 10; ++i) ini.WriteString("CONFIG", "NTP_Host" + std::to_string(i), hosts[size_t(i)]);
  ini.WriteString("CONFIG", "NTP_Result", result);
}

void TFormMain::SaveAlarmSettings() {
  platform::IniFile ini(ClockSettingsFile);
  ini.WriteBool("ALARM", "HourEnable", HourEnable);
  ini.WriteBool("ALARM", "HalfEnable", HalfEnable);
  ini.WriteBool("ALARM", "HHMMEnable", HHMMEnable);
  ini.WriteBool("ALARM", "HourJihou", HourJihou);
  ini.WriteInteger("ALARM", "Hour", AlarmHour);
  ini.WriteInteger("ALARM", "Min", AlarmMinute);
  ini.WriteString("ALARM", "Message", AlarmMessage);
  ini.WriteInteger("ALARM", "WAVE1", AlarmSoundIndex);
}

}  // namespace engine
