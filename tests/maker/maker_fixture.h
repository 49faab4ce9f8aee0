// A maker main window built in a temporary folder: a program file made of
// maker bytes and a stand-in engine image, FG/ and HR/ folders, an optional
// Hands.dat, fixed time, no waits, recorded dialogs and message boxes.
#pragma once

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "imaging/picture_io.h"
#include "maker/maker_common.h"
#include "maker/maker_window.h"
#include "platform/file_dialogs.h"
#include "platform/message_box.h"
#include "platform/system.h"

namespace makertest {

inline constexpr size_t kEngineSize = 841216;

// A stand-in engine image: a program file's magic number, then letters,
// ending in zeros like the real one.
inline std::vector<uint8_t> FakeEngine() {
  std::vector<uint8_t> e(kEngineSize, 0);
  for (size_t i = 0; i + 17 < e.size(); ++i) e[i] = uint8_t('a' + i % 26);
  const uint8_t magic[] = {0x7F, 'E', 'L', 'F'};
  std::copy(std::begin(magic), std::end(magic), e.begin());
  return e;
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& b) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}
inline void WriteText(const std::string& path, const std::string& s) { std::ofstream(path, std::ios::binary) << s; }
inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A 24-bit picture filled with one colour.
inline imaging::Bitmap Solid(int w, int h, imaging::Colour c) {
  imaging::Bitmap b(w, h, imaging::PixelFormat::pf24bit);
  b.GetCanvas().brush.Color = c;
  b.GetCanvas().FillRect({0, 0, w, h});
  return b;
}

// A picture whose pixels all differ and none is black or white, so that
// turns and crops show.
inline imaging::Bitmap Pattern(int w, int h) {
  imaging::Bitmap b(w, h, imaging::PixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixelColour(x, y, imaging::RGB(uint8_t(x * 3 + 1), uint8_t(y * 5 + 1), 77));
  return b;
}

// A 24-bit BMP file of the picture whose information header is `infoSize`
// bytes long (40, or 108 and 124 as image editors write by default); the
// longer headers' extra fields are zero.
inline std::vector<uint8_t> BmpWithInfoHeader(const imaging::Bitmap& b, uint32_t infoSize) {
  std::vector<uint8_t> bytes = imaging::WriteBmp24(b);
  const uint32_t extra = infoSize - 40;
  bytes.insert(bytes.begin() + 14 + 40, extra, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
  };
  auto get32 = [&](size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 | uint32_t(bytes[at + 3]) << 24;
  };
  put32(2, uint32_t(bytes.size()));
  put32(10, get32(10) + extra);
  put32(14, infoSize);
  return bytes;
}

// Same size and the same colour at every pixel.
inline bool SamePixels(const imaging::Bitmap& a, const imaging::Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.PixelColour(x, y) != b.PixelColour(x, y)) return false;
  return true;
}

struct FakeDialogs : maker::DialogServices {
  std::vector<std::string>* log;
  std::function<void(int&, int&)> picSize = [](int& w, int& h) { w = h = 0; };
  maker::RotateChoice rotate{maker::RotateChoice::FreeR, "0", "0"};
  explicit FakeDialogs(std::vector<std::string>* l) : log(l) {}
  void ShowSplash() override { log->push_back("splash"); }
  void HideSplash() override { log->push_back("hide splash"); }
  void FreeSplash() override {}
  void CreateDialogs(maker::MakerHost&) override {}
  void RunPicSize(int& w, int& h) override {
    log->push_back("picsize " + std::to_string(w) + "x" + std::to_string(h));
    picSize(w, h);
  }
  maker::RotateChoice RunRotate() override { return rotate; }
  void ShowThumbs(const std::string& folder) override { log->push_back("thumbs " + folder); }
  void RunShortcut(const std::string& target, bool desktop) override {
    log->push_back("shortcut " + target + (desktop ? " desktop on" : " desktop off"));
  }
};

class MakerFixture {
 public:
  MakerFixture() {
    root = dir.path().toStdString();
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    QDir().mkpath(QString::fromStdString(root + "/config"));
    QDir().mkpath(QString::fromStdString(root + "/Desktop"));
    QDir().mkpath(QString::fromStdString(root + "/Documents"));
    QDir().mkpath(QString::fromStdString(root + "/prog/FG"));
    QDir().mkpath(QString::fromStdString(root + "/prog/HR"));
    program = root + "/prog/brasswick";
    std::vector<uint8_t> file(5000, 'M');
    const auto engine = FakeEngine();
    file.insert(file.end(), engine.begin(), engine.end());
    WriteBytes(program, file);
    platform::SetProgramFileNameForTest(program);
    oldMessageHook = platform::SetMessageHook([this](const platform::MessageRecord& r) {
      messages.push_back(r);
      if (!answers.empty()) {
        const auto a = answers.front();
        answers.pop_front();
        return a;
      }
      return platform::ModalResult::OK;
    });
    oldDialogHook = platform::SetDialogHook([this](platform::DialogRequest& req) {
      if (dialogAnswers.empty()) return false;
      auto f = dialogAnswers.front();
      dialogAnswers.pop_front();
      return f(req);
    });
  }
  ~MakerFixture() {
    window.reset();
    platform::SetMessageHook(oldMessageHook);
    platform::SetDialogHook(oldDialogHook);
    platform::SetProgramFileNameForTest("");
  }

  std::string Prog(const std::string& name) const { return root + "/prog/" + name; }
  void WriteBmp(const std::string& path, const imaging::Bitmap& b) const { WriteBytes(path, imaging::WriteBmp24(b)); }

  maker::TFormMain& Open() {
    maker::MakerEnvironment env;
    env.Now = [this] { return now; };
    env.Wait = [this](int ms) { log.push_back("wait " + std::to_string(ms)); };
    auto d = std::make_unique<FakeDialogs>(&log);
    dialogs = d.get();
    env.Dialogs = std::move(d);
    window = std::make_unique<maker::TFormMain>(std::move(env));
    return *window;
  }

  // The next file dialog answers with this path (OK).
  void ChooseFile(const std::string& path) {
    dialogAnswers.push_back([path](platform::DialogRequest& r) {
      r.file->FileName = path;
      return true;
    });
  }
  void CancelDialog() {
    dialogAnswers.push_back([](platform::DialogRequest&) { return false; });
  }

  QTemporaryDir dir;
  std::string root, program;
  maker::PreviewTimeT now{2026, 12, 10, 13, 25, 42, 0};
  std::vector<std::string> log;
  std::vector<platform::MessageRecord> messages;
  std::deque<platform::ModalResult> answers;
  std::deque<std::function<bool(platform::DialogRequest&)>> dialogAnswers;
  FakeDialogs* dialogs = nullptr;
  std::unique_ptr<maker::TFormMain> window;

 private:
  platform::MessageHook oldMessageHook;
  platform::DialogHook oldDialogHook;
};

}  // namespace makertest
