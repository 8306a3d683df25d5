// What ScheduleUpVote/ScheduleDownVote cost the calling thread (the host's
// invoke path), against a bare mutex-plus-notify queue of the same shape
// served by its own thread. Both run in one binary so that their ratio can
// be read off one run; the target is within 1.5 times.
//
// The backend runs on a minimal in-process QNN table whose performance
// infrastructure only counts the votes it receives, so that only the
// plug-in's own work is seen (the simulated QNN would record every vote).
// Beside the time, each backend row reports how many votes reached QNN per
// up+down pair (one invoke) and how long the vote queue grew.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "HTP/QnnHtpDevice.h"
#include "vendors/qualcomm/backends/htp_backend.h"
#include "vendors/qualcomm/backends/htp_perf_control.h"
#include "vendors/qualcomm/backends/qnn_log.h"
#include "vendors/qualcomm/backends/qnn_options.h"

namespace {

// ---- a QNN table that accepts everything and votes nowhere

int g_object;  // any non-null address serves as a handle

Qnn_ErrorHandle_t LogCreate(QnnLog_Callback_t, QnnLog_Level_t, Qnn_LogHandle_t* log) {
  *log = reinterpret_cast<Qnn_LogHandle_t>(&g_object);
  return QNN_SUCCESS;
}
Qnn_ErrorHandle_t BackendCreate(Qnn_LogHandle_t, const QnnBackend_Config_t**, Qnn_BackendHandle_t* backend) {
  *backend = reinterpret_cast<Qnn_BackendHandle_t>(&g_object);
  return QNN_SUCCESS;
}
Qnn_ErrorHandle_t DeviceCreate(Qnn_LogHandle_t, const QnnDevice_Config_t**, Qnn_DeviceHandle_t* device) {
  *device = reinterpret_cast<Qnn_DeviceHandle_t>(&g_object);
  return QNN_SUCCESS;
}
template <typename H>
Qnn_ErrorHandle_t Free(H) {
  return QNN_SUCCESS;
}
Qnn_ErrorHandle_t CreatePowerConfigId(uint32_t, uint32_t, uint32_t* id) {
  *id = 1;
  return QNN_SUCCESS;
}
Qnn_ErrorHandle_t DestroyPowerConfigId(uint32_t) { return QNN_SUCCESS; }
std::atomic<uint64_t> g_votes_applied{0};

Qnn_ErrorHandle_t SetPowerConfig(uint32_t, const QnnHtpPerfInfrastructure_PowerConfig_t** configs) {
  benchmark::DoNotOptimize(configs);
  g_votes_applied.fetch_add(1, std::memory_order_relaxed);
  return QNN_SUCCESS;
}
QnnHtpDevice_Infrastructure_t kInfrastructure = {
    QNN_HTP_DEVICE_INFRASTRUCTURE_TYPE_PERF,
    {{&CreatePowerConfigId, &DestroyPowerConfigId, &SetPowerConfig, nullptr}}};
// QNN's out parameter is declared const; callers hand in writable storage.
Qnn_ErrorHandle_t GetInfrastructure(const QnnDevice_Infrastructure_t* infrastructure) {
  *const_cast<QnnDevice_Infrastructure_t*>(infrastructure) = &kInfrastructure;
  return QNN_SUCCESS;
}

qnn::QnnApi QuietApi() {
  qnn::QnnApi api{};
  api.logCreate = &LogCreate;
  api.logFree = &Free<Qnn_LogHandle_t>;
  api.backendCreate = &BackendCreate;
  api.backendFree = &Free<Qnn_BackendHandle_t>;
  api.deviceCreate = &DeviceCreate;
  api.deviceFree = &Free<Qnn_DeviceHandle_t>;
  api.deviceGetInfrastructure = &GetInfrastructure;
  return api;
}

const qnn::QnnApi kQuietApi = QuietApi();

// ---- the baseline: the same queue shape with nothing around it

class BareQueue {
 public:
  BareQueue() : thread_([this] { Run(); }) {}
  ~BareQueue() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void Queue(uint32_t kind, bool delayed) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(Request{kind, delayed});
    }
    wake_.notify_one();
  }

 private:
  struct Request {
    uint32_t kind;
    bool delayed;
  };
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      while (queue_.empty()) {
        if (stop_) return;
        wake_.wait(lock);
      }
      Request request = queue_.front();
      queue_.pop_front();
      lock.unlock();
      benchmark::DoNotOptimize(request);
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Request> queue_;
  bool stop_ = false;
  std::thread thread_;
};

// ---- benchmarks

std::unique_ptr<qnn::HtpBackend> AutoBackend(qnn::HtpPerformanceMode mode) {
  qnn::SetQnnLogLevel(qnn::kQnnLogError);
  qnn::Options options;
  options.SetHtpPerformanceMode(mode);
  options.SetHtpPerfCtrlMode(qnn::PerfCtrlMode::kAuto);
  auto backend = std::make_unique<qnn::HtpBackend>(&kQuietApi);
  if (!backend->Init(options, std::nullopt)) return nullptr;
  backend->ScheduleUpVote();  // the voting thread exists before timing starts
  return backend;
}

// Schedules an up and a down vote per iteration, as invoke does around an
// execution that takes no time. Counters: "votes_per_invoke", the votes that
// reached QNN per pair once the queue has drained (the final down vote of
// the teardown left out), and "peak_queue", the most requests that waited at
// once.
void ScheduleUpDownLoop(benchmark::State& state, qnn::HtpPerformanceMode mode) {
  auto backend = AutoBackend(mode);
  if (!backend) {
    state.SkipWithError("Init failed");
    return;
  }
  const uint64_t before = g_votes_applied.load();
  for (auto _ : state) {
    backend->ScheduleUpVote();
    backend->ScheduleDownVote();
  }
  state.SetItemsProcessed(2 * state.iterations());
  const size_t peak = backend->perf_control()->voting_thread()->peak_queue_length();
  backend.reset();  // applies what is still queued, then the final down vote
  const double applied = static_cast<double>(g_votes_applied.load() - before - 1);
  state.counters["votes_per_invoke"] = applied / static_cast<double>(state.iterations());
  state.counters["peak_queue"] = static_cast<double>(peak);
}

// Burst: the down vote is delayed and dropped by the next up vote, as
// between back-to-back executions.
void BM_BackendScheduleUpDown_Burst(benchmark::State& state) {
  ScheduleUpDownLoop(state, qnn::HtpPerformanceMode::kBurst);
}
BENCHMARK(BM_BackendScheduleUpDown_Burst)->UseRealTime();

void BM_BareQueueUpDown_Delayed(benchmark::State& state) {
  BareQueue queue;
  for (auto _ : state) {
    queue.Queue(qnn::kVoteUp, false);
    queue.Queue(qnn::kVoteDown, true);
  }
  state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_BareQueueUpDown_Delayed)->UseRealTime();

// HighPerformance: every vote is applied.
void BM_BackendScheduleUpDown_HighPerformance(benchmark::State& state) {
  ScheduleUpDownLoop(state, qnn::HtpPerformanceMode::kHighPerformance);
}
BENCHMARK(BM_BackendScheduleUpDown_HighPerformance)->UseRealTime();

void BM_BareQueueUpDown(benchmark::State& state) {
  BareQueue queue;
  for (auto _ : state) {
    queue.Queue(qnn::kVoteUp, false);
    queue.Queue(qnn::kVoteDown, false);
  }
  state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_BareQueueUpDown)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
