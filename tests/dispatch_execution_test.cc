// invoke through the export: results against an independent reference,
// votes around execution under each control mode, the profiling text, the
// tensor dumps, and per-invocation options.
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "HTP/QnnHtpProfile.h"
#include "absl/strings/str_cat.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/context_binary_support.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/sim_backend_support.h"
#include "tests/support/sim_jit_graph.h"

namespace vantro::testing {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

// Waits for the voting thread to have applied `count` power configs. The
// wait only bounds a failing test: a loaded machine may take long.
bool WaitForPowerConfigs(size_t count) {
  return vantro::testing::WaitUntil(
      [count] { return vantro::sim::PowerConfigCalls().size() >= count; });
}

// The power configs applied once the latest one is an HTP vote for the
// core corner `corner`. Waiting for the vote that must come, rather than for
// a quiet spell, keeps a slow voting thread from passing for a finished one.
size_t PowerConfigsOnceTheLastVoteIs(uint32_t corner) {
  size_t count = 0;
  EXPECT_TRUE(vantro::testing::WaitUntil([&] {
    const std::vector<vantro::sim::PowerConfigCall> calls = vantro::sim::PowerConfigCalls();
    count = calls.size();
    if (calls.empty() || calls.back().htp_configs.empty()) return false;
    const QnnHtpPerfInfrastructure_PowerConfig_t& last = calls.back().htp_configs[0];
    return last.option == QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_V3 &&
           static_cast<uint32_t>(last.dcvsV3Config.coreVoltageCornerTarget) == corner;
  })) << "no vote for corner " << corner;
  return count;
}

// One applied power config in short: an HTP vote as its sleep latency and
// core corner target (down votes sleep 65535), a DSP list as its first
// record.
std::string DescribePowerConfig(const vantro::sim::PowerConfigCall& call) {
  if (!call.htp) {
    if (call.dsp_configs.empty()) return "dsp []";
    return absl::StrCat("dsp (", static_cast<uint32_t>(call.dsp_configs[0].config), ",",
                        call.dsp_configs[0].dcvsEnableConfig, ")");
  }
  if (call.htp_configs.empty()) return "htp []";
  const QnnHtpPerfInfrastructure_PowerConfig_t& first = call.htp_configs[0];
  if (first.option != QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_V3) {
    return absl::StrCat("htp option ", static_cast<uint32_t>(first.option));
  }
  return absl::StrCat("htp latency ", first.dcvsV3Config.sleepLatency, " core ",
                      first.dcvsV3Config.coreVoltageCornerTarget);
}

// Waits until no power config has arrived for 50 ms; returns the count.
// Only a check that nothing more comes once the votes a test expects have
// been waited for: a slow voting thread can outlast any quiet spell.
size_t WaitForQuietPowerConfigs() {
  size_t count = vantro::sim::PowerConfigCalls().size();
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const size_t now = vantro::sim::PowerConfigCalls().size();
    if (now == count) return count;
    count = now;
  }
}

class DispatchExecutionTest : public ::testing::Test {
 protected:
  void SetUp() override { vantro::sim::Reset(); }

  // Initialises with `extra`, opens a device and binds add_relu with its
  // three buffers attached.
  void StartAddRelu(const std::string& extra = "") {
    CaptureStderr();
    ASSERT_EQ(road_.Initialize(PayloadWithSimLibraries(extra)), kVantroStatusOk);
    road_.OpenDevice();
    ASSERT_EQ(road_.CreateInvocation(ReadFileBytes(ExampleModelPath("add_relu")), nullptr,
                                     &invocation_),
              kVantroStatusOk);
    GetCapturedStderr();
    const VantroTensorBufferHandle a = road_.NewFloatBuffer(8, &a_);
    const VantroTensorBufferHandle b = road_.NewFloatBuffer(8, &b_);
    const VantroTensorBufferHandle out = road_.NewFloatBuffer(8, &out_);
    ASSERT_EQ(road_.table().attach_input(invocation_, 0, a), kVantroStatusOk);
    ASSERT_EQ(road_.table().attach_input(invocation_, 1, b), kVantroStatusOk);
    ASSERT_EQ(road_.table().attach_output(invocation_, 0, out), kVantroStatusOk);
  }

