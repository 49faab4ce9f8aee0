// The SNTP client against a scripted server on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>

#include "engine/sntp_client.h"
#include "ntp_test_support.h"
#include "platform/udp_socket.h"

using namespace sntptest;
using engine::SntpClient;
using Clock = std::chrono::steady_clock;

namespace {

double Millis(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

class SntpClientTest : public ::testing::Test {
 protected:
  // True local time 2026-12-10 12:57:00, local clock right.
  FakeClock clock{Local(2026, 12, 10, 12, 57, 0), 0.0};
  SntpClient client;

  void Use(FakeNtpServer& server, int timeoutMs = 200) {
    clock.Attach(client);
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.ReceiveTimeout = timeoutMs;
  }
};

}  // namespace

TEST(NtpTimestamp, EncodesAndDecodesBothEras) {
  // 1970-01-01 is 2208988800 s after the NTP epoch.
  const auto unixEpoch = engine::EncodeNtpTimestamp(0.0);
  EXPECT_EQ((std::array<std::uint8_t, 8>{0x83, 0xAA, 0x7E, 0x80, 0, 0, 0, 0}), unixEpoch);
  // Seconds 0 of the NTP counter are the start of era 1 (2036-02-07 06:28:16).
  const std::uint8_t era1[8] = {0, 0, 0, 0, 0x80, 0, 0, 0};
  EXPECT_DOUBLE_EQ(2085978496.5, engine::DecodeNtpTimestamp(era1));
  for (double t : {1796907420.25, 1796907420.999, 2085978500.125}) {
    const auto bytes = engine::EncodeNtpTimestamp(t);
    EXPECT_NEAR(t, engine::DecodeNtpTimestamp(bytes.data()), 1e-6) << t;
  }
}

TEST_F(SntpClientTest, RequestAndComputedOffsetDelayAndSetTime) {
  // Server receive 3.25 s and transmit 3.5 s after our request; the answer
  // arrives 1 s after it was sent.
  FakeNtpServer server([this](const Packet& request, FakeNtpServer&) {
    const double t1 = RequestTransmit(request);
    clock.Advance(1.0);
    return std::vector<Datagram>{{Answer(request, t1 + 3.25, t1 + 3.5)}};
  });
  Use(server, 2000);
  const double sentLocal = clock.LocalNow();

  ASSERT_TRUE(client.SyncLocalClock());

  const auto received = server.Received();
  ASSERT_EQ(1u, received.size());
  const Packet& request = received[0];
  ASSERT_EQ(48u, request.size());
  EXPECT_EQ(0x1B, request[0]);
  for (int i = 1; i < 40; ++i) EXPECT_EQ(0, request[i]) << "byte " << i;
  // The transmit time is the local clock converted to UTC.
  EXPECT_NEAR(sentLocal - FakeClock::kBias, RequestTransmit(request), 1e-5);

  EXPECT_NEAR(0.75, client.RoundTripDelay(), 1e-5);      // (T4 - T1) - (T3 - T2) = 1 - 0.25
  EXPECT_NEAR(2.875, client.LocalClockOffset(), 1e-5);   // (3.25 + 2.5) / 2
  EXPECT_EQ(2, client.Stratum());
  // Set to T1 + t + d = T1 + 3.625 s, as local time.
  const auto sets = clock.Sets();
  ASSERT_EQ(1u, sets.size());
  EXPECT_EQ(platform::FromLocalSeconds(sentLocal + 3.625), sets[0]);
  EXPECT_EQ(12, sets[0].Hour);
  EXPECT_EQ(4, sets[0].DayOfWeek);  // a Thursday

  // QueryServerTime gives the server's transmit time as local time.
  const double serverTime = client.QueryServerTime();
  EXPECT_NEAR(RequestTransmit(server.Received().back()) + 3.5 + FakeClock::kBias, serverTime, 1e-4);
}

TEST_F(SntpClientTest, RefusedClockSetIsFailure) {
  FakeNtpServer server(ExactServer(clock));
  Use(server);
  clock.Refuse(true);
  EXPECT_FALSE(client.SyncLocalClock());
  EXPECT_EQ(1u, clock.Sets().size());
}

// Answers from the server that are too short, not in server mode, or echo
// our request but say the server cannot be used: the query fails at once,
// without waiting for the timeout.
struct UnusableCase {
  const char* name;
  int leap;
  int stratum;
  bool zeroTransmit;
  bool usable;
  int mode = 4;
  std::size_t size = 48;
};

void PrintTo(const UnusableCase& c, std::ostream* os) { *os << c.name; }

class SntpUnusableAnswer : public SntpClientTest, public ::testing::WithParamInterface<UnusableCase> {};

TEST_P(SntpUnusableAnswer, FailsWithoutSettingTheClock) {
  const UnusableCase c = GetParam();
  FakeNtpServer server([this, c](const Packet& request, FakeNtpServer&) {
    const double now = clock.TrueUtc();
    Packet answer = Answer(request, now, now, c.leap, c.stratum);
    if (c.zeroTransmit) std::fill(answer.begin() + 40, answer.end(), 0);
    answer[0] = static_cast<std::uint8_t>((answer[0] & ~7) | c.mode);
    answer.resize(c.size);
    return std::vector<Datagram>{{answer}};
  });
  Use(server, 5000);
  const auto start = Clock::now();
  EXPECT_EQ(c.usable, client.SyncLocalClock());
  EXPECT_LT(Millis(start), 2000.0);
  EXPECT_EQ(c.usable ? 1u : 0u, clock.Sets().size());
}

INSTANTIATE_TEST_SUITE_P(Answers, SntpUnusableAnswer,
                         ::testing::Values(UnusableCase{"LeapIndicator3", 3, 2, false, false},
                                           UnusableCase{"Stratum0", 0, 0, false, false},
                                           UnusableCase{"Stratum16", 0, 16, false, false},
                                           UnusableCase{"ZeroTransmit", 0, 2, true, false},
                                           UnusableCase{"Stratum1", 0, 1, false, true},
                                           UnusableCase{"Stratum15", 0, 15, false, true},
                                           UnusableCase{"LeapIndicator1", 1, 3, false, true},
                                           UnusableCase{"ShortReply", 0, 2, false, false, 4, 47},
                                           UnusableCase{"HeaderOnly", 0, 2, false, false, 4, 4},
                                           UnusableCase{"LongerReply", 0, 2, false, true, 4, 68},
                                           UnusableCase{"ClientMode", 0, 2, false, false, 3},
                                           UnusableCase{"SymmetricActiveMode", 0, 2, false, false, 1},
                                           UnusableCase{"BroadcastMode", 0, 2, false, false, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

// Datagrams that are no answer to our request: ignored, the wait goes on.
enum class Stray { None, WrongOriginate, OtherPort, Garbage };

struct StrayCase {
  const char* name;
  Stray stray;
  bool thenRightAnswer;
};

void PrintTo(const StrayCase& c, std::ostream* os) { *os << c.name; }

class SntpStrayDatagrams : public SntpClientTest, public ::testing::WithParamInterface<StrayCase> {};

std::vector<Datagram> StrayDatagrams(Stray kind, const Packet& request, double now) {
  const Packet good = Answer(request, now, now);
  switch (kind) {
    case Stray::None:
      return {};
    case Stray::WrongOriginate: {
      Packet bad = good;
      bad[31] ^= 0x01;
      // A far-off time: were it taken, the clock would be set a day wrong.
      const auto t = engine::EncodeNtpTimestamp(now + 86400);
      std::copy(t.begin(), t.end(), bad.begin() + 40);
      return {{bad}};
    }
    case Stray::OtherPort:
      return {{good, true}};
    case Stray::Garbage: {
      std::mt19937 random(7);
      std::vector<Datagram> out;
      // Any length from another port; from the server's own port only
      // whole packets, since a short one there ends the query.
      for (int i = 0; i < 100; ++i) {
        const bool otherPort = i % 5 == 0;
        Packet junk(otherPort ? random() % 100 : 48 + random() % 52);
        for (auto& b : junk) b = static_cast<std::uint8_t>(random());
        out.push_back({junk, otherPort});
      }
      return out;
    }
  }
  return {};
}

TEST_P(SntpStrayDatagrams, AreDisregarded) {
  const StrayCase c = GetParam();
  FakeNtpServer server([this, c](const Packet& request, FakeNtpServer&) {
    const double now = clock.TrueUtc();
    auto out = StrayDatagrams(c.stray, request, now);
    if (c.thenRightAnswer) out.push_back({Answer(request, now + 0.5, now + 0.5)});
    return out;
  });
  Use(server, 200);
  const auto start = Clock::now();
  const bool synced = client.SyncLocalClock();
  const double took = Millis(start);
  EXPECT_EQ(c.thenRightAnswer, synced);
  const auto sets = clock.Sets();
  if (c.thenRightAnswer) {
    ASSERT_EQ(1u, sets.size());
    // Set from the right answer: half a second ahead of the local clock.
    EXPECT_NEAR(0.5, client.LocalClockOffset(), 1e-3);
  } else {
    EXPECT_TRUE(sets.empty());
    EXPECT_GE(took, 190.0);  // waited for the whole timeout
    EXPECT_LT(took, 1000.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Datagrams, SntpStrayDatagrams,
                         ::testing::Values(StrayCase{"NoReply", Stray::None, false},
                                           StrayCase{"WrongOriginate", Stray::WrongOriginate, false},
                                           StrayCase{"WrongOriginateThenRight", Stray::WrongOriginate, true},
                                           StrayCase{"OtherPort", Stray::OtherPort, false},
                                           StrayCase{"OtherPortThenRight", Stray::OtherPort, true},
                                           StrayCase{"Garbage", Stray::Garbage, false},
                                           StrayCase{"GarbageThenRight", Stray::Garbage, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SntpClientTest, EndlessFloodDoesNotStretchTheTimeout) {
  // The server floods the client with junk for up to 3 s.
  FakeNtpServer server([](const Packet& request, FakeNtpServer& self) {
    const auto until = Clock::now() + std::chrono::seconds(3);
    Packet junk(48, 0xE4);
    while (!self.Stopping() && Clock::now() < until) self.SendRaw({junk});
    return std::vector<Datagram>{};
  });
  Use(server, 200);
  const auto start = Clock::now();
  EXPECT_EQ(0.0, client.QueryServerTime());
  EXPECT_LT(Millis(start), 1500.0);
}

TEST_F(SntpClientTest, LateAnswerToAnEarlierRequestIsNotTaken) {
  // The first request is answered only after its query gave up; the second
  // query must not take that late answer for its own.
  FakeNtpServer server([this](const Packet& request, FakeNtpServer& self) -> std::vector<Datagram> {
    const double now = clock.TrueUtc();
    if (self.Requests() == 1) {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      return {{Answer(request, now + 3600, now + 3600)}};
    }
    return {};
  });
  Use(server, 100);
  EXPECT_EQ(0.0, client.QueryServerTime());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the late answer is now queued
  clock.Advance(1.0);
  EXPECT_EQ(0.0, client.QueryServerTime());
}

TEST_F(SntpClientTest, SocketFailuresRaiseAndDeactivateCloses) {
  clock.Attach(client);
  client.Host = "";
  EXPECT_THROW(client.QueryServerTime(), platform::SocketError);
  try {
    platform::ResolveUdp("", 123);
    FAIL();
  } catch (const platform::SocketError& e) {
    EXPECT_NE(std::string(e.what()).find("resolve"), std::string::npos);
  }

  FakeNtpServer server(ExactServer(clock));
  Use(server);
  EXPECT_FALSE(client.Active());
  EXPECT_NE(0.0, client.QueryServerTime());
  EXPECT_TRUE(client.Active());
  client.Deactivate();
  EXPECT_FALSE(client.Active());
  EXPECT_NE(0.0, client.QueryServerTime());  // opened again
}
