// The background thread through which the HTP and DSP performance
// controllers apply their automatic power votes: a FIFO of requests served by
// one thread, where a delayed down vote waits a while and is dropped when a
// newer request (or stop) arrives first, so back-to-back executions keep the
// high clock level.
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_VOTING_THREAD_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_VOTING_THREAD_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace qnn {

// Vote kinds handed to the vote function.
enum : uint32_t {
  kVoteUp = 0,
  kVoteDown = 1,
};

class VotingThread {
 public:
  // Called on the voting thread, outside the queue lock, with a vote kind.
  using VoteFunction = std::function<void(uint32_t kind)>;
  using Clock = std::chrono::steady_clock;

  // How long a delayed down vote waits for a newer request.
  static constexpr std::chrono::milliseconds kDownVoteDelay{300};

  // Starts the thread. `down_vote_delay` is the wait of delayed down votes;
  // tests shorten or lengthen it to make the drop/keep decision certain.
  explicit VotingThread(VoteFunction vote, Clock::duration down_vote_delay = kDownVoteDelay);
  VotingThread(const VotingThread&) = delete;
  VotingThread& operator=(const VotingThread&) = delete;
  // Stops: requests already queued are still applied (a waiting or queued
  // delayed down vote is dropped), then the thread is joined.
  ~VotingThread();

  // Queues one request and wakes the thread; never blocks beyond the lock.
  // The queue stays short however fast requests come: a request equal to
  // the last one queued is not queued again, and a delayed down vote still
  // queued gives way to the newer request (taken, it would be dropped
  // anyway). The votes applied differ only by dropped repeats.
  void Queue(uint32_t kind, bool delayed);

  // For an up vote the caller applies itself: drops the delayed down vote
  // that is queued or waiting out its delay, and waits for one being
  // applied, so that none lands after the caller's vote.
  void CancelDelayedDownVote();

  // The most requests that waited in the queue at once since the start, and
  // the ring's capacity now: how far votes fell behind (soak, benchmark).
  size_t peak_queue_length() const;
  size_t ring_capacity() const;

 private:
  struct Request {
    uint32_t kind;
    bool delayed;

    bool is_delayed_down() const { return kind == kVoteDown && delayed; }
    bool operator==(const Request& other) const {
      return kind == other.kind && delayed == other.delayed;
    }
  };

  // FIFO of requests in a ring that grows only when full: queueing on the
  // invoke path then allocates nothing (a deque takes a new block every few
  // dozen requests as its ends move on).
  class RequestQueue {
   public:
    RequestQueue() : ring_(kInitialCapacity) {}
    bool empty() const { return count_ == 0; }
    size_t size() const { return count_; }
    size_t capacity() const { return ring_.size(); }
    const Request& back() const { return ring_[(head_ + count_ - 1) & (ring_.size() - 1)]; }
    void push_back(const Request& request);
    Request pop_front();
    void pop_back() { --count_; }
    void clear() { head_ = count_ = 0; }

   private:
    static constexpr size_t kInitialCapacity = 16;  // a power of two, kept by growth
    std::vector<Request> ring_;
    size_t head_ = 0;
    size_t count_ = 0;
  };

  // Where the delayed down vote the thread has taken stands.
  enum class HeldDownVote { kNone, kWaiting, kCancelled, kApplying };

  void Run();
  // Sets the stop flag and joins; `drop_queued` discards what is queued
  // instead of applying it. Safe to call again once joined.
  void Stop(bool drop_queued);
  // Stops every voting thread of this module that is still running,
  // dropping what they queued, before the module's code goes away: the
  // plug-in's process-wide backend, which owns one, is never destroyed.
  static void StopAllBeforeUnload();

  VoteFunction vote_;
  const Clock::duration down_vote_delay_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable held_down_vote_done_;  // signalled when one leaves kApplying
  RequestQueue queue_;
  HeldDownVote held_down_vote_ = HeldDownVote::kNone;
  size_t peak_queue_length_ = 0;
  bool stop_ = false;
  std::thread thread_;  // started by the constructor once everything above exists
};

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_VOTING_THREAD_H_
