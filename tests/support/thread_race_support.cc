#include "tests/support/thread_race_support.h"

#include <thread>

namespace vantro::testing {

void RunOnTwoThreadsAtOnce(const std::function<void()>& work) {
  std::mutex mutex;
  std::condition_variable changed;
  int ready = 0;
  bool go = false;
  auto body = [&] {
    {
      std::unique_lock<std::mutex> lock(mutex);
      ++ready;
      changed.notify_all();
      changed.wait(lock, [&] { return go; });
    }
    work();
  };
  std::thread first(body);
  std::thread second(body);
  {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return ready == 2; });
    go = true;
  }
  changed.notify_all();
  first.join();
  second.join();
}

void Rendezvous::Arrive() {
  std::unique_lock<std::mutex> lock(mutex_);
  ++arrivals_;
  arrived_.notify_all();
  arrived_.wait_for(lock, timeout_, [&] { return arrivals_ >= 2; });
}

int Rendezvous::arrivals() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return arrivals_;
}

}  // namespace vantro::testing
