// The HTP backend against the simulated QNN: Init's failures and what they
// release, the device configs for device selection and protection domains,
// teardown, and the graph configuration.
#include "vendors/qualcomm/backends/htp_backend.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "HTP/QnnHtpDevice.h"
#include "HTP/QnnHtpGraph.h"
#include "HTP/QnnHtpProperty.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/sim_backend_support.h"
#include "vendors/qualcomm/backends/htp_perf_control.h"
#include "vendors/qualcomm/backends/qnn_log.h"
#include "vendors/qualcomm/backends/qnn_options.h"

namespace qnn {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using vantro::testing::CallsAmong;
using vantro::testing::ScopedQnnLogLevel;
using vantro::testing::SimCoreApi;
using vantro::testing::StderrCapture;

const std::vector<std::string> kReleaseCalls = {"destroyPowerConfigId", "deviceFree",
                                                "deviceFreePlatformInfo", "backendFree",
                                                "logFree"};

class HtpBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vantro::sim::Reset();
    live_before_ = vantro::sim::LiveHandleCount();
  }
  const qnn::QnnApi* Api() { return SimCoreApi(vantro::sim::Library::kHtp); }

  // The config list deviceCreate received, as the simulation prints it.
  static std::string DeviceCreateConfigs() {
    for (const vantro::sim::Call& call : vantro::sim::Calls()) {
      if (call.name != "deviceCreate") continue;
      const size_t at = call.detail.find(" configs=");
      return at == std::string::npos ? call.detail : call.detail.substr(at + 9);
    }
    return "<no deviceCreate>";
  }

  ScopedQnnLogLevel log_level_{kQnnLogInfo};
  int live_before_ = 0;
};

// ---------------------------------------------------------------- Init fails

struct InitFailureCase {
  const char* name;
  void (*prepare)(Options& options);  // may arm the simulation too
  std::string expected_stderr;
  std::vector<std::string> expected_releases;
};

