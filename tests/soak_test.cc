// Soak: the road of an inference repeated many times with automatic voting
// on, watching the process's resident memory, its heap in use and the
// simulated QNN's live handles; and invokes back to back in Burst, watching
// how far the vote queue falls behind. Not part of the suite (the test is
// disabled); scripts/soak.sh builds and runs it:
//   VANTRO_SOAK_INVOKES     invokes on one invocation context, in each of
//                           the two invoke phases (default 20000)
//   VANTRO_SOAK_CYCLES      whole create/invoke/destroy cycles, each with its
//                           own initialisation (default 500)
//   VANTRO_SOAK_RSS_BOUND_KB  allowed growth of resident memory and of the
//                           heap in use from the first sample after warm-up
//                           (default 4096)
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "absl/strings/str_format.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/plugin_harness.h"
#include "vendors/qualcomm/backends/htp_backend.h"
#include "vendors/qualcomm/backends/htp_perf_control.h"
#include "vendors/qualcomm/backends/voting_thread.h"
#include "vendors/qualcomm/dispatch/dispatch_api.h"
#include "vendors/qualcomm/dispatch/vantro_dispatch_device_context.h"

namespace vantro::testing {
namespace {

constexpr char kVotingPayload[] =
    "htp_performance_mode = 2\nhtp_perf_ctrl_mode = 1\nprofiling = 1\nlog_level = 1\n";
// Burst under automatic control and nothing else on the invoke path: the
// fastest invokes, each queueing an up vote and a delayed down vote.
constexpr char kBurstPayload[] = "htp_performance_mode = 2\nhtp_perf_ctrl_mode = 1\nlog_level = 1\n";

long EnvOr(const char* name, long fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::strtol(value, nullptr, 10) : fallback;
}

// Resident memory of this process in KiB, from /proc/self/status.
long RssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// Bytes allocated and not yet freed, over all of glibc's arenas: unlike the
// resident memory, blind to what the allocator keeps after frees.
long HeapInUseKb() { return static_cast<long>(mallinfo2().uordblks / 1024); }

struct Sample {
  std::string phase;
  long iteration;
  long rss_kb;
  long heap_kb;
  int live_handles;
};

class Soak {
 public:
  // Drops the simulation's own records (every applied power config is kept
  // by value), which are test equipment and not the plug-in's memory. Called
  // often: left to pile up between samples they would dominate the resident
  // memory measured. Counts the power configs applied.
  void DropSimRecords() {
    votes_ += vantro::sim::PowerConfigCalls().size();
    vantro::sim::Reset();
    vantro::sim::SetCallLogEnabled(false);
  }

  // Lets the voting thread drain, then records a sample with the power
  // configs applied since the last one.
  void Record(const std::string& phase, long iteration) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    DropSimRecords();
    // Approximate: a vote applied between the copy and the reset in
    // DropSimRecords is not counted.
    const size_t votes = votes_;
    votes_ = 0;
    samples_.push_back(
        {phase, iteration, RssKb(), HeapInUseKb(), vantro::sim::LiveHandleCount()});
    const Sample& s = samples_.back();
    std::printf(
        "%-8s %7ld  rss %7ld KiB  heap in use %6ld KiB  live QNN handles %d  power configs "
        "applied %zu\n",
        s.phase.c_str(), s.iteration, s.rss_kb, s.heap_kb, s.live_handles, votes);
    std::fflush(stdout);
  }

  const std::vector<Sample>& samples() const { return samples_; }

 private:
  std::vector<Sample> samples_;
  size_t votes_ = 0;
};

// One host with an add_relu invocation context and its three buffers, on
// the built plug-in or on another table.
class Road {
 public:
  Road() = default;
  explicit Road(const VantroDispatchOperationTable& table) : road_(table) {}

  bool Open(const char* payload = kVotingPayload) {
    road_.host().SetEnvironmentInt(road_.environment(), 25, 3);  // errors only
    if (road_.Initialize(PayloadWithSimLibraries(payload)) != kVantroStatusOk) return false;
    road_.OpenDevice();
    if (road_.CreateInvocation(ReadFileBytes(ExampleModelPath("add_relu")), nullptr,
                               &invocation_) != kVantroStatusOk) {
      return false;
    }
    a_ = road_.NewFloatBuffer(8, &a_buffer_);
    b_ = road_.NewFloatBuffer(8);
    out_ = road_.NewFloatBuffer(8, &out_buffer_);
    const auto& t = road_.table();
    return t.attach_input(invocation_, 0, a_) == kVantroStatusOk &&
           t.attach_input(invocation_, 1, b_) == kVantroStatusOk &&
           t.attach_output(invocation_, 0, out_) == kVantroStatusOk;
  }

  bool Invoke(int i) {
    road_.FloatData(a_buffer_)[0] = static_cast<float>(i % 7);
    if (road_.table().invoke(invocation_) != kVantroStatusOk) return false;
    return road_.FloatData(out_buffer_)[0] == static_cast<float>(i % 7);
  }

  // The HTP voting thread of the backend this road's device context uses;
  // only for a road on the plug-in's code linked into this test.
  const qnn::VotingThread* VotingThread() const {
    auto* backend = dynamic_cast<qnn::HtpBackend*>(road_.device()->backend());
    if (backend == nullptr || backend->perf_control() == nullptr) return nullptr;
    return backend->perf_control()->voting_thread();
  }

