#include "engine/sntp_client.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace engine {

namespace {

constexpr std::size_t kPacketSize = 48;
constexpr std::size_t kOriginateAt = 24;
constexpr std::size_t kReceiveAt = 32;
constexpr std::size_t kTransmitAt = 40;
constexpr int kServerMode = 4;
constexpr long double kTwoTo32 = 4294967296.0L;

}  // namespace

std::array<std::uint8_t, 8> EncodeNtpTimestamp(double utcSeconds) {
  const long double ntp = static_cast<long double>(utcSeconds) + kNtpToUnixSeconds;
  const long double whole = std::floor(ntp);
  long double frac = std::floor((ntp - whole) * kTwoTo32);
  frac = std::clamp(frac, 0.0L, kTwoTo32 - 1);
  const auto seconds = static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole) & 0xFFFFFFFFu);
  const auto fraction = static_cast<std::uint32_t>(frac);
  std::array<std::uint8_t, 8> out{};
  for (int i = 0; i < 4; ++i) {
    out[i] = static_cast<std::uint8_t>(seconds >> (24 - 8 * i));
    out[4 + i] = static_cast<std::uint8_t>(fraction >> (24 - 8 * i));
  }
  return out;
}

double DecodeNtpTimestamp(const std::uint8_t* bytes) {
  std::uint32_t seconds = 0, fraction = 0;
  for (int i = 0; i < 4; ++i) {
    seconds = (seconds << 8) | bytes[i];
    fraction = (fraction << 8) | bytes[4 + i];
  }
  long double ntp = seconds + fraction / kTwoTo32;
  if ((seconds & 0x80000000u) == 0) ntp += kTwoTo32;  // era 1, from 2036 on
  return static_cast<double>(ntp - kNtpToUnixSeconds);
}

SntpVerdict CheckSntpReply(const std::uint8_t* reply, std::size_t size, const std::array<std::uint8_t, 8>& transmit,
                           double arrivalUtc, SntpAnswer& answer) {
  // The server's reply too short to be an answer: it will send no other.
  if (size < kPacketSize) return SntpVerdict::Unusable;
  if (!std::equal(transmit.begin(), transmit.end(), reply + kOriginateAt)) return SntpVerdict::Ignore;
  if ((reply[0] & 7) != kServerMode) return SntpVerdict::Unusable;
  const int leap = reply[0] >> 6;
  const int stratum = reply[1];
  const bool zeroTransmit =
      std::all_of(reply + kTransmitAt, reply + kPacketSize, [](std::uint8_t b) { return b == 0; });
  if (leap == 3 || stratum == 0 || stratum > 15 || zeroTransmit) return SntpVerdict::Unusable;
  answer.Stratum = stratum;
  answer.T1 = DecodeNtpTimestamp(reply + kOriginateAt);
  answer.T2 = DecodeNtpTimestamp(reply + kReceiveAt);
  answer.T3 = DecodeNtpTimestamp(reply + kTransmitAt);
  answer.T4 = arrivalUtc;
  answer.Delay = (answer.T4 - answer.T1) - (answer.T3 - answer.T2);
  answer.Offset = ((answer.T2 - answer.T1) + (answer.T3 - answer.T4)) / 2;
  return SntpVerdict::Accepted;
}

SntpClient::SntpClient()
    : LocalClock(&platform::LocalNowSeconds),
      TimeZoneBias(&platform::TimeZoneBiasSeconds),
      ClockSetter(&platform::SetLocalTime),
      random_(std::random_device{}()) {}

void SntpClient::Deactivate() { socket_.Close(); }

double SntpClient::QueryServerTime() {
  const platform::UdpAddress server = platform::ResolveUdp(Host, Port);
  if (!socket_.IsOpen() || socket_.Family() != server.Family()) socket_.Open(server.Family());

  std::array<std::uint8_t, kPacketSize> request{};
  request[0] = 0x1B;  // leap indicator 0, version 3, mode 3 (client)
  bias_ = TimeZoneBias();
  auto transmit = EncodeNtpTimestamp(LocalClock() - bias_);
  // The lowest fraction bits (below a microsecond) are random, so that an
  // answer must really echo this request to pass the originate check.
  const std::uint32_t noise = random_();
  transmit[6] = static_cast<std::uint8_t>((transmit[6] & 0xF0) | ((noise >> 8) & 0x0F));
  transmit[7] = static_cast<std::uint8_t>(noise);
  std::copy(transmit.begin(), transmit.end(), request.begin() + kTransmitAt);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(ReceiveTimeout, 0));
  socket_.SendTo(request.data(), request.size(), server);

  std::array<std::uint8_t, 512> reply{};
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return 0;
    platform::UdpAddress from;
    const auto got = socket_.ReceiveFrom(reply.data(), reply.size(), from, static_cast<int>(left));
    if (!got) return 0;  // timed out
    if (!from.SameEndpoint(server)) continue;
    SntpAnswer answer;
    const SntpVerdict verdict = CheckSntpReply(reply.data(), *got, transmit, LocalClock() - bias_, answer);
    if (verdict == SntpVerdict::Ignore) continue;
    if (verdict == SntpVerdict::Unusable) return 0;

    stratum_ = answer.Stratum;
    t1_ = answer.T1;
    t2_ = answer.T2;
    t3_ = answer.T3;
    t4_ = answer.T4;
    delay_ = answer.Delay;
    offset_ = answer.Offset;
    return t3_ + bias_;
  }
}

bool SntpClient::SyncLocalClock() {
  if (QueryServerTime() == 0) return false;
  const double target = t1_ + offset_ + delay_ + bias_;
  return ClockSetter && ClockSetter(platform::FromLocalSeconds(target));
}

}  // namespace engine
