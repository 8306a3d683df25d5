// The simulation's state record and the guard through which the core's
// source files reach it. Only the core (state, tables, backend, profile,
// infrastructures, scenario) includes this; the context area uses
// sim_internal.h.
#ifndef VANTRO_SIM_QNN_SIM_STATE_H_
#define VANTRO_SIM_QNN_SIM_STATE_H_

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_qnn.h"

namespace vantro::sim::internal {

inline constexpr int kLibraryCount = 7;

struct ArmedFailure {
  std::string call;
  Qnn_ErrorHandle_t result = QNN_SUCCESS;
  uint32_t occurrence = 1;  // 0: every call
  uint32_t seen = 0;        // calls of `call` since it was armed
};

struct HandleRecord {
  std::string kind;
  const void* owner = nullptr;
};

// One provider list as handed out. Kept for the life of the process (the
// plug-in holds pointers into it while the library is loaded), and shared
// by every query with the same settings.
struct ProviderSet {
  Library library = Library::kHtp;
  Qnn_Version_t core{};
  Qnn_Version_t backend{};
  uint32_t count = 1;
  bool null_first = false;
  bool capability_query = true;
  std::array<QnnInterface_t, 2> records{};
  std::array<const QnnInterface_t*, 3> list{};
};

struct SystemProviderSet {
  Qnn_Version_t version{};
  uint32_t count = 1;
  bool null_first = false;
  std::array<QnnSystemInterface_t, 2> records{};
  std::array<const QnnSystemInterface_t*, 3> list{};
};

// A platform-info answer; its address is the "platform_info" handle. Each
// device has one core.
struct PlatformInfoStorage {
  QnnDevice_PlatformInfo_t info{};
  std::vector<QnnDevice_HardwareDeviceInfo_t> devices;
  std::vector<QnnDevice_CoreInfo_t> cores;  // one per device, in the same order
};

// The events of one profile handle, rebuilt at each profileGetEvents.
struct EventNode {
  std::string identifier;
  QnnProfile_EventType_t type = 0;
  QnnProfile_EventUnit_t unit = 0;
  QnnProfile_EventValue_t value = 0;
  std::vector<QnnProfile_EventId_t> sub_ids;
};
struct ProfileData {
  QnnProfile_Level_t level = 0;
  std::vector<std::unique_ptr<EventNode>> nodes;
  std::vector<QnnProfile_EventId_t> top_ids;
};

struct SimState {
  // Settings (Reset() restores them).
  std::array<LibraryConfig, kLibraryCount> configs;
  std::vector<ArmedFailure> failures;
  PlatformConfig platform;
  bool capability_query = true;
  std::map<QnnProperty_Key_t, Qnn_ErrorHandle_t> capabilities;
  InfrastructureConfig infrastructure;
  std::vector<ProfileEvent> profile_events;

  // Records (Reset() clears them).
  std::vector<Call> calls;
  std::vector<PowerConfigCall> power_calls;
  std::string saver_output_directory;
  std::chrono::steady_clock::time_point epoch = std::chrono::steady_clock::now();

  // Lives across Reset(): what the plug-in may still hold.
  std::unordered_map<uintptr_t, HandleRecord> handles;
  uint64_t next_serial = 1;
  std::vector<std::string> loaded_libraries;
  std::deque<ProviderSet> provider_sets;
  std::deque<SystemProviderSet> system_provider_sets;
  std::set<std::string> interned_texts;
  std::unordered_map<const void*, std::unique_ptr<PlatformInfoStorage>> platform_infos;
  std::unordered_map<const void*, ProfileData> profiles;
  std::unordered_map<QnnProfile_EventId_t, EventNode*> events;
  QnnProfile_EventId_t next_event_id = 1;
};

// Loads the defaults and the scenario file once, before any state is read.
void EnsureInitialized();

// Holds StateMutex and gives the state; initialises first.
class StateGuard {
 public:
  StateGuard();
  StateGuard(const StateGuard&) = delete;
  StateGuard& operator=(const StateGuard&) = delete;
  SimState* operator->() const { return state_; }
  SimState& operator*() const { return *state_; }

 private:
  std::lock_guard<std::mutex> lock_;
  SimState* state_;
};

// Under the guard: the same operations as the public registry functions.
void* NewHandleLocked(SimState& state, const char* kind, const void* owner);
bool IsLiveLocked(const SimState& state, const char* kind, const void* handle);
bool ReleaseHandleLocked(SimState& state, const char* kind, const void* handle);

// The library settings to their defaults (versions the plug-in needs).
LibraryConfig DefaultLibraryConfig(Library library);

// Settings a scenario file gives; parsed without the lock, applied with it.
struct Scenario {
  std::map<Library, LibraryConfig> libraries;  // defaults with the file's changes
  std::vector<ArmedFailure> failures;
  std::optional<PlatformConfig> platform;
  std::optional<bool> capability_query;
  std::map<QnnProperty_Key_t, Qnn_ErrorHandle_t> capabilities;
  std::optional<InfrastructureConfig> infrastructure;
  std::optional<std::vector<ProfileEvent>> profile_events;
  std::optional<std::pair<uint32_t, uint32_t>> binary_info_versions;
  std::optional<bool> execution_enabled;
  std::optional<bool> call_log_enabled;
};

// Reads the file named by VANTRO_SIM_QNN_SCENARIO (nothing when unset).
// Problems are reported on the standard error stream and the line skipped.
Scenario ReadScenarioFromEnvironment();

// Copies a text into storage that lives as long as the process.
const char* InternText(SimState& state, const std::string& text);

}  // namespace vantro::sim::internal

#endif  // VANTRO_SIM_QNN_SIM_STATE_H_
