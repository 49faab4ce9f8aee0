#include "platform/udp_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <utility>

namespace platform {

namespace {

std::string ErrnoText(const char* what, int err) { return std::string(what) + ": " + std::strerror(err); }

}  // namespace

std::uint16_t UdpAddress::Port() const {
  if (storage.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(storage).sin_port);
  if (storage.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(storage).sin6_port);
  return 0;
}

std::string UdpAddress::ToString() const {
  char text[INET6_ADDRSTRLEN] = {};
  if (storage.ss_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(storage).sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(Port());
  }
  if (storage.ss_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(storage).sin6_addr, text, sizeof text);
    return "[" + std::string(text) + "]:" + std::to_string(Port());
  }
  return "(no address)";
}

bool UdpAddress::SameEndpoint(const UdpAddress& other) const {
  if (storage.ss_family != other.storage.ss_family) return false;
  if (storage.ss_family == AF_INET) {
    const auto& a = reinterpret_cast<const sockaddr_in&>(storage);
    const auto& b = reinterpret_cast<const sockaddr_in&>(other.storage);
    return a.sin_port == b.sin_port && a.sin_addr.s_addr == b.sin_addr.s_addr;
  }
  if (storage.ss_family == AF_INET6) {
    const auto& a = reinterpret_cast<const sockaddr_in6&>(storage);
    const auto& b = reinterpret_cast<const sockaddr_in6&>(other.storage);
    return a.sin6_port == b.sin6_port && std::memcmp(&a.sin6_addr, &b.sin6_addr, sizeof a.sin6_addr) == 0;
  }
  return false;
}

UdpAddress ResolveUdp(const std::string& host, std::uint16_t port) {
  if (host.empty()) throw SocketError("Cannot resolve an empty host name");
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_protocol = IPPROTO_UDP;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (rc != 0 || found == nullptr) {
    const std::string why = rc == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(rc);
    if (found) freeaddrinfo(found);
    throw SocketError("Cannot resolve host \"" + host + "\": " + why);
  }
  UdpAddress address;
  for (addrinfo* ai = found; ai; ai = ai->ai_next) {
    if ((ai->ai_family == AF_INET || ai->ai_family == AF_INET6) && ai->ai_addrlen <= sizeof address.storage) {
      std::memcpy(&address.storage, ai->ai_addr, ai->ai_addrlen);
      address.length = ai->ai_addrlen;
      break;
    }
  }
  freeaddrinfo(found);
  if (address.length == 0) throw SocketError("Host \"" + host + "\" has no IPv4 or IPv6 address");
  return address;
}

UdpSocket::~UdpSocket() { Close(); }

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), family_(std::exchange(other.family_, 0)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    family_ = std::exchange(other.family_, 0);
  }
  return *this;
}

void UdpSocket::Open(int family) {
  Close();
  const int fd = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) throw SocketError(ErrnoText("Cannot open a UDP socket", errno));
  fd_ = fd;
  family_ = family;
}

void UdpSocket::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  family_ = 0;
}

void UdpSocket::SendTo(const void* data, std::size_t size, const UdpAddress& to) {
  if (fd_ < 0) throw SocketError("UDP send on a closed socket");
  ssize_t sent;
  do {
    sent = ::sendto(fd_, data, size, 0, reinterpret_cast<const sockaddr*>(&to.storage), to.length);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) throw SocketError(ErrnoText(("Cannot send to " + to.ToString()).c_str(), errno));
  if (static_cast<std::size_t>(sent) != size) throw SocketError("Short UDP send to " + to.ToString());
}

std::optional<std::size_t> UdpSocket::ReceiveFrom(void* buffer, std::size_t capacity, UdpAddress& from,
                                                  int timeoutMs) {
  if (fd_ < 0) throw SocketError("UDP receive on a closed socket");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
    if (ready < 0) {
      if (errno == EINTR) continue;
      throw SocketError(ErrnoText("Waiting for a UDP reply failed", errno));
    }
    if (ready == 0) {
      if (left > 0) continue;  // poll woke a little early
      return std::nullopt;
    }
    from = UdpAddress{};
    from.length = sizeof from.storage;
    const ssize_t got =
        ::recvfrom(fd_, buffer, capacity, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from.storage), &from.length);
    if (got >= 0) return static_cast<std::size_t>(got);
    // A wake-up without a datagram: wait on until the deadline.
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
    throw SocketError(ErrnoText("Receiving a UDP reply failed", errno));
  }
}

}  // namespace platform
