// Clock programs written to a temporary folder, and a clock window built
// from one with a fixed time, recorded hand-offs and answered message boxes.
#pragma once

#include <QDir>
#include <QTemporaryDir>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/clock_window.h"
#include "platform/message_box.h"
#include "platform/system.h"
#include "imaging/picture_io.h"
#include "tools/clock_writer.h"

namespace fixture {

struct RecordedHandOffs : engine::ClockHandOffs {
  std::vector<std::string>* log;
  bool messageAlive = false;
  explicit RecordedHandOffs(std::vector<std::string>* l) : log(l) {}
  void StartRing() override { log->push_back("ring"); }
  void ShowAlarmMessage() override {
    log->push_back("message");
    messageAlive = true;
  }
  bool MessageWindowAlive() override { return messageAlive; }
  void StopAlarmSound() override { log->push_back("stop"); }
  void StartNtpSync() override { log->push_back("ntp"); }
};

// A stand-in for the engine program: some bytes, ending in zeros like the
// real one.
inline clockfile::Bytes FakeEngine(size_t size = 4096) {
  clockfile::Bytes e(size, 0);
  for (size_t i = 0; i + 17 < size; ++i) e[i] = uint8_t('A' + i % 26);
  return e;
}

class ClockFixture {
 public:
  ClockFixture() {
    setenv("XDG_CONFIG_HOME", dir.path().toStdString().c_str(), 1);
    previousHook = platform::SetMessageHook([this](const platform::MessageRecord& r) {
      messages.push_back(r);
      return platform::ModalResult::OK;
    });
  }
  ~ClockFixture() {
    platform::SetMessageHook(previousHook);
    platform::SetProgramFileNameForTest("");
  }

  // Writes the clock program file and makes it the running program.
  std::string WriteClock(const clockfile::Bytes& bytes, const std::string& name = "TestClock.exe") {
    const std::string path = dir.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    platform::SetProgramFileNameForTest(path);
    return path;
  }
  std::string SettingsFolder() const { return dir.path().toStdString() + "/DoRedozs"; }
  // Writes the settings file the clock program name will read.
  void WriteSettings(const std::string& text, const std::string& name = "TestClock.ini") {
    const std::string folder = SettingsFolder();
    QDir().mkpath(QString::fromStdString(folder));
    std::ofstream(folder + "/" + name, std::ios::binary) << text;
  }
  std::string ReadSettings(const std::string& name = "TestClock.ini") const {
    std::ifstream in(SettingsFolder() + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  std::unique_ptr<engine::TFormMain> Open() {
    engine::ClockEnvironment env;
    env.Now = [this] { return now; };
    env.ScreenSize = [this] { return screen; };
    return std::make_unique<engine::TFormMain>(env, std::make_unique<RecordedHandOffs>(&log));
  }

  QTemporaryDir dir;
  engine::DecodedTimeT now{2026, 12, 8, 10, 0, 0, 0};
  QSize screen{1024, 768};
  std::vector<std::string> log;
  std::vector<platform::MessageRecord> messages;
  platform::MessageHook previousHook;
};

// A 24-bit BMP of w x h filled with one colour.
inline clockfile::Bytes SolidBmp(int w, int h, imaging::Colour c) {
  imaging::Bitmap b(w, h);
  b.GetCanvas().brush.Color = c;
  b.GetCanvas().FillRect({0, 0, w, h});
  return imaging::WriteBmp24(b);
}

inline clockfile::Bytes Concat(std::initializer_list<clockfile::Bytes> parts) {
  clockfile::Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Settings that need no sound resource.
inline const char* kNoSound = "[ALARM]\r\nWAVE1=0\r\n";

}  // namespace fixture
