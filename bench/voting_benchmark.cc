// What ScheduleUpVote/ScheduleDownVote cost the calling thread (the host's
// invoke path), against a bare mutex-plus-notify queue of the same shape
// served by its own thread. Both run in one binary so that their ratio can
// be read off one run; the target is within 1.5 times.
//
// The backend runs on a minimal in-process QNN table whose performance
// infrastructure does nothing, so that only the plug-in's own work is seen
// (the simulated QNN would record every vote).
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "vendors/qualcomm/backends/htp_backend.h"
#include "vendors/qualcomm/backends/qnn_log.h"
#include "vendors/qualcomm/backends/qnn_options.h"

namespace {

// ---- a QNN table that accepts everything and votes nowhere

int g_object;  // any non-null address serves as a handle

QnnResult LogCreate(QnnLogCallback, uint32_t, QnnLogHandle* log) {
  *log = reinterpret_cast<QnnLogHandle>(&g_object);
  return QNN_SUCCESS;
}
QnnResult BackendCreate(QnnLogHandle, const QnnBackendConfig**, QnnBackendHandle* backend) {
  *backend = reinterpret_cast<QnnBackendHandle>(&g_object);
  return QNN_SUCCESS;
}
QnnResult DeviceCreate(QnnLogHandle, const QnnDeviceConfig**, QnnDeviceHandle* device) {
  *device = reinterpret_cast<QnnDeviceHandle>(&g_object);
  return QNN_SUCCESS;
}
template <typename H>
QnnResult Free(H) {
  return QNN_SUCCESS;
}
QnnResult CreatePowerConfigId(uint32_t, uint32_t, uint32_t* id) {
  *id = 1;
  return QNN_SUCCESS;
}
QnnResult DestroyPowerConfigId(uint32_t) { return QNN_SUCCESS; }
QnnResult SetPowerConfig(uint32_t, const QnnHtpPowerConfig** configs) {
  benchmark::DoNotOptimize(configs);
  return QNN_SUCCESS;
}
const QnnHtpDeviceInfrastructure kInfrastructure = {
    QNN_HTP_INFRASTRUCTURE_TYPE_PERF, {&CreatePowerConfigId, &DestroyPowerConfigId, &SetPowerConfig}};
QnnResult GetInfrastructure(QnnDeviceInfrastructure* infrastructure) {
  *infrastructure = &kInfrastructure;
  return QNN_SUCCESS;
}

QnnCoreApi QuietApi() {
  QnnCoreApi api{};
  api.logCreate = &LogCreate;
  api.logFree = &Free<QnnLogHandle>;
  api.backendCreate = &BackendCreate;
  api.backendFree = &Free<QnnBackendHandle>;
  api.deviceCreate = &DeviceCreate;
  api.deviceFree = &Free<QnnDeviceHandle>;
  api.deviceGetInfrastructure = &GetInfrastructure;
  return api;
}

const QnnCoreApi kQuietApi = QuietApi();

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

// Burst: the down vote is delayed and dropped by the next up vote, as
// between back-to-back executions.
void BM_BackendScheduleUpDown_Burst(benchmark::State& state) {
  auto backend = AutoBackend(qnn::HtpPerformanceMode::kBurst);
  if (!backend) {
    state.SkipWithError("Init failed");
    return;
  }
  for (auto _ : state) {
    backend->ScheduleUpVote();
    backend->ScheduleDownVote();
  }
  state.SetItemsProcessed(2 * state.iterations());
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
  auto backend = AutoBackend(qnn::HtpPerformanceMode::kHighPerformance);
  if (!backend) {
    state.SkipWithError("Init failed");
    return;
  }
  for (auto _ : state) {
    backend->ScheduleUpVote();
    backend->ScheduleDownVote();
  }
  state.SetItemsProcessed(2 * state.iterations());
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
