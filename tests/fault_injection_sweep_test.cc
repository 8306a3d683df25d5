// Fault injection on every QNN call of one inference's road.
//
// The road (initialise, device context, buffers, invocation context,
// requirements, attach, invoke with profiling and a dump output, invocation
// options, detach, destroy) is walked once with the call log on to learn
// which QNN calls it makes, then once per (call, occurrence) with the
// simulated QNN failing exactly that call. For each failure:
//   - the operation that met it returns the expected status and logs the
//     expected line, or, where a failure is only logged or ignored, the road
//     goes on to the end;
//   - no QNN handle outlives its owner (the simulation's live handles are
//     back to where they were, apart from the one handle whose release was
//     refused), and LeakSanitizer sees no lost memory;
//   - no call after a release names the released handle;
//   - a fresh road afterwards succeeds and computes the right result.
// The table of calls and outcomes is printed and written to fault_sweep.txt.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "absl/strings/str_replace.h"
#include "HTP/QnnHtpProfile.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/plugin_harness.h"

namespace vantro::testing {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

constexpr Qnn_ErrorHandle_t kInjected = 1001;
constexpr char kRoadPayload[] = "profiling = 1\n";
// Manual control: the new mode is applied at once, on the host's thread, so
// the calls of the road stay in one deterministic order.
constexpr char kInvocationPayload[] = "htp_performance_mode = 3\nhtp_perf_ctrl_mode = 0\n";

// The steps of the road, in order. Teardown steps also run after a failed
// step, for what was created.
enum class Step {
  kInitialize,
  kDeviceCreate,
  kRegister,
  kInvocationCreate,
  kRequirements,
  kAttach,
  kInvoke,
  kSetOptions,
  kDetach,
  kInvocationDestroy,
  kUnregister,
  kDeviceDestroy,
};
constexpr Step kSteps[] = {Step::kInitialize,        Step::kDeviceCreate, Step::kRegister,
                           Step::kInvocationCreate,  Step::kRequirements, Step::kAttach,
                           Step::kInvoke,            Step::kSetOptions,   Step::kDetach,
                           Step::kInvocationDestroy, Step::kUnregister,   Step::kDeviceDestroy};

const char* StepName(Step step) {
  switch (step) {
    case Step::kInitialize: return "initialize";
    case Step::kDeviceCreate: return "device_context_create";
    case Step::kRegister: return "register_tensor_buffer";
    case Step::kInvocationCreate: return "invocation_context_create";
    case Step::kRequirements: return "get_*_requirements";
    case Step::kAttach: return "attach_*";
    case Step::kInvoke: return "invoke";
    case Step::kSetOptions: return "invocation_context_set_options";
    case Step::kDetach: return "detach_*";
    case Step::kInvocationDestroy: return "invocation_context_destroy";
    case Step::kUnregister: return "unregister_tensor_buffer";
    case Step::kDeviceDestroy: return "device_context_destroy";
  }
  return "?";
}

bool IsTeardown(Step step) {
  return step == Step::kDetach || step == Step::kInvocationDestroy ||
         step == Step::kUnregister || step == Step::kDeviceDestroy;
}

// One QNN call of the road: its name, which occurrence of that name it is
// (1-based, from the road's start) and the step that made it.
struct RoadCall {
  std::string name;
  uint32_t occurrence = 0;
  Step step = Step::kInitialize;
};

// What one walk of the road gave.
struct RoadResult {
  std::vector<RoadCall> calls;
  std::optional<Step> failed_step;  // the first step that returned non-zero
  VantroStatus failed_status = kVantroStatusOk;
  std::string failed_log;            // stderr of that step
  std::string log;                   // stderr of the whole road
  bool output_right = false;         // invoke ran and `out` holds relu(x)
  // Invoke ran and wrote its dump output without a failure line. (The dump
  // directory is fixed and shared with other tests, which may empty it at
  // any time, so the files themselves are not looked at.)
  bool dump_written = false;
};

// One walk of the road on its own host; the plug-in's process-wide state
// carries over from walk to walk, as it does in a host process.
class Road {
 public:
  RoadResult Walk() {
    RoadResult result;
    vantro::sim::ClearCalls();
    for (Step step : kSteps) {
      if (result.failed_step.has_value() && !IsTeardown(step)) continue;
      const size_t first_call = vantro::sim::Calls().size();
      CaptureStderr();
      const VantroStatus status = Run(step, &result);
      const std::string log = GetCapturedStderr();
      result.log += log;
      const auto calls = vantro::sim::Calls();
      for (size_t i = first_call; i < calls.size(); ++i) {
        result.calls.push_back({calls[i].name, 0, step});
      }
      if (step == Step::kInvoke) {
        result.dump_written = status == kVantroStatusOk &&
                              log.find("Failed to dump tensor id") == std::string::npos &&
                              log.find("Failed to write dumped tensor") == std::string::npos;
      }
      if (status != kVantroStatusOk && !result.failed_step.has_value()) {
        result.failed_step = step;
        result.failed_status = status;
        result.failed_log = log;
      }
    }
    std::map<std::string, uint32_t> seen;
    for (RoadCall& call : result.calls) call.occurrence = ++seen[call.name];
    return result;
  }

