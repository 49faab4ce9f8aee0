// Feeds arbitrary datagrams to the SNTP reply check. The input's first 8
// bytes are the transmit timestamp of the request and the next 8 the
// arrival time; the rest is the datagram. An accepted answer goes on to the
// clock setting's arithmetic, as the client does with it.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/sntp_client.h"
#include "platform/system_time.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 16) return 0;
  std::array<uint8_t, 8> transmit{};
  std::memcpy(transmit.data(), data, 8);
  const double arrival = engine::DecodeNtpTimestamp(data + 8);
  engine::SntpAnswer answer;
  if (engine::CheckSntpReply(data + 16, size - 16, transmit, arrival, answer) == engine::SntpVerdict::Accepted) {
    const double target = answer.T1 + answer.Offset + answer.Delay + 9 * 3600;
    const platform::SystemTime t = platform::FromLocalSeconds(target);
    (void)platform::ToLocalSeconds(t);
  }
  return 0;
}
