// The QNN manager: owns the QNN libraries of the process (the backend or
// saver library and the system library), checks their interface versions,
// binds the accepted providers' function tables, prepares the DSP library
// search path, and creates QNN system contexts and contexts from binaries.
#ifndef VANTRO_VENDORS_QUALCOMM_QNN_MANAGER_H_
#define VANTRO_VENDORS_QUALCOMM_QNN_MANAGER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "absl/strings/string_view.h"
#include "cc/internal/vantro_shared_library.h"
#include "cc/vantro_expected.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace qnn {
class QnnBackend;
}  // namespace qnn

namespace vantro::qualcomm {

// The SDK version parsed from the backend's build id.
struct QnnSdkVersion {
  uint32_t major = 0, minor = 0, patch = 0;
};

// Owns a QNN system context; releases it (result ignored) on destruction.
// Move-only.
class SystemContextHandle {
 public:
  using ReleaseFn = Qnn_ErrorHandle_t (*)(QnnSystemContext_Handle_t);

  SystemContextHandle() = default;
  SystemContextHandle(QnnSystemContext_Handle_t handle, ReleaseFn release)
      : handle_(handle), release_(release) {}
  SystemContextHandle(const SystemContextHandle&) = delete;
  SystemContextHandle& operator=(const SystemContextHandle&) = delete;
  SystemContextHandle(SystemContextHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)),
        release_(std::exchange(other.release_, nullptr)) {}
  SystemContextHandle& operator=(SystemContextHandle&& other) noexcept {
    if (this != &other) {
      Release();
      handle_ = std::exchange(other.handle_, nullptr);
      release_ = std::exchange(other.release_, nullptr);
    }
    return *this;
  }
  ~SystemContextHandle() { Release(); }

  QnnSystemContext_Handle_t get() const { return handle_; }

 private:
  void Release() {
    if (handle_ != nullptr && release_ != nullptr) release_(handle_);
    handle_ = nullptr;
    release_ = nullptr;
  }

  QnnSystemContext_Handle_t handle_ = nullptr;
  ReleaseFn release_ = nullptr;
};

// Owns a QNN context created from a context binary and the profile handle
// it was created with (may be null). Destruction frees the profile first,
// then the context with the profile handle as it then stands, logging
// failures. Move-only.
class QnnContextHolder {
 public:
  using ContextFreeFn = Qnn_ErrorHandle_t (*)(Qnn_ContextHandle_t, Qnn_ProfileHandle_t);
  using ProfileFreeFn = Qnn_ErrorHandle_t (*)(Qnn_ProfileHandle_t);

  QnnContextHolder() = default;
  QnnContextHolder(Qnn_ContextHandle_t context, Qnn_ProfileHandle_t profile,
                   ContextFreeFn context_free, ProfileFreeFn profile_free)
      : context_(context),
        profile_(profile),
        context_free_(context_free),
        profile_free_(profile_free) {}
  QnnContextHolder(const QnnContextHolder&) = delete;
  QnnContextHolder& operator=(const QnnContextHolder&) = delete;
  QnnContextHolder(QnnContextHolder&& other) noexcept;
  QnnContextHolder& operator=(QnnContextHolder&& other) noexcept;
  ~QnnContextHolder() { Release(); }

  Qnn_ContextHandle_t context() const { return context_; }
  Qnn_ProfileHandle_t profile() const { return profile_; }

 private:
  void Release();

  Qnn_ContextHandle_t context_ = nullptr;
  Qnn_ProfileHandle_t profile_ = nullptr;
  ContextFreeFn context_free_ = nullptr;
  ProfileFreeFn profile_free_ = nullptr;
};

class QnnManager {
 public:
  // The two library slots.
  enum class LibrarySlot { kBackend, kSystem };

  // Creates a manager set up for options.GetBackendType(): the DSP search
  // path, "QnnSystem.dll", the backend (or saver) library, their providers
  // and versions, and the SDK version from the build id. A failed set-up
  // leaves no manager (and no library) behind.
  [[nodiscard]] static Expected<std::unique_ptr<QnnManager>> Create(
      const qnn::Options& options, std::optional<std::string> shared_library_dir);

