#include "vendors/qualcomm/backends/voting_thread.h"

#include <algorithm>
#include <utility>

#include "cc/internal/vantro_shared_library.h"

namespace qnn {
namespace {

// The voting threads alive in this module. Never destroyed: a thread may
// end after the module's statics are gone.
struct LiveVotingThreads {
  std::mutex mutex;
  std::vector<VotingThread*> threads;
};

LiveVotingThreads& Live() {
  static LiveVotingThreads* const live = new LiveVotingThreads();
  return *live;
}

}  // namespace

void VotingThread::RequestQueue::push_back(const Request& request) {
  if (count_ == ring_.size()) {
    std::vector<Request> grown(2 * ring_.size());
    for (size_t i = 0; i < count_; ++i) grown[i] = ring_[(head_ + i) & (ring_.size() - 1)];
    ring_ = std::move(grown);
    head_ = 0;
  }
  ring_[(head_ + count_) & (ring_.size() - 1)] = request;
  ++count_;
}

VotingThread::Request VotingThread::RequestQueue::pop_front() {
  const Request request = ring_[head_];
  head_ = (head_ + 1) & (ring_.size() - 1);
  --count_;
  return request;
}

VotingThread::VotingThread(VoteFunction vote, Clock::duration down_vote_delay)
    : vote_(std::move(vote)), down_vote_delay_(down_vote_delay) {
  vantro::StopModuleThreadsBeforeUnload(&VotingThread::StopAllBeforeUnload);
  LiveVotingThreads& live = Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  live.threads.push_back(this);  // before the thread starts: nothing to undo if this throws
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (...) {
    live.threads.pop_back();
    throw;
  }
}

VotingThread::~VotingThread() {
  {
    // Waits while an unload stops this thread; it is then already joined.
    LiveVotingThreads& live = Live();
    std::lock_guard<std::mutex> lock(live.mutex);
    live.threads.erase(std::remove(live.threads.begin(), live.threads.end(), this),
                       live.threads.end());
  }
  Stop(/*drop_queued=*/false);
  vote_ = nullptr;
}

void VotingThread::Stop(bool drop_queued) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    if (drop_queued) queue_.clear();
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.clear();
}

void VotingThread::StopAllBeforeUnload() {
  LiveVotingThreads& live = Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  for (VotingThread* thread : live.threads) thread->Stop(/*drop_queued=*/true);
}

void VotingThread::Queue(uint32_t kind, bool delayed) {
  const Request request{kind, delayed};
  bool was_empty;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    was_empty = queue_.empty();
    if (!was_empty && queue_.back().is_delayed_down()) queue_.pop_back();
    if (queue_.empty() || !(queue_.back() == request)) {
      queue_.push_back(request);
      peak_queue_length_ = std::max(peak_queue_length_, queue_.size());
    }
  }
  // The thread was woken when the queue last became non-empty, and looks at
  // the queue again before it waits: only that change needs a wake-up.
  if (was_empty) wake_.notify_one();
}

void VotingThread::CancelDelayedDownVote() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!queue_.empty() && queue_.back().is_delayed_down()) queue_.pop_back();
  if (held_down_vote_ == HeldDownVote::kWaiting) {
    held_down_vote_ = HeldDownVote::kCancelled;
    wake_.notify_all();
  }
  held_down_vote_done_.wait(lock, [this] { return held_down_vote_ != HeldDownVote::kApplying; });
}

size_t VotingThread::peak_queue_length() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return peak_queue_length_;
}

size_t VotingThread::ring_capacity() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.capacity();
}

void VotingThread::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    while (queue_.empty()) {
      if (stop_) return;
      wake_.wait(lock);
    }
    const Request request = queue_.pop_front();

    const bool delayed_down = request.is_delayed_down();
    if (delayed_down) {
      // Whatever arrives before the deadline supersedes this down vote.
      held_down_vote_ = HeldDownVote::kWaiting;
      const Clock::time_point deadline = Clock::now() + down_vote_delay_;
      const bool dropped = wake_.wait_until(lock, deadline, [this] {
        return !queue_.empty() || stop_ || held_down_vote_ == HeldDownVote::kCancelled;
      });
      if (dropped) {
        held_down_vote_ = HeldDownVote::kNone;
        continue;
      }
      held_down_vote_ = HeldDownVote::kApplying;
    }

    lock.unlock();
    vote_(request.kind);
    lock.lock();
    if (delayed_down) {
      held_down_vote_ = HeldDownVote::kNone;
      held_down_vote_done_.notify_all();
    }
  }
}

}  // namespace qnn