TEST_F(HtpBackendTest, EachFailingInitStepLogsAndReleasesWhatWasMadeInReverseOrder) {
  const InitFailureCase cases[] = {
      {"logCreate fails",
       [](Options&) { vantro::sim::FailCall("logCreate", 7); },
       "ERROR: [Qnn] Failed to create QNN logger: 7\n"
       "ERROR: [Qnn] Failed to create log handle.\n",
       {}},
      {"backendCreate fails",
       [](Options&) { vantro::sim::FailCall("backendCreate", 8); },
       "ERROR: [Qnn] failed to call backend create, 8\n"
       "ERROR: [Qnn] Failed to create backend handle.\n",
       {"logFree"}},
      {"deviceGetPlatformInfo fails",
       [](Options& o) {
         o.SetHtpDeviceId(1);
         vantro::sim::FailCall("deviceGetPlatformInfo", 9);
       },
       "ERROR: [Qnn] failed to get device platform info, 9\n"
       "ERROR: [Qnn] Cannot select HTP device_id=1 without platform info.\n",
       {"backendFree", "logFree"}},
      {"platform info null without error",
       [](Options& o) {
         o.SetHtpDeviceId(1);
         vantro::sim::PlatformConfig platform;
         platform.null_info = true;
         vantro::sim::SetPlatformConfig(platform);
       },
       "ERROR: [Qnn] Cannot select HTP device_id=1 without platform info.\n",
       {"backendFree", "logFree"}},
      {"platform info without device array",
       [](Options& o) {
         o.SetHtpDeviceId(1);
         vantro::sim::PlatformConfig platform;
         platform.device_ids = {0, 1};
         platform.no_device_array = true;
         vantro::sim::SetPlatformConfig(platform);
       },
       "ERROR: [Qnn] HTP platform info reports 2 devices but has no device array.\n",
       {"deviceFreePlatformInfo", "backendFree", "logFree"}},
      {"device id not found",
       [](Options& o) {
         o.SetHtpDeviceId(3);
         vantro::sim::PlatformConfig platform;
         platform.device_ids = {0, 1};
         vantro::sim::SetPlatformConfig(platform);
       },
       "ERROR: [Qnn] HTP device_id=3 was not found among 2 devices.\n",
       {"deviceFreePlatformInfo", "backendFree", "logFree"}},
      {"deviceCreate fails after device selection",
       [](Options& o) {
         o.SetHtpDeviceId(1);
         vantro::sim::PlatformConfig platform;
         platform.device_ids = {0, 1};
         vantro::sim::SetPlatformConfig(platform);
         vantro::sim::FailCall("deviceCreate", 10);
       },
       "INFO: [Qnn] Using HTP device_id=1.\n"
       "ERROR: [Qnn] failed to call device create, 10\n"
       "ERROR: [Qnn] Failed to create device handle.\n",
       {"deviceFreePlatformInfo", "backendFree", "logFree"}},
      {"deviceGetInfrastructure fails (low 16 bits printed)",
       [](Options& o) {
         o.SetHtpPerformanceMode(HtpPerformanceMode::kBurst);
         vantro::sim::FailCall("deviceGetInfrastructure", 0x3000B);
       },
       "INFO: [Qnn] Set HTP performance mode: 2\n"
       "ERROR: [Qnn] HTP backend unable to create device infrastructure. Error 11\n"
       "ERROR: [Qnn] Failed to initialize HTP performance Control, using default performance "
       "mode.\n",
       {"deviceFree", "backendFree", "logFree"}},
      {"infrastructure null without error",
       [](Options& o) {
         o.SetHtpPerformanceMode(HtpPerformanceMode::kBurst);
         vantro::sim::InfrastructureConfig infrastructure;
         infrastructure.null_infrastructure = true;
         vantro::sim::SetInfrastructureConfig(infrastructure);
       },
       "INFO: [Qnn] Set HTP performance mode: 2\n"
       "ERROR: [Qnn] HTP backend failed to create device infrastructure but reported no error.\n"
       "ERROR: [Qnn] Failed to initialize HTP performance Control, using default performance "
       "mode.\n",
       {"deviceFree", "backendFree", "logFree"}},
      {"infrastructure of another type",
       [](Options& o) {
         o.SetHtpPerformanceMode(HtpPerformanceMode::kBurst);
         vantro::sim::InfrastructureConfig infrastructure;
         infrastructure.htp_type = 1;
         vantro::sim::SetInfrastructureConfig(infrastructure);
       },
       "INFO: [Qnn] Set HTP performance mode: 2\n"
       "ERROR: [Qnn] HTP infra type = 1, which is not perf infra type.\n"
       "ERROR: [Qnn] Failed to initialize HTP performance Control, using default performance "
       "mode.\n",
       {"deviceFree", "backendFree", "logFree"}},
      {"createPowerConfigId fails",
       [](Options& o) {
         o.SetHtpPerformanceMode(HtpPerformanceMode::kBurst);
         vantro::sim::FailCall("createPowerConfigId", 0x2000C);
       },
       "INFO: [Qnn] Set HTP performance mode: 2\n"
       "ERROR: [Qnn] HTP backend unable to create power config. Error 12\n"
       "ERROR: [Qnn] Failed to initialize HTP performance Control, using default performance "
       "mode.\n",
       {"deviceFree", "backendFree", "logFree"}},
      {"mode outside the tables fails at the RPC polling set-up",
       [](Options& o) { o.SetHtpPerformanceMode(static_cast<HtpPerformanceMode>(10)); },
       "INFO: [Qnn] Set HTP performance mode: 10\n"
       "ERROR: [Qnn] Invalid performance profile 10 to set power configs during upvote.\n"
       "ERROR: [Qnn] Invalid performance profile 10 to set power configs during downvote.\n"
       "ERROR: [Qnn] Invalid performance profile 10 to set power configs\n"
       "ERROR: [Qnn] Failed to init RPC polling power config.\n"
       "ERROR: [Qnn] Failed to initialize HTP RPC polling.\n",
       {"destroyPowerConfigId", "deviceFree", "backendFree", "logFree"}},
  };
  for (const InitFailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    const qnn::QnnApi* api = Api();
    Options options;
    c.prepare(options);
    auto backend = std::make_unique<HtpBackend>(api);
    StderrCapture capture;
    EXPECT_FALSE(backend->Init(options, std::nullopt));
    EXPECT_EQ(capture.Text(), c.expected_stderr);
    // Released inside Init already, newest first.
    EXPECT_EQ(vantro::sim::LiveHandleCount(), live_before_);
    EXPECT_THAT(CallsAmong(kReleaseCalls), ElementsAreArray(c.expected_releases));
    vantro::sim::ClearCalls();
    backend.reset();
    EXPECT_THAT(CallsAmong(kReleaseCalls), IsEmpty()) << "released twice";
  }
}

