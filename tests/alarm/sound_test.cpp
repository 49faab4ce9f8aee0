// The generated alarm sounds, the WAVE reader and the ALSA device without a
// sound device.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "alarm_fakes.h"
#include "platform/resources.h"
#include "platform/sound.h"

using namespace std::chrono_literals;

namespace {

uint32_t Get32(const std::vector<uint8_t>& v, size_t at) {
  return uint32_t(v[at]) | uint32_t(v[at + 1]) << 8 | uint32_t(v[at + 2]) << 16 | uint32_t(v[at + 3]) << 24;
}
uint16_t Get16(const std::vector<uint8_t>& v, size_t at) { return uint16_t(v[at] | v[at + 1] << 8); }
std::string Tag(const std::vector<uint8_t>& v, size_t at) { return std::string(v.begin() + at, v.begin() + at + 4); }

TEST(AlarmSounds, TwelveMonoPcmWavesOfTheRightLength) {
  for (int id = 101; id <= 112; ++id) {
    SCOPED_TRACE(id);
    const auto w = platform::LoadResource("SOUND", id);
    ASSERT_GE(w.size(), 44u);
    EXPECT_EQ(Tag(w, 0), "RIFF");
    EXPECT_EQ(Get32(w, 4), w.size() - 8);
    EXPECT_EQ(Tag(w, 8), "WAVE");
    EXPECT_EQ(Tag(w, 12), "fmt ");
    EXPECT_EQ(Get32(w, 16), 16u);
    EXPECT_EQ(Get16(w, 20), 1);  // PCM
    EXPECT_EQ(Get16(w, 22), 1);  // mono
    EXPECT_EQ(Get32(w, 24), 22050u);
    const uint16_t bits = Get16(w, 34);
    EXPECT_EQ(bits, id == 109 ? 16 : 8);
    EXPECT_EQ(Get16(w, 32), bits / 8);
    EXPECT_EQ(Get32(w, 28), 22050u * bits / 8);
    EXPECT_EQ(Tag(w, 36), "data");
    const uint32_t dataBytes = Get32(w, 40);
    EXPECT_EQ(44 + dataBytes + (dataBytes & 1), w.size());
    const double seconds = double(dataBytes) / (bits / 8) / 22050.0;
    EXPECT_GE(seconds, 0.23);
    EXPECT_LE(seconds, 0.81);
    if (id == 105) {
      EXPECT_NEAR(seconds, 0.23, 0.001);
    }

    // Not silent, and not clipped flat.
    const auto parsed = platform::ParseWave(w.data(), w.size());
    ASSERT_TRUE(parsed);
    int lo = 1 << 16, hi = -(1 << 16);
    for (size_t i = 0; i < parsed->frames; ++i) {
      const int s = bits == 8 ? int(parsed->samples[i]) - 128 : int(int16_t(Get16(w, 44 + 2 * i))) / 256;
      lo = std::min(lo, s);
      hi = std::max(hi, s);
    }
    EXPECT_GT(hi - lo, 100);
    EXPECT_LT(hi, 127);
    EXPECT_GT(lo, -128);
  }
}

// A minimal WAVE image: RIFF header, fmt chunk, then data.
std::vector<uint8_t> Wave(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t dataBytes,
                          size_t actualData) {
  std::vector<uint8_t> v;
  auto put32 = [&](uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
  };
  auto put16 = [&](uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(t[i]));
  };
  tag("RIFF");
  put32(uint32_t(36 + actualData));
  tag("WAVE");
  tag("fmt ");
  put32(16);
  put16(format);
  put16(channels);
  put32(rate);
  put32(rate * channels * bits / 8);
  put16(uint16_t(channels * bits / 8));
  put16(bits);
  tag("data");
  put32(dataBytes);
  v.resize(v.size() + actualData, 0x80);
  return v;
}

TEST(ParseWave, ReadsGoodFilesAndRejectsDamagedOnes) {
  const auto good = Wave(1, 1, 22050, 8, 100, 100);
  auto parsed = platform::ParseWave(good.data(), good.size());
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->frames, 100u);
  EXPECT_EQ(parsed->samples, good.data() + 44);

  // A data chunk claiming more than is there is cut to the whole frames present.
  const auto cut = Wave(1, 2, 44100, 16, 1000000, 10);
  parsed = platform::ParseWave(cut.data(), cut.size());
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->frames, 2u);

  auto badTag = good;
  badTag[8] = 'X';
  auto shortFmt = good;
  shortFmt[16] = 15;
  auto hugeFmt = good;
  hugeFmt[19] = 0x7f;
  auto noData = good;
  std::memcpy(noData.data() + 36, "junk", 4);
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
  } bad[] = {
      {"empty", {}},
      {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 12)},
      {"cut inside fmt", std::vector<uint8_t>(good.begin(), good.begin() + 30)},
      {"not WAVE", badTag},
      {"fmt too short", shortFmt},
      {"fmt larger than the file", hugeFmt},
      {"no data chunk", noData},
      {"compressed", Wave(2, 1, 22050, 8, 100, 100)},
      {"no channels", Wave(1, 0, 22050, 8, 100, 100)},
      {"24-bit", Wave(1, 1, 22050, 24, 99, 99)},
      {"rate 0", Wave(1, 1, 0, 8, 100, 100)},
  };
  for (const auto& b : bad) EXPECT_FALSE(platform::ParseWave(b.bytes.data(), b.bytes.size())) << b.what;
  EXPECT_FALSE(platform::ParseWave(nullptr, 100));
}

TEST(AlsaSoundDevice, MissingDeviceFailsQuietlyAndAtOnce) {
  platform::AlsaSoundDevice device("clockkit_no_such_pcm");
  const auto wave = platform::LoadResource("SOUND", 101);
  const auto begin = std::chrono::steady_clock::now();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(device.Play(wave.data(), wave.size()));
  EXPECT_FALSE(device.Beep(1100, 100));
  device.Stop();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);

  const std::vector<uint8_t> damaged(wave.begin(), wave.begin() + 20);
  EXPECT_FALSE(device.Play(damaged.data(), damaged.size()));
}

// The sound library is loaded with the first sound and not before: a clock
// that never rings never has it in memory. (Run in one process with the test
// above, that test has loaded it already.)
TEST(AlsaSoundDevice, LibraryLoadsWithTheFirstSound) {
  const auto loaded = [] {
    void* lib = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NOLOAD);
    if (lib) dlclose(lib);
    return lib != nullptr;
  };
  const bool before = loaded();
  platform::AlsaSoundDevice device("clockkit_no_such_pcm");
  device.Stop();
  if (!before) {
    EXPECT_FALSE(loaded());
  }
  EXPECT_FALSE(device.Beep(1100, 10));
  EXPECT_TRUE(loaded());
}

TEST(PlaySound, NoSoundStopsAndToneRangeIsChecked) {
  auto fake = std::make_shared<alarmtest::RecordingSoundDevice>();
  auto old = platform::SetSoundDevice(fake);
  EXPECT_TRUE(platform::PlaySound(nullptr, 0));
  platform::StopSound();
  EXPECT_FALSE(platform::Beep(36, 10));
  EXPECT_FALSE(platform::Beep(32768, 10));
  EXPECT_TRUE(platform::Beep(37, 10));
  platform::SetSoundDevice(old);
  const auto events = fake->Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, alarmtest::SoundEvent::Stop);
  EXPECT_EQ(events[1].kind, alarmtest::SoundEvent::Stop);
  EXPECT_EQ(events[2].kind, alarmtest::SoundEvent::Beep);
}

}  // namespace
