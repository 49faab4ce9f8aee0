#include "platform/sound.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace platform {

namespace {

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// ALSA reports every failure on stderr by default; failures here are quiet.
void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

// The ALSA calls playback makes. The library is loaded with the first sound:
// a clock may ring once a day or never, and the library loaded with the
// program would cost every clock about 0.3 MiB from its start.
struct Alsa {
  decltype(&snd_pcm_open) open;
  decltype(&snd_pcm_nonblock) nonblock;
  decltype(&snd_pcm_set_params) set_params;
  decltype(&snd_pcm_writei) writei;
  decltype(&snd_pcm_recover) recover;
  decltype(&snd_pcm_state) state;
  decltype(&snd_pcm_delay) delay;
  decltype(&snd_pcm_drop) drop;
  decltype(&snd_pcm_drain) drain;
  decltype(&snd_pcm_close) close;
};

// The loaded library with its error handler silenced; null when it is not
// installed (no sound plays then).
const Alsa* LoadedAlsa() {
  static const Alsa* const alsa = []() -> const Alsa* {
    void* lib = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return nullptr;
    static Alsa a;
    bool found = true;
    auto get = [&](auto& fn, const char* name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
      found = found && fn;
    };
    decltype(&snd_lib_error_set_handler) setErrorHandler;
    get(setErrorHandler, "snd_lib_error_set_handler");
    get(a.open, "snd_pcm_open");
    get(a.nonblock, "snd_pcm_nonblock");
    get(a.set_params, "snd_pcm_set_params");
    get(a.writei, "snd_pcm_writei");
    get(a.recover, "snd_pcm_recover");
    get(a.state, "snd_pcm_state");
    get(a.delay, "snd_pcm_delay");
    get(a.drop, "snd_pcm_drop");
    get(a.drain, "snd_pcm_drain");
    get(a.close, "snd_pcm_close");
    if (!found) return nullptr;
    setErrorHandler(SilentAlsaErrors);
    return &a;
  }();
  return alsa;
}

// Plays interleaved frames through blocking writes of about 20 ms each;
// `stopped` is asked between writes and while the buffer plays out.
bool PlayFrames(const std::string& device, snd_pcm_format_t format, unsigned channels, unsigned rate,
                const uint8_t* frames, size_t count, size_t frameBytes, const std::function<bool()>& stopped) {
  const Alsa* alsa = LoadedAlsa();
  if (!alsa) return false;
  snd_pcm_t* pcm = nullptr;
  // Opened non-blocking so that a busy device fails at once instead of waiting.
  if (alsa->open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return false;
  if (alsa->nonblock(pcm, 0) < 0 ||
      alsa->set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, channels, rate, 1, 100000) < 0) {
    alsa->close(pcm);
    return false;
  }
  const size_t chunk = std::max<size_t>(1, rate / 50);
  size_t done = 0;
  bool ok = true;
  while (done < count) {
    if (stopped()) {
      alsa->drop(pcm);
      alsa->close(pcm);
      return true;
    }
    const size_t n = std::min(chunk, count - done);
    snd_pcm_sframes_t written = alsa->writei(pcm, frames + done * frameBytes, n);
    if (written < 0) {
      if (alsa->recover(pcm, int(written), 1) < 0) {
        ok = false;
        break;
      }
      continue;
    }
    done += size_t(written);
  }
  // Let the buffered part play out, still honouring a stop.
  while (ok && alsa->state(pcm) == SND_PCM_STATE_RUNNING) {
    if (stopped()) {
      alsa->drop(pcm);
      break;
    }
    snd_pcm_sframes_t delay = 0;
    if (alsa->delay(pcm, &delay) < 0 || delay <= 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (ok) alsa->drain(pcm);
  alsa->close(pcm);
  return ok;
}

std::mutex g_deviceMutex;
std::shared_ptr<SoundDevice> g_device;

}  // namespace

std::optional<WaveData> ParseWave(const uint8_t* wave, size_t size) {
  if (!wave || size < 12 || std::memcmp(wave, "RIFF", 4) != 0 || std::memcmp(wave + 8, "WAVE", 4) != 0)
    return std::nullopt;
  // The RIFF size may be wrong in either direction; never look past the buffer.
  const size_t end = std::min<uint64_t>(size, uint64_t(Get32(wave + 4)) + 8);
  WaveData w;
  bool haveFormat = false;
  const uint8_t* data = nullptr;
  size_t dataBytes = 0;
  size_t pos = 12;
  while (end >= 8 && pos <= end - 8) {
    const uint8_t* chunk = wave + pos;
    const uint64_t chunkSize = Get32(chunk + 4);
    const size_t avail = end - pos - 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (chunkSize < 16 || chunkSize > avail) return std::nullopt;
      if (Get16(chunk + 8) != 1) return std::nullopt;  // PCM only
      w.channels = Get16(chunk + 10);
      w.sampleRate = Get32(chunk + 12);
      const uint16_t blockAlign = Get16(chunk + 20);
      w.bitsPerSample = Get16(chunk + 22);
      if (w.channels < 1 || w.channels > 2 || (w.bitsPerSample != 8 && w.bitsPerSample != 16) ||
          w.sampleRate < 1000 || w.sampleRate > 192000 || blockAlign != w.channels * w.bitsPerSample / 8)
        return std::nullopt;
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      data = chunk + 8;
      dataBytes = size_t(std::min<uint64_t>(chunkSize, avail));
    }
    if (chunkSize > avail) break;
    pos += 8 + size_t(chunkSize) + size_t(chunkSize & 1);
  }
  if (!haveFormat || !data) return std::nullopt;
  w.samples = data;
  w.frames = dataBytes / (size_t(w.channels) * w.bitsPerSample / 8);
  return w;
}

struct AlsaSoundDevice::State {
  std::string device;
  // Every Play and Stop starts a new generation; a sound plays only while the
  // generation it started in is current.
  std::atomic<uint64_t> generation{0};
};

AlsaSoundDevice::AlsaSoundDevice(std::string device) : state_(std::make_unique<State>()) {
  state_->device = std::move(device);
}

AlsaSoundDevice::~AlsaSoundDevice() = default;

bool AlsaSoundDevice::Play(const uint8_t* wave, size_t size) {
  const uint64_t mine = ++state_->generation;  // also ends a sound still playing
  const auto w = ParseWave(wave, size);
  if (!w) return false;
  if (w->frames == 0) return true;
  const snd_pcm_format_t format = w->bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
  return PlayFrames(state_->device, format, w->channels, w->sampleRate, w->samples, w->frames,
                    size_t(w->channels) * w->bitsPerSample / 8,
                    [this, mine] { return state_->generation.load() != mine; });
}

void AlsaSoundDevice::Stop() { ++state_->generation; }

bool AlsaSoundDevice::Beep(unsigned frequency, unsigned ms) {
  constexpr unsigned kRate = 48000;
  const size_t count = size_t(kRate) * ms / 1000;
  if (count == 0) return true;
  std::vector<int16_t> tone(count);
  const size_t fade = std::min<size_t>(count / 2, kRate / 200);  // 5 ms, against clicks
  for (size_t i = 0; i < count; ++i) {
    double a = 0.5;
    if (i < fade) a *= double(i) / double(fade);
    if (count - i < fade) a *= double(count - i) / double(fade);
    tone[i] = int16_t(std::lround(32767.0 * a * std::sin(2.0 * M_PI * frequency * double(i) / kRate)));
  }
  return PlayFrames(state_->device, SND_PCM_FORMAT_S16_LE, 1, kRate, reinterpret_cast<const uint8_t*>(tone.data()),
                    count, sizeof(int16_t), [] { return false; });
}

std::shared_ptr<SoundDevice> CurrentSoundDevice() {
  std::lock_guard<std::mutex> lock(g_deviceMutex);
  if (!g_device) g_device = std::make_shared<AlsaSoundDevice>();
  return g_device;
}

std::shared_ptr<SoundDevice> SetSoundDevice(std::shared_ptr<SoundDevice> device) {
  std::lock_guard<std::mutex> lock(g_deviceMutex);
  auto old = std::move(g_device);
  g_device = std::move(device);
  return old;
}

bool PlaySound(const uint8_t* wave, size_t size) {
  const auto device = CurrentSoundDevice();
  if (!wave || size == 0) {
    device->Stop();
    return true;
  }
  return device->Play(wave, size);
}

void StopSound() { PlaySound(nullptr, 0); }

bool Beep(unsigned frequency, unsigned ms) {
  if (frequency < 37 || frequency > 32767) return false;
  return CurrentSoundDevice()->Beep(frequency, ms);
}

}  // namespace platform
