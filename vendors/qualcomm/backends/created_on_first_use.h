// An owned object that the host's threads create on first use, exactly once
// even when two of them get there at the same moment: the host serialises
// calls per context only, and all contexts share the process-wide backend.
// Creation takes a mutex; every use after it is one atomic load, so the
// paths that vote around each invoke take no lock.
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_CREATED_ON_FIRST_USE_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_CREATED_ON_FIRST_USE_H_

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>

namespace qnn {

template <typename T>
class CreatedOnFirstUse {
 public:
  CreatedOnFirstUse() = default;
  CreatedOnFirstUse(const CreatedOnFirstUse&) = delete;
  CreatedOnFirstUse& operator=(const CreatedOnFirstUse&) = delete;

  // The object; null until it is created.
  T* get() const { return object_.load(std::memory_order_acquire); }

  // The object, made by `make()` (a std::unique_ptr<T>) when there is none
  // yet. A `make` that throws leaves nothing created.
  template <typename Make>
  T* GetOrCreate(Make&& make) {
    if (T* existing = get()) return existing;
    std::lock_guard<std::mutex> lock(creation_mutex_);
    if (owner_ == nullptr) {
      owner_ = std::forward<Make>(make)();
      object_.store(owner_.get(), std::memory_order_release);
    }
    return owner_.get();
  }

  // Destroys the object (outside the lock). Only where no other thread uses
  // it any more: a failed set-up, or the owner's own destruction.
  void Reset() {
    std::unique_ptr<T> old;
    {
      std::lock_guard<std::mutex> lock(creation_mutex_);
      object_.store(nullptr, std::memory_order_release);
      old = std::move(owner_);
    }
  }

 private:
  std::mutex creation_mutex_;
  std::unique_ptr<T> owner_;  // written under creation_mutex_
  std::atomic<T*> object_{nullptr};
};

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_CREATED_ON_FIRST_USE_H_