 private:
  VantroStatus Run(Step step, RoadResult* result) {
    const VantroDispatchOperationTable& table = road_.table();
    switch (step) {
      case Step::kInitialize:
        return road_.Initialize(PayloadWithSimLibraries(kRoadPayload));
      case Step::kDeviceCreate: {
        VantroDispatchDeviceContextT* device = nullptr;
        const VantroStatus status =
            table.device_context_create(road_.host().table(), nullptr, &device);
        device_ = device;
        return status;
      }
      case Step::kRegister:
        in_ = Register(&in_buffer_);
        out_ = Register(&out_buffer_);
        dump_ = Register(nullptr);
        registered_ = true;
        return kVantroStatusOk;
      case Step::kInvocationCreate: {
        bytecode_ = ReadFileBytes(ExampleModelPath("relu_dump"));
        VantroMemBufferT record{};
        record.base_addr = bytecode_.data();
        record.size = bytecode_.size();
        VantroDispatchInvocationContextT* invocation = nullptr;
        const VantroStatus status = table.invocation_context_create(
            nullptr, device_, 0, &record, nullptr, 0, 0, &invocation);
        if (status == kVantroStatusOk) invocation_ = invocation;
        return status;
      }
      case Step::kRequirements: {
        const VantroRankedTensorTypeT type = FloatTensorType({2, 3});
        VantroTensorBufferRequirementsT* requirements = nullptr;
        VantroStatus status = table.get_input_requirements(invocation_, 0, &type, &requirements);
        if (status == kVantroStatusOk) {
          status = table.get_output_requirements(invocation_, 0, &type, &requirements);
        }
        return status;
      }
      case Step::kAttach: {
        VantroStatus status = table.attach_input(invocation_, 0, in_);
        if (status == kVantroStatusOk) status = table.attach_output(invocation_, 0, out_);
        if (status == kVantroStatusOk) status = table.attach_output(invocation_, 1, dump_);
        attached_ = status == kVantroStatusOk;
        return status;
      }
      case Step::kInvoke: {
        const float x[6] = {-1.5f, 2, -3, 4, 0, 0.25f};
        std::memcpy(road_.FloatData(in_buffer_), x, sizeof(x));
        std::memset(road_.FloatData(out_buffer_), 0xFF, sizeof(x));
        const VantroStatus status = table.invoke(invocation_);
        const float expected[6] = {0, 2, 0, 4, 0, 0.25f};
        result->output_right =
            status == kVantroStatusOk &&
            std::memcmp(road_.FloatData(out_buffer_), expected, sizeof(expected)) == 0;
        return status;
      }
      case Step::kSetOptions: {
        VantroOptionsT* options = road_.host().NewOptions();
        road_.host().SetOpaqueOptionsText(options, "qualcomm", kInvocationPayload);
        return table.invocation_context_set_options(invocation_, options);
      }
      case Step::kDetach: {
        if (!attached_) return kVantroStatusOk;
        VantroStatus status = table.detach_input(invocation_, 0, in_);
        if (status == kVantroStatusOk) status = table.detach_output(invocation_, 0, out_);
        if (status == kVantroStatusOk) status = table.detach_output(invocation_, 1, dump_);
        return status;
      }
      case Step::kInvocationDestroy: {
        if (invocation_ == nullptr) return kVantroStatusOk;
        const VantroStatus status = table.invocation_context_destroy(invocation_);
        invocation_ = nullptr;
        return status;
      }
      case Step::kUnregister: {
        if (!registered_) return kVantroStatusOk;
        VantroStatus status = kVantroStatusOk;
        for (VantroTensorBufferHandle handle : {in_, out_, dump_}) {
          const VantroStatus one = table.unregister_tensor_buffer(device_, handle);
          if (status == kVantroStatusOk) status = one;
        }
        return status;
      }
      case Step::kDeviceDestroy: {
        if (device_ == nullptr) return kVantroStatusOk;
        const VantroStatus status = table.device_context_destroy(device_);
        device_ = nullptr;
        return status;
      }
    }
    return kVantroStatusOk;
  }

