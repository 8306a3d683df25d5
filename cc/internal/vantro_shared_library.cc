#include "cc/internal/vantro_shared_library.h"

#include <string>
#include <utility>
#include <vector>

#include "absl/strings/ascii.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_replace.h"

namespace vantro {
namespace {

// The loader error text of the calling thread.
std::string& ThreadLoaderError() {
  thread_local std::string text;
  return text;
}

}  // namespace
}  // namespace vantro

// Each platform file defines, in namespace vantro, PlatformOpen (dlopen),
// PlatformSymbol (dlsym), PlatformError (dlerror), PlatformClose,
// IsProgramModule and PlatformStopThreadsBeforeUnload; open and symbol
// failures leave their text in ThreadLoaderError().
#if defined(_WIN32)
#include "cc/internal/vantro_shared_library_windows.inc"
#else
#include "cc/internal/vantro_shared_library_posix.inc"
#endif

namespace vantro {

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : kind_(std::exchange(other.kind_, HandleKind::kInvalid)),
      path_(std::move(other.path_)),
      handle_(std::exchange(other.handle_, nullptr)) {
  other.path_.clear();
}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
  if (this != &other) {
    Unload();
    kind_ = std::exchange(other.kind_, HandleKind::kInvalid);
    path_ = std::move(other.path_);
    other.path_.clear();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

SharedLibrary::~SharedLibrary() { Unload(); }

void SharedLibrary::Unload() {
  if (kind_ == HandleKind::kPath && handle_ != nullptr && !IsProgramModule(handle_)) {
    PlatformClose(handle_);
  }
  kind_ = HandleKind::kInvalid;
  path_.clear();
  handle_ = nullptr;
}

Expected<SharedLibrary> SharedLibrary::Load(absl::string_view path, int mode) {
  return LoadImpl(HandleKind::kPath, path, mode);
}

Expected<SharedLibrary> SharedLibrary::LoadImpl(HandleKind kind, absl::string_view path,
                                                int mode) {
  switch (kind) {
    case HandleKind::kInvalid:
      return Error(Status::DynamicLoadingFailure,
                   "This is a logic error. LoadImpl should not be called with "
                   "HandleKind::kInvalid");
    case HandleKind::kProgram:
      return SharedLibrary(HandleKind::kProgram, std::string(), ProgramHandle());
    case HandleKind::kPath: {
      if (path.empty()) {
        return Error(Status::DynamicLoadingFailure,
                     "Cannot not load shared library: empty path.");
      }
      std::string stored(path);
      void* handle = PlatformOpen(stored.c_str(), mode);
      if (handle == nullptr) {
        return Error(Status::DynamicLoadingFailure,
                     absl::StrCat("Could not load shared library ", stored, ": ",
                                  PlatformError(), "."));
      }
      return SharedLibrary(HandleKind::kPath, std::move(stored), handle);
    }
  }
  // A kind from a newer caller: nothing is opened and lookups fail.
  return SharedLibrary(kind, std::string(), nullptr);
}

void* SharedLibrary::SymbolAddress(const char* name) const {
  ThreadLoaderError().clear();
  // Checked here on every platform: a null handle means "search everything"
  // to glibc's dlsym, which must never stand in for a missing library.
  if (handle_ == nullptr || name == nullptr) {
    ThreadLoaderError() = "Invalid handle or symbol name";
    return nullptr;
  }
  return PlatformSymbol(handle_, name);
}

std::string SharedLibrary::LoaderErrorText() { return ThreadLoaderError(); }

void StopModuleThreadsBeforeUnload(void (*stop_threads)()) {
  PlatformStopThreadsBeforeUnload(stop_threads);
}

namespace windows_loader {

std::string ToBackslashes(absl::string_view path) {
  return absl::StrReplaceAll(path, {{"/", "\\"}});
}

std::string FallbackName(absl::string_view path) {
  constexpr absl::string_view kSo = ".so";
  const size_t position = path.rfind(kSo);
  if (position != absl::string_view::npos && position + kSo.size() == path.size()) {
    return absl::StrCat(path.substr(0, position), ".dll");
  }
  return std::string(path);
}

bool IsAbsolutePath(absl::string_view path) {
  auto is_separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 3 && absl::ascii_isalpha(static_cast<unsigned char>(path[0])) &&
      path[1] == ':' && is_separator(path[2])) {
    return true;
  }
  return path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
}

std::vector<OpenAttempt> PlanOpen(absl::string_view path, int mode) {
  auto call_for = [mode](const std::string& name) {
    if ((mode & kRtldNoLoad) != 0) return OpenCall::kGetModuleHandleEx;
    return IsAbsolutePath(name) ? OpenCall::kLoadLibraryEx : OpenCall::kLoadLibrary;
  };
  std::string native = ToBackslashes(path);
  std::string fallback = FallbackName(native);
  std::vector<OpenAttempt> attempts;
  attempts.push_back({native, call_for(native)});
  if (fallback != native) attempts.push_back({fallback, call_for(fallback)});
  return attempts;
}

std::string OpenFailureText(absl::string_view path, absl::string_view fallback,
                            absl::string_view system_message) {
  std::string text = absl::StrCat("Failed to load library '", path, "'");
  if (fallback != path) absl::StrAppend(&text, " or fallback '", fallback, "'");
  absl::StrAppend(&text, ": ", system_message);
  return text;
}

std::string SymbolFailureText(absl::string_view name, absl::string_view system_message) {
  return absl::StrCat("Failed to find symbol '", name, "': ", system_message);
}

std::string SystemMessageText(uint32_t code, const char* formatted) {
  if (code == 0) return "No error";
  // The system may have no text for a code; say which code it was.
  if (formatted == nullptr) return absl::StrCat("Unknown error ", code);
  return std::string(absl::StripTrailingAsciiWhitespace(formatted));
}

}  // namespace windows_loader

}  // namespace vantro
