// Helpers for tests of one-time creation under two threads: start two
// threads at the same moment, and hold the first one inside a call until
// the second one arrives, so that a missing guard lets both in.
#ifndef VANTRO_TESTS_SUPPORT_THREAD_RACE_SUPPORT_H_
#define VANTRO_TESTS_SUPPORT_THREAD_RACE_SUPPORT_H_

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace vantro::testing {

// Runs `work` on two new threads released at the same moment; returns when
// both are done.
void RunOnTwoThreadsAtOnce(const std::function<void()>& work);

// Holds the first thread that arrives until a second one arrives or
// `timeout` passes. Placed in a call that must be made once, it keeps the
// window open for a second thread racing into it. The timeout never decides
// a result on its own: a guarded call waits it out alone, an unguarded one
// is entered twice unless the second thread comes later than that.
class Rendezvous {
 public:
  explicit Rendezvous(std::chrono::milliseconds timeout) : timeout_(timeout) {}

  void Arrive();
  // How many threads have arrived so far.
  int arrivals() const;

 private:
  const std::chrono::milliseconds timeout_;
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  int arrivals_ = 0;
};

}  // namespace vantro::testing

#endif  // VANTRO_TESTS_SUPPORT_THREAD_RACE_SUPPORT_H_
