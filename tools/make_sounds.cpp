// Synthesises the 12 alarm sounds and writes them as RIFF WAVE files (PCM,
// mono, 22050 samples per second, 8-bit; sound 109 16-bit) into
// <out>/SOUND/101 .. <out>/SOUND/112. Everything is computed here from
// oscillators, noise and resonant filters; the noise generator is seeded, so
// every build writes the same bytes.
//
//   101 lion roar        102 pig grunts      103 cat (meow)     104 cat (mew-mew)
//   105 duck quack       106 bulbul whistle  107 crane call     108 bell cricket
//   109 insect chirps    110 scream          111 phone ring     112 alarm-clock bell
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 22050.0;
constexpr double kPi = 3.14159265358979323846;

using Signal = std::vector<double>;

size_t Samples(double seconds) { return size_t(std::ceil(seconds * kRate)); }

// Deterministic white noise in -1..1.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed) {}
  double Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return double(state_ >> 8) / double(1u << 23) - 1.0;
  }

 private:
  uint32_t state_;
};

// Two-pole resonator (band-pass) with a centre frequency that may change per sample.
class Resonator {
 public:
  explicit Resonator(double bandwidth) : bw_(bandwidth) {}
  double Step(double x, double freq) {
    const double r = std::exp(-kPi * bw_ / kRate);
    const double c = 2.0 * r * std::cos(2.0 * kPi * freq / kRate);
    const double y = (1.0 - r) * x + c * y1_ - r * r * y2_;
    y2_ = y1_;
    y1_ = y;
    return y;
  }

 private:
  double bw_;
  double y1_ = 0, y2_ = 0;
};

// One-pole low-pass.
class LowPass {
 public:
  explicit LowPass(double cutoff) : a_(1.0 - std::exp(-2.0 * kPi * cutoff / kRate)) {}
  double Step(double x) { return y_ += a_ * (x - y_); }

 private:
  double a_;
  double y_ = 0;
};

// Attack / decay envelope over [0, len): rises for `attack` seconds, falls for `release`.
double Envelope(double t, double len, double attack, double release) {
  double e = 1.0;
  if (t < attack) e = t / attack;
  if (t > len - release) e = std::min(e, std::max(0.0, (len - t) / release));
  return e;
}

// A harmonic-rich pulse train: the sum of the first harmonics below Nyquist.
double PulseTrain(double phase, double freq, int maxHarmonics, double tilt) {
  double s = 0;
  for (int h = 1; h <= maxHarmonics && h * freq < kRate / 2 - 500; ++h) s += std::sin(phase * h) / std::pow(h, tilt);
  return s;
}

// Runs gen(t) over the duration with a phase accumulator for a varying pitch.
Signal Render(double seconds, const std::function<double(double t)>& gen) {
  Signal s(Samples(seconds));
  for (size_t i = 0; i < s.size(); ++i) s[i] = gen(double(i) / kRate);
  return s;
}

Signal LionRoar() {
  const double len = 0.80;
  double phase = 0;
  Noise noise(101);
  Resonator f1(180), f2(300), n1(400);
  LowPass growl(60);
  return Render(len, [&](double t) {
    // A low voice that swells, its pitch falling, roughened by a slow growl.
    const double pitch = 150.0 - 70.0 * t / len;
    phase += 2 * kPi * pitch / kRate;
    const double rough = 1.0 + 0.6 * growl.Step(noise.Next() * 8.0);
    const double voice = PulseTrain(phase, pitch, 40, 0.9) * rough;
    const double breath = n1.Step(noise.Next(), 500.0) * 6.0;
    const double v = f1.Step(voice, 550.0) * 2.0 + f2.Step(voice, 1100.0) + breath;
    return v * Envelope(t, len, 0.18, 0.35) * (0.75 + 0.25 * std::sin(2 * kPi * 28 * t));
  });
}

Signal PigGrunts() {
  const double len = 0.50;
  double phase = 0;
  Noise noise(102);
  Resonator f1(120), f2(200);
  return Render(len, [&](double t) {
    // Two nasal grunts, the second a little higher.
    const bool first = t < 0.22;
    const double local = first ? t : t - 0.26;
    const double glen = first ? 0.22 : 0.24;
    if (local < 0 || local > glen) return 0.0;
    const double pitch = (first ? 95.0 : 110.0) - 25.0 * local / glen;
    phase += 2 * kPi * pitch / kRate;
    const double voice = PulseTrain(phase, pitch, 50, 0.6) + 0.8 * noise.Next();
    const double v = f1.Step(voice, 400.0) * 2.5 + f2.Step(voice, 1200.0) * 1.5;
    return v * Envelope(local, glen, 0.02, 0.10) * (0.7 + 0.3 * std::sin(2 * kPi * 45 * t));
  });
}

