// initialize through the export: environment options, vendor options, the
// manager and backend it installs, and the build-identification banner.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cc/internal/vantro_environment.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/environment_test_support.h"
#include "tests/support/plugin_harness.h"

namespace vantro::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class DispatchInitializeTest : public ::testing::Test {
 protected:
  void SetUp() override { vantro::sim::Reset(); }
  void TearDown() override {
    vantro::sim::Reset();
    // Leave the process's plug-in initialised with defaults and INFO logging.
    PluginRoad road;
    road.host().SetEnvironmentInt(road.environment(), 25, 1);
    CaptureStderr();
    road.Initialize(PayloadWithSimLibraries());
    GetCapturedStderr();
  }
  std::string BuildId() {
    const char* text = nullptr;
    PluginTable().get_build_id(&text);
    return text;
  }
};

TEST_F(DispatchInitializeTest, WritesTheBannerWithTheCoreApiVersionAndBuildId) {
  auto config = vantro::sim::GetLibraryConfig(vantro::sim::Library::kHtp);
  config.core = {2, 41, 3};
  config.build_id = "v2.41.3.260101";
  vantro::sim::SetLibraryConfig(vantro::sim::Library::kHtp, config);
  PluginRoad road;
  CaptureStderr();
  ASSERT_EQ(road.Initialize(PayloadWithSimLibraries()), kVantroStatusOk);
  GetCapturedStderr();
  EXPECT_EQ(BuildId(),
            "Qualcomm Dispatch API version 0.1.0, QNN API version 2.41.3, build id: "
            "v2.41.3.260101");
}

TEST_F(DispatchInitializeTest, MissingVendorOptionsFallBackToDefaults) {
  PluginRoad road;
  // Without options the libraries are found through the shared-library dir.
  road.host().SetEnvironmentString(road.environment(), 1, VANTRO_SIM_QNN_DIR);
  CaptureStderr();
  EXPECT_EQ(road.Initialize("", /*with_options=*/false), kVantroStatusOk);
  EXPECT_THAT(GetCapturedStderr(),
              HasSubstr("Failed to parse qnn options, using default settings. Null Qualcomm "
                        "options\n"));
}