TEST_F(HtpBackendTest, LogLevelOffCreatesNoLoggerAndStillSucceeds) {
  const qnn::QnnApi* api = Api();
  Options options;
  options.SetLogLevel(LogLevel::kOff);
  HtpBackend backend(api);
  ASSERT_TRUE(backend.Init(options, std::nullopt));
  EXPECT_EQ(vantro::sim::CountCalls("logCreate"), 0u);
  EXPECT_EQ(backend.LogHandle(), nullptr);
  EXPECT_NE(backend.BackendHandle(), nullptr);
  EXPECT_NE(backend.DeviceHandle(), nullptr);
  const std::vector<vantro::sim::Call> calls = vantro::sim::Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].name, "backendCreate");
  EXPECT_EQ(calls[0].detail, "log=null configs=null");
}

TEST_F(HtpBackendTest, ProvidedSocInfoIsLoggedAndKept) {
  const qnn::QnnApi* api = Api();
  HtpBackend backend(api);
  SocInfo soc;
  soc.soc_name = "SM8650";
  soc.soc_model = 57;
  StderrCapture capture;
  ASSERT_TRUE(backend.Init(Options(), soc));
  EXPECT_EQ(capture.Text(), "INFO: [Qnn] Using provided SoC info. SoC name: SM8650.\n");
  EXPECT_EQ(backend.soc_info().soc_name, "SM8650");
  EXPECT_EQ(backend.soc_info().soc_model, 57u);
}

// ------------------------------------------------------------ device configs

struct DeviceConfigCase {
  const char* name;
  uint32_t device_id;
  PdSession pd_session;
  bool capability_query;     // whether QNN offers the query at all
  Qnn_ErrorHandle_t adaptive_answer;  // its answer for key 2002
  std::string expected_configs;
  std::string expected_stderr;
};

std::string PlatformConfigText(uint32_t device_id) {
  return absl::StrFormat(
      "{option=1 platform_info={version=1 num_hw_devices=1 hw_devices=[{version=1 "
      "device_id=%u device_type=0 num_cores=1}]}}",
      device_id);
}

std::string SignedPdConfigText(uint32_t device_id) {
  return absl::StrFormat("{option=0 htp={option=2 device_id=%u use_signed_process_domain=1}}",
                         device_id);
}