  VantroStatus Invoke(std::string* log = nullptr) {
    CaptureStderr();
    const VantroStatus status = road_.table().invoke(invocation_);
    const std::string text = GetCapturedStderr();
    if (log != nullptr) *log = text;
    return status;
  }

  PluginRoad road_;
  VantroDispatchInvocationContextT* invocation_ = nullptr;
  VantroTensorBufferT* a_ = nullptr;
  VantroTensorBufferT* b_ = nullptr;
  VantroTensorBufferT* out_ = nullptr;
};

TEST_F(DispatchExecutionTest, OutputsMatchAnIndependentReference) {
  StartAddRelu();
  for (int run = 0; run < 3; ++run) {
    std::vector<float> expected(8);
    for (int i = 0; i < 8; ++i) {
      const float a = 0.25f * static_cast<float>(i - 4 + run);
      const float b = static_cast<float>((i * 7 + run) % 5) - 2.0f;
      road_.FloatData(a_)[i] = a;
      road_.FloatData(b_)[i] = b;
      expected[i] = a + b > 0 ? a + b : 0.0f;
    }
    ASSERT_EQ(Invoke(), kVantroStatusOk);
    EXPECT_THAT(std::vector<float>(road_.FloatData(out_), road_.FloatData(out_) + 8),
                ElementsAreArray(expected));
  }
}

TEST_F(DispatchExecutionTest, FailedExecutionIsReported) {
  StartAddRelu();
  vantro::sim::FailCall("graphExecute", 1001);
  std::string log;
  EXPECT_EQ(Invoke(&log), kVantroStatusRuntimeFailure);
  EXPECT_THAT(log, MatchesRegex("ERROR: \\[dispatch_api:[0-9]+\\] Failed to execute invocation "
                                "context: Failed to execute graph\n"));
  EXPECT_EQ(road_.table().invoke(nullptr), kVantroStatusInvalidArgument);
}

TEST_F(DispatchExecutionTest, ManualControlVotesOnceAtStartAndNeverAroundExecution) {
  StartAddRelu("htp_performance_mode = 2\nhtp_perf_ctrl_mode = 0\n");
  // Manual control votes on the calling thread only: nothing is pending.
  const size_t after_init = vantro::sim::PowerConfigCalls().size();
  EXPECT_GT(after_init, 0u) << "the manual up vote and RPC polling at start";
  ASSERT_EQ(Invoke(), kVantroStatusOk);
  ASSERT_EQ(Invoke(), kVantroStatusOk);
  EXPECT_EQ(vantro::sim::PowerConfigCalls().size(), after_init);
}

TEST_F(DispatchExecutionTest, AutoControlVotesAroundEveryExecutionEvenWhenItFails) {
  // HighPerformance: down votes are applied at once, so each run gives an
  // up and a down vote.
  StartAddRelu("htp_performance_mode = 3\nhtp_perf_ctrl_mode = 1\n");
  // Start-up votes (RPC polling, the replaced backend's final down vote, the
  // up vote before the QNN context's creation) are applied on the calling
  // thread; the down vote after the creation (corner 64) comes last.
  const size_t before = PowerConfigsOnceTheLastVoteIs(64);
  ASSERT_EQ(Invoke(), kVantroStatusOk);
  ASSERT_TRUE(WaitForPowerConfigs(before + 2));
  vantro::sim::FailCall("graphExecute", 5);
  EXPECT_EQ(Invoke(), kVantroStatusRuntimeFailure);
  ASSERT_TRUE(WaitForPowerConfigs(before + 4));
  const auto calls = vantro::sim::PowerConfigCalls();
  // Up records carry the mode's corner (128), down records 64 as target.
  EXPECT_EQ(calls[before].htp_configs[0].dcvsV3Config.coreVoltageCornerTarget, 128u);
  EXPECT_EQ(calls[before + 1].htp_configs[0].dcvsV3Config.coreVoltageCornerTarget, 64u);
  EXPECT_EQ(calls[before + 2].htp_configs[0].dcvsV3Config.coreVoltageCornerTarget, 128u);
  EXPECT_EQ(calls[before + 3].htp_configs[0].dcvsV3Config.coreVoltageCornerTarget, 64u);
}

