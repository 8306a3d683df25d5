// Two invocation contexts driven at once from two host threads, each in a
// device context of its own (the host serialises calls per context, not
// across them): creation, attachment, executions with automatic Burst votes
// and profiling on the one process-wide backend, refused calls, and
// destruction. Each thread must see its own results and statuses; under
// ThreadSanitizer no race may show.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "absl/strings/str_cat.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/plugin_harness.h"

namespace vantro::testing {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

constexpr int kInvokes = 100;
constexpr int kElements = 8;

// Drives one invocation context of `road` from the calling thread, once
// `go` is set; returns what went wrong (empty when nothing did). Failures
// are collected rather than asserted so that the main thread reports them.
std::string DriveInvocation(PluginRoad& road, const std::vector<uint8_t>& bytecode, float seed,
                            const std::atomic<bool>& go) {
  while (!go.load()) std::this_thread::yield();
  const VantroDispatchOperationTable& table = road.table();
  VantroMemBufferT record{};
  record.base_addr = bytecode.data();
  record.size = bytecode.size();
  VantroDispatchInvocationContextT* invocation = nullptr;
  if (VantroStatus s = table.invocation_context_create(nullptr, road.device(), 0, &record, nullptr,
                                                       0, 0, &invocation);
      s != kVantroStatusOk) {
    return absl::StrCat("creation failed with ", s);
  }
  std::string problems;
  VantroTensorBufferT* a = nullptr;
  VantroTensorBufferT* b = nullptr;
  VantroTensorBufferT* out = nullptr;
  const VantroTensorBufferHandle handles[3] = {road.NewFloatBuffer(kElements, &a),
                                               road.NewFloatBuffer(kElements, &b),
                                               road.NewFloatBuffer(kElements, &out)};
  if (table.attach_input(invocation, 0, handles[0]) != kVantroStatusOk ||
      table.attach_input(invocation, 1, handles[1]) != kVantroStatusOk ||
      table.attach_output(invocation, 0, handles[2]) != kVantroStatusOk) {
    problems += "attach failed; ";
  }
  for (int run = 0; run < kInvokes && problems.empty(); ++run) {
    for (int i = 0; i < kElements; ++i) {
      road.FloatData(a)[i] = seed * static_cast<float>(i - 3);
      road.FloatData(b)[i] = static_cast<float>(run % 5);
    }
    if (VantroStatus s = table.invoke(invocation); s != kVantroStatusOk) {
      problems += absl::StrCat("run ", run, ": invoke returned ", s, "; ");
    }
    for (int i = 0; i < kElements; ++i) {
      const float sum = road.FloatData(a)[i] + road.FloatData(b)[i];
      if (road.FloatData(out)[i] != (sum > 0 ? sum : 0.0f)) {
        problems +=
            absl::StrCat("run ", run, ": element ", i, " is ", road.FloatData(out)[i], "; ");
        break;
      }
    }
    // A refused call between runs, on this thread only.
    if (VantroStatus s = table.attach_input(invocation, 2, handles[0]);
        s != kVantroStatusRuntimeFailure) {
      problems += absl::StrCat("run ", run, ": out-of-range attach returned ", s, "; ");
    }
  }
  if (table.detach_output(invocation, 0, handles[2]) != kVantroStatusOk) problems += "detach; ";
  table.invocation_context_destroy(invocation);
  return problems;
}

// Initialises Auto Burst with profiling, opens two device contexts and
// drives one invocation context in each from a thread of its own. With
// `start_voting_thread`, one invocation context is created and destroyed on
// this thread first, which starts the backend's voting thread.
void RunTwoThreads(bool start_voting_thread) {
  vantro::sim::Reset();
  PluginRoad first;
  PluginRoad second;
  CaptureStderr();
  ASSERT_EQ(first.Initialize(PayloadWithSimLibraries(
                "htp_performance_mode = 2\nhtp_perf_ctrl_mode = 1\nprofiling = 1\n")),
            kVantroStatusOk);
  ASSERT_NE(first.OpenDevice(), nullptr);
  ASSERT_NE(second.OpenDevice(), nullptr);
  const std::vector<uint8_t> bytecode = ReadFileBytes(ExampleModelPath("add_relu"));
  const std::vector<uint8_t> copy = bytecode;  // another address: a QNN context of its own
  if (start_voting_thread) {
    VantroDispatchInvocationContextT* warm_up = nullptr;
    ASSERT_EQ(first.CreateInvocation(bytecode, nullptr, &warm_up), kVantroStatusOk);
  }
  vantro::sim::ClearCalls();

  std::atomic<bool> go{false};
  std::string problems[2];
  std::thread one([&] { problems[0] = DriveInvocation(first, bytecode, 0.5f, go); });
  std::thread two([&] { problems[1] = DriveInvocation(second, copy, -1.25f, go); });
  go.store(true);
  one.join();
  two.join();
  GetCapturedStderr();
  EXPECT_EQ(problems[0], "");
  EXPECT_EQ(problems[1], "");
  EXPECT_EQ(vantro::sim::CountCalls("graphExecute"), 2u * kInvokes);
  EXPECT_EQ(vantro::sim::CountCalls("contextCreateFromBinary"), 2u) << "one QNN context each";
}

TEST(DispatchThreadsTest, TwoInvocationContextsRunAtOnceFromTwoThreads) {
  RunTwoThreads(/*start_voting_thread=*/true);
}

// The first votes from two threads both reach a backend whose voting
// thread does not exist yet: it must be created once, without a race.
TEST(DispatchThreadsTest, FirstVotesComeFromTwoThreadsAtOnce) {
  RunTwoThreads(/*start_voting_thread=*/false);
}

}  // namespace
}  // namespace vantro::testing
