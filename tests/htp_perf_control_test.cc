// HTP performance control against the simulated infrastructure: the up,
// down and RPC lists for every mode as QNN received them, Manual and Auto
// control, mode changes, the voting thread's timing cases and teardown.
//
// Timing: backends built with a down-vote delay of an hour make every
// "dropped" outcome certain; one test keeps the real 300 ms and only waits
// for the vote (lower bound only).
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "HTP/QnnHtpDevice.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/racing_infrastructure.h"
#include "tests/support/sim_backend_support.h"
#include "vendors/qualcomm/backends/htp_backend.h"
#include "vendors/qualcomm/backends/htp_perf_control.h"
#include "vendors/qualcomm/backends/qnn_log.h"
#include "vendors/qualcomm/backends/qnn_options.h"

namespace qnn {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using vantro::testing::CallsAmong;
using vantro::testing::ExpectOneTimeCreationUnderTwoThreads;
using vantro::testing::RacingInfrastructure;
using vantro::testing::ScopedQnnLogLevel;
using vantro::testing::SimCoreApi;
using vantro::testing::StderrCapture;
using vantro::testing::WaitUntil;

constexpr auto kForever = std::chrono::hours(1);

// ------------------------------------------------------------ list texts

std::string Describe(const QnnHtpPerfInfrastructure_PowerConfig_t& config) {
  switch (config.option) {
    case QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_V3: {
      const QnnHtpPerfInfrastructure_DcvsV3_t& d = config.dcvsV3Config;
      return absl::StrFormat(
          "dcvs(id=%u enable=%u,%u mode=%u latency=%u,%u disable=%u,%u bus=%u:%u/%u/%u "
          "core=%u:%u/%u/%u)",
          d.contextId, d.setDcvsEnable, d.dcvsEnable, d.powerMode, d.setSleepLatency,
          d.sleepLatency, d.setSleepDisable, d.sleepDisable, d.setBusParams,
          d.busVoltageCornerMin, d.busVoltageCornerTarget, d.busVoltageCornerMax,
          d.setCoreParams, d.coreVoltageCornerMin, d.coreVoltageCornerTarget,
          d.coreVoltageCornerMax);
    }
    case QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_CONTROL_LATENCY:
      return absl::StrFormat("rpc_latency(%u)", config.rpcControlLatencyConfig);
    case QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_POLLING_TIME:
      return absl::StrFormat("rpc_polling(%u)", config.rpcPollingTimeConfig);
    default:
      return absl::StrFormat("option(%u)", config.option);
  }
}

// One setPowerConfig call as "[record; record]".
std::string Describe(const vantro::sim::PowerConfigCall& call) {
  std::vector<std::string> parts;
  for (const QnnHtpPerfInfrastructure_PowerConfig_t& config : call.htp_configs) parts.push_back(Describe(config));
  return "[" + absl::StrJoin(parts, "; ") + "]";
}

std::vector<std::string> AppliedLists() {
  std::vector<std::string> lists;
  for (const auto& call : vantro::sim::PowerConfigCalls()) lists.push_back(Describe(call));
  return lists;
}

std::string Up(uint32_t id, uint32_t dcvs, uint32_t mode, uint32_t latency, uint32_t corner) {
  return absl::StrFormat(
      "[dcvs(id=%u enable=1,%u mode=%u latency=1,%u disable=0,0 bus=1:%u/%u/%u "
      "core=1:%u/%u/%u)]",
      id, dcvs, mode, latency, corner, corner, corner, corner, corner, corner);
}

std::string Down(uint32_t id, uint32_t mode, uint32_t min, uint32_t target, uint32_t max) {
  return absl::StrFormat(
      "[dcvs(id=%u enable=1,1 mode=%u latency=1,65535 disable=0,0 bus=1:%u/%u/%u "
      "core=1:%u/%u/%u)]",
      id, mode, min, target, max, min, target, max);
}

const char kFastRpc[] = "[rpc_polling(9999); rpc_latency(0)]";
const char kSlowRpc[] = "[rpc_latency(0)]";

struct ModeRow {
  HtpPerformanceMode mode;
  const char* name;
  std::string rpc;
  // Up: DCVS enable, power mode, sleep latency, corner.
  uint32_t up_dcvs, up_power_mode, up_latency, up_corner;
  // Down: power mode and corners.
  uint32_t down_power_mode, down_min, down_target, down_max;
  bool delayed_down;
};

const std::vector<ModeRow>& ModeRows() {
  static const std::vector<ModeRow> rows = {
      {HtpPerformanceMode::kSustainedHighPerformance, "SustainedHighPerformance", kFastRpc, 0,
       1, 100, 128, 1, 48, 64, 64, true},
      {HtpPerformanceMode::kBurst, "Burst", kFastRpc, 0, 1, 40, 160, 1, 48, 64, 64, true},
      {HtpPerformanceMode::kHighPerformance, "HighPerformance", kFastRpc, 0, 1, 100, 128, 1, 48,
       64, 64, false},
      {HtpPerformanceMode::kPowerSaver, "PowerSaver", kSlowRpc, 1, 16, 1000, 64, 4, 32, 32, 32,
       false},
      {HtpPerformanceMode::kLowPowerSaver, "LowPowerSaver", kSlowRpc, 1, 16, 1000, 48, 4, 32, 32,
       32, false},
      {HtpPerformanceMode::kHighPowerSaver, "HighPowerSaver", kSlowRpc, 1, 16, 1000, 80, 4, 32,
       32, 32, false},
      {HtpPerformanceMode::kLowBalanced, "LowBalanced", kSlowRpc, 1, 16, 1000, 96, 4, 48, 64, 64,
       false},
      {HtpPerformanceMode::kBalanced, "Balanced", kSlowRpc, 1, 16, 1000, 112, 1, 48, 64, 64,
       false},
      {HtpPerformanceMode::kExtremePowerSaver, "ExtremePowerSaver", kSlowRpc, 1, 16, 1000, 16, 4,
       16, 16, 16, false},
  };
  return rows;
}

std::string UpOf(const ModeRow& row, uint32_t id) {
  return Up(id, row.up_dcvs, row.up_power_mode, row.up_latency, row.up_corner);
}
std::string DownOf(const ModeRow& row, uint32_t id) {
  return Down(id, row.down_power_mode, row.down_min, row.down_target, row.down_max);
}

class HtpPerfControlTest : public ::testing::Test {
 protected:
  void SetUp() override { vantro::sim::Reset(); }

