// A small UDP client over POSIX sockets: resolve a host, send a datagram,
// receive one with a timeout and learn who sent it. Failures raise
// `SocketError` with a text that names what failed and why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include <sys/socket.h>

namespace platform {

class SocketError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An IPv4 or IPv6 address with port.
struct UdpAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;

  int Family() const { return storage.ss_family; }
  std::uint16_t Port() const;
  // "1.2.3.4:123" or "[::1]:123".
  std::string ToString() const;
  // Same family, address and port.
  bool SameEndpoint(const UdpAddress& other) const;
};

// Resolves a host name or address literal; the first address found wins.
// Throws SocketError when the name cannot be resolved.
UdpAddress ResolveUdp(const std::string& host, std::uint16_t port);

class UdpSocket {
 public:
  UdpSocket() = default;
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;
  UdpSocket(UdpSocket&& other) noexcept;
  UdpSocket& operator=(UdpSocket&& other) noexcept;

  // Opens an unbound socket of the family (AF_INET or AF_INET6); closes a
  // socket that was open before.
  void Open(int family);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Family() const { return family_; }

  void SendTo(const void* data, std::size_t size, const UdpAddress& to);

  // Waits up to timeoutMs for one datagram. Returns its size (at most
  // capacity; longer datagrams are cut) and sets from to its sender, or
  // nothing when the time ran out.
  std::optional<std::size_t> ReceiveFrom(void* buffer, std::size_t capacity, UdpAddress& from, int timeoutMs);

 private:
  int fd_ = -1;
  int family_ = 0;
};

}  // namespace platform
