// The simulated QNN's graphExecute: the floor (execution off, call log
// off), which must allocate nothing, a small graph run on the CPU, the cost
// of the call log, and reading a context binary.
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "benchmark/benchmark.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/context_binary_text.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_qnn.h"
#include "vendors/qualcomm/qnn_interface.h"
#include "vendors/qualcomm/qnn_interface.h"

// Counts every allocation in the process (the simulation's shared library
// included: the executable's operator new takes precedence).
static std::atomic<uint64_t> g_allocations{0};

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace vantro::sim;  // NOLINT: benchmark file

constexpr char kAddRelu[] = R"(
graph add_relu
  tensor a   id=1 type=app_write dtype=float32 shape=1,256
  tensor b   id=2 type=app_write dtype=float32 shape=1,256
  tensor sum id=3 type=native    dtype=float32 shape=1,256
  tensor out id=4 type=app_read  dtype=float32 shape=1,256
  op add  inputs=a,b outputs=sum
  op relu inputs=sum outputs=out
end
)";

// One context of the add-relu graph and its bound buffers.
struct Fixture {
  const qnn::QnnApi* api = nullptr;
  Qnn_BackendHandle_t backend = nullptr;
  Qnn_ContextHandle_t context = nullptr;
  Qnn_GraphHandle_t graph = nullptr;
  std::vector<float> a = std::vector<float>(256, 1.0f);
  std::vector<float> b = std::vector<float>(256, -0.5f);
  std::vector<float> out = std::vector<float>(256);
  Qnn_Tensor_t inputs[2]{};
  Qnn_Tensor_t outputs[1]{};

  Fixture() {
    Reset();
    const QnnInterface_t** providers = nullptr;
    uint32_t count = 0;
    internal::VantroSimQnnGetProviders(static_cast<int>(Library::kHtp), &providers, &count);
    api = &providers[0]->QNN_INTERFACE_VER_NAME;
    api->backendCreate(nullptr, nullptr, &backend);
    ContextBinary binary;
    std::string error;
    ParseContextBinaryText(kAddRelu, &binary, &error);
    const std::vector<uint8_t> bytes = WriteContextBinary(binary);
    api->contextCreateFromBinary(backend, nullptr, nullptr, bytes.data(), bytes.size(), &context,
                                 nullptr);
    api->graphRetrieve(context, "add_relu", &graph);
    Bind(inputs[0], 1, a);
    Bind(inputs[1], 2, b);
    Bind(outputs[0], 4, out);
  }
  ~Fixture() {
    api->contextFree(context, nullptr);
    api->backendFree(backend);
    Reset();
  }
  static void Bind(Qnn_Tensor_t& t, uint32_t id, std::vector<float>& buffer) {
    t.version = QNN_TENSOR_VERSION_1;
    t.v1.id = id;
    t.v1.memType = QNN_TENSORMEMTYPE_RAW;
    t.v1.clientBuf.data = buffer.data();
    t.v1.clientBuf.dataSize = static_cast<uint32_t>(buffer.size() * sizeof(float));
  }
  Qnn_ErrorHandle_t Execute() {
    return api->graphExecute(graph, inputs, 2, outputs, 1, nullptr, nullptr);
  }
};

void RunExecute(benchmark::State& state, bool execute, bool log) {
  Fixture f;
  SetExecutionEnabled(execute);
  SetCallLogEnabled(log);
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.Execute());
    if (log) {
      state.PauseTiming();
      ClearCalls();
      state.ResumeTiming();
    }
  }
  const uint64_t allocations = g_allocations.load() - before;
  state.counters["allocs_per_call"] =
      benchmark::Counter(static_cast<double>(allocations) / state.iterations());
  if (f.Execute() != QNN_SUCCESS) state.SkipWithError("graphExecute failed");
}

// The floor: arguments checked, nothing run, nothing logged.
void BM_GraphExecuteFloor(benchmark::State& state) { RunExecute(state, false, false); }
BENCHMARK(BM_GraphExecuteFloor);

// add then relu over 256 floats.
void BM_GraphExecuteAddRelu256(benchmark::State& state) { RunExecute(state, true, false); }
BENCHMARK(BM_GraphExecuteAddRelu256);

// The floor with the call log on (the detail text is built per call).
void BM_GraphExecuteFloorLogged(benchmark::State& state) { RunExecute(state, false, true); }
BENCHMARK(BM_GraphExecuteFloorLogged);

// Parsing and validating a context binary (what systemContextGetBinaryInfo
// and contextCreateFromBinary do first).
void BM_ReadContextBinary(benchmark::State& state) {
  ContextBinary binary;
  std::string error;
  ParseContextBinaryText(kAddRelu, &binary, &error);
  const std::vector<uint8_t> bytes = WriteContextBinary(binary);
  for (auto _ : state) {
    ContextBinary read;
    benchmark::DoNotOptimize(ReadContextBinary(bytes.data(), bytes.size(), &read));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadContextBinary);

}  // namespace

BENCHMARK_MAIN();
