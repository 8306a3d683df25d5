// Results of the plug-in: Status codes, Error, Expected<T>, the per-thread
// pending error that lets a message cross a status-only boundary, and
// LocatedError for errors that say where they were noticed.
#ifndef VANTRO_CC_VANTRO_EXPECTED_H_
#define VANTRO_CC_VANTRO_EXPECTED_H_

#include <cstdint>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "absl/strings/string_view.h"
#include "c/vantro_common.h"
#include "cc/vantro_check.h"

namespace vantro {

// A status code; values the host returns are carried even when unnamed.
enum class Status : int32_t {
  Ok = kVantroStatusOk,
  InvalidArgument = kVantroStatusInvalidArgument,
  RuntimeFailure = kVantroStatusRuntimeFailure,
  Unsupported = kVantroStatusUnsupported,
  NotFound = kVantroStatusNotFound,
  DynamicLoadingFailure = kVantroStatusDynamicLoadingFailure,
  IncompatibleVersion = kVantroStatusIncompatibleVersion,
};

inline constexpr VantroStatus ToC(Status s) { return static_cast<VantroStatus>(s); }
inline constexpr Status FromC(VantroStatus s) { return static_cast<Status>(s); }

// A failure: a non-Ok status and a message. Constructing one takes over the
// thread's pending error of the same status and chains it behind the new
// message ("\n└ "), so a chain reads outermost first.
class Error {
 public:
  Error(Status status, std::string message);
  explicit Error(Status status) : Error(status, std::string()) {}

  Status status() const { return status_; }
  const std::string& message() const { return message_; }

 private:
  Status status_;
  std::string message_;
};

// Parks a non-empty message as the thread's pending error and returns the
// status; used where only the status can cross.
Status ToStatus(const Error& error);
// The same for a status and message that are not (yet) an Error.
Status ToStatus(Status status, const std::string& message);

// Discards the thread's pending error; callers do this after every
// successful status-only call so that a stale message never joins a later,
// unrelated error.
void ClearPendingError();

// Reads the thread's pending error without taking it (for tests and tools).
bool PeekPendingError(Status* status, std::string* message);

// The separator that joins an error to the older cause behind it.
inline constexpr absl::string_view kErrorChainSeparator = "\n\xE2\x94\x94 ";

// An error that knows the source file (a constant path) and line that raised
// it. Converting it to an Error annotates the message with the place.
struct LocatedError {
  Status status;
  std::string message;
  const char* file;
  int line;
  VantroLogSeverity severity = kVantroLogError;

  LocatedError(Status status, std::string message, const char* file, int line)
      : status(status), message(std::move(message)), file(file), line(line) {}

  Error ToError() const;
  operator Error() const { return ToError(); }  // NOLINT: used as a result
};

// Raises a LocatedError at the calling line; each file that uses it defines
// kVantroSourcePath, the path of the file without its extension.
#define VANTRO_LOCATED_ERROR(status, message) \
  ::vantro::LocatedError((status), (message), kVantroSourcePath, __LINE__)

template <typename T>
class [[nodiscard]] Expected;

// Holds a T or an Error. Reading the wrong alternative is a fatal check.
template <typename T>
class [[nodiscard]] Expected {
 public:
  static_assert(!std::is_reference<T>::value, "Expected<T&> is not supported");

  Expected(const T& value) : has_value_(true) { new (&value_) T(value); }  // NOLINT
  Expected(T&& value) : has_value_(true) { new (&value_) T(std::move(value)); }  // NOLINT
  template <typename U,
            typename = std::enable_if_t<std::is_constructible<T, U&&>::value &&
                                        !std::is_same<std::decay_t<U>, T>::value &&
                                        !std::is_same<std::decay_t<U>, Error>::value &&
                                        !std::is_same<std::decay_t<U>, LocatedError>::value>>
  Expected(U&& value) : has_value_(true) {  // NOLINT
    new (&value_) T(std::forward<U>(value));
  }
  Expected(Error error) : has_value_(false) { new (&error_) Error(std::move(error)); }  // NOLINT
  Expected(const LocatedError& error) : Expected(error.ToError()) {}  // NOLINT

  Expected(Expected&& other) noexcept : has_value_(other.has_value_) {
    if (has_value_) new (&value_) T(std::move(other.value_));
    else new (&error_) Error(std::move(other.error_));
  }
  Expected(const Expected& other) : has_value_(other.has_value_) {
    if (has_value_) new (&value_) T(other.value_);
    else new (&error_) Error(other.error_);
  }
  Expected& operator=(Expected other) {
    Destroy();
    has_value_ = other.has_value_;
    if (has_value_) new (&value_) T(std::move(other.value_));
    else new (&error_) Error(std::move(other.error_));
    return *this;
  }
  ~Expected() { Destroy(); }

  bool HasValue() const { return has_value_; }
  explicit operator bool() const { return has_value_; }

  T& Value() & {
    VANTRO_CHECK_AT(HasValue(), "cc/vantro_expected");
    return value_;
  }
  const T& Value() const& {
    VANTRO_CHECK_AT(HasValue(), "cc/vantro_expected");
    return value_;
  }
  T&& Value() && {
    VANTRO_CHECK_AT(HasValue(), "cc/vantro_expected");
    return std::move(value_);
  }
  const Error& GetError() const {
    VANTRO_CHECK_AT(!HasValue(), "cc/vantro_expected");
    return error_;
  }
  Error& GetError() {
    VANTRO_CHECK_AT(!HasValue(), "cc/vantro_expected");
    return error_;
  }
  T* operator->() { return &Value(); }
  const T* operator->() const { return &Value(); }
  T& operator*() & { return Value(); }
  const T& operator*() const& { return Value(); }

 private:
  void Destroy() {
    if (has_value_) value_.~T();
    else error_.~Error();
  }

  bool has_value_;
  union {
    T value_;
    Error error_;
  };
};

// Success or an Error. A success holds no Error at all: building one would
// take over the thread's pending error (and cost a string) on every
// successful call.
template <>
class [[nodiscard]] Expected<void> {
 public:
  Expected() noexcept {}
  Expected(Error error) : has_error_(true) { new (&error_) Error(std::move(error)); }  // NOLINT
  Expected(const LocatedError& error) : Expected(error.ToError()) {}     // NOLINT

  Expected(Expected&& other) noexcept : has_error_(other.has_error_) {
    if (has_error_) new (&error_) Error(std::move(other.error_));
  }
  Expected(const Expected& other) : has_error_(other.has_error_) {
    if (has_error_) new (&error_) Error(other.error_);
  }
  Expected& operator=(Expected other) {
    Destroy();
    has_error_ = other.has_error_;
    if (has_error_) new (&error_) Error(std::move(other.error_));
    return *this;
  }
  ~Expected() { Destroy(); }

  bool HasValue() const { return !has_error_; }
  explicit operator bool() const { return !has_error_; }
  const Error& GetError() const {
    VANTRO_CHECK_AT(!HasValue(), "cc/vantro_expected");
    return error_;
  }

 private:
  void Destroy() {
    if (has_error_) error_.~Error();
  }

  bool has_error_ = false;
  union {
    Error error_;
  };
};

// Returns from the enclosing function when `expr` holds an error.
#define VANTRO_RETURN_IF_ERROR(expr)                          \
  do {                                                        \
    auto vantro_result_ = (expr);                             \
    if (!vantro_result_.HasValue()) return vantro_result_.GetError(); \
  } while (0)

}  // namespace vantro

#endif  // VANTRO_CC_VANTRO_EXPECTED_H_
