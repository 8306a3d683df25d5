// The plug-in's own cost on top of the simulated QNN, each path beside its
// floor in the same run: invoke (1 and 16 inputs and outputs, with and
// without automatic HTP voting) against copying the same tensor records into
// stack arrays and calling graphExecute directly; attach and detach against
// writing the same fields into a QNN tensor record; invocation-context
// creation on a cache miss and on a cache hit against the simulated QNN's
// calls alone. The plug-in is the built shared library, loaded by dlopen and
// driven through its operation table like a host drives it.
//
// The simulated QNN runs with execution and its call log off. Every heap
// allocation of the process goes through a counting malloc below; the
// "allocs" counter is what the benchmark's own thread allocated per
// iteration (the host's thread: what invoke itself costs), "allocs_all"
// includes every thread (the voting thread and the simulation's records).
//
// The invoke ratios of the table come from the paired benchmarks, which
// alternate the plug-in and its floor in short blocks so that the machine's
// load falls on both. scripts/run_benchmarks.sh runs this with repetitions
// and reads the medians; bench/README.md describes the table it prints.
#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/bench_road.h"
#include "benchmark/benchmark.h"
#include "sim/qnn/sim_qnn.h"

// ---- counting malloc (this binary only)
//
// glibc lets a program replace malloc and friends; these count and hand the
// work to glibc's own allocator, so everything in the process (the plug-in
// it dlopens, the simulation, the C++ runtime) is counted.

