// The voting thread on Windows threads: the down vote's real delay measured
// on the steady clock, votes applied on one thread of its own, and the
// automatic HTP votes reaching the simulated QNN through the backend. Only
// lower bounds on time: a loaded machine may always be slower.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/sim_backend_support.h"
#include "vendors/qualcomm/backends/voting_thread.h"

namespace qnn {
namespace {

using Clock = std::chrono::steady_clock;

// Bounds only a failing test.
constexpr auto kEventTimeout = std::chrono::seconds(30);

// Each vote with the Windows thread it ran on and when.
struct Vote {
  uint32_t kind;
  DWORD thread;
  Clock::time_point time;
};

class VoteLog {
 public:
  VotingThread::VoteFunction Function() {
    return [this](uint32_t kind) {
      std::lock_guard<std::mutex> lock(mutex_);
      votes_.push_back({kind, GetCurrentThreadId(), Clock::now()});
      changed_.notify_all();
    };
  }
  bool WaitForCount(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kEventTimeout, [&] { return votes_.size() >= count; });
  }
  std::vector<Vote> votes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return votes_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Vote> votes_;
};

TEST(WindowsVotingThreadTest, DelayedDownVoteWaitsTheFullDelayOnTheSteadyClock) {
  VoteLog log;
  VotingThread thread(log.Function());  // the real delay
  const Clock::time_point queued = Clock::now();
  thread.Queue(kVoteDown, /*delayed=*/true);
  ASSERT_TRUE(log.WaitForCount(1));
  const std::vector<Vote> votes = log.votes();
  EXPECT_EQ(votes[0].kind, static_cast<uint32_t>(kVoteDown));
  // Windows timers wake early by up to a tick on some systems; the thread
  // must wait again rather than vote before the deadline.
  EXPECT_GE(votes[0].time - queued, VotingThread::kDownVoteDelay);
}

TEST(WindowsVotingThreadTest, VotesRunInOrderOnOneThreadOfTheirOwn) {
  VoteLog log;
  {
    VotingThread thread(log.Function());
    thread.Queue(kVoteUp, false);
    thread.Queue(kVoteDown, false);
    thread.Queue(kVoteUp, false);
    ASSERT_TRUE(log.WaitForCount(3));
  }
  const std::vector<Vote> votes = log.votes();
  ASSERT_EQ(votes.size(), 3u);
  EXPECT_EQ(votes[0].kind, static_cast<uint32_t>(kVoteUp));
  EXPECT_EQ(votes[1].kind, static_cast<uint32_t>(kVoteDown));
  EXPECT_EQ(votes[2].kind, static_cast<uint32_t>(kVoteUp));
  EXPECT_NE(votes[0].thread, GetCurrentThreadId());
  EXPECT_EQ(votes[1].thread, votes[0].thread);
  EXPECT_EQ(votes[2].thread, votes[0].thread);
}

TEST(WindowsVotingThreadTest, StopDuringTheDelayDropsTheDownVoteAndJoins) {
  VoteLog log;
  // With an hour's delay, only the stop can end the wait; a stop that does
  // not wake the thread hangs this test until ctest's timeout.
  auto thread = std::make_unique<VotingThread>(log.Function(), std::chrono::hours(1));
  thread->Queue(kVoteUp, false);
  thread->Queue(kVoteDown, true);
  ASSERT_TRUE(log.WaitForCount(1));
  thread.reset();
  ASSERT_EQ(log.votes().size(), 1u);
  EXPECT_EQ(log.votes()[0].kind, static_cast<uint32_t>(kVoteUp));
}

}  // namespace
}  // namespace qnn