  VantroTensorBufferHandle Register(VantroTensorBufferT** buffer) {
    vantro::sim::TensorBufferSpec spec;
    spec.tensor_type = FloatTensorType({2, 3});
    spec.size = 6 * sizeof(float);
    VantroTensorBufferT* created = road_.host().NewTensorBuffer(spec);
    if (buffer != nullptr) *buffer = created;
    VantroTensorBufferHandle handle = 0;
    EXPECT_EQ(road_.table().register_tensor_buffer(device_, created, &handle), kVantroStatusOk);
    return handle;
  }

  // Owns the host; the harness's own device and invocation lists stay empty,
  // this walk creates and destroys its objects itself.
  PluginRoad road_;
  VantroDispatchDeviceContextT* device_ = nullptr;
  VantroDispatchInvocationContextT* invocation_ = nullptr;
  std::vector<uint8_t> bytecode_;
  VantroTensorBufferT* in_buffer_ = nullptr;
  VantroTensorBufferT* out_buffer_ = nullptr;
  VantroTensorBufferHandle in_ = 0, out_ = 0, dump_ = 0;
  bool registered_ = false;
  bool attached_ = false;
};

// ---- Use after release, read from the call log.

// Handle-valued fields of the call-log texts that designate QNN handles
// (tensor data addresses and the like are not handles).
const std::set<std::string>& HandleFields() {
  static const std::set<std::string> fields = {"log",     "backend", "device", "context",
                                               "graph",   "profile", "info"};
  return fields;
}

// Which argument a release call releases.
std::optional<std::string> ReleasedField(const std::string& call) {
  static const std::map<std::string, std::string> released = {
      {"logFree", "log"},
      {"backendFree", "backend"},
      {"deviceFree", "device"},
      {"deviceFreePlatformInfo", "info"},
      {"contextFree", "context"},
      {"systemContextFree", "context"},
      {"profileFree", "profile"},
      {"destroyPowerConfigId", "id"},
  };
  auto it = released.find(call);
  if (it == released.end()) return std::nullopt;
  return it->second;
}

std::map<std::string, std::string> Fields(const std::string& detail) {
  static const std::regex field("([a-z_]+)=(0x[0-9a-f]+|[A-Za-z0-9_]+)");
  std::map<std::string, std::string> fields;
  for (auto it = std::sregex_iterator(detail.begin(), detail.end(), field);
       it != std::sregex_iterator(); ++it) {
    fields.emplace((*it)[1].str(), (*it)[2].str());  // the first occurrence of a name wins
  }
  return fields;
}

// Follows the call log across walks and reports every call that names a
// handle already released. Simulated handles are never reused, except the
// platform-info records (real addresses), which a new query may hand out
// again; power-config ids are keyed by their infrastructure.
class ReleaseTracker {
 public:
  // `refused` is the index in `calls` of a release that the simulation was
  // told to fail (its handle stays alive), or -1.
  std::vector<std::string> Scan(const std::vector<vantro::sim::Call>& calls, int refused) {
    std::vector<std::string> uses;
    for (size_t i = 0; i < calls.size(); ++i) {
      const vantro::sim::Call& call = calls[i];
      const auto fields = Fields(call.detail);
      if (call.name == "deviceGetPlatformInfo") released_.erase("info");
      if (call.name == "graphRetrieve") {
        auto it = fields.find("context");
        if (it != fields.end()) last_retrieve_context_ = it->second;
      }
      const auto released_field = ReleasedField(call.name);
      for (const auto& [name, value] : fields) {
        if (value == "null") continue;
        const std::string key = KeyOf(call.name, name, fields);
        if (key.empty()) continue;
        if (name == "graph" && graph_context_.count(value) == 0) {
          graph_context_[value] = last_retrieve_context_;
        }
        if (Released(key, value)) {
          uses.push_back(absl::StrCat(call.name, " ", call.detail));
        }
      }
      if (released_field.has_value() && static_cast<int>(i) != refused) {
        auto it = fields.find(*released_field);
        if (it != fields.end() && it->second != "null") {
          const std::string key = KeyOf(call.name, *released_field, fields);
          released_[key].insert(it->second);
          if (call.name == "contextFree") {
            // A context takes its graphs with it.
            for (const auto& [graph, context] : graph_context_) {
              if (context == it->second) released_["handle"].insert(graph);
            }
          }
        }
      }
    }
    return uses;
  }