  std::unique_ptr<HtpBackend> NewBackend(HtpPerformanceMode mode, PerfCtrlMode control,
                                         VotingThread::Clock::duration delay = kForever) {
    Options options;
    options.SetHtpPerformanceMode(mode);
    options.SetHtpPerfCtrlMode(control);
    auto backend = std::make_unique<HtpBackend>(SimCoreApi(vantro::sim::Library::kHtp), delay);
    EXPECT_TRUE(backend->Init(options, std::nullopt));
    return backend;
  }
  static uint32_t IdOf(const HtpBackend& backend) {
    return backend.perf_control() ? backend.perf_control()->power_config_id() : 0;
  }
  static bool WaitForLists(size_t count) {
    return WaitUntil([&] { return vantro::sim::PowerConfigCalls().size() >= count; });
  }

  // Errors and warnings; the Init lines of every mode would only be noise.
  ScopedQnnLogLevel log_level_{kQnnLogWarning};
};

// ------------------------------------------------------- lists per mode

TEST_F(HtpPerfControlTest, ManualControlAppliesRpcAndUpAtInitAndDownAtTeardown) {
  for (const ModeRow& row : ModeRows()) {
    SCOPED_TRACE(row.name);
    vantro::sim::Reset();
    auto backend = NewBackend(row.mode, PerfCtrlMode::kManual);
    const uint32_t id = IdOf(*backend);
    ASSERT_NE(id, 0u);
    EXPECT_THAT(AppliedLists(), ElementsAre(row.rpc, UpOf(row, id)));
    backend.reset();
    EXPECT_THAT(AppliedLists(), ElementsAre(row.rpc, UpOf(row, id), DownOf(row, id)));
    for (const auto& call : vantro::sim::PowerConfigCalls()) {
      EXPECT_TRUE(call.htp);
      EXPECT_EQ(call.power_config_id, id);
    }
  }
}

TEST_F(HtpPerfControlTest, AutoControlVotesOnlyWhenScheduledAndDelaysDownForFastModes) {
  for (const ModeRow& row : ModeRows()) {
    SCOPED_TRACE(row.name);
    vantro::sim::Reset();
    auto backend = NewBackend(row.mode, PerfCtrlMode::kAuto);
    const uint32_t id = IdOf(*backend);
    EXPECT_THAT(AppliedLists(), ElementsAre(row.rpc));

    // With an hour of delay, a delayed down vote is dropped by the up vote
    // behind it; an undelayed one is applied first.
    backend->ScheduleDownVote();
    backend->ScheduleUpVote();
    const size_t expected = row.delayed_down ? 2 : 3;
    ASSERT_TRUE(WaitForLists(expected));
    if (row.delayed_down) {
      EXPECT_THAT(AppliedLists(), ElementsAre(row.rpc, UpOf(row, id)));
    } else {
      EXPECT_THAT(AppliedLists(), ElementsAre(row.rpc, DownOf(row, id), UpOf(row, id)));
    }
    backend.reset();
    EXPECT_EQ(AppliedLists().back(), DownOf(row, id));
    EXPECT_EQ(AppliedLists().size(), expected + 1);
  }
}

TEST_F(HtpPerfControlTest, UpVoteAppliesAtOnceOnTheCallingThread) {
  auto backend = NewBackend(HtpPerformanceMode::kPowerSaver, PerfCtrlMode::kAuto);
  const uint32_t id = IdOf(*backend);
  backend->UpVote();
  EXPECT_THAT(AppliedLists(), ElementsAre(kSlowRpc, Up(id, 1, 16, 1000, 64)));
  EXPECT_FALSE(backend->perf_control()->has_voting_thread());
}

// ------------------------------------------------------ the timing cases

TEST_F(HtpPerfControlTest, BurstDownVoteFollowedByAnUpVoteWithinTheDelayIsNeverApplied) {
  auto backend = NewBackend(HtpPerformanceMode::kBurst, PerfCtrlMode::kAuto);
  const uint32_t id = IdOf(*backend);
  const std::string up = Up(id, 0, 1, 40, 160);
  backend->ScheduleUpVote();
  ASSERT_TRUE(WaitForLists(2));
  backend->ScheduleDownVote();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  backend->ScheduleUpVote();
  ASSERT_TRUE(WaitForLists(3));
  EXPECT_THAT(AppliedLists(), ElementsAre(kFastRpc, up, up));
}

TEST_F(HtpPerfControlTest, BurstDownVoteAloneIsAppliedAfterTheRealDelay) {
  auto backend =
      NewBackend(HtpPerformanceMode::kBurst, PerfCtrlMode::kAuto, VotingThread::kDownVoteDelay);
  const uint32_t id = IdOf(*backend);
  const auto scheduled = std::chrono::steady_clock::now();
  backend->ScheduleDownVote();
  ASSERT_TRUE(WaitForLists(2));
  const auto applied = std::chrono::steady_clock::now();
  EXPECT_THAT(AppliedLists(), ElementsAre(kFastRpc, Down(id, 1, 48, 64, 64)));
  // A lower bound only: a loaded machine may take much longer.
  EXPECT_GE(applied - scheduled, std::chrono::milliseconds(300));
}

TEST_F(HtpPerfControlTest, HighPerformanceDownVoteIsAppliedAtOnce) {
  auto backend = NewBackend(HtpPerformanceMode::kHighPerformance, PerfCtrlMode::kAuto);
  const uint32_t id = IdOf(*backend);
  backend->ScheduleDownVote();
  // With an hour of delay configured, only an undelayed vote arrives.
  ASSERT_TRUE(WaitForLists(2));
  EXPECT_THAT(AppliedLists(), ElementsAre(kFastRpc, Down(id, 1, 48, 64, 64)));
}

// -------------------------------------------------------------- teardown

TEST_F(HtpPerfControlTest, TeardownAppliesQueuedVotesBeforeTheFinalDownAndTheIdRelease) {
  auto backend = NewBackend(HtpPerformanceMode::kHighPerformance, PerfCtrlMode::kAuto);
  const uint32_t id = IdOf(*backend);
  constexpr int kVotes = 20;
  for (int i = 0; i < kVotes; ++i) {
    backend->ScheduleUpVote();
    backend->ScheduleDownVote();
  }
  vantro::sim::ClearCalls();
  backend.reset();

  // Every queued vote reached QNN with a live id, and the final down vote
  // came last, before the id was destroyed.
  const std::vector<std::string> lists = AppliedLists();
  ASSERT_EQ(lists.size(), 1u + 2 * kVotes + 1);
  EXPECT_EQ(lists.back(), Down(id, 1, 48, 64, 64));
  const std::vector<std::string> order = CallsAmong({"setPowerConfig", "destroyPowerConfigId"});
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.back(), "destroyPowerConfigId");
  EXPECT_EQ(std::count(order.begin(), order.end(), "destroyPowerConfigId"), 1);
}