TEST_F(DispatchExecutionTest, DestroyingUnderAutomaticControlVotesDownOnce) {
  static constexpr char kHtpDown[] = "htp latency 65535 core 64";
  struct Case {
    const char* name;
    std::string payload;             // the manager's options
    std::string invocation_payload;  // options given to the invocation context, if any
    bool creation_votes;             // the QNN context's creation voted up and down
    const char* destroy_vote;        // the vote destruction applies, null for none
  };
  const Case cases[] = {
      {"HTP HighPerformance, Auto", "htp_performance_mode = 3\nhtp_perf_ctrl_mode = 1\n", "", true,
       kHtpDown},
      {"HTP Burst, Auto: delayed, and still applied",
       "htp_performance_mode = 2\nhtp_perf_ctrl_mode = 1\n", "", true, kHtpDown},
      {"DSP HighPerformance, Auto",
       "qnn_backend = 3\ndsp_performance_mode = 3\ndsp_perf_ctrl_mode = 1\n", "", false,
       "dsp (2,2000)"},
      {"HTP HighPerformance, Manual", "htp_performance_mode = 3\nhtp_perf_ctrl_mode = 0\n", "",
       false, nullptr},
      {"HTP Default mode, Auto", "htp_perf_ctrl_mode = 1\n", "", false, nullptr},
      {"invocation options turn Auto on", "",
       "htp_performance_mode = 3\nhtp_perf_ctrl_mode = 1\n", false, kHtpDown},
      {"invocation options turn Auto off", "htp_performance_mode = 3\nhtp_perf_ctrl_mode = 1\n",
       "htp_performance_mode = 3\nhtp_perf_ctrl_mode = 0\n", true, nullptr},
  };
  const std::vector<uint8_t> bytes = ReadFileBytes(ExampleModelPath("add_relu"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    PluginRoad road;
    CaptureStderr();
    ASSERT_EQ(road.Initialize(PayloadWithSimLibraries(c.payload)), kVantroStatusOk);
    // What the initialisation applied, the previous case's backend's last
    // vote among it, is in place when it returns.
    const size_t initialized = vantro::sim::PowerConfigCalls().size();
    road.OpenDevice();
    // Created through the table directly: this test destroys it, not the road.
    VantroMemBufferT record{};
    record.base_addr = bytes.data();
    record.size = bytes.size();
    VantroDispatchInvocationContextT* invocation = nullptr;
    const VantroStatus created = road.table().invocation_context_create(
        nullptr, road.device(), 0, &record, nullptr, 0, 0, &invocation);
    GetCapturedStderr();
    ASSERT_EQ(created, kVantroStatusOk);
    // The creation's votes settle first; its down vote may be delayed.
    if (c.creation_votes) {
      ASSERT_TRUE(WaitUntil([initialized] {
        const auto calls = vantro::sim::PowerConfigCalls();
        return calls.size() > initialized && DescribePowerConfig(calls.back()) == kHtpDown;
      }));
    }
    if (!c.invocation_payload.empty()) {
      VantroOptionsT* options = road.host().NewOptions();
      road.host().SetOpaqueOptionsText(options, "qualcomm", c.invocation_payload);
      CaptureStderr();
      const VantroStatus set = road.table().invocation_context_set_options(invocation, options);
      GetCapturedStderr();
      ASSERT_EQ(set, kVantroStatusOk);
    }
    const size_t before = WaitForQuietPowerConfigs();

    CaptureStderr();
    EXPECT_EQ(road.table().invocation_context_destroy(invocation), kVantroStatusOk);
    EXPECT_EQ(GetCapturedStderr(), "") << "no vote without a controller, so no warning either";
    if (c.destroy_vote != nullptr) {
      ASSERT_TRUE(WaitUntil([&] { return vantro::sim::PowerConfigCalls().size() > before; }));
    }
    const auto calls = vantro::sim::PowerConfigCalls();
    ASSERT_EQ(WaitForQuietPowerConfigs(), before + (c.destroy_vote != nullptr ? 1 : 0));
    if (c.destroy_vote != nullptr) EXPECT_EQ(DescribePowerConfig(calls[before]), c.destroy_vote);
  }
}

TEST_F(DispatchExecutionTest, ProfilingStatisticsAreLogged) {
  vantro::sim::ProfileEvent init;
  init.identifier = "INIT";
  init.type = 1;
  init.unit = QNN_PROFILE_EVENTUNIT_MICROSEC;
  init.value = 1500;
  vantro::sim::ProfileEvent execute;
  execute.identifier = "EXECUTE";
  execute.type = QNN_HTP_PROFILE_EVENTTYPE_GRAPH_EXECUTE_ACCEL_TIME_CYCLE;
  execute.unit = QNN_PROFILE_EVENTUNIT_CYCLES;
  execute.value = 99;
  vantro::sim::ProfileEvent node;
  node.identifier = "relu";
  node.type = QNN_PROFILE_EVENTTYPE_NODE;
  node.unit = QNN_PROFILE_EVENTUNIT_MICROSEC;
  node.value = 7;
  vantro::sim::ProfileEvent skipped = node;
  skipped.identifier = "skipped";
  skipped.unit = QNN_PROFILE_EVENTUNIT_BYTES;
  execute.sub_events = {node, skipped};
  vantro::sim::ProfileEvent bytes;
  bytes.identifier = "MEM";
  bytes.type = 2;
  bytes.unit = QNN_PROFILE_EVENTUNIT_BYTES;
  bytes.value = 4096;
  vantro::sim::SetProfileEvents({init, execute, bytes});

  StartAddRelu("profiling = 1\n");
  std::string log;
  ASSERT_EQ(Invoke(&log), kVantroStatusOk);
  EXPECT_THAT(log, MatchesRegex("INFO: \\[vantro_dispatch_invocation_context:[0-9]+\\] \n"
                                "Execute Stats:\n"
                                "----------------\n"
                                "    INIT: 1500 us\n"
                                "    EXECUTE: 99 cycles\n"
                                "        relu: 7 us\n"
                                "    MEM: 4096 bytes\n\n"));

  vantro::sim::FailCall("profileGetEvents", 3);
  EXPECT_EQ(Invoke(&log), kVantroStatusRuntimeFailure);
  EXPECT_THAT(log, HasSubstr("Failed to get the profile events"));
}

class DispatchDumpTest : public DispatchExecutionTest {
 protected:
  void SetUp() override {
    DispatchExecutionTest::SetUp();
    std::filesystem::remove_all(kDumpDirectory);
  }
  void TearDown() override { std::filesystem::remove_all(kDumpDirectory); }

  // A graph copying its input to an ordinary output and to a dump output
  // named `dump_name` with the given quantisation.
  std::vector<uint8_t> DumpModel(const std::string& dump_name, bool scale_offset) {
    vantro::sim::ContextBinary binary;
    vantro::sim::ContextBinaryGraph graph;
    graph.name = "g";
    vantro::sim::ContextBinaryTensor x;
    x.id = 1;
    x.name = "x";
    x.type = QNN_TENSOR_TYPE_APP_WRITE;
    x.dimensions = {4};
    vantro::sim::ContextBinaryTensor out = x;
    out.id = 2;
    out.name = "out";
    out.type = QNN_TENSOR_TYPE_APP_READ;
    vantro::sim::ContextBinaryTensor dump = out;
    dump.id = 3;
    dump.name = dump_name;
    if (scale_offset) {
      dump.encoding_definition = QNN_DEFINITION_DEFINED;
      dump.encoding = QNN_QUANTIZATION_ENCODING_SCALE_OFFSET;
      dump.scale = 0.5f;
      dump.offset = -128;
    }
    graph.tensors = {x, out, dump};
    graph.inputs = {1};
    graph.outputs = {3, 2};
    vantro::sim::ContextBinaryOp copy;
    copy.kind = vantro::sim::OpKind::kCopy;
    copy.inputs = {1};
    copy.outputs = {2};
    graph.ops.push_back(copy);
    copy.outputs = {3};
    graph.ops.push_back(copy);
    binary.graphs.push_back(graph);
    return vantro::sim::WriteContextBinary(binary);
  }

  // Runs the dump model once on `road` and returns the run's log.
  std::string RunDumpModel(PluginRoad& road, const std::string& dump_name, bool scale_offset) {
    CaptureStderr();
    EXPECT_EQ(road.Initialize(PayloadWithSimLibraries()), kVantroStatusOk);
    road.OpenDevice();
    VantroDispatchInvocationContextT* invocation = nullptr;
    EXPECT_EQ(road.CreateInvocation(DumpModel(dump_name, scale_offset), nullptr, &invocation),
              kVantroStatusOk);
    GetCapturedStderr();
    if (invocation == nullptr) return "";
    VantroTensorBufferT* in = nullptr;
    const VantroTensorBufferHandle in_handle = road.NewFloatBuffer(4, &in);
    const VantroTensorBufferHandle out_handle = road.NewFloatBuffer(4);
    const float values[4] = {1.5f, -2, 3, 0};
    std::memcpy(road.FloatData(in), values, sizeof(values));
    EXPECT_EQ(road.table().attach_input(invocation, 0, in_handle), kVantroStatusOk);
    EXPECT_EQ(road.table().attach_output(invocation, 0, out_handle), kVantroStatusOk);
    CaptureStderr();
    EXPECT_EQ(road.table().invoke(invocation), kVantroStatusOk);
    return GetCapturedStderr();
  }
};

TEST_F(DispatchDumpTest, WritesRawBytesAndScaleFile) {
  RunDumpModel(road_, "out_dump", /*scale_offset=*/true);
  const std::string raw = ReadText(std::string(kDumpDirectory) + "out_dump.raw");
  const float values[4] = {1.5f, -2, 3, 0};
  EXPECT_EQ(raw, std::string(reinterpret_cast<const char*>(values), sizeof(values)));
  EXPECT_EQ(ReadText(std::string(kDumpDirectory) + "out_dump.csv"), "0.5,128\n");
}

TEST_F(DispatchDumpTest, WithoutScaleOffsetTheScaleFileIsOneAndZero) {
  RunDumpModel(road_, "plain_dump", /*scale_offset=*/false);
  EXPECT_EQ(ReadText(std::string(kDumpDirectory) + "plain_dump.csv"), "1,0\n");
}

TEST_F(DispatchDumpTest, NamesThatWouldLeaveTheDirectoryAreRefused) {
  for (const char* name : {"../escape_dump", "sub/dir_dump", "..\\win_dump"}) {
    SCOPED_TRACE(name);
    std::filesystem::remove("/data/local/tmp/escape_dump.raw");
    PluginRoad road;
    const std::string log = RunDumpModel(road, name, false);
    EXPECT_THAT(log, HasSubstr("Refusing to dump tensor with unsafe name"));
    EXPECT_THAT(log, MatchesRegex("(.|\n)*ERROR: \\[vantro_dispatch_invocation_context:[0-9]+\\] "
                                  "Failed to dump tensor id: 1\n(.|\n)*"));
    EXPECT_FALSE(std::filesystem::exists("/data/local/tmp/escape_dump.raw"));
  }
}

TEST_F(DispatchDumpTest, DumpOutputsGoLastForBinariesAndJitHandles) {
  // Outputs a, b_dump, c in graph order, each computed differently from x,
  // so that which buffer received which output shows the order.
  vantro::sim::ContextBinaryGraph graph;
  graph.name = "g";
  graph.tensors = {SimTensor(1, "x", QNN_TENSOR_TYPE_APP_WRITE),
                   SimTensor(2, "a", QNN_TENSOR_TYPE_APP_READ),
                   SimTensor(3, "b_dump", QNN_TENSOR_TYPE_APP_READ),
                   SimTensor(4, "c", QNN_TENSOR_TYPE_APP_READ)};
  graph.inputs = {1};
  graph.outputs = {2, 3, 4};
  graph.ops = {SimOp(vantro::sim::OpKind::kCopy, {1}, {2}),
               SimOp(vantro::sim::OpKind::kRelu, {1}, {3}),
               SimOp(vantro::sim::OpKind::kMul, {1, 1}, {4})};
  vantro::sim::ContextBinary binary;
  binary.graphs = {graph};
  const float x[4] = {1.5f, -2, 3, -0.5f};
  const float relu[4] = {1.5f, 0, 3, 0};

  for (const bool jit : {false, true}) {
    SCOPED_TRACE(jit ? "JIT handle" : "context binary");
    std::filesystem::remove_all(kDumpDirectory);
    std::optional<SimJitGraph> jit_graph;
    if (jit) jit_graph.emplace(binary, "g");
    PluginRoad road;
    CaptureStderr();
    ASSERT_EQ(road.Initialize(PayloadWithSimLibraries()), kVantroStatusOk);
    road.OpenDevice();
    VantroDispatchInvocationContextT* invocation = nullptr;
    const VantroStatus created =
        jit ? road.CreateJitInvocation(&jit_graph->handle(), nullptr, &invocation)
            : road.CreateInvocation(vantro::sim::WriteContextBinary(binary), nullptr, &invocation);
    GetCapturedStderr();
    ASSERT_EQ(created, kVantroStatusOk);

    VantroTensorBufferT* in = nullptr;
    VantroTensorBufferT* outputs[3] = {};
    const VantroTensorBufferHandle in_handle = road.NewFloatBuffer(4, &in);
    std::memcpy(road.FloatData(in), x, sizeof(x));
    ASSERT_EQ(road.table().attach_input(invocation, 0, in_handle), kVantroStatusOk);
    for (int i = 0; i < 3; ++i) {
      const VantroTensorBufferHandle handle = road.NewFloatBuffer(4, &outputs[i]);
      for (int k = 0; k < 4; ++k) road.FloatData(outputs[i])[k] = -7;
      ASSERT_EQ(road.table().attach_output(invocation, i, handle), kVantroStatusOk);
    }
    vantro::sim::ClearCalls();
    CaptureStderr();
    ASSERT_EQ(road.table().invoke(invocation), kVantroStatusOk);
    EXPECT_EQ(GetCapturedStderr(), "");

    auto values = [&](int i) {
      return std::vector<float>(road.FloatData(outputs[i]), road.FloatData(outputs[i]) + 4);
    };
    EXPECT_THAT(values(0), ElementsAreArray(x)) << "index 0 is a";
    EXPECT_THAT(values(1), ElementsAreArray({2.25f, 4.0f, 9.0f, 0.25f})) << "index 1 is c";
    EXPECT_THAT(values(2), ElementsAreArray({-7.0f, -7.0f, -7.0f, -7.0f}))
        << "index 2 is b_dump, which writes into its own storage";
    EXPECT_EQ(ReadText(std::string(kDumpDirectory) + "b_dump.raw"),
              std::string(reinterpret_cast<const char*>(relu), sizeof(relu)));
    std::string execute;
    for (const vantro::sim::Call& call : vantro::sim::Calls()) {
      if (call.name == "graphExecute") execute = call.detail;
    }
    EXPECT_THAT(execute, MatchesRegex(".* outputs=\\[\\{id=2 name=\"a\"[^}]*\\}, "
                                      "\\{id=4 name=\"c\"[^}]*\\}, "
                                      "\\{id=3 name=\"b_dump\"[^}]*\\}\\] .*"));
    CaptureStderr();
    EXPECT_EQ(road.table().attach_output(invocation, 3, in_handle), kVantroStatusRuntimeFailure);
    GetCapturedStderr();
  }
}

TEST_F(DispatchDumpTest, AnUnwritableDirectoryIsLoggedAndInvokeStillSucceeds) {
  // A file where the directory should be: it can be neither created nor
  // written into, whoever runs the test.
  const std::filesystem::path blocked =
      std::filesystem::path(kDumpDirectory).parent_path();  // without the final separator
  std::filesystem::create_directories(blocked.parent_path());
  struct RemoveOnExit {
    std::filesystem::path path;
    ~RemoveOnExit() {
      std::error_code ignored;
      std::filesystem::remove(path, ignored);
    }
  } remove_on_exit{blocked};
  std::ofstream(blocked) << "not a directory";
  ASSERT_TRUE(std::filesystem::is_regular_file(blocked));

  const std::string log = RunDumpModel(road_, "out_dump", /*scale_offset=*/true);
  EXPECT_THAT(log, MatchesRegex("ERROR: \\[Qnn\\] [^\n]+\n"
                                "ERROR: \\[vantro_dispatch_invocation_context:[0-9]+\\] Failed to "
                                "write dumped tensor\n"
                                "ERROR: \\[vantro_dispatch_invocation_context:[0-9]+\\] Failed to "
                                "dump tensor id: 1\n"));
  EXPECT_TRUE(std::filesystem::is_regular_file(blocked)) << "left as it was";
}

class DispatchOptionsTest : public DispatchExecutionTest {
 protected:
  VantroStatus SetOptions(const std::string& identifier, const std::string& payload,
                          std::string* log = nullptr) {
    VantroOptionsT* options = road_.host().NewOptions();
    road_.host().SetOpaqueOptionsText(options, identifier, payload);
    CaptureStderr();
    const VantroStatus status = road_.table().invocation_context_set_options(invocation_, options);
    const std::string text = GetCapturedStderr();
    if (log != nullptr) *log = text;
    return status;
  }
};

TEST_F(DispatchOptionsTest, InvocationOptionsTurnOnAutomaticVoting) {
  StartAddRelu();  // manager options: default performance mode
  ASSERT_EQ(Invoke(), kVantroStatusOk);
  EXPECT_TRUE(vantro::sim::PowerConfigCalls().empty());
  ASSERT_EQ(SetOptions("qualcomm", "htp_performance_mode = 3\nhtp_perf_ctrl_mode = 1\n"),
            kVantroStatusOk);
  // The new mode's RPC settings are applied at once; automatic control
  // queues nothing before a run.
  const size_t before = vantro::sim::PowerConfigCalls().size();
  ASSERT_EQ(Invoke(), kVantroStatusOk);
  EXPECT_TRUE(WaitForPowerConfigs(before + 2)) << "an up and a down vote around the run";

  // Resetting goes back to the manager's options (manual control, which
  // votes on the calling thread): no more votes around runs.
  CaptureStderr();
  ASSERT_EQ(road_.table().invocation_context_set_options(invocation_, nullptr), kVantroStatusOk);
  GetCapturedStderr();
  const size_t after_reset = vantro::sim::PowerConfigCalls().size();
  ASSERT_EQ(Invoke(), kVantroStatusOk);
  EXPECT_EQ(vantro::sim::PowerConfigCalls().size(), after_reset);
}

TEST_F(DispatchOptionsTest, RejectedOptionsKeepThePreviousOnes) {
  StartAddRelu();
  struct Case {
    const char* name;
    std::string identifier;
    std::string payload;
    VantroStatus status;
    std::string log;  // regex of the whole line
  };
  const Case cases[] = {
      {"other identifier", "mediatek", "log_level = 3", kVantroStatusNotFound,
       "ERROR: \\[dispatch_api:[0-9]+\\] Failed to set invocation context options: Failed to find "
       "Qualcomm options in VantroOptions\n"},
      {"malformed boolean", "qualcomm", "use_conv_hmx = 1", kVantroStatusRuntimeFailure,
       "ERROR: \\[dispatch_api:[0-9]+\\] Failed to set invocation context options: Failed to "
       "parse Qualcomm options from TOML payload\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string log;
    EXPECT_EQ(SetOptions(c.identifier, c.payload, &log), c.status);
    EXPECT_THAT(log, MatchesRegex(c.log));
  }
  std::string log;
  EXPECT_EQ(SetOptions("qualcomm", "unknown_key = 1\n", &log), kVantroStatusOk);
  EXPECT_EQ(road_.table().invocation_context_set_options(nullptr, nullptr),
            kVantroStatusInvalidArgument);
}

TEST_F(DispatchOptionsTest, OpaqueOptionsFailureCarriesTheHostsText) {
  StartAddRelu();
  road_.host().FailEntry(vantro::sim::HostEntry::kGetOpaqueOptions, kVantroStatusNotFound);
  std::string log;
  EXPECT_EQ(SetOptions("qualcomm", "", &log), kVantroStatusNotFound);
  EXPECT_THAT(log, MatchesRegex("ERROR: \\[dispatch_api:[0-9]+\\] Failed to set invocation "
                                "context options: Failed to get opaque options\n\xE2\x94\x94 ERROR: "
                                "\\[cc/internal/vantro_options_wrapper:[0-9]+\\]\n"));
}

TEST_F(DispatchOptionsTest, RefusedPerformanceModeIsReported) {
  StartAddRelu();
  // A new HTP mode needs the device infrastructure; make it fail.
  vantro::sim::FailCall("deviceGetInfrastructure", 1);
  std::string log;
  EXPECT_EQ(SetOptions("qualcomm", "htp_performance_mode = 2\n", &log), kVantroStatusRuntimeFailure);
  EXPECT_THAT(log, HasSubstr("Failed to set invocation context options: Failed to set performance "
                             "mode.\n"));
}

}  // namespace
}  // namespace vantro::testing
