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
  auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
  std::vector<platform::IniEntry> keys = {{"Left", std::to_string(WindowLeft)},
                                          {"Top", std::to_string(WindowTop)},
                                          {"Transparent", flag(TransparentChecked)},
                                          {"Stay_on_Top", flag(StayOnTopChecked)},
                                          {"BlendValue", std::to_string(AlphaBlendValue)},
                                          {"NTP_Active", flag(NtpActiveChecked)}};
  for (int i = 0; i < 10; ++i) keys.push_back({"NTP_Host" + std::to_string(i), hosts[size_t(i)]});
  keys.push_back({"NTP_Result", result});
  // The whole section with one rewrite of the file.
  platform::IniFile(ClockSettingsFile).WriteSection("CONFIG", std::move(keys));
}

void TFormMain::SaveAlarmSettings() {
  auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
  platform::IniFile(ClockSettingsFile)
      .WriteSection("ALARM", {{"HourEnable", flag(HourEnable)},
                              {"HalfEnable", flag(HalfEnable)},
                              {"HHMMEnable", flag(HHMMEnable)},
                              {"HourJihou", flag(HourJihou)},
                              {"Hour", std::to_string(AlarmHour)},
                              {"Min", std::to_string(AlarmMinute)},
                              {"Message", AlarmMessage},
                              {"WAVE1", std::to_string(AlarmSoundIndex)}});
}

}  // namespace engine