TEST_F(HtpBackendTest, DeviceConfigsFollowDeviceIdAndProtectionDomain) {
  const DeviceConfigCase cases[] = {
      {"no id, unsigned", 0, PdSession::kUnsigned, true, 0, "null", ""},
      {"no id, signed", 0, PdSession::kSigned, true, 0, "[" + SignedPdConfigText(0) + "]", ""},
      {"id 1, unsigned", 1, PdSession::kUnsigned, true, 0, "[" + PlatformConfigText(1) + "]",
       "INFO: [Qnn] Using HTP device_id=1.\n"},
      {"id 1, signed", 1, PdSession::kSigned, true, 0,
       "[" + PlatformConfigText(1) + ", " + SignedPdConfigText(1) + "]",
       "INFO: [Qnn] Using HTP device_id=1.\n"},
      {"adaptive, QNN answers unsigned", 0, PdSession::kAdaptive, true, 0, "null",
       "INFO: [Qnn] HTP adaptive PD selected unsigned PD.\n"},
      {"adaptive, QNN answers signed", 0, PdSession::kAdaptive, true, 1,
       "[" + SignedPdConfigText(0) + "]", "INFO: [Qnn] HTP adaptive PD selected signed PD.\n"},
      {"adaptive without the query", 0, PdSession::kAdaptive, false, 0,
       "[" + SignedPdConfigText(0) + "]", "INFO: [Qnn] HTP adaptive PD selected signed PD.\n"},
      {"id 2, adaptive signed", 2, PdSession::kAdaptive, true, 5,
       "[" + PlatformConfigText(2) + ", " + SignedPdConfigText(2) + "]",
       "INFO: [Qnn] Using HTP device_id=2.\n"
       "INFO: [Qnn] HTP adaptive PD selected signed PD.\n"},
      {"session outside the table", 0, static_cast<PdSession>(7), true, 1, "null", ""},
  };
  for (const DeviceConfigCase& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    vantro::sim::PlatformConfig platform;
    platform.device_ids = {0, 1, 2};
    vantro::sim::SetPlatformConfig(platform);
    vantro::sim::SetCapabilityQueryAvailable(c.capability_query);
    vantro::sim::SetCapability(QNN_PROPERTY_CUSTOM_HTP_UNSIGNED_PD_SUPPORT, c.adaptive_answer);
    const qnn::QnnApi* api = Api();
    Options options;
    options.SetHtpDeviceId(c.device_id);
    options.SetHtpPdSession(c.pd_session);
    {
      HtpBackend backend(api);
      StderrCapture capture;
      ASSERT_TRUE(backend.Init(options, std::nullopt));
      EXPECT_EQ(capture.Text(), c.expected_stderr);
      EXPECT_EQ(DeviceCreateConfigs(), c.expected_configs);
      const bool queried = c.pd_session == PdSession::kAdaptive && c.capability_query;
      EXPECT_EQ(vantro::sim::CountCalls("propertyHasCapability"), queried ? 1u : 0u);
      // The selected platform info stays alive with the device.
      EXPECT_EQ(vantro::sim::LiveHandles()["platform_info"], c.device_id != 0 ? 1 : 0);
    }
    EXPECT_EQ(vantro::sim::LiveHandleCount(), live_before_);
  }
}

TEST_F(HtpBackendTest, TeardownReleasesControllerPlatformInfoThenTheBaseHandles) {
  vantro::sim::PlatformConfig platform;
  platform.device_ids = {0, 4};
  vantro::sim::SetPlatformConfig(platform);
  const qnn::QnnApi* api = Api();
  Options options;
  options.SetHtpDeviceId(4);
  options.SetHtpPerformanceMode(HtpPerformanceMode::kBurst);
  auto backend = std::make_unique<HtpBackend>(api);
  ASSERT_TRUE(backend->Init(options, std::nullopt));
  ASSERT_NE(backend->perf_control(), nullptr);
  vantro::sim::ClearCalls();
  backend.reset();
  EXPECT_THAT(CallsAmong({"setPowerConfig", "destroyPowerConfigId", "deviceFreePlatformInfo",
                          "deviceFree", "backendFree", "logFree"}),
              ElementsAre("setPowerConfig", "destroyPowerConfigId", "deviceFreePlatformInfo",
                          "deviceFree", "backendFree", "logFree"));
  EXPECT_EQ(vantro::sim::LiveHandleCount(), live_before_);
}

TEST_F(HtpBackendTest, DefaultPerformanceModeCreatesNoController) {
  const qnn::QnnApi* api = Api();
  HtpBackend backend(api);
  ASSERT_TRUE(backend.Init(Options(), std::nullopt));
  EXPECT_EQ(backend.perf_control(), nullptr);
  EXPECT_EQ(vantro::sim::CountCalls("deviceGetInfrastructure"), 0u);
}

// ------------------------------------------------------------- graph configs

