// Sound output: a whole RIFF WAVE played from memory on the calling thread,
// a stop that ends a playing sound early from any thread, and tones.
//
// Every call goes through the current SoundDevice. The default is ALSA's
// "default" PCM device; tests install a recording fake with SetSoundDevice.
// Failures (no device, a damaged WAVE, a rejected format) are quiet: the call
// returns false and prints nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

class SoundDevice {
 public:
  virtual ~SoundDevice() = default;
  // Plays the WAVE file image and returns when it has ended or was stopped;
  // false when it could not be played at all.
  virtual bool Play(const uint8_t* wave, size_t size) = 0;
  // Ends any sound that Play is playing (on whatever thread); a later Play is
  // not affected. Tones are not stopped.
  virtual void Stop() = 0;
  // Plays a tone of `frequency` Hz for `ms` milliseconds; not stoppable.
  virtual bool Beep(unsigned frequency, unsigned ms) = 0;
};

// ALSA playback through blocking writes of small periods, the stop flag
// checked between them. The PCM device is opened for each sound.
class AlsaSoundDevice : public SoundDevice {
 public:
  explicit AlsaSoundDevice(std::string device = "default");
  ~AlsaSoundDevice() override;
  bool Play(const uint8_t* wave, size_t size) override;
  void Stop() override;
  bool Beep(unsigned frequency, unsigned ms) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The device that PlaySound, StopSound and Beep use (never null).
std::shared_ptr<SoundDevice> CurrentSoundDevice();
// Installs a device (null: the ALSA default); returns the previous one. A sound
// already playing keeps the device it started on.
std::shared_ptr<SoundDevice> SetSoundDevice(std::shared_ptr<SoundDevice> device);

// Plays a WAVE file image synchronously; with no sound (null or empty) it only
// stops any sound playing and returns true.
bool PlaySound(const uint8_t* wave, size_t size);
// The same as PlaySound with no sound.
void StopSound();
// A tone through the current device. Frequencies outside 37..32767 Hz fail.
bool Beep(unsigned frequency, unsigned ms);

// The parts of a WAVE file image that playback needs.
struct WaveData {
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t bitsPerSample = 0;  // 8 (unsigned) or 16 (signed little-endian)
  const uint8_t* samples = nullptr;
  size_t frames = 0;  // whole frames present in the data chunk
};

// Reads a RIFF WAVE image: uncompressed PCM, 1 or 2 channels, 8 or 16 bits,
// 1000..192000 samples per second. Chunks are walked within the buffer only;
// a data chunk that claims more bytes than remain is cut to the whole frames
// present. Anything else (no RIFF/WAVE tag, no fmt or data chunk, another
// encoding) gives nothing.
std::optional<WaveData> ParseWave(const uint8_t* wave, size_t size);

}  // namespace platform
