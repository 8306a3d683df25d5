// initialize through the export: environment options, vendor options, the
// manager and backend it installs, and the build-identification banner.
#include <string>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
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
