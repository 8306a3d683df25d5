// The voting thread on its own: order, the delayed down vote's drop and keep
// decisions, stop, and that the vote runs outside the queue lock. The drop
// cases use a delay far longer than any test, the keep cases a short one, so
// no result depends on how fast a loaded machine schedules the thread.
#include "vendors/qualcomm/backends/voting_thread.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace qnn {
namespace {

using ::testing::ElementsAre;
using Clock = std::chrono::steady_clock;

constexpr auto kForever = std::chrono::hours(1);
constexpr auto kShortDelay = std::chrono::milliseconds(5);
// Bounds only a failing test.
constexpr auto kEventTimeout = std::chrono::seconds(20);

// Records the votes the thread applies, with when they were applied.
class VoteRecorder {
 public:
  VotingThread::VoteFunction Function() {
    return [this](uint32_t kind) {
      std::lock_guard<std::mutex> lock(mutex_);
      kinds_.push_back(kind);
      times_.push_back(Clock::now());
      changed_.notify_all();
    };
  }
  // Waits until `count` votes were applied; false on timeout.
  bool WaitForCount(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kEventTimeout, [&] { return kinds_.size() >= count; });
  }
  std::vector<uint32_t> kinds() {
    std::lock_guard<std::mutex> lock(mutex_);
    return kinds_;
  }
  Clock::time_point time(size_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    return times_.at(index);
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<uint32_t> kinds_;
  std::vector<Clock::time_point> times_;
};

// Holds the first vote until released, so that requests pile up behind it.
class Gate {
 public:
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    entered_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return open_; });
  }
  bool WaitEntered() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kEventTimeout, [&] { return entered_; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool entered_ = false;
  bool open_ = false;
};

// A vote function that holds the first vote at `gate`, so that requests
// pile up behind it, and records every vote.
VotingThread::VoteFunction HoldingTheFirstVote(Gate& gate, VoteRecorder& recorder) {
  auto first = std::make_shared<bool>(true);  // touched on the voting thread only
  return [&gate, first, record = recorder.Function()](uint32_t kind) {
    if (*first) {
      *first = false;
      gate.Wait();
    }
    record(kind);
  };
}

TEST(VotingThreadTest, AppliesRequestsInQueueOrder) {
  VoteRecorder recorder;
  VotingThread thread(recorder.Function(), kForever);
  thread.Queue(kVoteUp, false);
  thread.Queue(kVoteDown, false);
  thread.Queue(kVoteUp, false);
  thread.Queue(kVoteDown, false);
  ASSERT_TRUE(recorder.WaitForCount(4));
  EXPECT_THAT(recorder.kinds(), ElementsAre(kVoteUp, kVoteDown, kVoteUp, kVoteDown));
}

// Many requests pile up behind a vote in progress, after earlier ones have
// moved the front of the queue on: none is lost or reordered as it grows.
TEST(VotingThreadTest, KeepsOrderWhenManyRequestsPileUp) {
  VoteRecorder recorder;
  Gate gate;
  int seen = 0;
  auto record = recorder.Function();
  VotingThread thread(
      [&](uint32_t kind) {
        if (++seen == 11) gate.Wait();
        record(kind);
      },
      kForever);
  std::vector<uint32_t> expected;
  // Alternating, so that no request repeats the one queued before it.
  for (int i = 0; i < 11; ++i) {
    const uint32_t kind = i % 2 == 0 ? kVoteDown : kVoteUp;
    thread.Queue(kind, false);
    expected.push_back(kind);
  }
  ASSERT_TRUE(gate.WaitEntered());
  for (int i = 0; i < 100; ++i) {
    const uint32_t kind = i % 2 == 0 ? kVoteUp : kVoteDown;
    thread.Queue(kind, false);
    expected.push_back(kind);
  }
  gate.Open();
  ASSERT_TRUE(recorder.WaitForCount(expected.size()));
  EXPECT_EQ(recorder.kinds(), expected);
}