// One entry as "name(values)", decoded from the records the entries point at.
std::string DescribeEntry(const QnnGraph_Config_t& entry) {
  if (entry.option == QNN_GRAPH_CONFIG_OPTION_PRIORITY) {
    return absl::StrFormat("priority(%u)", static_cast<uint32_t>(entry.priority));
  }
  if (entry.option != QNN_GRAPH_CONFIG_OPTION_CUSTOM) return "unexpected entry";
  const auto* record = static_cast<const QnnHtpGraph_CustomConfig_t*>(entry.customConfig);
  uint8_t first_byte = 0;
  std::memcpy(&first_byte, &record->optimizationOption, 1);
  switch (record->option) {
    case QNN_HTP_GRAPH_CONFIG_OPTION_OPTIMIZATION:
      return absl::StrFormat("optimization(%u,%g)",
                             static_cast<uint32_t>(record->optimizationOption.type),
                             record->optimizationOption.floatValue);
    case QNN_HTP_GRAPH_CONFIG_OPTION_VTCM_SIZE:
      return absl::StrFormat("vtcm(%u)", record->vtcmSizeInMB);
    case QNN_HTP_GRAPH_CONFIG_OPTION_FOLD_RELU_ACTIVATION_INTO_CONV_OFF:
      return absl::StrFormat("fold_relu_off(%u)", first_byte);
    case QNN_HTP_GRAPH_CONFIG_OPTION_SHORT_DEPTH_CONV_ON_HMX_OFF:
      return absl::StrFormat("hmx_off(%u)", first_byte);
    case QNN_HTP_GRAPH_CONFIG_OPTION_NUM_HVX_THREADS:
      return absl::StrFormat("hvx(%u)", record->numHvxThreads);
    case QNN_HTP_GRAPH_CONFIG_OPTION_FINALIZE_CONFIG:
      return absl::StrFormat("finalize(%s,%u,%d)", record->finalizeConfig.key,
                             static_cast<uint32_t>(record->finalizeConfig.value.dataType),
                             record->finalizeConfig.value.int32Value);
    default:
      return absl::StrFormat("option %u", static_cast<uint32_t>(record->option));
  }
}

std::vector<std::string> DescribeAll(GraphConfigs& configs) {
  std::vector<std::string> described;
  const QnnGraph_Config_t** pointers = configs.Pointers();
  for (size_t i = 0; pointers[i] != nullptr; ++i) described.push_back(DescribeEntry(*pointers[i]));
  EXPECT_EQ(described.size(), configs.entries().size());
  return described;
}

const std::vector<std::string> kDefaultEntries = {"optimization(3,3)", "vtcm(0)",
                                                  "fold_relu_off(0)", "hmx_off(0)",
                                                  "priority(100)"};

TEST_F(HtpBackendTest, DefaultGraphConfigsAreFiveEntries) {
  HtpBackend backend(Api());
  GraphConfigs configs = backend.GetGraphConfigs(Options(), "any");
  EXPECT_THAT(DescribeAll(configs), ElementsAreArray(kDefaultEntries));

  // A bool overwrites only the first byte of QNN's initial value word.
  const auto* fold_relu = static_cast<const QnnHtpGraph_CustomConfig_t*>(configs.entries()[2].customConfig);
  uint32_t first_word = 0;
  std::memcpy(&first_word, &fold_relu->optimizationOption, sizeof(first_word));
  EXPECT_EQ(first_word, 0x7FFFFF00u);
}

struct GraphConfigCase {
  const char* name;
  void (*set)(Options& options);
  std::vector<std::string> expected;
  std::string expected_stderr;
};

