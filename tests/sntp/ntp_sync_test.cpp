// The synchronisation run over the host slots and its worker thread.
#include <gtest/gtest.h>

#include <cmath>
#include <future>
#include <limits>

#include "engine/ntp_sync.h"
#include "ntp_test_support.h"

using namespace sntptest;

TEST(NtpDifference, MagnitudeOfTheTimeOfDayPartInMilliseconds) {
  const struct {
    double seconds;
    const char* text;
  } cases[] = {
      {5.040, "00:00:05.040"},       {-4.960, "00:00:04.960"},  {0.0, "00:00:00.000"},
      {0.0004, "00:00:00.000"},      {-0.0006, "00:00:00.001"}, {3723.456, "01:02:03.456"},
      {86400.0 + 61, "00:01:01.000"}, {-90061.5, "01:01:01.500"},
      {std::numeric_limits<double>::quiet_NaN(), "00:00:00.000"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, engine::FormatNtpDifference(c.seconds)) << c.seconds;
}

namespace {

class NtpSyncRun : public ::testing::Test {
 protected:
  explicit NtpSyncRun(double clockError = -5.0) : clock(Local(2026, 12, 10, 12, 57, 0), clockError), owner(clock) {}

  void Serve(FakeNtpServer& server) { owner.NtpClient().Port = server.Port(); }
  void Hosts(std::initializer_list<const char*> hosts) {
    int slot = 0;
    for (const char* h : hosts) owner.Hosts()[slot++] = h;
  }

  FakeClock clock;
  FakeOwner owner;
};

// Fails the first `failing` requests with an unusable answer, then answers
// correctly (20 ms per exchange).
FakeNtpServer::Script FailFirst(FakeClock& clock, int failing) {
  auto exact = ExactServer(clock);
  return [exact, failing, &clock](const Packet& request, FakeNtpServer& self) {
    if (self.Requests() <= failing) {
      const double now = clock.TrueUtc();
      return std::vector<Datagram>{{Answer(request, now, now, 3, 2)}};
    }
    return exact(request, self);
  };
}

}  // namespace

// A clock 5 s behind or ahead, corrected at 12:57:00, both queries together
// taking 40 ms.
struct DiffCase {
  double clockError;
  const char* result;
};

class NtpSyncDifference : public NtpSyncRun, public ::testing::WithParamInterface<DiffCase> {
 protected:
  NtpSyncDifference() : NtpSyncRun(GetParam().clockError) {}
};

TEST_P(NtpSyncDifference, ResultTextShowsTheDifference) {
  FakeNtpServer server(ExactServer(clock));
  Serve(server);
  Hosts({"127.0.0.1"});
  engine::RunNtpSync(owner, owner.Hosts());
  EXPECT_EQ(GetParam().result, owner.GetNtpResult());
  EXPECT_EQ(1, owner.NtpSyncedThisHourFlag());
  EXPECT_EQ(2, server.Requests());
  ASSERT_EQ(1u, clock.Sets().size());
  EXPECT_EQ((std::vector<std::string>{GetParam().result}), owner.SavedResults());
}

INSTANTIATE_TEST_SUITE_P(Clocks, NtpSyncDifference,
                         ::testing::Values(DiffCase{-5.0, "Adjusted with 127.0.0.1 Diff<00:00:05.040> at 12:57:00"},
                                           DiffCase{+5.0, "Adjusted with 127.0.0.1 Diff<00:00:04.960> at 12:57:00"}));

TEST_F(NtpSyncRun, HostsInSlotOrderEmptySlotsSkippedFirstSuccessWins) {
  // Slot 0 fails, slot 1 is empty, slot 2 succeeds, slot 3 is never tried.
  // "127.1" is 127.0.0.1 written short: the same server, another host text.
  FakeNtpServer server(FailFirst(clock, 1));
  Serve(server);
  Hosts({"127.0.0.1", "", "127.1", "127.0.0.1"});
  engine::RunNtpSync(owner, owner.Hosts());
  EXPECT_EQ("Adjusted with 127.1 Diff<00:00:05.040> at 12:57:00", owner.GetNtpResult());
  EXPECT_EQ(3, server.Requests());  // failed try, set, query after the set
  EXPECT_EQ(1, owner.Saves());
}

TEST_F(NtpSyncRun, HostRaisingAnErrorCountsAsFailedAndTheNextIsTried) {
  FakeNtpServer server(ExactServer(clock));
  Serve(server);
  Hosts({"127.0.0.1", "127.1"});
  clock.ThrowOnNextReads(1);
  engine::RunNtpSync(owner, owner.Hosts());
  EXPECT_EQ("Adjusted with 127.1 Diff<00:00:05.040> at 12:57:00", owner.GetNtpResult());
}

TEST_F(NtpSyncRun, AllHostsFailing) {
  FakeNtpServer server(FailFirst(clock, 100));
  Serve(server);
  Hosts({"127.0.0.1", "", "", "127.1"});
  owner.NtpSyncedThisHourFlag() = 0;
  engine::RunNtpSync(owner, owner.Hosts());
  EXPECT_EQ("Sync failed at 12:56:55", owner.GetNtpResult());
  EXPECT_EQ(0, owner.NtpSyncedThisHourFlag());
  EXPECT_EQ(2, server.Requests());
  EXPECT_FALSE(owner.NtpClient().Active());  // deactivated after the failure
  EXPECT_TRUE(clock.Sets().empty());
  EXPECT_EQ(1, owner.Saves());
}

TEST_F(NtpSyncRun, RefusedClockSetFails) {
  FakeNtpServer server(ExactServer(clock));
  Serve(server);
  Hosts({"127.0.0.1"});
  clock.Refuse(true);
  engine::RunNtpSync(owner, owner.Hosts());
  EXPECT_EQ("Sync failed at 12:56:55", owner.GetNtpResult());
  EXPECT_EQ(0, owner.NtpSyncedThisHourFlag());
}

TEST_F(NtpSyncRun, NoHostLeavesTheResultTextEmpty) {
  engine::RunNtpSync(owner, owner.Hosts());
  EXPECT_EQ(" at 12:56:55", owner.GetNtpResult());
  EXPECT_EQ(1, owner.Saves());
}

TEST_F(NtpSyncRun, SecondQueryFailingIsAFailureOfThatHost) {
  // The clock was set from the first host, but the query after the set gets
  // no answer: no difference can be measured, that host failed and the next
  // is tried ("127.1": the same server, another host text).
  auto exact = ExactServer(clock);
  FakeNtpServer server([exact](const Packet& request, FakeNtpServer& self) {
    return self.Requests() == 2 ? std::vector<Datagram>{} : exact(request, self);
  });
  Serve(server);
  Hosts({"127.0.0.1", "127.1"});
  engine::RunNtpSync(owner, owner.Hosts());
  EXPECT_EQ("Adjusted with 127.1 Diff<00:00:00.030> at 12:57:00", owner.GetNtpResult());
  EXPECT_EQ(4, server.Requests());
  EXPECT_EQ(2u, clock.Sets().size());

  // With no second host the run ends as failed.
  FakeNtpServer silentAfterSet([exact](const Packet& request, FakeNtpServer& self) {
    return self.Requests() == 1 ? exact(request, self) : std::vector<Datagram>{};
  });
  Serve(silentAfterSet);
  Hosts({"127.0.0.1", ""});
  owner.NtpSyncedThisHourFlag() = 0;
  engine::RunNtpSync(owner, owner.Hosts());
  EXPECT_EQ("Sync failed at 12:57:00", owner.GetNtpResult());
  EXPECT_EQ(0, owner.NtpSyncedThisHourFlag());
}

TEST_F(NtpSyncRun, WorkerRunsOnTheHostsItWasStartedWith) {
  // The server holds its answer until the test has looked at the running
  // worker, so a fast worker cannot finish before the first check.
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  auto exact = ExactServer(clock);
  FakeNtpServer server([exact, released](const Packet& request, FakeNtpServer& self) {
    released.wait();
    return exact(request, self);
  });
  Serve(server);
  Hosts({"127.0.0.1"});
  ASSERT_TRUE(engine::TNTPSync::Start(owner));
  EXPECT_EQ(1, owner.NtpSyncRunningFlag());  // set before the thread runs
  owner.SetNtpHost(0, "");                // the dialog rewrites the slots meanwhile
  release.set_value();
  ASSERT_TRUE(WaitCleared(owner.NtpSyncRunningFlag()));
  EXPECT_EQ("Adjusted with 127.0.0.1 Diff<00:00:05.040> at 12:57:00", owner.GetNtpResult());
  EXPECT_EQ(1, owner.NtpSyncedThisHourFlag());
  EXPECT_EQ(1, owner.Saves());
}

TEST_F(NtpSyncRun, WorkerClearsTheRunningFlagWhenTheSettingsWriteFails) {
  FakeNtpServer server(ExactServer(clock));
  Serve(server);
  Hosts({"127.0.0.1"});
  owner.FailSave(true);
  ASSERT_TRUE(engine::TNTPSync::Start(owner));
  ASSERT_TRUE(WaitCleared(owner.NtpSyncRunningFlag()));
  EXPECT_EQ(1, owner.Saves());
  EXPECT_EQ("Adjusted with 127.0.0.1 Diff<00:00:05.040> at 12:57:00", owner.GetNtpResult());
  // A later synchronisation can start.
  owner.FailSave(false);
  ASSERT_TRUE(engine::TNTPSync::Start(owner));
  ASSERT_TRUE(WaitCleared(owner.NtpSyncRunningFlag()));
  EXPECT_EQ(2, owner.Saves());
}
