// The shared-library loader: owns one library opened at run time, resolves
// its symbols to typed function pointers and unloads it when it goes. It is
// written against dlopen/dlsym/dlerror; a Windows build supplies those itself
// over the Windows module calls (vantro_shared_library_windows.inc).
#ifndef VANTRO_CC_INTERNAL_VANTRO_SHARED_LIBRARY_H_
#define VANTRO_CC_INTERNAL_VANTRO_SHARED_LIBRARY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "absl/strings/str_cat.h"
#include "absl/strings/string_view.h"
#include "cc/vantro_expected.h"

namespace vantro {

// Mode bits for SharedLibrary::Load, in glibc's dlopen values whatever the
// platform, so callers compute the same mode everywhere. The Windows layer
// honours only kRtldNoLoad.
inline constexpr int kRtldLazy = 0x1;
inline constexpr int kRtldNoLoad = 0x4;
inline constexpr int kRtldDeepBind = 0x8;
inline constexpr int kRtldGlobal = 0x100;

// What a SharedLibrary refers to.
enum class HandleKind : int32_t {
  kInvalid = 0,  // no library: the default and moved-from state
  kPath = 1,     // opened from a path
  kProgram = 2,  // the running program itself (native handle -1)
};

// Owns one library opened at run time. Move-only; destruction unloads.
class SharedLibrary {
 public:
  // The native handle that stands for the running program's own module.
  static void* ProgramHandle() { return reinterpret_cast<void*>(static_cast<intptr_t>(-1)); }

  SharedLibrary() = default;
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;
  SharedLibrary(SharedLibrary&& other) noexcept;
  // Unloads what this object held, then takes over `other`'s library.
  SharedLibrary& operator=(SharedLibrary&& other) noexcept;
  ~SharedLibrary();

  // Opens the library at `path` with `mode` (kRtld* bits).
  [[nodiscard]] static Expected<SharedLibrary> Load(absl::string_view path, int mode);
  // Opens a library of `kind`; kPath opens `path`, kProgram refers to the
  // running program (path and mode unused).
  [[nodiscard]] static Expected<SharedLibrary> LoadImpl(HandleKind kind, absl::string_view path,
                                                        int mode);

  // Resolves `name` to a function pointer of type F.
  template <typename F>
  [[nodiscard]] Expected<F> LookupSymbol(const char* name) const {
    void* address = SymbolAddress(name);
    if (address == nullptr) {
      return LocatedError(Status::DynamicLoadingFailure,
                          absl::StrCat("Could not load symbol ", name == nullptr ? "" : name,
                                       ": ", LoaderErrorText(), "."),
                          kSourcePath, __LINE__);
    }
    return reinterpret_cast<F>(address);
  }

  HandleKind kind() const { return kind_; }
  // The path exactly as passed to Load; empty unless kind() is kPath.
  const std::string& path() const { return path_; }
  void* handle() const { return handle_; }

  // The calling thread's loader error text: cleared by every open and every
  // symbol lookup, left holding the explanation of the last failure.
  static std::string LoaderErrorText();

 private:
  static constexpr char kSourcePath[] = "cc/internal/vantro_shared_library";

  SharedLibrary(HandleKind kind, std::string path, void* handle)
      : kind_(kind), path_(std::move(path)), handle_(handle) {}

  // dlsym on this library's handle; null (with the loader error text set)
  // when the symbol or the library is missing.
  void* SymbolAddress(const char* name) const;
  // Unloads a library opened from a path and returns to kInvalid.
  void Unload();

  HandleKind kind_ = HandleKind::kInvalid;
  std::string path_;
  void* handle_ = nullptr;
};

// Keeps the threads this module starts from running its code after the
// module is unloaded; `stop_threads` stops and joins them. POSIX calls it
// when the module's statics are destroyed (at dlclose, or at exit). Windows
// destroys them under the loader lock, where a join never returns, so there
// the module is pinned instead: it stays mapped until the process ends and
// `stop_threads` is never called. Calling again replaces `stop_threads`.
void StopModuleThreadsBeforeUnload(void (*stop_threads)());

// The plain string rules of the Windows loader layer. They are compiled on
// every platform so that they can be checked where the tests run.
namespace windows_loader {

// How one attempt to open a module is made.
enum class OpenCall {
  kGetModuleHandleEx,  // RTLD_NOLOAD: only an already loaded module
  kLoadLibraryEx,      // absolute path, LOAD_WITH_ALTERED_SEARCH_PATH
  kLoadLibrary,        // any other path: the system's search order
};

struct OpenAttempt {
  std::string name;
  OpenCall call;
};

// Every "/" replaced by a backslash.
std::string ToBackslashes(absl::string_view path);
// `path` with a final ".so" replaced by ".dll"; `path` itself otherwise.
std::string FallbackName(absl::string_view path);
// A drive letter, ":" and a separator, or a root of two separators.
bool IsAbsolutePath(absl::string_view path);
// The attempts dlopen makes for `path` and `mode`, in order: the path in
// backslash form, then its fallback name when that differs.
std::vector<OpenAttempt> PlanOpen(absl::string_view path, int mode);
// The error text of a failed open of `path` (backslash form) whose fallback
// is `fallback` (equal to `path` when there is none).
std::string OpenFailureText(absl::string_view path, absl::string_view fallback,
                            absl::string_view system_message);
// The error text of a symbol that could not be found.
std::string SymbolFailureText(absl::string_view name, absl::string_view system_message);
// The system message of an error code: "No error" for 0, else the text the
// system formatted (null when it had none) with trailing white space removed.
std::string SystemMessageText(uint32_t code, const char* formatted);

}  // namespace windows_loader

}  // namespace vantro

#endif  // VANTRO_CC_INTERNAL_VANTRO_SHARED_LIBRARY_H_