TEST_F(DispatchInitializeTest, OptionsUnderAnotherIdentifierOrRejectedCountAsMissing) {
  struct Case {
    const char* name;
    std::string identifier;
    std::string payload;
  };
  const Case cases[] = {
      {"other identifier", "mediatek", "log_level = 3"},
      {"malformed payload", "qualcomm", "use_conv_hmx = yes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PluginRoad road;
    road.host().SetEnvironmentString(road.environment(), 1, VANTRO_SIM_QNN_DIR);
    VantroOptionsT* options = road.host().NewOptions();
    road.host().SetOpaqueOptionsText(options, c.identifier, c.payload);
    CaptureStderr();
    EXPECT_EQ(road.table().initialize(road.host().table(), road.environment(), options),
              kVantroStatusOk);
    EXPECT_THAT(GetCapturedStderr(),
                MatchesRegex("(.|\n)*ERROR: \\[dispatch_api:[0-9]+\\] Failed to parse qnn options, "
                             "using default settings\\. Null Qualcomm options\n(.|\n)*"));
  }
}

#if !defined(_WIN32)
// In this process: initialize with no environment options and a rejected
// payload, then a failure of the same status on the same thread. Exits 0
// when that failure's log line carries its own message only; otherwise
// prints the log and exits 1.
[[noreturn]] void InitializeRejectedThenFailAndExit() {
  vantro::sim::Reset();
  PluginRoad road;
  road.host().FailEntry(vantro::sim::HostEntry::kGetEnvironmentOptions, kVantroStatusNotFound);
  CaptureStderr();
  const VantroStatus initialized = road.Initialize("use_conv_hmx = yes");
  VantroDispatchDeviceContextT* device = nullptr;
  road.table().device_context_create(road.host().table(), nullptr, &device);
  VantroMemBufferT no_handle{};
  VantroDispatchInvocationContextT* invocation = nullptr;
  const VantroStatus failed = road.table().invocation_context_create(
      nullptr, device, kVantroBytecodeKindJitHandle, &no_handle, nullptr, 0, 0, &invocation);
  const std::string log = GetCapturedStderr();
  const bool only_its_own =
      initialized == kVantroStatusOk && failed == kVantroStatusInvalidArgument &&
      log.find("using default settings. Null Qualcomm options\n") != std::string::npos &&
      log.find("binary: Invalid JIT handle for function") != std::string::npos &&
      log.find("Invalid boolean value") == std::string::npos;
  if (!only_its_own)
    std::fprintf(stderr, "status %d, then %d; log:\n%s", initialized, failed, log.c_str());
  std::exit(only_its_own ? 0 : 1);
}

// The message a rejected payload parked is logged with the default-settings
// line and then dropped, so a later, unrelated failure of the same status
// does not carry it. Without environment options nothing else on the way
// clears it; the libraries are then found by bare file name, which the
// loader looks up through LD_LIBRARY_PATH as it was at start-up, so the
// scenario runs in a re-executed copy of this binary.
TEST_F(DispatchInitializeTest, RejectedPayloadLeavesNoMessageForLaterErrors) {
  const std::optional<std::string> saved_path = ReadEnvironmentVariable("LD_LIBRARY_PATH");
  ASSERT_TRUE(WriteEnvironmentVariable("LD_LIBRARY_PATH", VANTRO_SIM_QNN_DIR));
  const std::string saved_style = GTEST_FLAG_GET(death_test_style);
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // re-executes the binary
  EXPECT_EXIT(InitializeRejectedThenFailAndExit(), ::testing::ExitedWithCode(0), "");
  GTEST_FLAG_SET(death_test_style, saved_style);
  EXPECT_TRUE(SetOrRemoveEnvironmentVariable("LD_LIBRARY_PATH", saved_path));
}
#endif  // !defined(_WIN32)

TEST_F(DispatchInitializeTest, FailuresKeepThePreviousState) {
  PluginRoad road;
  CaptureStderr();
  ASSERT_EQ(road.Initialize(PayloadWithSimLibraries()), kVantroStatusOk);
  GetCapturedStderr();
  const std::string banner = BuildId();

  struct Case {
    const char* name;
    const char* call;
    VantroStatus expected;
    const char* log;
  };
  const Case cases[] = {
      {"backend creation", "backendCreate", kVantroStatusRuntimeFailure,
       "Failed to initialize QNN backend"},
      {"system library providers", "QnnSystemInterface_getProviders",
       kVantroStatusRuntimeFailure, "Failed to set up QNN manager"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::FailCall(c.call, 7);
    CaptureStderr();
    EXPECT_EQ(road.Initialize(PayloadWithSimLibraries()), c.expected);
    EXPECT_THAT(GetCapturedStderr(), HasSubstr(c.log));
    EXPECT_EQ(BuildId(), banner);
    vantro::sim::ClearFailures();
  }
}

// A second initialize while device and invocation contexts of the first
// still exist installs a new manager and backend, but must not free the
// ones those contexts use: each context keeps the pair it was created
// with, and the replaced pair goes with the last of them.
TEST_F(DispatchInitializeTest, ContextsKeepTheirManagerAndBackendAcrossInitialize) {
  // Handles alive now beyond those of `base`.
  auto live_beyond = [](const std::map<std::string, int>& base, const char* kind) {
    auto now = vantro::sim::LiveHandles();
    const auto it = base.find(kind);
    return now[kind] - (it == base.end() ? 0 : it->second);
  };
  const std::map<std::string, int> before = vantro::sim::LiveHandles();
  // Backends and devices are counted from the first initialisation on: it
  // replaces whatever pair an earlier test left installed.
  std::map<std::string, int> installed;
  auto live = [&](const char* kind) {
    const bool pair = std::string(kind) == "backend" || std::string(kind) == "device";
    return live_beyond(pair ? installed : before, kind);
  };
  {
    // The first pair: automatic Burst votes (a voting thread) and profiling.
    PluginRoad first;
    CaptureStderr();
    ASSERT_EQ(first.Initialize(PayloadWithSimLibraries(
                  "htp_performance_mode = 2\nhtp_perf_ctrl_mode = 1\nprofiling = 1\n")),
              kVantroStatusOk);
    installed = vantro::sim::LiveHandles();
    installed["backend"] -= 1;  // the first pair's own
    installed["device"] -= 1;
    first.OpenDevice();
    VantroDispatchInvocationContextT* invocation = nullptr;
    ASSERT_EQ(first.CreateInvocation(ReadFileBytes(ExampleModelPath("add_relu")), nullptr,
                                     &invocation),
              kVantroStatusOk);
    GetCapturedStderr();
    VantroTensorBufferT* out = nullptr;
    ASSERT_EQ(first.AttachAddReluBuffers(invocation, &out), kVantroStatusOk);
    // A second device context of the first pair, with no invocation yet.
    VantroDispatchDeviceContextT* idle_device = nullptr;
    ASSERT_EQ(first.table().device_context_create(first.host().table(), nullptr, &idle_device),
              kVantroStatusOk);
    EXPECT_EQ(live("backend"), 1);

    // The second pair replaces the first as the installed one.
    PluginRoad second;
    CaptureStderr();
    ASSERT_EQ(second.Initialize(PayloadWithSimLibraries()), kVantroStatusOk);
    GetCapturedStderr();
    ASSERT_EQ(live("backend"), 2) << "the first backend must live on with its contexts";
    EXPECT_EQ(live("device"), 2);

    // The first pair's contexts still work, on the first pair.
    std::string log;
    CaptureStderr();
    EXPECT_EQ(first.table().invoke(invocation), kVantroStatusOk);
    log = GetCapturedStderr();
    EXPECT_EQ(first.FloatData(out)[7], 3.0f);
    EXPECT_THAT(log, HasSubstr("Execute Stats:")) << "the first pair's profiling";
    const uint32_t profiles = vantro::sim::CountCalls("profileCreate");
    const std::vector<uint8_t> bytecode = ReadFileBytes(ExampleModelPath("add_relu"));
    VantroMemBufferT record{};
    record.base_addr = bytecode.data();
    record.size = bytecode.size();
    VantroDispatchInvocationContextT* late = nullptr;
    CaptureStderr();
    ASSERT_EQ(first.table().invocation_context_create(nullptr, idle_device, 0, &record, nullptr,
                                                      0, 0, &late),
              kVantroStatusOk);
    GetCapturedStderr();
    EXPECT_EQ(vantro::sim::CountCalls("profileCreate"), profiles + 1)
        << "created with the first pair's options";
    EXPECT_EQ(first.table().invocation_context_destroy(late), kVantroStatusOk);
    EXPECT_EQ(first.table().device_context_destroy(idle_device), kVantroStatusOk);
    EXPECT_EQ(live("backend"), 2) << "the first device context still holds the first pair";

    // A device context opened now gets the second pair.
    second.OpenDevice();
    VantroDispatchInvocationContextT* current = nullptr;
    CaptureStderr();
    ASSERT_EQ(second.CreateInvocation(bytecode, nullptr, &current), kVantroStatusOk);
    GetCapturedStderr();
    EXPECT_EQ(vantro::sim::CountCalls("profileCreate"), profiles + 1) << "no profiling there";
    // `second` goes first, then `first` with the last contexts of its pair.
  }
  // Both pairs' contexts are gone; the second pair stays installed.
  EXPECT_EQ(live("backend"), 1);
  EXPECT_EQ(live("device"), 1);
  EXPECT_EQ(live("context"), 0);
  EXPECT_EQ(live("profile"), 0);
  EXPECT_EQ(live("power_config_id"), 0) << "the first pair's id went with it";
}

TEST_F(DispatchInitializeTest, QueriesAfterInstallFailWithTheirCodes) {
  struct Case {
    const char* name;
    const char* call;
    const char* log;
  };
  const Case cases[] = {
      {"api version", "backendGetApiVersion", "Failed to get QNN API version: 9"},
      {"build id", "backendGetBuildId", "Failed to get QNN build ID: 9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PluginRoad road;
    // Set-up reads the build id once itself; fail the call initialize makes.
    vantro::sim::FailCall(c.call, 9, std::string(c.call) == "backendGetBuildId" ? 2 : 1);
    CaptureStderr();
    EXPECT_EQ(road.Initialize(PayloadWithSimLibraries()), kVantroStatusRuntimeFailure);
    EXPECT_THAT(GetCapturedStderr(), HasSubstr(c.log));
    vantro::sim::ClearFailures();
  }
}

TEST_F(DispatchInitializeTest, SeverityEnvironmentOptionSilencesInfoAndWarnings) {
  PluginRoad road;
  road.host().SetEnvironmentInt(road.environment(), 25, 3);
  CaptureStderr();
  ASSERT_EQ(road.Initialize(PayloadWithSimLibraries()), kVantroStatusOk);
  const VantroApiVersion older = {0, 0, 9};
  road.table().check_runtime_compatibility(older);
  const std::string log = GetCapturedStderr();
  EXPECT_THAT(log, Not(HasSubstr("INFO: [")));
  EXPECT_THAT(log, Not(HasSubstr("WARNING: [")));
}

TEST_F(DispatchInitializeTest, ForcesRawGraphIoWhateverThePayloadSays) {
  PluginRoad road;
  CaptureStderr();
  ASSERT_EQ(road.Initialize(PayloadWithSimLibraries("graph_io_tensor_mem_type = 1\n")),
            kVantroStatusOk);
  road.OpenDevice();
  VantroDispatchInvocationContextT* invocation = nullptr;
  ASSERT_EQ(road.CreateInvocation(ReadFileBytes(ExampleModelPath("add_relu")), nullptr,
                                  &invocation),
            kVantroStatusOk);
  GetCapturedStderr();
  const VantroRankedTensorTypeT type = FloatTensorType({1, 8});
  VantroTensorBufferRequirementsT* requirements = nullptr;
  ASSERT_EQ(road.table().get_input_requirements(invocation, 0, &type, &requirements),
            kVantroStatusOk);
  auto read = road.host().ReadRequirements(requirements);
  ASSERT_TRUE(read.has_value());
  EXPECT_THAT(read->buffer_types, ::testing::ElementsAre(1));
}

TEST_F(DispatchInitializeTest, NullHostTableIsRefused) {
  EXPECT_EQ(PluginTable().initialize(nullptr, nullptr, nullptr), kVantroStatusInvalidArgument);
}

}  // namespace
}  // namespace vantro::testing
