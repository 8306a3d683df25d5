// Helpers shared by the vendor-options tests: the located-error text, the
// thread's pending error, and a scoped minimum log severity.
#ifndef VANTRO_TESTS_SUPPORT_OPTIONS_TEST_SUPPORT_H_
#define VANTRO_TESTS_SUPPORT_OPTIONS_TEST_SUPPORT_H_

#include <string>

#include "absl/strings/match.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/string_view.h"
#include "cc/vantro_expected.h"
#include "cc/vantro_logging.h"
#include "gtest/gtest.h"

namespace vantro {
namespace testing_support {

// Whether `text` is "ERROR: [<path>:<digits>]" followed by the chain
// separator and `message`, the form a located error takes at INFO.
inline bool IsLocatedText(absl::string_view text, absl::string_view path,
                          absl::string_view message) {
  const std::string head = absl::StrCat("ERROR: [", path, ":");
  const std::string tail = absl::StrCat("]", kErrorChainSeparator, message);
  if (!absl::StartsWith(text, head) || !absl::EndsWith(text, tail)) return false;
  absl::string_view line = text.substr(head.size(), text.size() - head.size() - tail.size());
  if (line.empty()) return false;
  for (char c : line) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The thread's pending error as (present, status, message).
struct Pending {
  bool present = false;
  Status status = Status::Ok;
  std::string message;
};

inline Pending PeekPending() {
  Pending pending;
  pending.present = PeekPendingError(&pending.status, &pending.message);
  return pending;
}

// Whether the thread's pending error is what a failed parse leaves: nothing
// for an empty `message`, else InvalidArgument with `message` under the
// parser's location.
inline ::testing::AssertionResult PendingAfterFailedParse(absl::string_view message) {
  const Pending pending = PeekPending();
  if (message.empty()) {
    if (!pending.present) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pending: " << pending.message;
  }
  if (!pending.present) return ::testing::AssertionFailure() << "nothing pending";
  if (pending.status != Status::InvalidArgument) {
    return ::testing::AssertionFailure() << "pending under status "
                                         << static_cast<int>(pending.status);
  }
  if (!IsLocatedText(pending.message, "core/vantro_toml_parser", message)) {
    return ::testing::AssertionFailure() << "pending: " << pending.message;
  }
  return ::testing::AssertionSuccess();
}

// Sets the current logger's minimum severity for the scope.
class ScopedMinSeverity {
 public:
  explicit ScopedMinSeverity(VantroLogSeverity severity) {
    VantroGetMinLoggerSeverity(VantroGetCurrentLogger(), &saved_);
    VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), severity);
  }
  ~ScopedMinSeverity() { VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), saved_); }
  ScopedMinSeverity(const ScopedMinSeverity&) = delete;
  ScopedMinSeverity& operator=(const ScopedMinSeverity&) = delete;

 private:
  VantroLogSeverity saved_ = kVantroLogInfo;
};

}  // namespace testing_support
}  // namespace vantro

#endif  // VANTRO_TESTS_SUPPORT_OPTIONS_TEST_SUPPORT_H_
