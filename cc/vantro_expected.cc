#include "cc/vantro_expected.h"

#include <cstdio>
#include <cstdlib>

#include "absl/strings/str_cat.h"
#include "cc/vantro_logging.h"

namespace vantro {
namespace {

struct PendingError {
  bool present = false;
  Status status = Status::Ok;
  std::string message;
};

PendingError& ThreadPendingError() {
  thread_local PendingError pending;
  return pending;
}

const char* AnnotationName(VantroLogSeverity severity) {
  switch (severity) {
    case kVantroLogDebug: return "DEBUG";
    case kVantroLogVerbose: return "VERBOSE";
    case kVantroLogInfo: return "INFO";
    case kVantroLogWarning: return "WARNING";
    case kVantroLogError: return "ERROR";
    case kVantroLogSilent: return "SILENT";
    default: return "UNKNOWN";
  }
}

}  // namespace

Error::Error(Status status, std::string message) : status_(status) {
  PendingError& pending = ThreadPendingError();
  std::string taken;
  if (pending.present) {
    if (pending.status == status) taken = std::move(pending.message);
    pending.present = false;
    pending.message.clear();
  }
  if (taken.empty()) {
    message_ = std::move(message);
  } else if (message.empty()) {
    message_ = std::move(taken);
  } else if (message.find(taken) != std::string::npos) {
    message_ = std::move(message);
  } else {
    message_ = absl::StrCat(message, kErrorChainSeparator, taken);
  }
}

Status ToStatus(Status status, const std::string& message) {
  if (!message.empty()) {
    PendingError& pending = ThreadPendingError();
    pending.present = true;
    pending.status = status;
    pending.message = message;
  }
  return status;
}

Status ToStatus(const Error& error) { return ToStatus(error.status(), error.message()); }

void ClearPendingError() {
  PendingError& pending = ThreadPendingError();
  pending.present = false;
  pending.message.clear();
}

bool PeekPendingError(Status* status, std::string* message) {
  const PendingError& pending = ThreadPendingError();
  if (!pending.present) return false;
  if (status != nullptr) *status = pending.status;
  if (message != nullptr) *message = pending.message;
  return true;
}

Error LocatedError::ToError() const {
  std::string annotation;
  if (severity >= CurrentMinSeverity()) {
    annotation = absl::StrCat(AnnotationName(severity), ": [", file, ":", line, "]");
    if (!message.empty()) absl::StrAppend(&annotation, kErrorChainSeparator, message);
  }
  ToStatus(status, message);
  return Error(status, std::move(annotation));
}

[[noreturn]] void CheckFailed(const char* condition, const char* path, int line) {
  std::fprintf(stderr, "Vantro check failed: %s at %s:%d\n", condition, path, line);
  std::abort();
}

}  // namespace vantro