// Meows: each syllable's pitch rises to a peak and falls back while the
// formants open from a closed "m" to an open "ow". `syllables` splits the
// length into that many equal parts with a short silence between them.
Signal Meow(double len, double start, double peak, double end, uint32_t seed, int syllables) {
  double phase = 0;
  Noise noise(seed);
  Resonator f1(150), f2(200), f3(250);
  const double gap = 0.05;
  const double part = (len - gap * (syllables - 1)) / syllables;
  return Render(len, [&](double t) {
    const double local = std::fmod(t, part + gap);
    if (local > part) return 0.0;
    const double x = local / part;
    const double pitch = x < 0.4 ? start + (peak - start) * (x / 0.4) : peak + (end - peak) * ((x - 0.4) / 0.6);
    phase += 2 * kPi * pitch * (1.0 + 0.01 * std::sin(2 * kPi * 6 * t)) / kRate;
    const double voice = PulseTrain(phase, pitch, 20, 1.2) + 0.05 * noise.Next();
    const double open = std::sin(kPi * std::min(1.0, x * 1.2));
    const double v = f1.Step(voice, 700.0 + 500.0 * open) * 1.5 + f2.Step(voice, 1500.0 + 600.0 * open) +
                     f3.Step(voice, 3000.0) * 0.5;
    return v * Envelope(local, part, 0.04, std::min(0.15, part / 3));
  });
}

Signal DuckQuack() {
  const double len = 0.23;
  double phase = 0;
  Noise noise(105);
  Resonator f1(250), f2(300);
  return Render(len, [&](double t) {
    // A sharp, nasal buzz with a falling pitch.
    const double pitch = 300.0 - 90.0 * t / len;
    phase += 2 * kPi * pitch / kRate;
    const double buzz = PulseTrain(phase, pitch, 35, 0.5) + 0.4 * noise.Next();
    const double v = f1.Step(buzz, 1000.0) * 2.0 + f2.Step(buzz, 2200.0) * 1.5;
    return v * Envelope(t, len, 0.01, 0.08);
  });
}

Signal BulbulWhistle() {
  const double len = 0.70;
  double phase = 0;
  return Render(len, [&](double t) {
    // "Peee-yo": a rising whistle, a short break, then a falling one.
    double pitch, env;
    if (t < 0.36) {
      pitch = 2600.0 + 1200.0 * (t / 0.36);
      env = Envelope(t, 0.36, 0.03, 0.05);
    } else if (t < 0.42) {
      pitch = 3800.0;
      env = 0;
    } else {
      const double u = (t - 0.42) / 0.28;
      pitch = 3600.0 - 1400.0 * u;
      env = Envelope(t - 0.42, 0.28, 0.02, 0.10);
    }
    pitch *= 1.0 + 0.015 * std::sin(2 * kPi * 40 * t);
    phase += 2 * kPi * pitch / kRate;
    return (std::sin(phase) + 0.15 * std::sin(2 * phase)) * env;
  });
}

Signal CraneCall() {
  const double len = 0.75;
  double phase = 0;
  Noise noise(107);
  Resonator f1(200), f2(300);
  return Render(len, [&](double t) {
    // A loud trumpeting "kroo", its pitch lifting and falling back.
    const double pitch = 650.0 + 200.0 * std::sin(kPi * t / len);
    phase += 2 * kPi * pitch / kRate;
    const double voice = PulseTrain(phase, pitch, 12, 0.8) * (1.0 + 0.3 * noise.Next());
    const double v = f1.Step(voice, 1300.0) * 2.0 + f2.Step(voice, 2600.0) + 0.6 * std::sin(phase);
    return v * Envelope(t, len, 0.05, 0.20) * (0.8 + 0.2 * std::sin(2 * kPi * 18 * t));
  });
}

Signal BellCricket() {
  const double len = 0.65;
  double phase = 0;
  return Render(len, [&](double t) {
    // "Riiin": a clear 4.3 kHz tone pulsed fast, so it rings like a small bell.
    phase += 2 * kPi * 4300.0 / kRate;
    const double pulse = std::pow(0.5 + 0.5 * std::sin(2 * kPi * 55 * t), 2.0);
    return std::sin(phase) * pulse * Envelope(t, len, 0.03, 0.20);
  });
}

Signal InsectChirps() {
  const double len = 0.60;
  double phase = 0;
  return Render(len, [&](double t) {
    // Three chirps, each a train of short 3.6 kHz clicks.
    const double period = 0.20;
    const double local = std::fmod(t, period);
    if (local > 0.12) return 0.0;
    phase += 2 * kPi * 3600.0 / kRate;
    const double click = std::fmod(local, 0.012) < 0.008 ? 1.0 : 0.0;
    return std::sin(phase) * click * Envelope(local, 0.12, 0.01, 0.03);
  });
}