TEST_F(HtpPerfControlTest, TeardownDropsAPendingDelayedDownVote) {
  auto backend = NewBackend(HtpPerformanceMode::kBurst, PerfCtrlMode::kAuto);
  const uint32_t id = IdOf(*backend);
  backend->ScheduleDownVote();
  backend.reset();  // would wait an hour if stop did not cut the delay
  EXPECT_THAT(AppliedLists(), ElementsAre(kFastRpc, Down(id, 1, 48, 64, 64)));
}

TEST_F(HtpPerfControlTest, ControllerWithoutInfrastructureMakesNoQnnCallOnTeardown) {
  auto backend = NewBackend(HtpPerformanceMode::kDefault, PerfCtrlMode::kAuto);
  vantro::sim::FailCall("deviceGetInfrastructure", 5);
  Options burst;
  burst.SetHtpPerformanceMode(HtpPerformanceMode::kBurst);
  burst.SetHtpPerfCtrlMode(PerfCtrlMode::kAuto);
  {
    StderrCapture capture;
    EXPECT_FALSE(backend->SetPerformanceMode(burst));
  }
  ASSERT_NE(backend->perf_control(), nullptr);
  backend->ScheduleUpVote();
  EXPECT_TRUE(backend->perf_control()->has_voting_thread());
  vantro::sim::ClearCalls();
  backend->perf_control()->ApplyUpList();
  backend.reset();
  EXPECT_THAT(CallsAmong({"setPowerConfig", "destroyPowerConfigId", "createPowerConfigId"}),
              IsEmpty());
}