  // Detaches and unregisters; the harness destroys the contexts.
  void Close() {
    const auto& t = road_.table();
    t.detach_input(invocation_, 0, a_);
    t.detach_input(invocation_, 1, b_);
    t.detach_output(invocation_, 0, out_);
    for (VantroTensorBufferHandle h : {a_, b_, out_}) t.unregister_tensor_buffer(road_.device(), h);
  }

 private:
  PluginRoad road_;
  VantroDispatchInvocationContextT* invocation_ = nullptr;
  VantroTensorBufferT* a_buffer_ = nullptr;
  VantroTensorBufferT* out_buffer_ = nullptr;
  VantroTensorBufferHandle a_ = 0, b_ = 0, out_ = 0;
};

// `invokes` invokes on `road` back to back, sampled ten times as `phase`.
void InvokeBackToBack(Soak& soak, Road& road, const char* phase, long invokes) {
  soak.Record(phase, 0);
  const long step = invokes / 10 > 0 ? invokes / 10 : 1;
  for (long i = 1; i <= invokes; ++i) {
    ASSERT_TRUE(road.Invoke(static_cast<int>(i))) << phase << " invoke " << i;
    if (i % step == 0) {
      soak.Record(phase, i);
    } else if (i % 1000 == 0) {
      soak.DropSimRecords();
    }
  }
}

TEST(SoakTest, DISABLED_MemoryAndHandlesStayFlat) {
  const long invokes = EnvOr("VANTRO_SOAK_INVOKES", 20000);
  const long cycles = EnvOr("VANTRO_SOAK_CYCLES", 500);
  const long bound_kb = EnvOr("VANTRO_SOAK_RSS_BOUND_KB", 4096);
  vantro::sim::Reset();
  vantro::sim::SetCallLogEnabled(false);
  Soak soak;

  // Warm-up: one whole cycle, so that libraries, caches and the allocator
  // have their working set before the first sample.
  {
    Road road;
    ASSERT_TRUE(road.Open());
    for (int i = 1; i <= 10000; ++i) {
      ASSERT_TRUE(road.Invoke(i));
      if (i % 1000 == 0) soak.DropSimRecords();
    }
    road.Close();
  }
  {
    Road road;
    ASSERT_TRUE(road.Open());
    ASSERT_NO_FATAL_FAILURE(InvokeBackToBack(soak, road, "invoke", invokes));
    road.Close();
  }
  {
    // Back to back in Burst, on the plug-in's code linked into this test so
    // that its vote queue can be read. A delayed down vote is superseded by
    // the next up vote, and an up vote equal to the last one queued is not
    // queued again, so at most an up and a down vote wait.
    Road road(vantro::qualcomm::OperationTable());
    ASSERT_TRUE(road.Open(kBurstPayload));
    for (int i = 1; i <= 1000; ++i) ASSERT_TRUE(road.Invoke(i));  // warm-up
    ASSERT_NO_FATAL_FAILURE(InvokeBackToBack(soak, road, "burst", invokes));
    const qnn::VotingThread* voting = road.VotingThread();
    ASSERT_NE(voting, nullptr);
    std::printf("burst: vote queue peak length %zu, peak ring capacity %zu requests\n",
                voting->peak_queue_length(), voting->ring_capacity());
    std::fflush(stdout);
    EXPECT_LE(voting->peak_queue_length(), 2u);
    road.Close();
  }

  soak.Record("cycle", 0);
  const long step = cycles / 10 > 0 ? cycles / 10 : 1;
  for (long c = 1; c <= cycles; ++c) {
    {
      Road road;
      ASSERT_TRUE(road.Open()) << "cycle " << c;
      for (int i = 0; i < 4; ++i) ASSERT_TRUE(road.Invoke(i)) << "cycle " << c;
      road.Close();
    }
    if (c % step == 0) {
      soak.Record("cycle", c);
    } else if (c % 250 == 0) {
      soak.DropSimRecords();  // some thousand power configs, as in the invoke phases
    }
  }

  // Per phase: resident memory within the bound of the phase's first
  // sample, live handles exactly as at its start (between cycles only the
  // installed backend's handles are alive).
  for (const char* phase : {"invoke", "burst", "cycle"}) {
    SCOPED_TRACE(phase);
    std::vector<Sample> of_phase;
    for (const Sample& s : soak.samples()) {
      if (s.phase == phase) of_phase.push_back(s);
    }
    ASSERT_GE(of_phase.size(), 2u);
    long max_rss = 0, max_heap = 0;
    for (const Sample& s : of_phase) {
      max_rss = std::max(max_rss, s.rss_kb);
      max_heap = std::max(max_heap, s.heap_kb);
    }
    const Sample& first = of_phase.front();
    const long growth = of_phase.back().rss_kb - first.rss_kb;
    std::printf("%s: rss first %ld KiB, last %ld KiB, max %ld KiB, growth %ld KiB (bound %ld); "
                "heap in use first %ld KiB, max %ld KiB\n",
                phase, first.rss_kb, of_phase.back().rss_kb, max_rss, growth, bound_kb,
                first.heap_kb, max_heap);
    EXPECT_LE(growth, bound_kb);
    EXPECT_LE(max_rss - first.rss_kb, bound_kb);
    EXPECT_LE(max_heap - first.heap_kb, bound_kb);
    for (const Sample& s : of_phase) {
      EXPECT_EQ(s.live_handles, first.live_handles) << s.iteration;
    }
  }
}

}  // namespace
}  // namespace vantro::testing