// Requests queued while a vote is in progress: the queue keeps neither a
// repeat of the request before it nor a delayed down vote that a newer
// request supersedes, so what reaches QNN differs only by dropped repeats
// (and the delayed down votes that would be dropped on arrival anyway).
TEST(VotingThreadTest, QueueKeepsNoRepeatAndNoSupersededDelayedDownVote) {
  struct Request {
    uint32_t kind;
    bool delayed;
  };
  const Request kUp{kVoteUp, false};
  const Request kDown{kVoteDown, false};
  const Request kDelayedDown{kVoteDown, true};
  struct Case {
    const char* name;
    std::vector<Request> queued;  // behind an up vote in progress
    size_t peak_queue_length;
    std::vector<uint32_t> applied;  // after the held up vote
  };
  std::vector<Request> invokes;  // up and delayed down, as Burst invokes queue them
  for (int i = 0; i < 1000; ++i) {
    invokes.push_back(kUp);
    invokes.push_back(kDelayedDown);
  }
  const Case cases[] = {
      {"invokes in Burst", invokes, 2, {kVoteUp}},
      {"repeated up votes", {kUp, kUp, kUp, kUp}, 1, {kVoteUp}},
      {"repeated down votes", {kDown, kDown, kUp, kUp, kDown}, 3, {kVoteDown, kVoteUp, kVoteDown}},
      {"delayed down superseded by a down", {kDelayedDown, kDown}, 1, {kVoteDown}},
      {"delayed down superseded by a delayed down", {kDelayedDown, kDelayedDown, kUp}, 1,
       {kVoteUp}},
      {"alternating votes are all kept", {kUp, kDown, kUp, kDown}, 4,
       {kVoteUp, kVoteDown, kVoteUp, kVoteDown}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VoteRecorder recorder;
    Gate gate;
    {
      VotingThread thread(HoldingTheFirstVote(gate, recorder), kForever);
      thread.Queue(kVoteUp, false);
      ASSERT_TRUE(gate.WaitEntered());
      for (const Request& request : c.queued) thread.Queue(request.kind, request.delayed);
      EXPECT_EQ(thread.peak_queue_length(), c.peak_queue_length);
      gate.Open();
      ASSERT_TRUE(recorder.WaitForCount(1 + c.applied.size()));
    }  // a delayed down vote left last is dropped by stop
    std::vector<uint32_t> expected = {kVoteUp};
    expected.insert(expected.end(), c.applied.begin(), c.applied.end());
    EXPECT_EQ(recorder.kinds(), expected);
  }
}

TEST(VotingThreadTest, NewerRequestDropsDelayedDownVote) {
  VoteRecorder recorder;
  {
    VotingThread thread(recorder.Function(), kForever);
    thread.Queue(kVoteUp, false);
    ASSERT_TRUE(recorder.WaitForCount(1));
    thread.Queue(kVoteDown, true);
    thread.Queue(kVoteUp, false);
    ASSERT_TRUE(recorder.WaitForCount(2));
  }
  EXPECT_THAT(recorder.kinds(), ElementsAre(kVoteUp, kVoteUp));
}

TEST(VotingThreadTest, NewerRequestWhileWaitingDropsDelayedDownVote) {
  VoteRecorder recorder;
  {
    VotingThread thread(recorder.Function(), kForever);
    thread.Queue(kVoteDown, true);
    // Usually the thread is waiting on the deadline by now; when it is not,
    // the down vote is dropped on taking it, with the same outcome.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    thread.Queue(kVoteDown, false);
    ASSERT_TRUE(recorder.WaitForCount(1));
  }
  EXPECT_THAT(recorder.kinds(), ElementsAre(kVoteDown));
}

TEST(VotingThreadTest, DelayedDownVoteIsAppliedAfterTheDelayWhenNothingFollows) {
  constexpr auto kDelay = std::chrono::milliseconds(50);
  VoteRecorder recorder;
  VotingThread thread(recorder.Function(), kDelay);
  const Clock::time_point queued = Clock::now();
  thread.Queue(kVoteDown, true);
  ASSERT_TRUE(recorder.WaitForCount(1));
  EXPECT_THAT(recorder.kinds(), ElementsAre(kVoteDown));
  // Only a lower bound: a loaded machine may apply it much later.
  EXPECT_GE(recorder.time(0) - queued, kDelay);
}

TEST(VotingThreadTest, OnlyDelayedDownVotesWait) {
  struct Case {
    const char* name;
    uint32_t kind;
    bool delayed;
  };
  const Case cases[] = {
      {"up, not delayed", kVoteUp, false},
      {"up, delayed flag ignored", kVoteUp, true},
      {"down, not delayed", kVoteDown, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VoteRecorder recorder;
    VotingThread thread(recorder.Function(), kForever);
    thread.Queue(c.kind, c.delayed);
    ASSERT_TRUE(recorder.WaitForCount(1));
    EXPECT_THAT(recorder.kinds(), ElementsAre(c.kind));
  }
}

TEST(VotingThreadTest, StopDropsAWaitingDelayedDownVoteAndReturns) {
  VoteRecorder recorder;
  auto thread = std::make_unique<VotingThread>(recorder.Function(), kForever);
  thread->Queue(kVoteDown, true);
  thread.reset();  // would hang for an hour if stop did not cut the wait
  EXPECT_TRUE(recorder.kinds().empty());
}

TEST(VotingThreadTest, StopAppliesWhatIsStillQueued) {
  VoteRecorder recorder;
  Gate gate;
  auto thread = std::make_unique<VotingThread>(HoldingTheFirstVote(gate, recorder), kForever);
  thread->Queue(kVoteUp, false);
  ASSERT_TRUE(gate.WaitEntered());
  thread->Queue(kVoteDown, false);
  thread->Queue(kVoteDown, true);  // superseded by the next request
  thread->Queue(kVoteUp, false);
  thread->Queue(kVoteDown, true);  // the last one: dropped by stop
  std::thread stopper([&] { thread.reset(); });
  // Lets the stop flag be set while the requests wait; the result is the
  // same when the gate opens first.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  gate.Open();
  stopper.join();
  EXPECT_THAT(recorder.kinds(), ElementsAre(kVoteUp, kVoteDown, kVoteUp));
}

TEST(VotingThreadTest, QueueDoesNotWaitForAVoteInProgress) {
  VoteRecorder recorder;
  Gate gate;
  VotingThread thread(HoldingTheFirstVote(gate, recorder), kForever);
  thread.Queue(kVoteUp, false);
  ASSERT_TRUE(gate.WaitEntered());
  auto queued = std::async(std::launch::async, [&] { thread.Queue(kVoteDown, false); });
  const bool returned = queued.wait_for(kEventTimeout) == std::future_status::ready;
  gate.Open();
  EXPECT_TRUE(returned) << "Queue blocked while the vote function ran";
  ASSERT_TRUE(recorder.WaitForCount(2));
  EXPECT_THAT(recorder.kinds(), ElementsAre(kVoteUp, kVoteDown));
}

// What a direct up vote relies on: once CancelDelayedDownVote returns, no
// delayed down vote queued before it reaches the vote function. The delay
// is finite, so a down vote that was not cancelled lands while the test
// waits; one applied before the cancel (a stalled machine) is allowed.
TEST(VotingThreadTest, CancelledDelayedDownVoteNeverLandsAfterTheCancel) {
  constexpr auto kDelay = std::chrono::milliseconds(50);
  for (const bool behind_a_vote : {false, true}) {
    SCOPED_TRACE(behind_a_vote ? "queued behind a vote in progress" : "waiting out its delay");
    VoteRecorder recorder;
    Gate gate;
    auto record = recorder.Function();
    VotingThread thread(
        [&](uint32_t kind) {
          if (kind == kVoteUp) gate.Wait();
          record(kind);
        },
        kDelay);
    if (behind_a_vote) {
      thread.Queue(kVoteUp, false);
      ASSERT_TRUE(gate.WaitEntered());
    }
    thread.Queue(kVoteDown, true);
    thread.CancelDelayedDownVote();
    const Clock::time_point cancelled = Clock::now();
    gate.Open();
    std::this_thread::sleep_for(6 * kDelay);
    const std::vector<uint32_t> kinds = recorder.kinds();
    for (size_t i = 0; i < kinds.size(); ++i) {
      if (kinds[i] == kVoteDown) EXPECT_LT(recorder.time(i), cancelled) << "down vote " << i;
    }
    if (behind_a_vote) EXPECT_THAT(kinds, ElementsAre(kVoteUp));
  }
}

TEST(VotingThreadTest, CancelWaitsForADelayedDownVoteBeingApplied) {
  VoteRecorder recorder;
  Gate gate;
  auto record = recorder.Function();
  VotingThread thread(
      [&](uint32_t kind) {
        gate.Wait();
        record(kind);
      },
      kShortDelay);
  thread.Queue(kVoteDown, true);
  ASSERT_TRUE(gate.WaitEntered());  // kept after its delay, now being applied
  auto cancel = std::async(std::launch::async, [&] { thread.CancelDelayedDownVote(); });
  // Not a bound on time: any wait shows a cancel that did not wait.
  EXPECT_EQ(cancel.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  gate.Open();
  EXPECT_EQ(cancel.wait_for(kEventTimeout), std::future_status::ready);
  EXPECT_THAT(recorder.kinds(), ElementsAre(kVoteDown));
}

TEST(VotingThreadTest, ShortDelayKeepsEachDownVoteOfASlowSequence) {
  VoteRecorder recorder;
  VotingThread thread(recorder.Function(), kShortDelay);
  for (int i = 0; i < 3; ++i) {
    thread.Queue(kVoteUp, false);
    ASSERT_TRUE(recorder.WaitForCount(2 * i + 1));
    thread.Queue(kVoteDown, true);
    ASSERT_TRUE(recorder.WaitForCount(2 * i + 2));
  }
  EXPECT_THAT(recorder.kinds(),
              ElementsAre(kVoteUp, kVoteDown, kVoteUp, kVoteDown, kVoteUp, kVoteDown));
}

}  // namespace
}  // namespace qnn