  QnnManager(const QnnManager&) = delete;
  QnnManager& operator=(const QnnManager&) = delete;
  ~QnnManager() = default;

  // The core function table of the accepted backend provider; null until a
  // provider was accepted.
  const qnn::QnnApi* Api() const {
    return interface_ != nullptr ? &interface_->QNN_INTERFACE_VER_NAME : nullptr;
  }
  // The system function table of the accepted system provider, or null.
  const qnn::QnnSystemApi* SystemApi() const {
    return system_interface_ != nullptr ? &system_interface_->QNN_SYSTEM_INTERFACE_VER_NAME
                                        : nullptr;
  }
  const qnn::Options& options() const { return options_; }

  // The library in the backend slot (the saver when it is in use) and in
  // the system slot; their path() tells where each was loaded from.
  const SharedLibrary& BackendLibrary() const { return backend_library_; }
  const SharedLibrary& SystemLibrary() const { return system_library_; }

  // A new QNN system context, for reading context binaries.
  [[nodiscard]] Expected<SystemContextHandle> CreateSystemContext();

  // A new QNN context from a context binary on `backend`'s backend and
  // device. `configs` is null-terminated and `count` includes the
  // terminator; for HTP the options' context settings are appended, and
  // under automatic HTP performance control the backend is voted up around
  // the creation. On success the holder owns `profile` too.
  [[nodiscard]] Expected<QnnContextHolder> CreateContextFromBinary(
      qnn::QnnBackend& backend, const QnnContext_Config_t** configs, size_t count,
      const void* binary, uint64_t binary_size, Qnn_ProfileHandle_t profile);

  // The SDK version parsed from the build id; zero before set-up parsed it.
  QnnSdkVersion SdkVersion() const { return sdk_version_; }

  // The empty context configuration list: one null entry, count 1.
  std::pair<const QnnContext_Config_t**, size_t> DefaultContextConfigs() const {
    return {default_context_configs_, 1};
  }

  // The dlopen mode for every QNN library: lazy and global when a custom
  // op package is named (its kernels resolve against QNN), else lazy and
  // deep-bound.
  static int LibraryOpenMode(const qnn::Options& options);

  // Set-up steps; each returns a status and parks the message of the error
  // it met as the thread's pending error.
  //
  // Searches for `file_name` (QnnLibDir, then the shared-library directory,
  // then the platform's search) and loads it into `slot`.
  Status LoadLib(LibrarySlot slot, absl::string_view file_name);
  // Loads `file_name` into the backend slot, or the saver in its place.
  Status LoadBackendLib(absl::string_view file_name);
  // Accepts the backend library's one provider after the version checks.
  Status ResolveApi(const Qnn_Version_t& required_backend_version);
  // Accepts the system library's one provider after the version check.
  Status ResolveSystemApi();

 private:
  QnnManager() = default;

  Status SetUp(const qnn::Options& options, std::optional<std::string> shared_library_dir);
  Status ConfigureAdspLibraryPath();
  Status ParseBuildId();
  bool SaverInUse() const { return !options_.GetSaverOutputDir().empty(); }

  SharedLibrary backend_library_;
  SharedLibrary system_library_;
  const QnnInterface_t* interface_ = nullptr;
  const QnnSystemInterface_t* system_interface_ = nullptr;
  qnn::Options options_;
  std::optional<std::string> shared_library_dir_;
  QnnSdkVersion sdk_version_;
  // Handed out by DefaultContextConfigs; QNN reads it, nobody writes it.
  mutable const QnnContext_Config_t* default_context_configs_[1] = {nullptr};
};

// Joins a directory and a file name with the platform's path-append rules,
// then turns every backslash into "/".
std::string JoinLibraryPath(absl::string_view directory, absl::string_view file_name);

}  // namespace vantro::qualcomm

#endif  // VANTRO_VENDORS_QUALCOMM_QNN_MANAGER_H_