extern "C" {
void* __libc_malloc(size_t size);
void __libc_free(void* pointer);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {

thread_local uint64_t t_allocations = 0;
std::atomic<uint64_t> g_allocations{0};

inline void CountAllocation() {
  ++t_allocations;
  g_allocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

extern "C" {

void* malloc(size_t size) {
  CountAllocation();
  return __libc_malloc(size);
}
void free(void* pointer) { __libc_free(pointer); }
void* calloc(size_t count, size_t size) {
  CountAllocation();
  return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) {
  CountAllocation();
  return __libc_realloc(pointer, size);
}
void* memalign(size_t alignment, size_t size) {
  CountAllocation();
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, size_t alignment, size_t size) {
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* pointer = memalign(alignment, size);
  if (pointer == nullptr) return ENOMEM;
  *out = pointer;
  return 0;
}
void* valloc(size_t size) { return memalign(static_cast<size_t>(sysconf(_SC_PAGESIZE)), size); }
void* pvalloc(size_t size) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return memalign(page, (size + page - 1) / page * page);
}

}  // extern "C"

namespace {

using vantro::bench::DirectExecute;
using vantro::bench::HostRoad;
using vantro::bench::InvokeRoad;
using vantro::bench::Payload;

// Heap allocations per iteration while it lives: of this thread, and of
// the whole process.
class AllocationCounter {
 public:
  explicit AllocationCounter(benchmark::State& state)
      : state_(state), thread_start_(t_allocations), process_start_(g_allocations.load()) {}
  ~AllocationCounter() {
    if (state_.iterations() == 0) return;
    state_.counters["allocs"] = benchmark::Counter(
        static_cast<double>(t_allocations - thread_start_), benchmark::Counter::kAvgIterations);
    state_.counters["allocs_all"] =
        benchmark::Counter(static_cast<double>(g_allocations.load() - process_start_),
                           benchmark::Counter::kAvgIterations);
  }

 private:
  benchmark::State& state_;
  uint64_t thread_start_;
  uint64_t process_start_;
};

// ---- invoke and its floor

void RunInvoke(benchmark::State& state, const std::string& payload) {
  vantro::bench::QuietSimulation();
  InvokeRoad road(static_cast<int>(state.range(0)), payload);
  AllocationCounter counter(state);
  for (auto _ : state) {
    if (road.Invoke() != kVantroStatusOk) {
      state.SkipWithError("invoke failed");
      break;
    }
  }
}

// invoke through the table, no voting.
void BM_Invoke(benchmark::State& state) { RunInvoke(state, Payload()); }
BENCHMARK(BM_Invoke)->Arg(1)->Arg(16);

// invoke through the table with Burst under automatic control: an up vote
// and a (delayed, then dropped) down vote queued around every execution.
void BM_InvokeAutoVoting(benchmark::State& state) {
  RunInvoke(state, Payload(vantro::bench::kAutoVotingKeys));
}
BENCHMARK(BM_InvokeAutoVoting)->Arg(1)->Arg(16);

// The floor: records copied into stack arrays, graphExecute called directly.
void BM_InvokeFloor(benchmark::State& state) {
  vantro::bench::QuietSimulation();
  DirectExecute direct(static_cast<int>(state.range(0)));
  AllocationCounter counter(state);
  for (auto _ : state) {
    if (direct.Execute() != QNN_SUCCESS) {
      state.SkipWithError("graphExecute failed");
      break;
    }
  }
}
BENCHMARK(BM_InvokeFloor)->Arg(1)->Arg(16);

// ---- invoke and its floor, paired
//
// On a shared machine the load changes from one second to the next, so a
// ratio of two benchmarks run apart says little. Here both run in
// alternating blocks of a few microseconds each, timed on this thread's CPU
// clock (which first, alternates too); the counters are per call and the
// ratio is ours over the floor's.

double ThreadCpuNanoseconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

void RunInvokePaired(benchmark::State& state, const std::string& payload) {
  constexpr int kBlock = 32;
  vantro::bench::QuietSimulation();
  const int count = static_cast<int>(state.range(0));
  InvokeRoad road(count, payload);
  DirectExecute direct(count);
  double ours = 0;
  double floor = 0;
  bool floor_first = true;
  auto run_floor = [&] {
    const double start = ThreadCpuNanoseconds();
    for (int i = 0; i < kBlock; ++i) benchmark::DoNotOptimize(direct.Execute());
    floor += ThreadCpuNanoseconds() - start;
  };
  auto run_ours = [&] {
    const double start = ThreadCpuNanoseconds();
    for (int i = 0; i < kBlock; ++i) benchmark::DoNotOptimize(road.Invoke());
    ours += ThreadCpuNanoseconds() - start;
  };
  for (auto _ : state) {
    if (floor_first) {
      run_floor();
      run_ours();
    } else {
      run_ours();
      run_floor();
    }
    floor_first = !floor_first;
  }
  const double calls = static_cast<double>(state.iterations()) * kBlock;
  state.counters["ours_ns"] = ours / calls;
  state.counters["floor_ns"] = floor / calls;
  state.counters["ratio"] = floor > 0 ? ours / floor : 0;
}

void BM_InvokePaired(benchmark::State& state) { RunInvokePaired(state, Payload()); }
BENCHMARK(BM_InvokePaired)->Arg(1)->Arg(16);

void BM_InvokePairedAutoVoting(benchmark::State& state) {
  RunInvokePaired(state, Payload(vantro::bench::kAutoVotingKeys));
}
BENCHMARK(BM_InvokePairedAutoVoting)->Arg(1)->Arg(16);

// ---- attach and detach

void BM_AttachInput(benchmark::State& state) {
  vantro::bench::QuietSimulation();
  InvokeRoad road(1, Payload());
  const auto attach = road.road().table().attach_input;
  VantroDispatchInvocationContextT* invocation = road.invocation();
  const VantroTensorBufferHandle handle = road.input_handle(0);
  AllocationCounter counter(state);
  for (auto _ : state) {
    if (attach(invocation, 0, handle) != kVantroStatusOk) {
      state.SkipWithError("attach_input failed");
      break;
    }
  }
}
BENCHMARK(BM_AttachInput);

void BM_DetachInput(benchmark::State& state) {
  vantro::bench::QuietSimulation();
  InvokeRoad road(1, Payload());
  const auto detach = road.road().table().detach_input;
  VantroDispatchInvocationContextT* invocation = road.invocation();
  const VantroTensorBufferHandle handle = road.input_handle(0);
  AllocationCounter counter(state);
  for (auto _ : state) {
    if (detach(invocation, 0, handle) != kVantroStatusOk) {
      state.SkipWithError("detach_input failed");
      break;
    }
  }
}
BENCHMARK(BM_DetachInput);

// The floor of both: the three fields attach (or detach) writes, written
// into a QNN tensor record directly.
void BM_AttachFloor(benchmark::State& state) {
  Qnn_Tensor_t tensor;
  std::memset(&tensor, 0, sizeof(tensor));
  tensor.version = QNN_TENSOR_VERSION_1;
  std::vector<float> memory(vantro::bench::kTensorElements);
  void* data = memory.data();
  uint32_t size = static_cast<uint32_t>(memory.size() * sizeof(float));
  for (auto _ : state) {
    benchmark::DoNotOptimize(data);
    benchmark::DoNotOptimize(size);
    tensor.v1.memType = QNN_TENSORMEMTYPE_RAW;
    tensor.v1.clientBuf.data = data;
    tensor.v1.clientBuf.dataSize = size;
    benchmark::DoNotOptimize(&tensor);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_AttachFloor);

// What attach cannot avoid: the four host queries of a host-memory buffer
// (type, address, size, offset) through the simulated host's table, then
// the field writes. attach_input minus this is the plug-in's own part.
void BM_AttachHostQueries(benchmark::State& state) {
  vantro::bench::QuietSimulation();
  HostRoad road(Payload());
  VantroTensorBufferT* buffer = nullptr;
  road.NewBuffer(&buffer);
  const VantroHostApiTable& host = *road.host().table();
  Qnn_Tensor_t tensor;
  std::memset(&tensor, 0, sizeof(tensor));
  tensor.version = QNN_TENSOR_VERSION_1;
  for (auto _ : state) {
    if (!vantro::bench::AttachHostQueriesFloor(host, buffer, &tensor)) {
      state.SkipWithError("host query failed");
      break;
    }
    benchmark::DoNotOptimize(&tensor);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_AttachHostQueries);

// ---- invocation-context creation (16 inputs and outputs)

constexpr int kCreationTensors = 16;

template <typename Creation>
void RunCreation(benchmark::State& state, bool miss) {
  vantro::bench::QuietSimulation();
  Creation creation(kCreationTensors, miss);
  AllocationCounter counter(state);
  for (auto _ : state) {
    if (!creation.Run()) {
      state.SkipWithError("creation failed");
      break;
    }
  }
}

// Cache miss: a fresh device context, so the QNN context is created from
// the binary (and released with the device context).
void BM_CreateContextMiss(benchmark::State& state) {
  RunCreation<vantro::bench::TableCreation>(state, true);
}
BENCHMARK(BM_CreateContextMiss);

// Cache hit: a second invocation context on the same bytecode, while the
// first keeps the device context's cached QNN context.
void BM_CreateContextHit(benchmark::State& state) {
  RunCreation<vantro::bench::TableCreation>(state, false);
}
BENCHMARK(BM_CreateContextHit);

// The simulated QNN's own work on those paths.
void BM_CreateContextMissFloor(benchmark::State& state) {
  RunCreation<vantro::bench::DirectCreation>(state, true);
}
BENCHMARK(BM_CreateContextMissFloor);

void BM_CreateContextHitFloor(benchmark::State& state) {
  RunCreation<vantro::bench::DirectCreation>(state, false);
}
BENCHMARK(BM_CreateContextHitFloor);

}  // namespace

BENCHMARK_MAIN();