TEST_F(HtpBackendTest, EachOptionalGraphConfigEntry) {
  const GraphConfigCase cases[] = {
      {"VTCM 8 MB", [](Options& o) { o.SetVtcmSize(8); },
       {"optimization(3,3)", "vtcm(8)", "fold_relu_off(0)", "hmx_off(0)", "priority(100)"}},
      {"fold ReLU and HMX off", [](Options& o) {
         o.SetUseFoldReLU(false);
         o.SetUseConvHMX(false);
       },
       {"optimization(3,3)", "vtcm(0)", "fold_relu_off(1)", "hmx_off(1)", "priority(100)"}},
      {"optimise for prepare",
       [](Options& o) { o.SetOptimizationLevel(OptimizationLevel::kHtpOptimizeForPrepare); },
       {"optimization(3,1)", "vtcm(0)", "fold_relu_off(0)", "hmx_off(0)", "priority(100)"}},
      {"optimise for inference",
       [](Options& o) { o.SetOptimizationLevel(OptimizationLevel::kHtpOptimizeForInference); },
       {"optimization(3,2)", "vtcm(0)", "fold_relu_off(0)", "hmx_off(0)", "priority(100)"}},
      {"P point 5", [](Options& o) { o.SetHtpPPoint(5); },
       {"optimization(3,3)", "vtcm(0)", "fold_relu_off(0)", "hmx_off(0)", "finalize(P,50,5)",
        "priority(100)"}},
      {"P point -1 is skipped with a warning", [](Options& o) { o.SetHtpPPoint(-1); },
       kDefaultEntries,
       "WARNING: [Qnn] Invalid P point (-1): negative values not supported, skipping P point "
       "config.\n"},
      {"tile size 16", [](Options& o) { o.SetHtpWeightSharingChannelTileSize(16); },
       {"optimization(3,3)", "vtcm(0)", "fold_relu_off(0)", "hmx_off(0)",
        "finalize(weight_sharing_channel_tile_size,50,16)", "priority(100)"}},
      {"tile size -3 is skipped with a warning",
       [](Options& o) { o.SetHtpWeightSharingChannelTileSize(-3); }, kDefaultEntries,
       "WARNING: [Qnn] Invalid weight sharing channel tile size (-3): negative values not "
       "supported, skipping weight sharing channel tile size config.\n"},
      {"HVX threads 4", [](Options& o) { o.SetNumHvxThreads(4); },
       {"optimization(3,3)", "vtcm(0)", "fold_relu_off(0)", "hmx_off(0)", "hvx(4)",
        "priority(100)"}},
      {"DLBC", [](Options& o) { o.SetHtpDlbc(true); },
       {"optimization(3,3)", "vtcm(0)", "fold_relu_off(0)", "hmx_off(0)", "optimization(4,1)",
        "priority(100)"}},
      {"DLBC weights", [](Options& o) { o.SetHtpDlbcWeights(true); },
       {"optimization(3,3)", "vtcm(0)", "fold_relu_off(0)", "hmx_off(0)", "optimization(5,1)",
        "priority(100)"}},
      {"everything, in table order", [](Options& o) {
         o.SetHtpPPoint(2);
         o.SetHtpWeightSharingChannelTileSize(3);
         o.SetNumHvxThreads(6);
         o.SetHtpDlbc(true);
         o.SetHtpDlbcWeights(true);
         o.SetGraphPriority(GraphPriority::kHigh);
       },
       {"optimization(3,3)", "vtcm(0)", "fold_relu_off(0)", "hmx_off(0)", "finalize(P,50,2)",
        "finalize(weight_sharing_channel_tile_size,50,3)", "hvx(6)", "optimization(4,1)",
        "optimization(5,1)", "priority(200)"}},
  };
  for (const GraphConfigCase& c : cases) {
    SCOPED_TRACE(c.name);
    HtpBackend backend(Api());
    Options options;
    c.set(options);
    StderrCapture capture;
    GraphConfigs configs = backend.GetGraphConfigs(options, "g");
    EXPECT_EQ(capture.Text(), c.expected_stderr);
    EXPECT_THAT(DescribeAll(configs), ElementsAreArray(c.expected));
  }
}

TEST_F(HtpBackendTest, GraphPriorityMapsToQnnPriority) {
  const struct {
    const char* name;
    GraphPriority priority;
    uint32_t expected;
  } cases[] = {
      {"Default", GraphPriority::kDefault, 100},
      {"Low", GraphPriority::kLow, 0},
      {"Normal", GraphPriority::kNormal, 100},
      {"NormalHigh", GraphPriority::kNormalHigh, 150},
      {"High", GraphPriority::kHigh, 200},
      {"outside the table", static_cast<GraphPriority>(9), 0x7FFFFFFFu},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HtpBackend backend(Api());
    Options options;
    options.SetGraphPriority(c.priority);
    GraphConfigs configs = backend.GetGraphConfigs(options, "g");
    ASSERT_FALSE(configs.entries().empty());
    EXPECT_EQ(configs.entries().back().option, QNN_GRAPH_CONFIG_OPTION_PRIORITY);
    EXPECT_EQ(configs.entries().back().priority, c.expected);
  }
}

TEST_F(HtpBackendTest, GraphConfigsStayValidWhenTheHolderMoves) {
  HtpBackend backend(Api());
  Options options;
  options.SetHtpPPoint(7);
  GraphConfigs moved = backend.GetGraphConfigs(options, "g");
  GraphConfigs holder = std::move(moved);
  EXPECT_THAT(DescribeAll(holder),
              ElementsAre("optimization(3,3)", "vtcm(0)", "fold_relu_off(0)", "hmx_off(0)",
                          "finalize(P,50,7)", "priority(100)"));
}

}  // namespace
}  // namespace qnn
