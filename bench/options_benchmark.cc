// Cost of creating the Qualcomm options from a payload that sets all 45
// keys, next to a general-purpose TOML library (toml++) parsing the same
// text and to a bare split of the text into pairs. Prints the ratio
// toml++ / ours at the end of the run, and counts heap allocations per
// creation (the record and the values it owns, nothing per pair).
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "benchmark/benchmark.h"
#include "c/options/vantro_qualcomm_options.h"
#include "cc/vantro_expected.h"
#include "core/vantro_toml_parser.h"

#if VANTRO_HAVE_TOMLPP
#include <toml++/toml.h>
#endif

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// Every heap allocation of the process is counted.
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// All 45 keys, written so that it is valid TOML as well: quoted strings
// without backslashes, a one-line array.
constexpr char kAllKeys[] =
    "log_level = 4\n"
    "profiling = 1\n"
    "use_htp_preference = true\n"
    "use_qint16_as_quint16 = false\n"
    "use_int64_bias_as_int32 = true\n"
    "qnn_backend = 2\n"
    "enable_weight_sharing = false\n"
    "enable_just_in_time = true\n"
    "op_name_format = 1\n"
    "use_conv_hmx = true\n"
    "use_fold_relu = false\n"
    "htp_dlbc = true\n"
    "htp_dlbc_weights = false\n"
    "htp_p_point = -3\n"
    "htp_weight_sharing_channel_tile_size = 64\n"
    "htp_performance_mode = 2\n"
    "dsp_performance_mode = 8\n"
    "htp_perf_ctrl_mode = 1\n"
    "htp_pd_session = 2\n"
    "dsp_perf_ctrl_mode = 0\n"
    "dsp_pd_session = 1\n"
    "dsp_encoding = 1\n"
    "dump_tensor_ids = [\"3\", \"7\", \"12\"]\n"
    "ir_json_dir = \"/data/local/tmp/ir\"\n"
    "dlc_dir = \"/data/local/tmp/dlc\"\n"
    "graph_transform = \"fold_bn\"\n"
    "vtcm_size = 4294967295\n"
    "htp_device_id = 1\n"
    "htp_context_init_acceleration = true\n"
    "num_hvx_threads = 4\n"
    "htp_file_read_memory_budget_mb = 2147483648\n"
    "optimization_level = 2\n"
    "graph_priority = 3\n"
    "saver_output_dir = \"/data/local/tmp/saver\"\n"
    "schematic_dir = \"/data/local/tmp/schematic\"\n"
    "graph_io_tensor_mem_type = 0\n"
    "custom_op_package = \"name:MyOps;interface_provider:MyOpsInterfaceProvider;"
    "compile_package_path:/ops/libMyOpsCpu.so;dispatch_package_path:/ops/libMyOpsHtp.so;"
    "target:HTP;\"\n"
    "lpai_target = 3\n"
    "lpai_fps = 30\n"
    "lpai_ftrt_ratio = 10\n"
    "lpai_client_perf_type = 1\n"
    "lpai_core_affinity_type = 2\n"
    "lpai_core_selection = 1\n"
    "qnn_lib_dir = \"/vendor/lib64\"\n"
    "dsp_skel_dir = \"/vendor/dsp/cdsp\"\n";

// Reports heap allocations per iteration as a counter.
class AllocationCounter {
 public:
  explicit AllocationCounter(benchmark::State& state)
      : state_(state), start_(g_allocations.load()) {}
  ~AllocationCounter() {
    const double count = static_cast<double>(g_allocations.load() - start_);
    state_.counters["allocs"] = benchmark::Counter(count, benchmark::Counter::kAvgIterations);
  }

 private:
  benchmark::State& state_;
  long start_;
};

// Ours, whole path: parse, key lookup, value parsing, record filling and
// freeing the record.
void BM_CreateQualcommOptions(benchmark::State& state) {
  VtrQualcommOptionsT* check = nullptr;
  if (VtrCreateQualcommOptionsFromToml(kAllKeys, &check) != kVantroStatusOk) {
    state.SkipWithError("payload rejected");
    return;
  }
  VtrDestroyQualcommOptions(check);
  AllocationCounter counter(state);
  for (auto _ : state) {
    VtrQualcommOptionsT* options = nullptr;
    benchmark::DoNotOptimize(VtrCreateQualcommOptionsFromToml(kAllKeys, &options));
    benchmark::DoNotOptimize(options);
    VtrDestroyQualcommOptions(options);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (sizeof(kAllKeys) - 1));
}
BENCHMARK(BM_CreateQualcommOptions);

// The floor: the one-pass split into key/value views with a callback that
// does nothing.
void BM_SplitPairsOnly(benchmark::State& state) {
  AllocationCounter counter(state);
  for (auto _ : state) {
    size_t pairs = 0;
    benchmark::DoNotOptimize(
        vantro::ParseToml(kAllKeys, [&pairs](absl::string_view key, absl::string_view value) {
          benchmark::DoNotOptimize(key.data());
          benchmark::DoNotOptimize(value.data());
          ++pairs;
          return vantro::Status::Ok;
        }));
    benchmark::DoNotOptimize(pairs);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (sizeof(kAllKeys) - 1));
}
BENCHMARK(BM_SplitPairsOnly);

#if VANTRO_HAVE_TOMLPP
// toml++ parsing the same text into its document tree (and freeing it).
void BM_TomlPlusPlusParse(benchmark::State& state) {
  try {
    toml::table check = toml::parse(kAllKeys);
    if (check.size() != 45) {
      state.SkipWithError("toml++ did not read 45 keys");
      return;
    }
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  AllocationCounter counter(state);
  for (auto _ : state) {
    toml::table table = toml::parse(std::string_view(kAllKeys, sizeof(kAllKeys) - 1));
    benchmark::DoNotOptimize(table);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (sizeof(kAllKeys) - 1));
}
BENCHMARK(BM_TomlPlusPlusParse);
#endif

// Prints as usual and keeps each benchmark's CPU time per iteration (the
// machine may be shared, so wall time says less).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      // With repetitions the median stands for the benchmark.
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Iteration || median) {
        ns_[run.run_name.function_name] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Nanoseconds(const std::string& name) const {
    auto it = ns_.find(name);
    return it == ns_.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> ns_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double ours = reporter.Nanoseconds("BM_CreateQualcommOptions");
  const double toml = reporter.Nanoseconds("BM_TomlPlusPlusParse");
  if (ours > 0 && toml > 0) {
    std::printf("toml++ / Qualcomm options creation: %.1fx (target: at least 10x)\n", toml / ours);
  }
  benchmark::Shutdown();
  return 0;
}
