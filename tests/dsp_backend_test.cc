// The DSP backend and its performance control against the simulated QNN:
// Init's failures, protection-domain configs, the up and down lists per mode
// as the DSP infrastructure received them, Auto voting, mode changes,
// teardown and the graph configuration.
#include "vendors/qualcomm/backends/dsp_backend.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "DSP/QnnDspDevice.h"
#include "DSP/QnnDspGraph.h"
#include "DSP/QnnDspProperty.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/racing_infrastructure.h"
#include "tests/support/sim_backend_support.h"
#include "vendors/qualcomm/backends/dsp_perf_control.h"
#include "vendors/qualcomm/backends/qnn_log.h"
#include "vendors/qualcomm/backends/qnn_options.h"

namespace qnn {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using vantro::testing::CallsAmong;
using vantro::testing::ExpectOneTimeCreationUnderTwoThreads;
using vantro::testing::RacingInfrastructure;
using vantro::testing::ScopedQnnLogLevel;
using vantro::testing::SimCoreApi;
using vantro::testing::StderrCapture;
using vantro::testing::WaitUntil;

constexpr auto kForever = std::chrono::hours(1);
const char kDown[] = "(2,2000) (5,48) (5,64) (5,64) (1,1) (4,4)";

std::vector<std::string> AppliedLists() {
  std::vector<std::string> lists;
  for (const auto& call : vantro::sim::PowerConfigCalls()) {
    EXPECT_FALSE(call.htp);
    std::vector<std::string> parts;
    for (const QnnDspPerfInfrastructure_PowerConfig_t& config : call.dsp_configs) {
      // Every member of the union is the one value word.
      parts.push_back(absl::StrFormat("(%u,%u)", static_cast<uint32_t>(config.config),
                                      config.dcvsEnableConfig));
    }
    lists.push_back(absl::StrJoin(parts, " "));
  }
  return lists;
}

class DspBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vantro::sim::Reset();
    live_before_ = vantro::sim::LiveHandleCount();
  }
  const qnn::QnnApi* Api() { return SimCoreApi(vantro::sim::Library::kDsp); }

  std::unique_ptr<DspBackend> NewBackend(DspPerformanceMode mode, PerfCtrlMode control,
                                         VotingThread::Clock::duration delay = kForever) {
    Options options;
    options.SetBackendType(BackendType::kDsp);
    options.SetDspPerformanceMode(mode);
    options.SetDspPerfCtrlMode(control);
    auto backend = std::make_unique<DspBackend>(Api(), delay);
    EXPECT_TRUE(backend->Init(options, std::nullopt));
    return backend;
  }
  static bool WaitForLists(size_t count) {
    return WaitUntil([&] { return vantro::sim::PowerConfigCalls().size() >= count; });
  }
  static std::string BackendCreateConfigs() {
    for (const vantro::sim::Call& call : vantro::sim::Calls()) {
      if (call.name != "backendCreate") continue;
      const size_t at = call.detail.find(" configs=");
      return at == std::string::npos ? call.detail : call.detail.substr(at + 9);
    }
    return "<no backendCreate>";
  }

  ScopedQnnLogLevel log_level_{kQnnLogInfo};
  int live_before_ = 0;
};