Signal Scream() {
  const double len = 0.80;
  double phase = 0;
  Noise noise(110);
  Resonator f1(200), f2(250), f3(300);
  return Render(len, [&](double t) {
    // A high "aaah" with a wide, fast vibrato and a rough edge.
    const double pitch = (900.0 + 250.0 * std::sin(kPi * t / len)) * (1.0 + 0.04 * std::sin(2 * kPi * 9 * t));
    phase += 2 * kPi * pitch / kRate;
    const double voice = PulseTrain(phase, pitch, 10, 0.7) + 0.5 * noise.Next();
    const double v = f1.Step(voice, 1000.0) * 1.5 + f2.Step(voice, 1700.0) * 1.5 + f3.Step(voice, 3000.0);
    return v * Envelope(t, len, 0.04, 0.20);
  });
}

Signal PhoneRing() {
  const double len = 0.80;
  double phase = 0;
  return Render(len, [&](double t) {
    // Two tones trilling every 25 ms, in two bursts.
    const bool burst = t < 0.35 || (t >= 0.45 && t < 0.80);
    if (!burst) return 0.0;
    const double freq = std::fmod(t, 0.05) < 0.025 ? 1300.0 : 1650.0;
    phase += 2 * kPi * freq / kRate;
    const double local = t < 0.35 ? t : t - 0.45;
    return ((std::sin(phase) > 0 ? 0.3 : -0.3) + 0.5 * std::sin(phase)) * Envelope(local, 0.35, 0.005, 0.01);
  });
}

Signal AlarmBell() {
  const double len = 0.80;
  // A hammer striking a bell 20 times a second; each strike excites
  // inharmonic partials that decay quickly.
  const double partials[] = {2200.0, 3150.0, 4480.0, 5900.0};
  const double weights[] = {1.0, 0.6, 0.4, 0.25};
  return Render(len, [&](double t) {
    const double since = std::fmod(t, 0.05);
    double s = 0;
    for (int k = 0; k < 4; ++k) s += weights[k] * std::sin(2 * kPi * partials[k] * t) * std::exp(-since * (40.0 + 15.0 * k));
    return s * Envelope(t, len, 0.002, 0.05);
  });
}

void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
void PutTag(std::vector<uint8_t>& v, const char* tag) { v.insert(v.end(), tag, tag + 4); }

// Normalises the signal to 90 % of full scale and writes it as a WAVE file image.
std::vector<uint8_t> MakeWave(Signal s, int bits) {
  double peak = 0;
  for (double x : s) peak = std::max(peak, std::abs(x));
  if (peak > 0)
    for (double& x : s) x = x / peak * 0.9;
  const uint32_t bytesPerSample = uint32_t(bits / 8);
  const uint32_t dataBytes = uint32_t(s.size()) * bytesPerSample;
  std::vector<uint8_t> v;
  PutTag(v, "RIFF");
  Put32(v, 36 + dataBytes + (dataBytes & 1));
  PutTag(v, "WAVE");
  PutTag(v, "fmt ");
  Put32(v, 16);
  Put16(v, 1);  // PCM
  Put16(v, 1);  // mono
  Put32(v, uint32_t(kRate));
  Put32(v, uint32_t(kRate) * bytesPerSample);
  Put16(v, uint16_t(bytesPerSample));
  Put16(v, uint16_t(bits));
  PutTag(v, "data");
  Put32(v, dataBytes);
  for (double x : s) {
    if (bits == 8)
      v.push_back(uint8_t(std::lround(128.0 + x * 127.0)));
    else
      Put16(v, uint16_t(int16_t(std::lround(x * 32767.0))));
  }
  if (dataBytes & 1) v.push_back(0x80);  // chunks are padded to an even length
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = std::filesystem::path(argv[1]) / "SOUND";
  std::filesystem::create_directories(dir);
  const std::vector<std::function<Signal()>> sounds = {
      LionRoar,
      PigGrunts,
      [] { return Meow(0.62, 480.0, 780.0, 520.0, 103, 1); },
      [] { return Meow(0.50, 650.0, 950.0, 700.0, 104, 2); },
      DuckQuack,
      BulbulWhistle,
      CraneCall,
      BellCricket,
      InsectChirps,
      Scream,
      PhoneRing,
      AlarmBell,
  };
  for (size_t i = 0; i < sounds.size(); ++i) {
    const int id = 101 + int(i);
    const auto bytes = MakeWave(sounds[i](), id == 109 ? 16 : 8);
    std::ofstream out(dir / std::to_string(id), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", (dir / std::to_string(id)).c_str());
      return 1;
    }
  }
  return 0;
}