// ---------------------------------------------------------- mode changes

TEST_F(HtpPerfControlTest, SameModeTwiceOnlyLogsThatNothingChanges) {
  ScopedQnnLogLevel debug(kQnnLogDebug);
  auto backend = NewBackend(HtpPerformanceMode::kBurst, PerfCtrlMode::kManual);
  Options options;
  options.SetHtpPerformanceMode(HtpPerformanceMode::kBurst);
  const size_t before = vantro::sim::PowerConfigCalls().size();
  StderrCapture capture;
  EXPECT_TRUE(backend->SetPerformanceMode(options));
  EXPECT_EQ(capture.Text(),
            "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Perf mode doesn't change.\n");
  EXPECT_EQ(vantro::sim::PowerConfigCalls().size(), before);
}

TEST_F(HtpPerfControlTest, SwitchingToANewModeUnderManualStartsItAndAppliesItsUpList) {
  ScopedQnnLogLevel debug(kQnnLogDebug);
  auto backend = NewBackend(HtpPerformanceMode::kDefault, PerfCtrlMode::kManual);
  ASSERT_EQ(backend->perf_control(), nullptr);
  Options options;
  options.SetHtpPerformanceMode(HtpPerformanceMode::kPowerSaver);
  StderrCapture capture;
  ASSERT_TRUE(backend->SetPerformanceMode(options));
  EXPECT_EQ(capture.Text(),
            "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Init new mode.\n"
            "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Work for kManual.\n");
  const uint32_t id = IdOf(*backend);
  EXPECT_THAT(AppliedLists(), ElementsAre(kSlowRpc, Up(id, 1, 16, 1000, 64)));
  EXPECT_EQ(backend->perf_control()->mode(), 4u);
}