TEST_F(DspBackendTest, EachFailingInitStepLogsAndReleasesWhatWasMadeInReverseOrder) {
  const struct {
    const char* name;
    DspPerformanceMode mode;
    void (*arm)();
    std::string expected_stderr;
    std::vector<std::string> expected_releases;
  } cases[] = {
      {"logCreate fails", DspPerformanceMode::kDefault,
       [] { vantro::sim::FailCall("logCreate", 3); },
       "ERROR: [Qnn] Failed to create QNN logger: 3\n"
       "ERROR: [Qnn] Failed to create log handle.\n",
       {}},
      {"backendCreate fails", DspPerformanceMode::kDefault,
       [] { vantro::sim::FailCall("backendCreate", 4); },
       "ERROR: [Qnn] failed to call backend create, 4\n"
       "ERROR: [Qnn] Failed to create backend handle.\n",
       {"logFree"}},
      {"deviceGetInfrastructure fails (low 16 bits printed)", DspPerformanceMode::kBurst,
       [] { vantro::sim::FailCall("deviceGetInfrastructure", 0x70005); },
       "ERROR: [Qnn] DSP backend unable to create device infrastructure. Error 5\n"
       "ERROR: [Qnn] Failed to initialize DSP performance Control.\n",
       {"backendFree", "logFree"}},
      {"infrastructure null without error", DspPerformanceMode::kBurst,
       [] {
         vantro::sim::InfrastructureConfig infrastructure;
         infrastructure.null_infrastructure = true;
         vantro::sim::SetInfrastructureConfig(infrastructure);
       },
       "ERROR: [Qnn] DSP backend failed to create device infrastructure but reported no error.\n"
       "ERROR: [Qnn] Failed to initialize DSP performance Control.\n",
       {"backendFree", "logFree"}},
      {"createPowerConfigId fails", DspPerformanceMode::kBurst,
       [] { vantro::sim::FailCall("createPowerConfigId", 0x10006); },
       "ERROR: [Qnn] DSP backend unable to create power config. Error 6\n"
       "ERROR: [Qnn] Failed to initialize DSP performance Control.\n",
       {"backendFree", "logFree"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    const qnn::QnnApi* api = Api();
    c.arm();
    Options options;
    options.SetDspPerformanceMode(c.mode);
    auto backend = std::make_unique<DspBackend>(api);
    StderrCapture capture;
    EXPECT_FALSE(backend->Init(options, std::nullopt));
    EXPECT_EQ(capture.Text(), c.expected_stderr);
    EXPECT_EQ(vantro::sim::LiveHandleCount(), live_before_);
    EXPECT_THAT(CallsAmong({"destroyPowerConfigId", "backendFree", "logFree"}),
                ElementsAreArray(c.expected_releases));
    vantro::sim::ClearCalls();
    backend.reset();
    EXPECT_THAT(CallsAmong({"destroyPowerConfigId", "backendFree", "logFree"}), IsEmpty());
  }
}

TEST_F(DspBackendTest, ProtectionDomainConfigs) {
  const char kSigned[] = "[{option=0 dsp={option=2 use_signed_process_domain=1}}]";
  const struct {
    const char* name;
    PdSession session;
    bool capability_query;
    Qnn_ErrorHandle_t answer;
    std::string expected_configs;
    std::string expected_stderr;
  } cases[] = {
      {"unsigned", PdSession::kUnsigned, true, 1, "null", ""},
      {"signed", PdSession::kSigned, true, 0, kSigned, ""},
      {"adaptive, QNN answers unsigned", PdSession::kAdaptive, true, 0, "null",
       "INFO: [Qnn] DSP adaptive PD selected unsigned PD.\n"},
      {"adaptive, QNN answers signed", PdSession::kAdaptive, true, 1, kSigned,
       "INFO: [Qnn] DSP adaptive PD selected signed PD.\n"},
      {"adaptive without the query", PdSession::kAdaptive, false, 0, kSigned,
       "INFO: [Qnn] DSP adaptive PD selected signed PD.\n"},
      {"session outside the table", static_cast<PdSession>(5), true, 1, "null", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    vantro::sim::SetCapabilityQueryAvailable(c.capability_query);
    vantro::sim::SetCapability(QNN_PROPERTY_CUSTOM_DSP_UNSIGNED_PD_SUPPORT, c.answer);
    Options options;
    options.SetDspPdSession(c.session);
    DspBackend backend(Api());
    StderrCapture capture;
    ASSERT_TRUE(backend.Init(options, std::nullopt));
    EXPECT_EQ(capture.Text(), c.expected_stderr);
    EXPECT_EQ(BackendCreateConfigs(), c.expected_configs);
    EXPECT_EQ(backend.DeviceHandle(), nullptr);
    EXPECT_EQ(vantro::sim::CountCalls("deviceCreate"), 0u);
  }
}

TEST_F(DspBackendTest, ManualControlAppliesTheModesUpListAtInitAndDownAtTeardown) {
  const struct {
    const char* name;
    DspPerformanceMode mode;
    std::string up;
  } cases[] = {
      {"SustainedHighPerformance", DspPerformanceMode::kSustainedHighPerformance,
       "(2,100) (5,128) (5,128) (5,160) (1,0) (4,16)"},
      {"Burst", DspPerformanceMode::kBurst, "(2,40) (5,160) (5,160) (5,160) (1,0) (4,16)"},
      {"HighPerformance", DspPerformanceMode::kHighPerformance,
       "(2,100) (5,128) (5,128) (5,160) (1,0) (4,16)"},
      {"PowerSaver", DspPerformanceMode::kPowerSaver,
       "(2,1000) (5,64) (5,64) (5,64) (1,0) (4,16)"},
      {"LowPowerSaver", DspPerformanceMode::kLowPowerSaver,
       "(2,1000) (5,48) (5,48) (5,48) (1,0) (4,16)"},
      {"HighPowerSaver", DspPerformanceMode::kHighPowerSaver,
       "(2,1000) (5,80) (5,80) (5,80) (1,0) (4,16)"},
      {"LowBalanced", DspPerformanceMode::kLowBalanced,
       "(2,1000) (5,96) (5,96) (5,96) (1,0) (4,16)"},
      {"Balanced", DspPerformanceMode::kBalanced,
       "(2,1000) (5,112) (5,112) (5,112) (1,0) (4,16)"},
      // A first start with an unknown mode votes the down records, never
      // indeterminate memory.
      {"unknown mode 9 on a fresh controller", static_cast<DspPerformanceMode>(9), kDown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    auto backend = NewBackend(c.mode, PerfCtrlMode::kManual);
    EXPECT_THAT(AppliedLists(), ElementsAre(c.up));
    vantro::sim::ClearCalls();
    backend.reset();
    EXPECT_THAT(AppliedLists(), ElementsAre(c.up, kDown));
    EXPECT_THAT(CallsAmong({"setPowerConfig", "destroyPowerConfigId", "backendFree", "logFree"}),
                ElementsAre("setPowerConfig", "destroyPowerConfigId", "backendFree", "logFree"));
    EXPECT_EQ(vantro::sim::LiveHandleCount(), live_before_);
  }
}

TEST_F(DspBackendTest, UnknownModeIsLoggedAndKeepsTheUpRecordsOfTheLastKnownMode) {
  auto backend = NewBackend(DspPerformanceMode::kPowerSaver, PerfCtrlMode::kManual);
  Options options;
  options.SetDspPerformanceMode(static_cast<DspPerformanceMode>(11));
  StderrCapture capture;
  ASSERT_TRUE(backend->SetPerformanceMode(options));
  EXPECT_EQ(capture.Text(), "INFO: [Qnn] Unknown perf mode 11, use default.\n");
  const std::string power_saver = "(2,1000) (5,64) (5,64) (5,64) (1,0) (4,16)";
  EXPECT_THAT(AppliedLists(), ElementsAre(power_saver, power_saver));
}

TEST_F(DspBackendTest, AutoBurstDropsADownVoteFollowedByAnUpVote) {
  const std::string burst = "(2,40) (5,160) (5,160) (5,160) (1,0) (4,16)";
  auto backend = NewBackend(DspPerformanceMode::kBurst, PerfCtrlMode::kAuto);
  EXPECT_THAT(AppliedLists(), IsEmpty());
  backend->ScheduleUpVote();
  ASSERT_TRUE(WaitForLists(1));
  backend->ScheduleDownVote();
  backend->ScheduleUpVote();
  ASSERT_TRUE(WaitForLists(2));
  EXPECT_THAT(AppliedLists(), ElementsAre(burst, burst));
}

TEST_F(DspBackendTest, AutoDownVoteIsDelayedOnlyForTheFastModes) {
  {
    auto backend = NewBackend(DspPerformanceMode::kPowerSaver, PerfCtrlMode::kAuto);
    backend->ScheduleDownVote();
    ASSERT_TRUE(WaitForLists(1));  // an hour of delay would not let it through
    EXPECT_THAT(AppliedLists(), ElementsAre(kDown));
  }
  vantro::sim::Reset();
  {
    auto backend = NewBackend(DspPerformanceMode::kSustainedHighPerformance, PerfCtrlMode::kAuto,
                              std::chrono::milliseconds(20));
    const auto scheduled = std::chrono::steady_clock::now();
    backend->ScheduleDownVote();
    ASSERT_TRUE(WaitForLists(1));
    EXPECT_GE(std::chrono::steady_clock::now() - scheduled, std::chrono::milliseconds(20));
    EXPECT_THAT(AppliedLists(), ElementsAre(kDown));
  }
}

TEST_F(DspBackendTest, TeardownAppliesQueuedVotesBeforeTheFinalDownAndTheIdRelease) {
  auto backend = NewBackend(DspPerformanceMode::kBalanced, PerfCtrlMode::kAuto);
  constexpr int kVotes = 10;
  for (int i = 0; i < kVotes; ++i) {
    backend->ScheduleUpVote();
    backend->ScheduleDownVote();
  }
  vantro::sim::ClearCalls();
  backend.reset();
  const std::vector<std::string> lists = AppliedLists();
  ASSERT_EQ(lists.size(), 2u * kVotes + 1);
  EXPECT_EQ(lists.back(), kDown);
  const std::vector<std::string> order = CallsAmong({"setPowerConfig", "destroyPowerConfigId"});
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.back(), "destroyPowerConfigId");
}

TEST_F(DspBackendTest, ModeChanges) {
  ScopedQnnLogLevel debug(kQnnLogDebug);
  const std::string balanced = "(2,1000) (5,112) (5,112) (5,112) (1,0) (4,16)";
  auto backend = NewBackend(DspPerformanceMode::kDefault, PerfCtrlMode::kManual);
  ASSERT_EQ(backend->perf_control(), nullptr);

  Options options;
  options.SetDspPerformanceMode(DspPerformanceMode::kBalanced);
  {
    StderrCapture capture;
    ASSERT_TRUE(backend->SetPerformanceMode(options));
    EXPECT_EQ(capture.Text(),
              "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Init new mode.\n"
              "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Work for kManual.\n");
  }
  {
    StderrCapture capture;
    ASSERT_TRUE(backend->SetPerformanceMode(options));
    EXPECT_EQ(capture.Text(),
              "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Perf mode doesn't change.\n");
  }
  options.SetDspPerformanceMode(DspPerformanceMode::kDefault);
  ASSERT_TRUE(backend->SetPerformanceMode(options));
  EXPECT_EQ(backend->perf_control()->mode(), 0u);
  EXPECT_THAT(AppliedLists(), ElementsAre(balanced, kDown));

  options.SetDspPerformanceMode(DspPerformanceMode::kBurst);
  options.SetDspPerfCtrlMode(PerfCtrlMode::kAuto);
  {
    StderrCapture capture;
    ASSERT_TRUE(backend->SetPerformanceMode(options));
    EXPECT_EQ(capture.Text(),
              "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Init new mode.\n"
              "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Ignore due to kAuto.\n");
  }
  EXPECT_EQ(AppliedLists().size(), 2u);
  EXPECT_EQ(vantro::sim::CountCalls("createPowerConfigId"), 1u) << "the id is created once";
}

TEST_F(DspBackendTest, SwitchingControlInTheSameModeAppliesTheUpListOnlyForManual) {
  ScopedQnnLogLevel debug(kQnnLogDebug);
  const std::string burst = "(2,40) (5,160) (5,160) (5,160) (1,0) (4,16)";
  const struct {
    const char* name;
    PerfCtrlMode from, to;
    std::string log;
    std::vector<std::string> lists;
  } cases[] = {
      {"Auto to Manual", PerfCtrlMode::kAuto, PerfCtrlMode::kManual,
       "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Perf mode doesn't change.\n"
       "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Work for kManual.\n",
       {burst}},
      {"Manual to Auto", PerfCtrlMode::kManual, PerfCtrlMode::kAuto,
       "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Perf mode doesn't change.\n", {burst}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    std::unique_ptr<DspBackend> backend;
    {
      StderrCapture init;
      backend = NewBackend(DspPerformanceMode::kBurst, c.from);
    }
    Options options;
    options.SetBackendType(BackendType::kDsp);
    options.SetDspPerformanceMode(DspPerformanceMode::kBurst);
    options.SetDspPerfCtrlMode(c.to);
    StderrCapture capture;
    ASSERT_TRUE(backend->SetPerformanceMode(options));
    EXPECT_EQ(capture.Text(), c.log);
    EXPECT_EQ(AppliedLists(), c.lists);
  }
}

// A switch to Manual after an invoke's votes in Burst applies the mode's up
// list at once: the delayed down vote still pending must not land after it.
// The delay is short, so one that was not cancelled arrives while the test
// waits.
TEST_F(DspBackendTest, SwitchToManualCancelsAPendingDelayedDownVote) {
  constexpr auto kDelay = std::chrono::milliseconds(50);
  const struct {
    const char* name;
    DspPerformanceMode mode;
    std::string up;
  } cases[] = {
      {"same mode", DspPerformanceMode::kBurst, "(2,40) (5,160) (5,160) (5,160) (1,0) (4,16)"},
      {"new mode", DspPerformanceMode::kBalanced, "(2,1000) (5,112) (5,112) (5,112) (1,0) (4,16)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    auto backend = NewBackend(DspPerformanceMode::kBurst, PerfCtrlMode::kAuto, kDelay);
    backend->ScheduleUpVote();
    ASSERT_TRUE(WaitForLists(1));
    backend->ScheduleDownVote();
    Options manual;
    manual.SetBackendType(BackendType::kDsp);
    manual.SetDspPerformanceMode(c.mode);
    manual.SetDspPerfCtrlMode(PerfCtrlMode::kManual);
    ASSERT_TRUE(backend->SetPerformanceMode(manual));
    // Only the failing case depends on this wait: a down vote that was not
    // cancelled lands within it unless the machine stalls the thread.
    std::this_thread::sleep_for(6 * kDelay);
    EXPECT_EQ(AppliedLists().back(), c.up) << absl::StrJoin(AppliedLists(), "\n");
  }
}

// The DSP's records for the racing infrastructure; every list is a vote.
struct DspRacing {
  using Infrastructure = QnnDspDevice_Infrastructure_t;
  static constexpr vantro::sim::Library kLibrary = vantro::sim::Library::kDsp;
  static Infrastructure& Functions(Infrastructure& infrastructure) { return infrastructure; }
  static bool IsVote(const QnnDspPerfInfrastructure_PowerConfig_t* const*) { return true; }
};

// Two host threads using the backend first on two contexts (allowed: the
// host serialises calls per context only).
TEST_F(DspBackendTest, FirstUseFromTwoThreadsCreatesOneControllerIdAndVotingThread) {
  const int ids_before = vantro::sim::LiveHandles()["power_config_id"];
  RacingInfrastructure<DspRacing> racing;
  Options initial;
  initial.SetBackendType(BackendType::kDsp);
  auto backend = std::make_unique<DspBackend>(racing.api(), kForever);
  ASSERT_TRUE(backend->Init(initial, std::nullopt));
  racing.Arm();
  Options burst = initial;
  burst.SetDspPerformanceMode(DspPerformanceMode::kBurst);
  burst.SetDspPerfCtrlMode(PerfCtrlMode::kAuto);
  ExpectOneTimeCreationUnderTwoThreads(std::move(backend), racing, burst, ids_before);
}

TEST_F(DspBackendTest, FailedModeChangeLogsAndReturnsFalse) {
  auto backend = NewBackend(DspPerformanceMode::kDefault, PerfCtrlMode::kManual);
  vantro::sim::FailCall("deviceGetInfrastructure", 2);
  Options options;
  options.SetDspPerformanceMode(DspPerformanceMode::kBurst);
  StderrCapture capture;
  EXPECT_FALSE(backend->SetPerformanceMode(options));
  EXPECT_EQ(capture.Text(),
            "ERROR: [Qnn] DSP backend unable to create device infrastructure. Error 2\n"
            "ERROR: [Qnn] Failed to set DSP performance mode in SetPerformanceMode\n");
}

TEST_F(DspBackendTest, VotingWithoutControllerWarnsAndUpVoteDoesNothing) {
  auto backend = NewBackend(DspPerformanceMode::kDefault, PerfCtrlMode::kAuto);
  StderrCapture capture;
  backend->UpVote();
  backend->ScheduleUpVote();
  backend->ScheduleDownVote();
  EXPECT_EQ(capture.Text(),
            "WARNING: [Qnn] ScheduleUpVote called but DSP performance control is not "
            "initialized.\n"
            "WARNING: [Qnn] ScheduleDownVote called but DSP performance control is not "
            "initialized.\n");
  EXPECT_TRUE(vantro::sim::PowerConfigCalls().empty());
}

TEST_F(DspBackendTest, UpVoteOnABackendWithControlDoesNothing) {
  auto backend = NewBackend(DspPerformanceMode::kBurst, PerfCtrlMode::kAuto);
  StderrCapture capture;
  backend->UpVote();
  EXPECT_EQ(capture.Text(), "");
  EXPECT_TRUE(vantro::sim::PowerConfigCalls().empty());
}

TEST_F(DspBackendTest, GraphConfigsCarryTheEncoding) {
  const struct {
    const char* name;
    DspEncoding encoding;
    uint32_t expected;
  } cases[] = {
      {"static", DspEncoding::kStatic, 2},
      {"dynamic", DspEncoding::kDynamic, 1},
      {"outside the table", static_cast<DspEncoding>(4), 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DspBackend backend(Api());
    Options options;
    options.SetDspEncoding(c.encoding);
    GraphConfigs configs = backend.GetGraphConfigs(options, "g");
    ASSERT_EQ(configs.entries().size(), 1u) << "no priority entry";
    EXPECT_EQ(configs.entries()[0].option, QNN_GRAPH_CONFIG_OPTION_CUSTOM);
    const auto* record = static_cast<const QnnDspGraph_CustomConfig_t*>(configs.entries()[0].customConfig);
    EXPECT_EQ(record->option, QNN_DSP_GRAPH_CONFIG_OPTION_ENCODING);
    EXPECT_EQ(static_cast<uint32_t>(record->encoding), c.expected);
    // The third word, which the encoding leaves unused, is zero.
    uint32_t words[3];
    std::memcpy(words, record, sizeof(words));
    EXPECT_EQ(words[2], 0u);
    EXPECT_EQ(configs.Pointers()[1], nullptr);
  }
}

}  // namespace
}  // namespace qnn
