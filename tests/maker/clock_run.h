// A clock program the maker wrote, started by the engine in the test process
// at a fixed time, with no workers.
#pragma once

#include <QSize>

#include <memory>
#include <string>
#include <vector>

#include "engine/clock_window.h"
#include "platform/system.h"

namespace makertest {

struct NoHandOffs : engine::ClockHandOffs {
  void StartRing() override {}
  void ShowAlarmMessage() override {}
  bool MessageWindowAlive() override { return false; }
  void StopAlarmSound() override {}
  void StartNtpSync() override {}
};

inline std::unique_ptr<engine::TFormMain> RunClock(const std::string& path) {
  platform::SetProgramFileNameForTest(path);
  engine::ClockEnvironment env;
  env.Now = [] { return engine::DecodedTimeT{2026, 12, 10, 10, 10, 0, 0}; };
  env.ScreenSize = [] { return QSize(1280, 1024); };
  return std::make_unique<engine::TFormMain>(env, std::make_unique<NoHandOffs>());
}

inline std::string Text(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

}  // namespace makertest