TEST_F(HtpPerfControlTest, SwitchingModesUnderAutoOnlyPreparesTheLists) {
  ScopedQnnLogLevel debug(kQnnLogDebug);
  auto backend = NewBackend(HtpPerformanceMode::kBurst, PerfCtrlMode::kAuto);
  const uint32_t id = IdOf(*backend);
  Options options;
  options.SetHtpPerformanceMode(HtpPerformanceMode::kBalanced);
  options.SetHtpPerfCtrlMode(PerfCtrlMode::kAuto);
  vantro::sim::ClearCalls();
  StderrCapture capture;
  ASSERT_TRUE(backend->SetPerformanceMode(options));
  EXPECT_EQ(capture.Text(),
            "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Init new mode.\n"
            "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Ignore due to kAuto.\n");
  // The id is created once and reused; the new mode's RPC list is applied.
  EXPECT_EQ(IdOf(*backend), id);
  EXPECT_EQ(vantro::sim::CountCalls("createPowerConfigId"), 0u);
  backend->ScheduleUpVote();
  ASSERT_TRUE(WaitForLists(3));
  EXPECT_THAT(AppliedLists(), ElementsAre(kFastRpc, kSlowRpc, Up(id, 1, 16, 1000, 112)));
}

TEST_F(HtpPerfControlTest, BackToDefaultUnderManualAppliesTheDefaultDownRowAtOnce) {
  auto backend = NewBackend(HtpPerformanceMode::kBurst, PerfCtrlMode::kManual);
  const uint32_t id = IdOf(*backend);
  ASSERT_TRUE(backend->SetPerformanceMode(Options()));
  EXPECT_THAT(AppliedLists(),
              ElementsAre(kFastRpc, Up(id, 0, 1, 40, 160), Down(id, 4, 96, 96, 96)));
  EXPECT_EQ(backend->perf_control()->mode(), 0u);
  EXPECT_FALSE(backend->perf_control()->has_voting_thread());
}

TEST_F(HtpPerfControlTest, BackToDefaultUnderAutoSchedulesTheDownVoteDelayedByTheOldMode) {
  {
    // Leaving Burst: delayed, so an up vote behind it drops it.
    auto backend = NewBackend(HtpPerformanceMode::kBurst, PerfCtrlMode::kAuto);
    const uint32_t id = IdOf(*backend);
    Options to_default;
    to_default.SetHtpPerfCtrlMode(PerfCtrlMode::kAuto);
    ASSERT_TRUE(backend->SetPerformanceMode(to_default));
    EXPECT_EQ(backend->perf_control()->mode(), 0u);
    backend->ScheduleUpVote();
    ASSERT_TRUE(WaitForLists(2));
    EXPECT_THAT(AppliedLists(), ElementsAre(kFastRpc, Up(id, 0, 1, 40, 160)));
  }
  vantro::sim::Reset();
  {
    // Leaving PowerSaver: applied at once, with the Default row.
    auto backend = NewBackend(HtpPerformanceMode::kPowerSaver, PerfCtrlMode::kAuto);
    const uint32_t id = IdOf(*backend);
    Options to_default;
    to_default.SetHtpPerfCtrlMode(PerfCtrlMode::kAuto);
    ASSERT_TRUE(backend->SetPerformanceMode(to_default));
    ASSERT_TRUE(WaitForLists(2));
    EXPECT_THAT(AppliedLists(), ElementsAre(kSlowRpc, Down(id, 4, 96, 96, 96)));
  }
}