 private:
  static std::string KeyOf(const std::string& call, const std::string& field,
                           const std::map<std::string, std::string>& fields) {
    if (field == "id") {
      if (call != "setPowerConfig" && call != "destroyPowerConfigId") return "";
      auto it = fields.find("infrastructure");
      return absl::StrCat("id:", it != fields.end() ? it->second : "");
    }
    if (HandleFields().count(field) == 0) return "";
    // Simulated handles are unique across kinds; keyed together, a handle
    // passed under another field name is still caught.
    return field == "info" ? "info" : "handle";
  }
  bool Released(const std::string& key, const std::string& value) const {
    auto it = released_.find(key);
    return it != released_.end() && it->second.count(value) != 0;
  }

  std::map<std::string, std::set<std::string>> released_;
  std::map<std::string, std::string> graph_context_;
  std::string last_retrieve_context_;
};

// ---- Expectations.

// What failing one call must do: `step` fails with `status` and a log line
// matching `line`; with no step, the road goes on (the failure is only
// logged or ignored). `kept` names the handle kinds a refused release leaves
// alive in the simulation (the plug-in cannot do more than log it).
struct Expectation {
  std::optional<Step> step;
  VantroStatus status = kVantroStatusOk;
  std::string line;  // regex of the handler's ERROR line
  std::map<std::string, int> kept;
};

std::string HandlerLine(const std::string& text) {
  return absl::StrCat("ERROR: \\[dispatch_api:[0-9]+\\] ", text);
}

// An error message as it reaches the handler: `text`, possibly behind the
// annotations of the places that passed it up, with older causes after it.
std::string Message(const std::string& text) {
  return absl::StrCat("(ERROR: \\[[a-z_/]+:[0-9]+\\]\n\xE2\x94\x94 )*", text,
                      "(\n\xE2\x94\x94 [^\n]*)*");
}

// Expectations by call name and the step that made the call.
std::optional<Expectation> Expect(const RoadCall& call) {
  const std::string& name = call.name;
  const Step step = call.step;
  Expectation goes_on;
  auto fails = [&](VantroStatus status, const std::string& line) {
    Expectation e;
    e.step = step;
    e.status = status;
    e.line = line;
    return e;
  };
  auto kept = [&](std::map<std::string, int> kinds) {
    Expectation e;
    e.kept = std::move(kinds);
    return e;
  };
  // %p: "0x..." with glibc, bare hex digits on Windows.
  const std::string create_line = HandlerLine(
      "Failed to create context from context binary: %s for function , base address: "
      "(0x)?[0-9a-fA-F]+, size: [0-9]+");
  auto create_fails = [&](const std::string& message) {
    return fails(kVantroStatusRuntimeFailure,
                 absl::StrReplaceAll(create_line, {{"%s", Message(message)}}));
  };

  switch (step) {
    case Step::kInitialize:
      // Releases of the backend being replaced: logged, the new one installed.
      if (name == "logFree") return kept({{"log", 1}});
      if (name == "backendFree") return kept({{"backend", 1}});
      if (name == "deviceFree") return kept({{"device", 1}});
      if (name == "destroyPowerConfigId") return kept({{"power_config_id", 1}});
      if (name == "deviceFreePlatformInfo") return kept({{"platform_info", 1}});
      if (name == "setPowerConfig") return goes_on;  // the old backend's final down vote
      if (name == "QnnSystemInterface_getProviders" || name == "QnnInterface_getProviders") {
        return fails(kVantroStatusRuntimeFailure,
                     HandlerLine(Message("Failed to set up QNN manager")));
      }
      if (name == "backendGetBuildId" && call.occurrence == 1) {
        // The manager's set-up reads it and ignores the result: the text is null.
        return fails(kVantroStatusRuntimeFailure,
                     HandlerLine(Message("Failed to set up QNN manager")));
      }
      if (name == "backendGetBuildId") {
        return fails(kVantroStatusRuntimeFailure,
                     HandlerLine("Failed to get QNN build ID: 1001"));
      }
      if (name == "backendGetApiVersion") {
        return fails(kVantroStatusRuntimeFailure,
                     HandlerLine("Failed to get QNN API version: 1001"));
      }
      if (name == "propertyHasCapability" || name == "deviceGetPlatformInfo") return goes_on;
      // The backend's own set-up: no backend results.
      return fails(kVantroStatusRuntimeFailure, HandlerLine("Failed to initialize QNN backend"));
    case Step::kInvocationCreate:
      if (name == "systemContextCreate") {
        return create_fails("Failed to create QNN system context");
      }
      if (name == "systemContextGetBinaryInfo") {
        return create_fails("Failed to get context binary info");
      }
      if (name == "systemContextFree") return kept({{"system_context", 1}});
      if (name == "profileCreate") return create_fails("Failed to create profile handle");
      if (name == "contextCreateFromBinary") {
        return create_fails("Failed to create QNN context");
      }
      if (name == "graphRetrieve") return create_fails("Failed to retrieve graph");
      if (name == "graphSetConfig" || name == "graphFinalize") {
        return create_fails("Failed to configure graph after retrieve");
      }
      return std::nullopt;
    case Step::kInvoke:
      if (name == "graphExecute") {
        return fails(kVantroStatusRuntimeFailure,
                     HandlerLine("Failed to execute invocation context: Failed to execute graph"));
      }
      if (name == "profileGetEvents") {
        return fails(kVantroStatusRuntimeFailure,
                     HandlerLine("Failed to execute invocation context: " +
                                 Message("Failed to get the profile events")));
      }
      // The two top-level events and the execution event's sub-event list,
      // then the one sub-event.
      if (name == "profileGetSubEvents" ||
          (name == "profileGetEventData" && call.occurrence <= 2)) {
        return fails(kVantroStatusRuntimeFailure,
                     HandlerLine("Failed to execute invocation context: " +
                                 Message("Failed to get the event data from profiling result")));
      }
      if (name == "profileGetEventData") {
        return fails(kVantroStatusRuntimeFailure,
                     HandlerLine("Failed to execute invocation context: " +
                                 Message("Failed to get the sub event data from profiling result")));
      }
      return std::nullopt;
    case Step::kSetOptions:
      if (name == "setPowerConfig") return goes_on;  // a vote's result is not examined
      if (name == "deviceGetInfrastructure" || name == "createPowerConfigId") {
        return fails(kVantroStatusRuntimeFailure,
                     HandlerLine("Failed to set invocation context options: Failed to set "
                                 "performance mode\\."));
      }
      return std::nullopt;
    case Step::kDeviceDestroy:
      if (name == "contextFree") return kept({{"context", 1}, {"graph", 1}});
      if (name == "profileFree") return kept({{"profile", 1}});
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::string FormatKinds(const std::map<std::string, int>& kinds) {
  std::vector<std::string> parts;
  for (const auto& [kind, count] : kinds) {
    if (count != 0) parts.push_back(absl::StrCat(kind, " ", count > 0 ? "+" : "", count));
  }
  return parts.empty() ? "none" : absl::StrJoin(parts, ", ");
}

// Live handles of `now` beyond `before`, by kind (negative: fewer).
std::map<std::string, int> Difference(const std::map<std::string, int>& now,
                                      const std::map<std::string, int>& before) {
  std::map<std::string, int> diff;
  for (const auto& [kind, count] : now) diff[kind] += count;
  for (const auto& [kind, count] : before) diff[kind] -= count;
  for (auto it = diff.begin(); it != diff.end();) {
    it = it->second == 0 ? diff.erase(it) : std::next(it);
  }
  return diff;
}

// The kinds that only device and invocation contexts hold: none may stay
// alive after the road's teardown.
std::map<std::string, int> TransientKinds(const std::map<std::string, int>& live) {
  std::map<std::string, int> transient;
  for (const char* kind : {"context", "graph", "profile", "system_context"}) {
    auto it = live.find(kind);
    if (it != live.end() && it->second != 0) transient[kind] = it->second;
  }
  return transient;
}

// The handler's ERROR lines in a log (a chained message may run on).
std::vector<std::string> HandlerErrorLines(const std::string& log) {
  std::vector<std::string> lines;
  size_t start = 0;
  while ((start = log.find("ERROR: [dispatch_api:", start)) != std::string::npos) {
    size_t end = log.find("\nERROR: [", start + 1);
    size_t end_info = log.find("\nINFO: [", start + 1);
    size_t end_warn = log.find("\nWARNING: [", start + 1);
    size_t end_debug = log.find("\nDEBUG: [", start + 1);
    end = std::min({end, end_info, end_warn, end_debug});
    lines.push_back(log.substr(start, end == std::string::npos ? std::string::npos : end - start));
    start = end == std::string::npos ? log.size() : end + 1;
  }
  return lines;
}

// A handler line for the table: the annotations of the places an error
// passed dropped, its chain on one line.
std::string Summary(const std::string& line) {
  std::string text = std::regex_replace(line, std::regex("^ERROR: \\[dispatch_api:[0-9]+\\] "), "");
  text = std::regex_replace(text, std::regex("ERROR: \\[[a-z_/]+:[0-9]+\\]\n\xE2\x94\x94 "), "");
  text = std::regex_replace(text, std::regex("\n\xE2\x94\x94 "), " / ");
  text = std::regex_replace(text, std::regex(", base address: (0x)?[0-9a-fA-F]+, size: [0-9]+"),
                            "");
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// Failed parts of the running test so far.
int FailureCount() {
  const ::testing::TestResult* result =
      ::testing::UnitTest::GetInstance()->current_test_info()->result();
  int failed = 0;
  for (int i = 0; i < result->total_part_count(); ++i) {
    if (result->GetTestPartResult(i).failed()) ++failed;
  }
  return failed;
}

class FaultInjectionSweepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vantro::sim::Reset();
    SetProfileEvents();
  }
  void TearDown() override { vantro::sim::ClearFailures(); }

  // Two top-level events, the second an execution event with one node
  // sub-event, so that every profiling call is on the road.
  static void SetProfileEvents() {
    vantro::sim::ProfileEvent init;
    init.identifier = "INIT";
    init.type = 1;
    init.value = 1500;
    vantro::sim::ProfileEvent execute;
    execute.identifier = "EXECUTE";
    execute.type = QNN_HTP_PROFILE_EVENTTYPE_GRAPH_EXECUTE_ACCEL_TIME_CYCLE;
    execute.value = 900;
    vantro::sim::ProfileEvent node;
    node.identifier = "relu";
    node.type = QNN_PROFILE_EVENTTYPE_NODE;
    node.value = 7;
    execute.sub_events = {node};
    vantro::sim::SetProfileEvents({init, execute});
  }

  // A whole road that must succeed.
  void FreshRoad(const std::string& context) {
    Road road;
    const RoadResult result = road.Walk();
    const auto calls = vantro::sim::Calls();
    for (const std::string& use : tracker_.Scan(calls, -1)) {
      ADD_FAILURE() << context << ": released handle used: " << use;
    }
    EXPECT_FALSE(result.failed_step.has_value())
        << context << ": " << StepName(*result.failed_step) << " failed with "
        << result.failed_status << "\n"
        << result.failed_log;
    EXPECT_TRUE(result.output_right) << context;
    EXPECT_TRUE(result.dump_written) << context;
  }

  ReleaseTracker tracker_;
};

TEST_F(FaultInjectionSweepTest, EveryQnnCallOfTheRoadFailsCleanly) {
  // The first road installs a backend with an active performance control,
  // as every later road finds it (so the old backend's releases are on the
  // road too).
  FreshRoad("warm-up");
  FreshRoad("second warm-up");
  std::map<std::string, int> baseline = vantro::sim::LiveHandles();

  Road learning_road;
  const RoadResult learned = learning_road.Walk();
  tracker_.Scan(vantro::sim::Calls(), -1);
  ASSERT_FALSE(learned.failed_step.has_value()) << learned.log;
  ASSERT_TRUE(learned.output_right);
  ASSERT_EQ(vantro::sim::LiveHandles(), baseline);
  ASSERT_GT(learned.calls.size(), 20u);

  std::vector<std::string> rows;
  rows.push_back(absl::StrFormat("%-3s %-35s %-31s %-22s %-5s %s", "#", "QNN call #occurrence",
                                 "made by", "handles left", "fresh", "outcome"));
  int index = 0;
  for (const RoadCall& call : learned.calls) {
    ++index;
    const std::string label = absl::StrCat(call.name, " #", call.occurrence, " (in ",
                                           StepName(call.step), ")");
    SCOPED_TRACE(label);
    const std::optional<Expectation> expected = Expect(call);
    if (!expected.has_value()) {
      ADD_FAILURE() << "no expectation for " << label;
      continue;
    }

    const int failures_before = FailureCount();
    vantro::sim::FailCall(call.name, kInjected, call.occurrence);
    Road road;
    const RoadResult result = road.Walk();
    vantro::sim::ClearFailures();

    // The refused call is the occurrence-th of its name in this walk's log.
    const auto calls = vantro::sim::Calls();
    int refused = -1;
    for (size_t i = 0, seen = 0; i < calls.size(); ++i) {
      if (calls[i].name == call.name && ++seen == call.occurrence) {
        refused = static_cast<int>(i);
        break;
      }
    }
    EXPECT_GE(refused, 0) << "the injected failure was not reached";
    for (const std::string& use : tracker_.Scan(calls, refused)) {
      ADD_FAILURE() << "released handle used: " << use;
    }

    std::string outcome;
    if (expected->step.has_value()) {
      EXPECT_EQ(result.failed_step, expected->step)
          << (result.failed_step ? StepName(*result.failed_step) : "nothing") << " failed\n"
          << result.log;
      EXPECT_EQ(result.failed_status, expected->status);
      const auto lines = HandlerErrorLines(result.failed_log);
      EXPECT_EQ(lines.size(), 1u) << result.failed_log;
      if (!lines.empty()) {
        EXPECT_TRUE(std::regex_match(lines.front(), std::regex(expected->line + "\n?")))
            << lines.front() << "\n  expected: " << expected->line;
      }
      outcome = absl::StrFormat("%s fails: %d \"%s\"",
                                result.failed_step ? StepName(*result.failed_step) : "none",
                                static_cast<int>(result.failed_status),
                                lines.empty() ? "" : Summary(lines.front()));
    } else {
      EXPECT_FALSE(result.failed_step.has_value())
          << StepName(*result.failed_step) << " failed\n" << result.failed_log;
      EXPECT_TRUE(result.output_right);
      EXPECT_TRUE(result.dump_written);
      outcome = "road goes on (failure logged or ignored)";
    }

    // Right after teardown nothing a device or invocation context held is
    // alive, except a handle whose release was refused.
    std::map<std::string, int> kept_transient = TransientKinds(expected->kept);
    std::map<std::string, int> baseline_transient = TransientKinds(baseline);
    EXPECT_EQ(Difference(TransientKinds(vantro::sim::LiveHandles()), baseline_transient),
              kept_transient)
        << "after teardown";

    FreshRoad("fresh road after " + label);
    const std::map<std::string, int> live = vantro::sim::LiveHandles();
    const std::map<std::string, int> kept = Difference(live, baseline);
    EXPECT_EQ(kept, expected->kept) << "live handles after a fresh road";
    baseline = live;  // a refused release's handle stays for good

    rows.push_back(absl::StrFormat(
        "%-3d %-35s %-31s %-22s %-5s %s", index, absl::StrCat(call.name, " #", call.occurrence),
        StepName(call.step), FormatKinds(kept),
        FailureCount() > failures_before ? "FAIL" : "ok", outcome));
  }

  const std::string table = absl::StrCat(absl::StrJoin(rows, "\n"), "\n");
  std::cout << "\nFault injection sweep: " << learned.calls.size()
            << " QNN calls on the road, each failed once\n"
            << table << std::flush;
  std::ofstream("fault_sweep.txt") << table;
}

// The sweep's use-after-release check must see what it is there to see.
TEST(ReleaseTrackerTest, ReportsCallsNamingReleasedHandles) {
  using vantro::sim::Call;
  struct Case {
    const char* name;
    std::vector<Call> calls;
    int refused;
    size_t uses;
  };
  const Case cases[] = {
      {"graph of a freed context",
       {{"graphRetrieve", "context=0xa1 name=\"g\""},
        {"graphExecute", "graph=0xb1 inputs=[] outputs=[] profile=null signal=null"},
        {"contextFree", "context=0xa1 profile=null"},
        {"graphExecute", "graph=0xb1 inputs=[] outputs=[] profile=null signal=null"}},
       -1,
       1},
      {"profile freed before its context",
       {{"profileFree", "profile=0xc1"}, {"contextFree", "context=0xa2 profile=0xc1"}},
       -1,
       1},
      {"double free", {{"deviceFree", "device=0xd1"}, {"deviceFree", "device=0xd1"}}, -1, 1},
      {"power-config id after destruction",
       {{"destroyPowerConfigId", "infrastructure=htp id=3"},
        {"setPowerConfig", "infrastructure=htp id=3 configs=[{option=1 dcvs_v3={context_id=3}}]"}},
       -1,
       1},
      {"a refused release keeps the handle",
       {{"contextFree", "context=0xa3 profile=null"}, {"contextFree", "context=0xa3 profile=null"}},
       0,
       0},
      {"tensor data addresses are not handles",
       {{"deviceFreePlatformInfo", "log=null info=0x5500"},
        {"graphExecute", "graph=0xb2 inputs=[{id=1 name=\"x\" version=1 mem_type=0 data=0x5500 "
                         "size=4}] outputs=[] profile=null signal=null"}},
       -1,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReleaseTracker tracker;
    EXPECT_EQ(tracker.Scan(c.calls, c.refused).size(), c.uses);
  }
}

}  // namespace
}  // namespace vantro::testing
