// Instruction counts of the plug-in's hot paths next to their floors, for
// callgrind (valgrind --tool=callgrind), whose counts are repeatable on a
// busy machine where timings are not.
//
// Each phase runs one operation `iterations` times between a zeroing of the
// counters and a dump named after the phase, so every dump file holds that
// phase alone (set-up and tear-down fall between phases and are zeroed
// away). scripts/run_benchmarks.sh divides each dump's total by the
// iteration count and subtracts the floor's.
//
//   invoke_instructions [iterations]     (default 2000)
//
// Without valgrind the requests do nothing and the program just runs.
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "absl/strings/str_cat.h"
#include "bench/support/bench_road.h"

namespace {

using vantro::bench::DirectExecute;
using vantro::bench::InvokeRoad;
using vantro::bench::Payload;

int g_iterations = 2000;

// Runs `operation` once to warm up, then `iterations` times as phase
// `name`; aborts when it fails.
template <typename Operation>
void Phase(const std::string& name, Operation operation, int iterations = g_iterations) {
  if (!operation()) {
    std::fprintf(stderr, "phase %s: operation failed\n", name.c_str());
    std::abort();
  }
  CALLGRIND_ZERO_STATS;
  for (int i = 0; i < iterations; ++i) operation();
  CALLGRIND_DUMP_STATS_AT(name.c_str());
  std::printf("phase %s iterations %d\n", name.c_str(), iterations);
  std::fflush(stdout);
}

void InvokePhases(int count, const std::string& payload, const std::string& suffix) {
  vantro::bench::QuietSimulation();
  InvokeRoad road(count, payload);
  DirectExecute direct(count);
  const std::string n = absl::StrCat(count, suffix);
  Phase("floor_" + n, [&] { return direct.Execute() == QNN_SUCCESS; });
  Phase("invoke_" + n, [&] { return road.Invoke() == kVantroStatusOk; });
}

void AttachPhases() {
  vantro::bench::QuietSimulation();
  InvokeRoad road(1, Payload());
  const VantroDispatchOperationTable& table = road.road().table();
  VantroDispatchInvocationContextT* invocation = road.invocation();
  const VantroTensorBufferHandle handle = road.input_handle(0);
  VantroTensorBufferT* buffer = nullptr;
  road.road().NewBuffer(&buffer);
  const VantroHostApiTable& host = *road.road().host().table();
  Qnn_Tensor_t tensor;
  std::memset(&tensor, 0, sizeof(tensor));
  tensor.version = QNN_TENSOR_VERSION_1;
  volatile Qnn_Tensor_t* written = &tensor;

  Phase("attach_floor",
        [&] { return vantro::bench::AttachHostQueriesFloor(host, buffer, &tensor); });
  Phase("attach", [&] { return table.attach_input(invocation, 0, handle) == kVantroStatusOk; });
  Phase("detach_floor", [&] {
    written->v1.memType = QNN_TENSORMEMTYPE_UNDEFINED;
    written->v1.clientBuf.data = nullptr;
    written->v1.clientBuf.dataSize = 0;
    return true;
  });
  Phase("detach", [&] { return table.detach_input(invocation, 0, handle) == kVantroStatusOk; });
}

// Creation costs some ten thousand times more than an invoke: fewer runs.
void CreationPhases() {
  const int iterations = g_iterations / 20 > 0 ? g_iterations / 20 : 1;
  for (const bool miss : {true, false}) {
    vantro::bench::QuietSimulation();
    vantro::bench::TableCreation table(16, miss);
    vantro::bench::DirectCreation direct(16, miss);
    const std::string kind = miss ? "miss" : "hit";
    Phase("create_" + kind + "_floor", [&] { return direct.Run(); }, iterations);
    Phase("create_" + kind, [&] { return table.Run(); }, iterations);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) g_iterations = std::atoi(argv[1]);
  if (g_iterations <= 0) {
    std::fprintf(stderr, "usage: %s [iterations]\n", argv[0]);
    return 2;
  }
  InvokePhases(1, Payload(), "");
  InvokePhases(16, Payload(), "");
  InvokePhases(16, Payload(vantro::bench::kAutoVotingKeys), "_voting");
  AttachPhases();
  CreationPhases();
  return 0;
}