TEST_F(HtpPerfControlTest, FailedModeChangesLogAndReturnFalse) {
  const struct {
    const char* name;
    HtpPerformanceMode mode;
    const char* fail_call;
    std::string expected_stderr;
  } cases[] = {
      {"mode outside the tables", static_cast<HtpPerformanceMode>(12), nullptr,
       "ERROR: [Qnn] Invalid performance profile 12 to set power configs during upvote.\n"
       "ERROR: [Qnn] Invalid performance profile 12 to set power configs during downvote.\n"
       "ERROR: [Qnn] Invalid performance profile 12 to set power configs\n"
       "ERROR: [Qnn] Failed to init RPC polling power config.\n"
       "ERROR: [Qnn] Failed to set RPC polling in SetPerfModeAndApplyIfManual.\n"
       "ERROR: [Qnn] Failed to set HTP performance mode in SetPerformanceMode\n"},
      {"infrastructure refused", HtpPerformanceMode::kBurst, "deviceGetInfrastructure",
       "ERROR: [Qnn] HTP backend unable to create device infrastructure. Error 6\n"
       "ERROR: [Qnn] Failed to set HTP performance mode in SetPerformanceMode\n"},
      {"power-config id refused", HtpPerformanceMode::kBurst, "createPowerConfigId",
       "ERROR: [Qnn] HTP backend unable to create power config. Error 6\n"
       "ERROR: [Qnn] Failed to set HTP performance mode in SetPerformanceMode\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    auto backend = NewBackend(HtpPerformanceMode::kDefault, PerfCtrlMode::kManual);
    if (c.fail_call != nullptr) vantro::sim::FailCall(c.fail_call, 6);
    Options options;
    options.SetHtpPerformanceMode(c.mode);
    StderrCapture capture;
    EXPECT_FALSE(backend->SetPerformanceMode(options));
    EXPECT_EQ(capture.Text(), c.expected_stderr);
  }
}

TEST_F(HtpPerfControlTest, SwitchingControlInTheSameModeAppliesTheUpListOnlyForManual) {
  ScopedQnnLogLevel debug(kQnnLogDebug);
  const struct {
    const char* name;
    PerfCtrlMode from, to;
    std::string log;
    bool applies_up;
  } cases[] = {
      {"Auto to Manual", PerfCtrlMode::kAuto, PerfCtrlMode::kManual,
       "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Perf mode doesn't change.\n"
       "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Work for kManual.\n",
       true},
      {"Manual to Auto", PerfCtrlMode::kManual, PerfCtrlMode::kAuto,
       "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Perf mode doesn't change.\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    std::unique_ptr<HtpBackend> backend;
    {
      StderrCapture init;
      backend = NewBackend(HtpPerformanceMode::kBurst, c.from);
    }
    const uint32_t id = IdOf(*backend);
    const size_t before = AppliedLists().size();
    Options options;
    options.SetHtpPerformanceMode(HtpPerformanceMode::kBurst);
    options.SetHtpPerfCtrlMode(c.to);
    StderrCapture capture;
    ASSERT_TRUE(backend->SetPerformanceMode(options));
    EXPECT_EQ(capture.Text(), c.log);
    const std::vector<std::string> lists = AppliedLists();
    ASSERT_EQ(lists.size(), before + (c.applies_up ? 1 : 0));
    if (c.applies_up) EXPECT_EQ(lists.back(), Up(id, 0, 1, 40, 160));
  }
}

// A direct up vote after an invoke's votes in Burst, as context creation or
// a switch to Manual makes it: the delayed down vote still pending must not
// land after it. The delay is short, so one that was not cancelled arrives
// while the test waits.
TEST_F(HtpPerfControlTest, DirectUpVotesCancelAPendingDelayedDownVote) {
  constexpr auto kDelay = std::chrono::milliseconds(50);
  const struct {
    const char* name;
    HtpPerformanceMode manual_mode;  // kDefault: UpVote, as around context creation
    std::string (*up)(uint32_t id);
  } cases[] = {
      {"UpVote", HtpPerformanceMode::kDefault,
       [](uint32_t id) { return Up(id, 0, 1, 40, 160); }},
      {"switch to Manual, same mode", HtpPerformanceMode::kBurst,
       [](uint32_t id) { return Up(id, 0, 1, 40, 160); }},
      {"switch to Manual, new mode", HtpPerformanceMode::kBalanced,
       [](uint32_t id) { return Up(id, 1, 16, 1000, 112); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    auto backend = NewBackend(HtpPerformanceMode::kBurst, PerfCtrlMode::kAuto, kDelay);
    const uint32_t id = IdOf(*backend);
    backend->ScheduleUpVote();
    ASSERT_TRUE(WaitForLists(2));
    backend->ScheduleDownVote();
    if (c.manual_mode == HtpPerformanceMode::kDefault) {
      backend->UpVote();
    } else {
      Options manual;
      manual.SetHtpPerformanceMode(c.manual_mode);
      manual.SetHtpPerfCtrlMode(PerfCtrlMode::kManual);
      ASSERT_TRUE(backend->SetPerformanceMode(manual));
    }
    // Only the failing case depends on this wait: a down vote that was not
    // cancelled lands within it unless the machine stalls the thread.
    std::this_thread::sleep_for(6 * kDelay);
    EXPECT_EQ(AppliedLists().back(), c.up(id)) << absl::StrJoin(AppliedLists(), "\n");
  }
}

// ------------------------------------------ first use from two host threads

// The HTP's records for the racing infrastructure; a vote is a DCVS list
// (the RPC lists go out on the host's threads).
struct HtpRacing {
  using Infrastructure = QnnHtpDevice_Infrastructure_t;
  static constexpr vantro::sim::Library kLibrary = vantro::sim::Library::kHtp;
  static QnnHtpDevice_PerfInfrastructure_t& Functions(Infrastructure& infrastructure) {
    return infrastructure.perfInfra;
  }
  static bool IsVote(const QnnHtpPerfInfrastructure_PowerConfig_t* const* list) {
    return list != nullptr && list[0] != nullptr &&
           list[0]->option == QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_V3;
  }
};

// Two host threads using the backend first on two contexts (allowed: the
// host serialises calls per context only).
TEST_F(HtpPerfControlTest, FirstUseFromTwoThreadsCreatesOneControllerIdAndVotingThread) {
  const struct {
    const char* name;
    HtpPerformanceMode at_init;
  } cases[] = {
      {"controller made by SetPerformanceMode", HtpPerformanceMode::kDefault},
      {"controller made by Init", HtpPerformanceMode::kBurst},
  };
  Options burst;
  burst.SetHtpPerformanceMode(HtpPerformanceMode::kBurst);
  burst.SetHtpPerfCtrlMode(PerfCtrlMode::kAuto);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    const int ids_before = vantro::sim::LiveHandles()["power_config_id"];
    RacingInfrastructure<HtpRacing> racing;
    Options initial;
    initial.SetHtpPerformanceMode(c.at_init);
    initial.SetHtpPerfCtrlMode(PerfCtrlMode::kAuto);
    auto backend = std::make_unique<HtpBackend>(racing.api(), kForever);
    ASSERT_TRUE(backend->Init(initial, std::nullopt));
    racing.Arm();
    ExpectOneTimeCreationUnderTwoThreads(std::move(backend), racing, burst, ids_before);
  }
}

// --------------------------------------------- voting without a controller

TEST_F(HtpPerfControlTest, VotingWithoutControllerOnlyWarns) {
  auto backend = NewBackend(HtpPerformanceMode::kDefault, PerfCtrlMode::kAuto);
  StderrCapture capture;
  backend->UpVote();
  backend->ScheduleUpVote();
  backend->ScheduleDownVote();
  EXPECT_EQ(capture.Text(),
            "WARNING: [Qnn] UpVote called but HTP performance control is not initialized.\n"
            "WARNING: [Qnn] ScheduleUpVote called but HTP performance control is not "
            "initialized.\n"
            "WARNING: [Qnn] ScheduleDownVote called but HTP performance control is not "
            "initialized.\n");
  EXPECT_EQ(backend->perf_control(), nullptr);
  EXPECT_TRUE(vantro::sim::PowerConfigCalls().empty());
}

// ------------------------------------------- records against mode changes

TEST_F(HtpPerfControlTest, VotesStayWholeRecordsWhileModesChange) {
  auto backend = NewBackend(HtpPerformanceMode::kBurst, PerfCtrlMode::kAuto,
                            std::chrono::milliseconds(1));
  const uint32_t id = IdOf(*backend);
  std::set<std::string> valid = {kFastRpc, kSlowRpc, Down(id, 4, 96, 96, 96)};
  for (const ModeRow& row : ModeRows()) {
    valid.insert(UpOf(row, id));
    valid.insert(DownOf(row, id));
  }
  const HtpPerformanceMode modes[] = {HtpPerformanceMode::kBurst, HtpPerformanceMode::kPowerSaver,
                                      HtpPerformanceMode::kExtremePowerSaver,
                                      HtpPerformanceMode::kLowBalanced};
  Options options;
  options.SetHtpPerfCtrlMode(PerfCtrlMode::kAuto);
  // The voting thread applies while this thread rewrites the records.
  for (int i = 0; i < 400; ++i) {
    backend->ScheduleUpVote();
    options.SetHtpPerformanceMode(modes[i % 4]);
    ASSERT_TRUE(backend->SetPerformanceMode(options));
    backend->ScheduleDownVote();
  }
  backend.reset();
  for (const std::string& list : AppliedLists()) {
    EXPECT_TRUE(valid.count(list)) << "torn or unknown list: " << list;
  }
}

}  // namespace
}  // namespace qnn
