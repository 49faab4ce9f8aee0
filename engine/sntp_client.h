// SNTP client (version 3, client mode) used by the clock window to set the
// local clock from a time server.
//
// One query sends a 48-byte request whose transmit timestamp is the local
// clock converted to UTC, and waits up to ReceiveTimeout for the answer.
// Only a datagram from the address and port the request went to counts;
// others are ignored. A datagram from there shorter than 48 bytes fails the
// query at once. One whose originate timestamp does not repeat our transmit
// timestamp (a late answer to an earlier request, garbage) is ignored and
// the wait goes on, never past the timeout. An answer not in server mode
// (4), with leap indicator 3 (clock not synchronised), stratum 0
// (kiss-o'-death) or above 15, or a zero transmit time is disregarded: the
// query fails at once.
//
// The local clock, the time-zone bias and the clock setter are seams
// (std::function) so tests run against a fake clock and never set the
// machine's clock. The client is not thread-safe: one thread at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "platform/system_time.h"
#include "platform/udp_socket.h"

namespace engine {

// Seconds between 1900-01-01 (NTP epoch) and 1970-01-01 (Unix epoch).
inline constexpr double kNtpToUnixSeconds = 2208988800.0;

// NTP 64-bit timestamp (big-endian seconds since 1900 and fraction) to and
// from UTC seconds since 1970. Seconds values with the top bit clear are
// taken as the era after 2036 (the usual SNTP convention).
std::array<std::uint8_t, 8> EncodeNtpTimestamp(double utcSeconds);
double DecodeNtpTimestamp(const std::uint8_t* bytes);

// The four times of an accepted answer (UTC seconds since 1970) and what
// follows from them.
struct SntpAnswer {
  int Stratum = 0;
  double T1 = 0, T2 = 0, T3 = 0, T4 = 0;  // originate, receive, transmit, arrival
  double Delay = 0, Offset = 0;
};

enum class SntpVerdict {
  Ignore,    // not the answer to this request: keep waiting
  Unusable,  // the answer, but the server cannot be used: the query fails
  Accepted,  // the answer; answer is filled in
};

// What a datagram from the server means to the request whose transmit
// timestamp was sent: one not echoing the timestamp is ignored; one shorter
// than 48 bytes, not in server mode, with leap indicator 3, stratum 0 or
// above 15, or a zero transmit time is unusable. arrivalUtc is the local
// arrival time as UTC seconds.
SntpVerdict CheckSntpReply(const std::uint8_t* reply, std::size_t size, const std::array<std::uint8_t, 8>& transmit,
                           double arrivalUtc, SntpAnswer& answer);

class SntpClient {
 public:
  SntpClient();

  std::string Host;
  std::uint16_t Port = 123;
  int ReceiveTimeout = 10000;  // milliseconds

  // Local seconds now (see platform/system_time.h); default: the real clock.
  std::function<double()> LocalClock;
  // Local time minus UTC in seconds; default: the bias in force now.
  std::function<long()> TimeZoneBias;
  // Sets the local clock; default: platform::SetLocalTime.
  platform::LocalTimeSetter ClockSetter;

  // Asks Host:Port for the time. Returns the server's transmit time as local
  // seconds, or 0 when no usable answer came within ReceiveTimeout. Raises
  // platform::SocketError when the host cannot be resolved or the socket
  // fails.
  double QueryServerTime();

  // QueryServerTime, then sets the local clock to T1 + offset + delay through
  // ClockSetter. False when the query failed or the setter refused.
  bool SyncLocalClock();

  // Closes the socket; the next query opens it again.
  void Deactivate();
  bool Active() const { return socket_.IsOpen(); }

  // The four times of the last accepted answer, UTC seconds since 1970:
  // T1 originate (our request), T2 server receive, T3 server transmit,
  // T4 destination (local arrival).
  double OriginateTimestamp() const { return t1_; }
  double ReceiveTimestamp() const { return t2_; }
  double TransmitTimestamp() const { return t3_; }
  double DestinationTimestamp() const { return t4_; }
  // d = (T4 - T1) - (T3 - T2) and t = ((T2 - T1) + (T3 - T4)) / 2, seconds.
  double RoundTripDelay() const { return delay_; }
  double LocalClockOffset() const { return offset_; }
  int Stratum() const { return stratum_; }

 private:
  platform::UdpSocket socket_;
  std::mt19937 random_;
  long bias_ = 0;
  double t1_ = 0, t2_ = 0, t3_ = 0, t4_ = 0;
  double delay_ = 0, offset_ = 0;
  int stratum_ = 0;
};

}  // namespace engine
