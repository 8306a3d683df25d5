// Soak: the road of an inference repeated many times with automatic voting
// on, watching the process's resident memory and the simulated QNN's live
// handles. Not part of the suite (the test is disabled); scripts/soak.sh
// builds and runs it:
//   VANTRO_SOAK_INVOKES     invokes on one invocation context (default 20000)
//   VANTRO_SOAK_CYCLES      whole create/invoke/destroy cycles, each with its
//                           own initialisation (default 500)
//   VANTRO_SOAK_RSS_BOUND_KB  allowed growth of resident memory from the
//                           first sample after warm-up to the last (default 4096)
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

namespace vantro::testing {
namespace {

constexpr char kVotingPayload[] =
    "htp_performance_mode = 2\nhtp_perf_ctrl_mode = 1\nprofiling = 1\nlog_level = 1\n";

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

struct Sample {
  std::string phase;
  long iteration;
  long rss_kb;
  int live_handles;
};

class Soak {
 public:
  // Lets the voting thread drain, then drops the simulation's own records
  // (every applied power config is kept by value), which are test equipment
  // and not the plug-in's memory.
  // Returns how many power configs QNN applied since the last time.
  size_t Settle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const size_t votes = vantro::sim::PowerConfigCalls().size();
    vantro::sim::Reset();
    vantro::sim::SetCallLogEnabled(false);
    return votes;
  }

  void Record(const std::string& phase, long iteration) {
    const size_t votes = Settle();
    samples_.push_back({phase, iteration, RssKb(), vantro::sim::LiveHandleCount()});
    const Sample& s = samples_.back();
    std::printf("%-8s %7ld  rss %7ld KiB  live QNN handles %d  power configs applied %zu\n",
                s.phase.c_str(), s.iteration, s.rss_kb, s.live_handles, votes);
    std::fflush(stdout);
  }

  const std::vector<Sample>& samples() const { return samples_; }

 private:
  std::vector<Sample> samples_;
};

// One host with an add_relu invocation context and its three buffers.
class Road {
 public:
  bool Open() {
    road_.host().SetEnvironmentInt(road_.environment(), 25, 3);  // errors only
    if (road_.Initialize(PayloadWithSimLibraries(kVotingPayload)) != kVantroStatusOk) return false;
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
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(road.Invoke(i));
    road.Close();
  }
  {
    Road road;
    ASSERT_TRUE(road.Open());
    soak.Record("invoke", 0);
    const long step = invokes / 10 > 0 ? invokes / 10 : 1;
    for (long i = 1; i <= invokes; ++i) {
      ASSERT_TRUE(road.Invoke(static_cast<int>(i))) << "invoke " << i;
      if (i % step == 0) soak.Record("invoke", i);
    }
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
    if (c % step == 0) soak.Record("cycle", c);
  }

  // Per phase: resident memory within the bound of the phase's first
  // sample, live handles exactly as at its start (between cycles only the
  // installed backend's handles are alive).
  for (const char* phase : {"invoke", "cycle"}) {
    SCOPED_TRACE(phase);
    std::vector<Sample> of_phase;
    for (const Sample& s : soak.samples()) {
      if (s.phase == phase) of_phase.push_back(s);
    }
    ASSERT_GE(of_phase.size(), 2u);
    long max_rss = 0;
    for (const Sample& s : of_phase) max_rss = std::max(max_rss, s.rss_kb);
    const Sample& first = of_phase.front();
    const long growth = of_phase.back().rss_kb - first.rss_kb;
    std::printf("%s: rss first %ld KiB, last %ld KiB, max %ld KiB, growth %ld KiB (bound %ld)\n",
                phase, first.rss_kb, of_phase.back().rss_kb, max_rss, growth, bound_kb);
    EXPECT_LE(growth, bound_kb);
    EXPECT_LE(max_rss - first.rss_kb, bound_kb);
    for (const Sample& s : of_phase) {
      EXPECT_EQ(s.live_handles, first.live_handles) << s.iteration;
    }
  }
}

}  // namespace
}  // namespace vantro::testing
