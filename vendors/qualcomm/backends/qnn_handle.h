// One owning type for every QNN handle: the handle plus the function that
// releases it, called once when the owner goes.
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_QNN_HANDLE_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_QNN_HANDLE_H_

#include <functional>
#include <utility>

#include "vendors/qualcomm/qnn_interface.h"

namespace qnn {

template <typename H>
class Handle {
 public:
  using Release = std::function<Qnn_ErrorHandle_t(H)>;

  Handle() = default;
  Handle(H handle, Release release) : handle_(handle), release_(std::move(release)) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& other) noexcept
      : handle_(std::exchange(other.handle_, H{})), release_(std::move(other.release_)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, H{});
      release_ = std::move(other.release_);
    }
    return *this;
  }
  ~Handle() { Reset(); }

  H get() const { return handle_; }
  explicit operator bool() const { return handle_ != H{}; }

  // Releases the handle now (when there is one); the result is returned.
  Qnn_ErrorHandle_t Reset() {
    Qnn_ErrorHandle_t result = QNN_SUCCESS;
    if (handle_ != H{} && release_) result = release_(handle_);
    handle_ = H{};
    release_ = nullptr;
    return result;
  }

 private:
  H handle_{};
  Release release_;
};

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_QNN_HANDLE_H_
