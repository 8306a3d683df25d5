// The simulation's state: settings with their defaults, armed failures, the
// call log, the handle registry and the loaded libraries, all under one
// mutex. The state is never destroyed: the thin libraries report their
// unloading from static destructors that may run after ours.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "absl/strings/escaping.h"
#include "absl/strings/str_format.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_qnn.h"
#include "sim/qnn/sim_state.h"

namespace vantro::sim {
namespace internal {
namespace {

// Handles made up by the simulation lie in the kernel half of the address
// space, where no user-space object can be: they never collide with real
// addresses adopted by RegisterHandle, and dereferencing one faults.
constexpr uintptr_t kSyntheticHandleBase = 0xFFFFA00000000000ull;

std::atomic<bool> g_call_log_enabled{true};

SimState& State() {
  static SimState* state = new SimState();
  return *state;
}

void ApplyDefaults(SimState& state) {
  for (int i = 0; i < kLibraryCount; ++i) {
    state.configs[i] = DefaultLibraryConfig(static_cast<Library>(i));
  }
  state.failures.clear();
  state.platform = PlatformConfig{};
  state.capability_query = true;
  state.capabilities.clear();
  state.infrastructure = InfrastructureConfig{};
  state.profile_events.clear();
  state.calls.clear();
  state.power_calls.clear();
  state.saver_output_directory.clear();
  state.epoch = std::chrono::steady_clock::now();
  g_call_log_enabled.store(true);
}

// Applies the simulation's part of a scenario; the caller holds the lock.
void ApplyScenarioLocked(SimState& state, const Scenario& scenario) {
  for (const auto& [library, config] : scenario.libraries) {
    state.configs[static_cast<int>(library)] = config;
  }
  for (const ArmedFailure& failure : scenario.failures) state.failures.push_back(failure);
  if (scenario.platform) state.platform = *scenario.platform;
  if (scenario.capability_query) state.capability_query = *scenario.capability_query;
  for (const auto& [key, answer] : scenario.capabilities) state.capabilities[key] = answer;
  if (scenario.infrastructure) state.infrastructure = *scenario.infrastructure;
  if (scenario.profile_events) state.profile_events = *scenario.profile_events;
  if (scenario.call_log_enabled) g_call_log_enabled.store(*scenario.call_log_enabled);
}

// The context area's part; called without the lock.
void ApplyScenarioToContextArea(const Scenario& scenario) {
  if (scenario.binary_info_versions) {
    SetBinaryInfoVersionsImpl(scenario.binary_info_versions->first,
                              scenario.binary_info_versions->second);
  }
  if (scenario.execution_enabled) SetExecutionEnabledImpl(*scenario.execution_enabled);
}

// Defaults, then the scenario file; `reset_context_area` on Reset() only
// (at first use the context area starts at its own defaults).
void LoadSettings(bool reset_context_area) {
  const Scenario scenario = ReadScenarioFromEnvironment();
  {
    std::lock_guard<std::mutex> lock(StateMutex());
    ApplyDefaults(State());
    ApplyScenarioLocked(State(), scenario);
  }
  if (reset_context_area) ResetContextArea();
  ApplyScenarioToContextArea(scenario);
}

}  // namespace

std::mutex& StateMutex() {
  static std::mutex* mutex = new std::mutex();
  return *mutex;
}

void EnsureInitialized() {
  static std::once_flag once;
  std::call_once(once, [] { LoadSettings(/*reset_context_area=*/false); });
}

StateGuard::StateGuard() : lock_((EnsureInitialized(), StateMutex())), state_(&State()) {}

LibraryConfig DefaultLibraryConfig(Library library) {
  LibraryConfig config;
  switch (library) {
    case Library::kSystem:
      config.core = {1, 16, 0};
      break;
    case Library::kHtp:
      config.backend = {5, 52, 0};
      break;
    case Library::kDsp:
      config.backend = {5, 0, 1};
      break;
    case Library::kGpu:
      config.backend = {3, 16, 0};
      break;
    case Library::kIr:
      config.backend = {0, 1, 0};
      break;
    case Library::kLpai:
      config.backend = {2, 37, 0};
      break;
    case Library::kSaver:
      config.backend = {1, 1, 0};
      break;
  }
  return config;
}

const char* InternText(SimState& state, const std::string& text) {
  return state.interned_texts.insert(text).first->c_str();
}

Qnn_ErrorHandle_t EnterCall(const char* name, const std::function<std::string()>& detail) {
  EnsureInitialized();
  const bool log = g_call_log_enabled.load();
  std::string text;
  if (log && detail) text = detail();
  StateGuard state;
  if (log) state->calls.push_back(Call{name, std::move(text)});
  Qnn_ErrorHandle_t result = QNN_SUCCESS;
  auto& failures = state->failures;
  for (auto it = failures.begin(); it != failures.end();) {
    if (it->call != name) {
      ++it;
      continue;
    }
    ++it->seen;
    const bool fires = it->occurrence == 0 || it->seen == it->occurrence;
    if (fires && result == QNN_SUCCESS) result = it->result;
    if (fires && it->occurrence != 0) {
      it = failures.erase(it);
    } else {
      ++it;
    }
  }
  return result;
}

// ---------------------------------------------------------------- handles

void* NewHandleLocked(SimState& state, const char* kind, const void* owner) {
  const uintptr_t value = kSyntheticHandleBase + 16 * state.next_serial++;
  state.handles[value] = HandleRecord{kind, owner};
  return reinterpret_cast<void*>(value);
}

bool IsLiveLocked(const SimState& state, const char* kind, const void* handle) {
  if (handle == nullptr) return false;
  const auto it = state.handles.find(reinterpret_cast<uintptr_t>(handle));
  return it != state.handles.end() && it->second.kind == kind;
}

bool ReleaseHandleLocked(SimState& state, const char* kind, const void* handle) {
  if (!IsLiveLocked(state, kind, handle)) return false;
  state.handles.erase(reinterpret_cast<uintptr_t>(handle));
  return true;
}

void* NewHandle(const char* kind) { return NewHandle(kind, nullptr); }

void* NewHandle(const char* kind, const void* owner) {
  StateGuard state;
  return NewHandleLocked(*state, kind, owner);
}

bool RegisterHandle(const char* kind, const void* handle, const void* owner) {
  if (handle == nullptr) return false;
  StateGuard state;
  return state->handles.emplace(reinterpret_cast<uintptr_t>(handle), HandleRecord{kind, owner})
      .second;
}

bool ReleaseHandle(const char* kind, const void* handle) {
  StateGuard state;
  return ReleaseHandleLocked(*state, kind, handle);
}

bool IsLive(const char* kind, const void* handle) {
  StateGuard state;
  return IsLiveLocked(*state, kind, handle);
}

const void* HandleOwner(const char* kind, const void* handle) {
  StateGuard state;
  if (!IsLiveLocked(*state, kind, handle)) return nullptr;
  return state->handles.at(reinterpret_cast<uintptr_t>(handle)).owner;
}

std::vector<const void*> LiveHandlesOwnedBy(const char* kind, const void* owner) {
  StateGuard state;
  std::vector<const void*> result;
  for (const auto& [value, record] : state->handles) {
    if (record.kind == kind && record.owner == owner) {
      result.push_back(reinterpret_cast<const void*>(value));
    }
  }
  std::sort(result.begin(), result.end());
  return result;
}

uint32_t NewId(const char* kind) {
  StateGuard state;
  // Ids are small numbers, below every synthetic or real handle value.
  const uint32_t id = static_cast<uint32_t>(state->next_serial++);
  state->handles[id] = HandleRecord{kind, nullptr};
  return id;
}

bool ReleaseId(const char* kind, uint32_t id) {
  if (id == 0) return false;
  StateGuard state;
  return ReleaseHandleLocked(*state, kind, reinterpret_cast<const void*>(uintptr_t{id}));
}

bool IsLiveId(const char* kind, uint32_t id) {
  if (id == 0) return false;
  StateGuard state;
  return IsLiveLocked(*state, kind, reinterpret_cast<const void*>(uintptr_t{id}));
}

std::string FormatHandle(const void* handle) {
  if (handle == nullptr) return "null";
  return absl::StrFormat("0x%x", reinterpret_cast<uintptr_t>(handle));
}

std::string FormatText(const char* text) {
  if (text == nullptr) return "null";
  return absl::StrCat("\"", absl::CEscape(text), "\"");
}

double ElapsedMs() {
  const auto now = std::chrono::steady_clock::now();
  StateGuard state;
  return std::chrono::duration<double, std::milli>(now - state->epoch).count();
}

extern "C" void VantroSimQnnLibraryLoaded(const char* file_name) {
  StateGuard state;
  state->loaded_libraries.emplace_back(file_name);
}

extern "C" void VantroSimQnnLibraryUnloaded(const char* file_name) {
  StateGuard state;
  auto& loaded = state->loaded_libraries;
  const auto it = std::find(loaded.begin(), loaded.end(), file_name);
  if (it != loaded.end()) loaded.erase(it);
}

}  // namespace internal

using internal::StateGuard;

const char* LibraryFileName(Library library) {
  switch (library) {
    case Library::kSystem:
      return "QnnSystem.dll";
    case Library::kHtp:
      return "QnnHtp.dll";
    case Library::kDsp:
      return "QnnDsp.dll";
    case Library::kGpu:
      return "libQnnGpu.so";
    case Library::kIr:
      return "QnnIr.dll";
    case Library::kLpai:
      return "QnnLpai.dll";
    case Library::kSaver:
      return "QnnSaver.dll";
  }
  return "";
}

void Reset() {
  internal::EnsureInitialized();
  internal::LoadSettings(/*reset_context_area=*/true);
}

LibraryConfig GetLibraryConfig(Library library) {
  StateGuard state;
  return state->configs[static_cast<int>(library)];
}

void SetLibraryConfig(Library library, const LibraryConfig& config) {
  StateGuard state;
  state->configs[static_cast<int>(library)] = config;
}

void FailCall(const std::string& call, Qnn_ErrorHandle_t result, uint32_t occurrence) {
  StateGuard state;
  state->failures.push_back(internal::ArmedFailure{call, result, occurrence, 0});
}

void ClearFailures() {
  StateGuard state;
  state->failures.clear();
}

void SetCallLogEnabled(bool enabled) {
  internal::EnsureInitialized();
  internal::g_call_log_enabled.store(enabled);
}

std::vector<Call> Calls() {
  StateGuard state;
  return state->calls;
}

std::vector<std::string> CallNames() {
  StateGuard state;
  std::vector<std::string> names;
  names.reserve(state->calls.size());
  for (const Call& call : state->calls) names.push_back(call.name);
  return names;
}

uint32_t CountCalls(const std::string& name) {
  StateGuard state;
  return static_cast<uint32_t>(std::count_if(state->calls.begin(), state->calls.end(),
                                             [&](const Call& c) { return c.name == name; }));
}

void ClearCalls() {
  StateGuard state;
  state->calls.clear();
}

std::map<std::string, int> LiveHandles() {
  StateGuard state;
  std::map<std::string, int> result;
  for (const auto& entry : state->handles) ++result[entry.second.kind];
  return result;
}

int LiveHandleCount() {
  StateGuard state;
  return static_cast<int>(state->handles.size());
}

std::vector<std::string> LoadedLibraries() {
  StateGuard state;
  return state->loaded_libraries;
}

void SetPlatformConfig(const PlatformConfig& config) {
  StateGuard state;
  state->platform = config;
}

void SetCapabilityQueryAvailable(bool available) {
  StateGuard state;
  state->capability_query = available;
}

void SetCapability(QnnProperty_Key_t key, Qnn_ErrorHandle_t answer) {
  StateGuard state;
  state->capabilities[key] = answer;
}

void SetInfrastructureConfig(const InfrastructureConfig& config) {
  StateGuard state;
  state->infrastructure = config;
}

std::vector<PowerConfigCall> PowerConfigCalls() {
  StateGuard state;
  return state->power_calls;
}

void SetProfileEvents(const std::vector<ProfileEvent>& events) {
  StateGuard state;
  state->profile_events = events;
}

std::string SaverOutputDirectory() {
  StateGuard state;
  return state->saver_output_directory;
}

void SetBinaryInfoVersions(uint32_t binary_info_version, uint32_t graph_info_version) {
  internal::EnsureInitialized();
  internal::SetBinaryInfoVersionsImpl(binary_info_version, graph_info_version);
}

void SetExecutionEnabled(bool enabled) {
  internal::EnsureInitialized();
  internal::SetExecutionEnabledImpl(enabled);
}

}  // namespace vantro::sim
