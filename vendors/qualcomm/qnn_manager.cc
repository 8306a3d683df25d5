#include "vendors/qualcomm/qnn_manager.h"

#include <exception>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_replace.h"
#include "absl/strings/str_split.h"
#include "cc/internal/vantro_environment.h"
#include "cc/vantro_logging.h"
#include "HTP/QnnHtpContext.h"
#include "vendors/qualcomm/backends/qnn_backend.h"
#include "vendors/qualcomm/build_id.h"
#include "vendors/qualcomm/qnn_saver_utils.h"

namespace vantro::qualcomm {
namespace {

constexpr char kVantroSourcePath[] = "vendors/qualcomm/qnn_manager";

constexpr char kSystemLibrary[] = "QnnSystem.dll";
constexpr char kSaverLibrary[] = "QnnSaver.dll";
constexpr char kAdspLibraryPath[] = "ADSP_LIBRARY_PATH";

constexpr Qnn_Version_t kRequiredCoreVersion{2, 41, 0};
constexpr Qnn_Version_t kRequiredSystemVersion{1, 16, 0};
constexpr Qnn_Version_t kRequiredSaverVersion{1, 1, 0};

// The library and backend API version each backend type binds.
struct BackendLibraryEntry {
  const char* file_name;
  Qnn_Version_t backend_version;
};

std::optional<BackendLibraryEntry> BackendLibraryFor(qnn::BackendType type) {
  switch (type) {
    case qnn::BackendType::kGpu: return BackendLibraryEntry{"libQnnGpu.so", {3, 16, 0}};
    case qnn::BackendType::kHtp: return BackendLibraryEntry{"QnnHtp.dll", {5, 52, 0}};
    case qnn::BackendType::kDsp: return BackendLibraryEntry{"QnnDsp.dll", {5, 0, 1}};
    case qnn::BackendType::kIr: return BackendLibraryEntry{"QnnIr.dll", {0, 1, 0}};
    case qnn::BackendType::kLpai: return BackendLibraryEntry{"QnnLpai.dll", {2, 37, 0}};
    default: return std::nullopt;
  }
}

// Checks a provider's API version against the required one: the major must
// match, the minor must be at least the required one (a larger one only
// warns), the patch is printed but never compared. `what` names the
// library in the messages ("Qnn library", "Qnn backend library", ...).
Status CheckVersion(const char* what, const Qnn_Version_t& got, const Qnn_Version_t& required) {
  if (got.major != required.major) {
    VANTRO_LOG_ERROR(
        "%s version %u.%u.%u is not supported. The minimum supported version is %u.%u.%u. "
        "Please make sure you have the correct library version.",
        what, got.major, got.minor, got.patch, required.major, required.minor,
        required.patch);
    return Status::DynamicLoadingFailure;
  }
  if (got.minor < required.minor) {
    VANTRO_LOG_ERROR(
        "%s version %u.%u.%u is mismatched. The minimum supported version is %u.%u.%u. "
        "Please make sure you have the correct library version.",
        what, got.major, got.minor, got.patch, required.major, required.minor,
        required.patch);
    return Status::DynamicLoadingFailure;
  }
  if (got.minor > required.minor) {
    VANTRO_LOG_WARNING("%s version %u.%u.%u is used. The version Vantro using is %u.%u.%u.",
                       what, got.major, got.minor, got.patch, required.major, required.minor,
                       required.patch);
  }
  return Status::Ok;
}

// The one provider a getProviders entry point offers: the list it hands
// out, checked to hold exactly one non-null entry by the caller.
template <typename Provider, typename GetProvidersFn>
Expected<std::pair<const Provider**, uint32_t>> QueryProviders(const SharedLibrary& library,
                                                               const char* symbol,
                                                               const char* failure_text) {
  auto get_providers = library.LookupSymbol<GetProvidersFn>(symbol);
  if (!get_providers.HasValue()) return get_providers.GetError();
  const Provider** providers = nullptr;
  uint32_t count = 0;
  if (get_providers.Value()(&providers, &count) != QNN_SUCCESS) {
    return Error(Status::RuntimeFailure, failure_text);
  }
  return std::make_pair(providers, count);
}

Qnn_Priority_t QnnPriority(qnn::GraphPriority priority) {
  switch (priority) {
    case qnn::GraphPriority::kLow: return QNN_PRIORITY_LOW;
    case qnn::GraphPriority::kNormal: return QNN_PRIORITY_NORMAL;
    case qnn::GraphPriority::kNormalHigh: return QNN_PRIORITY_NORMAL_HIGH;
    case qnn::GraphPriority::kHigh: return QNN_PRIORITY_HIGH;
    default: return QNN_PRIORITY_UNDEFINED;
  }
}

// The error of a failed step carried up with this file's location; the
// step's own message, parked as the pending error, joins behind it.
Error LocatedErrorWithCause(Status status, const char* message, int line) {
  Error cause(status);  // takes the pending message of the same status
  Error located = LocatedError(status, message, kVantroSourcePath, line).ToError();
  ToStatus(cause);
  return Error(status, located.message());
}

}  // namespace

std::string JoinLibraryPath(absl::string_view directory, absl::string_view file_name) {
  std::string joined;
  try {
    joined = (std::filesystem::path(std::string(directory)) / std::string(file_name)).string();
  } catch (const std::exception&) {
    // Windows converts through the code page and throws for text it cannot
    // express; nothing may leave set-up as an exception, so join plainly.
    joined = absl::StrCat(directory, "/", file_name);
  }
  return absl::StrReplaceAll(joined, {{"\\", "/"}});
}

// ------------------------------------------------------------ context holder

QnnContextHolder::QnnContextHolder(QnnContextHolder&& other) noexcept
    : context_(std::exchange(other.context_, nullptr)),
      profile_(std::exchange(other.profile_, nullptr)),
      context_free_(std::exchange(other.context_free_, nullptr)),
      profile_free_(std::exchange(other.profile_free_, nullptr)) {}

QnnContextHolder& QnnContextHolder::operator=(QnnContextHolder&& other) noexcept {
  if (this != &other) {
    Release();
    context_ = std::exchange(other.context_, nullptr);
    profile_ = std::exchange(other.profile_, nullptr);
    context_free_ = std::exchange(other.context_free_, nullptr);
    profile_free_ = std::exchange(other.profile_free_, nullptr);
  }
  return *this;
}

void QnnContextHolder::Release() {
  if (profile_ != nullptr && profile_free_ != nullptr) {
    if (profile_free_(profile_) != QNN_SUCCESS) {
      VANTRO_LOG_ERROR("%s", "Failed to free profile handle\n");
    }
    profile_ = nullptr;
  }
  if (context_ != nullptr && context_free_ != nullptr) {
    if (context_free_(context_, profile_) != QNN_SUCCESS) {
      VANTRO_LOG_ERROR("%s", "Failed to free context handle\n");
    }
  }
  context_ = nullptr;
  profile_ = nullptr;
}

// ------------------------------------------------------------------ manager

Expected<std::unique_ptr<QnnManager>> QnnManager::Create(
    const qnn::Options& options, std::optional<std::string> shared_library_dir) {
  std::unique_ptr<QnnManager> manager(new QnnManager());
  const Status status = manager->SetUp(options, std::move(shared_library_dir));
  if (status != Status::Ok) {
    manager.reset();  // unloads whatever set-up had loaded
    return LocatedErrorWithCause(status, "Failed to set up QNN manager", __LINE__);
  }
  return manager;
}

int QnnManager::LibraryOpenMode(const qnn::Options& options) {
  if (!options.GetCustomOpPackage().name.empty()) return kRtldLazy | kRtldGlobal;
  return kRtldLazy | kRtldDeepBind;
}

Status QnnManager::SetUp(const qnn::Options& options,
                         std::optional<std::string> shared_library_dir) {
  shared_library_dir_ = std::move(shared_library_dir);
  options_ = options;

  if (Status status = ConfigureAdspLibraryPath(); status != Status::Ok) return status;
  if (Status status = LoadLib(LibrarySlot::kSystem, kSystemLibrary); status != Status::Ok) {
    return status;
  }
  if (Status status = ResolveSystemApi(); status != Status::Ok) return status;

  const std::optional<BackendLibraryEntry> backend = BackendLibraryFor(options_.GetBackendType());
  if (!backend.has_value()) {
    VANTRO_LOG_ERROR("Unsupported backend type: %d",
                     static_cast<int>(options_.GetBackendType()));
    return Status::RuntimeFailure;
  }
  if (Status status = LoadBackendLib(backend->file_name); status != Status::Ok) return status;
  if (Status status = ResolveApi(backend->backend_version); status != Status::Ok) {
    return status;
  }
  return ParseBuildId();
}

Status QnnManager::ConfigureAdspLibraryPath() {
  std::string directory;
  if (!options_.GetDspSkelDir().empty()) {
    directory = std::string(options_.GetDspSkelDir());
  } else if (!options_.GetQnnLibDir().empty()) {
    directory = std::string(options_.GetQnnLibDir());
  } else if (shared_library_dir_.has_value() && !shared_library_dir_->empty()) {
    directory = *shared_library_dir_;
  } else {
    return Status::Ok;
  }
  VANTRO_LOG_INFO("Configuring ADSP_LIBRARY_PATH with dir: %s", directory.c_str());

  const std::optional<std::string> current = ReadEnvironmentVariable(kAdspLibraryPath);
  bool written = true;
  if (!current.has_value() || current->empty()) {
    written = WriteEnvironmentVariable(kAdspLibraryPath, directory.c_str());
  } else {
    bool present = false;
    for (absl::string_view piece : absl::StrSplit(*current, ';')) {
      if (piece == directory) {
        present = true;
        break;
      }
    }
    if (!present) {
      written = WriteEnvironmentVariable(kAdspLibraryPath,
                                         absl::StrCat(directory, ";", *current).c_str());
    }
  }
  if (!written) return Status::RuntimeFailure;

  if (ShouldLog(kVantroLogDebug)) {
    const std::string now = ReadEnvironmentVariable(kAdspLibraryPath).value_or("");
    VANTRO_LOG_DEBUG("ADSP_LIBRARY_PATH: %s", now.c_str());
  }
  return Status::Ok;
}

Status QnnManager::LoadLib(LibrarySlot slot, absl::string_view file_name) {
  const std::string name(file_name);
  const int mode = LibraryOpenMode(options_);
  SharedLibrary& target = slot == LibrarySlot::kBackend ? backend_library_ : system_library_;

  // One attempt from a directory; its error is dropped, the caller falls back.
  auto load_from = [&](absl::string_view directory) {
    const std::string path = JoinLibraryPath(directory, name);
    VANTRO_LOG_INFO("Loading qnn shared library from \"%s\"", path.c_str());
    Expected<SharedLibrary> library = SharedLibrary::Load(path, mode);
    if (!library.HasValue()) return false;
    target = std::move(library.Value());
    return true;
  };

  const absl::string_view qnn_lib_dir = options_.GetQnnLibDir();
  if (!qnn_lib_dir.empty()) {
    if (load_from(qnn_lib_dir)) return Status::Ok;
    VANTRO_LOG_INFO("Falling back from qnn_lib_dir to loading \"%s\"", name.c_str());
  }
  if (shared_library_dir_.has_value() && !shared_library_dir_->empty() &&
      *shared_library_dir_ != qnn_lib_dir) {
    if (load_from(*shared_library_dir_)) return Status::Ok;
    VANTRO_LOG_INFO("Falling back from shared_library_dir to loading \"%s\"", name.c_str());
  }

  VANTRO_LOG_INFO("Loading qnn shared library from \"%s\"", name.c_str());
  Expected<SharedLibrary> library = SharedLibrary::Load(name, mode);
  if (!library.HasValue()) {
    VANTRO_LOG_ERROR("Failed to load qnn shared library from \"%s\": %s", name.c_str(),
                     SharedLibrary::LoaderErrorText().c_str());
    return ToStatus(library.GetError());
  }
  target = std::move(library.Value());
  return Status::Ok;
}

Status QnnManager::LoadBackendLib(absl::string_view file_name) {
  if (SaverInUse()) {
    // The saver stands in for the backend; the backend library is not loaded.
    if (Status status = LoadLib(LibrarySlot::kBackend, kSaverLibrary); status != Status::Ok) {
      return status;
    }
    if (Status status = InitializeSaver(*this, options_.GetSaverOutputDir());
        status != Status::Ok) {
      return status;
    }
  } else if (Status status = LoadLib(LibrarySlot::kBackend, file_name); status != Status::Ok) {
    return status;
  }
  VANTRO_LOG_INFO("Loaded qnn shared library");
  return Status::Ok;
}

Status QnnManager::ResolveApi(const Qnn_Version_t& required_backend_version) {
  if (backend_library_.kind() == HandleKind::kInvalid) {
    VANTRO_LOG_ERROR("%s", "Cannot resolve functions: libQnn*.so has not been loaded.\n");
    return Status::DynamicLoadingFailure;
  }
  auto providers = QueryProviders<QnnInterface_t, decltype(&QnnInterface_getProviders)>(
      backend_library_, "QnnInterface_getProviders", "Failed to get providers");
  if (!providers.HasValue()) {
    VANTRO_LOG_ERROR("Failed to load providers from library: %s",
                     providers.GetError().message().c_str());
    return ToStatus(providers.GetError());
  }
  const auto [list, count] = providers.Value();
  if (count != 1) {
    VANTRO_LOG_ERROR("Found %zu providers, expected %u", static_cast<size_t>(count), 1u);
    return Status::DynamicLoadingFailure;
  }
  const QnnInterface_t* provider = list != nullptr ? list[0] : nullptr;
  if (provider == nullptr) {
    VANTRO_LOG_ERROR("%s", "No valid interface was provided\n");
    return Status::DynamicLoadingFailure;
  }
  if (Status status =
          CheckVersion("Qnn library", provider->apiVersion.coreApiVersion, kRequiredCoreVersion);
      status != Status::Ok) {
    return status;
  }
  const Qnn_Version_t& required_backend =
      SaverInUse() ? kRequiredSaverVersion : required_backend_version;
  if (Status status = CheckVersion("Qnn backend library", provider->apiVersion.backendApiVersion,
                                   required_backend);
      status != Status::Ok) {
    return status;
  }
  interface_ = provider;
  return Status::Ok;
}

Status QnnManager::ResolveSystemApi() {
  auto providers = QueryProviders<QnnSystemInterface_t, decltype(&QnnSystemInterface_getProviders)>(
      system_library_, "QnnSystemInterface_getProviders", "Failed to get system providers");
  if (!providers.HasValue()) {
    VANTRO_LOG_ERROR("Failed to load system providers: %s",
                     providers.GetError().message().c_str());
    return ToStatus(providers.GetError());
  }
  const auto [list, count] = providers.Value();
  if (count != 1) {
    VANTRO_LOG_ERROR("Found %zu system providers, expected %u", static_cast<size_t>(count),
                     1u);
    return Status::DynamicLoadingFailure;
  }
  const QnnSystemInterface_t* provider = list != nullptr ? list[0] : nullptr;
  if (provider == nullptr) {
    VANTRO_LOG_ERROR("%s", "No valid system interface was provided\n");
    return Status::DynamicLoadingFailure;
  }
  if (Status status =
          CheckVersion("Qnn System library", provider->systemApiVersion, kRequiredSystemVersion);
      status != Status::Ok) {
    return status;
  }
  system_interface_ = provider;
  return Status::Ok;
}

Status QnnManager::ParseBuildId() {
  const char* build_id = nullptr;
  if (Api()->backendGetBuildId != nullptr) {
    (void)Api()->backendGetBuildId(&build_id);  // only the text matters
  }
  const std::optional<BuildIdVersion> version = ParseBuildIdVersion(build_id);
  if (!version.has_value()) {
    VANTRO_LOG_ERROR("Failed to parse build ID");
    return Status::RuntimeFailure;
  }
  sdk_version_ = QnnSdkVersion{static_cast<uint32_t>(version->major),
                               static_cast<uint32_t>(version->minor),
                               static_cast<uint32_t>(version->patch)};
  return Status::Ok;
}

// ----------------------------------------------------------------- contexts

Expected<SystemContextHandle> QnnManager::CreateSystemContext() {
  QnnSystemContext_Handle_t handle = nullptr;
  const Qnn_ErrorHandle_t result = SystemApi()->systemContextCreate(&handle);
  if (result != QNN_SUCCESS) {
    VANTRO_LOG_ERROR("Failed to create QNN system context: %d", static_cast<int>(result));
    return VANTRO_LOCATED_ERROR(Status::RuntimeFailure, "Failed to create QNN system context");
  }
  return SystemContextHandle(handle, SystemApi()->systemContextFree);
}

Expected<QnnContextHolder> QnnManager::CreateContextFromBinary(qnn::QnnBackend& backend,
                                                               const QnnContext_Config_t** configs,
                                                               size_t count, const void* binary,
                                                               uint64_t binary_size,
                                                               Qnn_ProfileHandle_t profile) {
  const bool htp = options_.GetBackendType() == qnn::BackendType::kHtp;

  // HTP context settings, appended behind the caller's entries; the records
  // live on this frame until QNN has read them.
  QnnContext_Config_t priority_config{};
  QnnHtpContext_CustomConfig_t budget_custom{};
  QnnContext_Config_t budget_config{};
  QnnHtpContext_CustomConfig_t acceleration_custom{};
  QnnContext_Config_t acceleration_config{};
  std::vector<const QnnContext_Config_t*> prepared;
  if (htp) {
    if (options_.GetGraphPriority() != qnn::GraphPriority::kDefault) {
      priority_config.option = QNN_CONTEXT_CONFIG_OPTION_PRIORITY;
      priority_config.priority = QnnPriority(options_.GetGraphPriority());
      prepared.push_back(&priority_config);
    }
    if (options_.GetHtpFileReadMemoryBudgetMB() != 0) {
      budget_custom.option = QNN_HTP_CONTEXT_CONFIG_OPTION_FILE_READ_MEMORY_BUDGET;
      budget_custom.fileReadMemoryBudgetInMb = options_.GetHtpFileReadMemoryBudgetMB();
      budget_config.option = QNN_CONTEXT_CONFIG_OPTION_CUSTOM;
      budget_config.customConfig = &budget_custom;
      prepared.push_back(&budget_config);
    }
    if (options_.GetHtpContextInitAcceleration()) {
      acceleration_custom.option = QNN_HTP_CONTEXT_CONFIG_OPTION_INIT_ACCELERATION;
      acceleration_custom.initAcceleration = true;
      acceleration_config.option = QNN_CONTEXT_CONFIG_OPTION_CUSTOM;
      acceleration_config.customConfig = &acceleration_custom;
      prepared.push_back(&acceleration_config);
    }
  }
  std::vector<const QnnContext_Config_t*> extended;
  const QnnContext_Config_t** list = configs;
  if (!prepared.empty()) {
    for (size_t i = 0; configs != nullptr && i < count; ++i) {
      if (configs[i] != nullptr) extended.push_back(configs[i]);
    }
    extended.insert(extended.end(), prepared.begin(), prepared.end());
    extended.push_back(nullptr);
    list = extended.data();
  }

  const bool vote = htp && options_.GetHtpPerfCtrlMode() == qnn::PerfCtrlMode::kAuto &&
                    options_.GetHtpPerformanceMode() != qnn::HtpPerformanceMode::kDefault;
  if (vote) backend.UpVote();
  Qnn_ContextHandle_t context = nullptr;
  const Qnn_ErrorHandle_t result =
      Api()->contextCreateFromBinary(backend.BackendHandle(), backend.DeviceHandle(), list, binary,
                                     binary_size, &context, profile);
  if (vote) {
    try {
      backend.ScheduleDownVote();
    } catch (...) {
      // The down vote may need the voting thread, which may fail to start.
      // The new context is freed on the way out; the profile handle stays
      // the caller's, as for any failed creation.
      if (result == QNN_SUCCESS && context != nullptr) Api()->contextFree(context, nullptr);
      throw;
    }
  }

  if (result != QNN_SUCCESS) {
    VANTRO_LOG_ERROR("Failed to create QNN context: %d", static_cast<int>(result));
    return VANTRO_LOCATED_ERROR(Status::RuntimeFailure, "Failed to create QNN context");
  }
  return QnnContextHolder(context, profile, Api()->contextFree, Api()->profileFree);
}

}  // namespace vantro::qualcomm
