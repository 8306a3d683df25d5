// A simulated performance infrastructure for tests of one-time creation
// under two host threads: the simulated backend's table with its
// deviceGetInfrastructure handing out a copy of the simulation's
// infrastructure whose createPowerConfigId holds its caller at a rendezvous
// (so that a second thread starting a mode at the same moment reaches the
// one-time creation too) and whose setPowerConfig notes the thread each
// vote ran on. One instance at a time.
//
// `Traits` names the backend's records, which only the test's own
// translation unit may include (the HTP and DSP groups never meet):
//   using Infrastructure = ...;  // the struct deviceGetInfrastructure points at
//   static constexpr vantro::sim::Library kLibrary;
//   static <functions>& Functions(Infrastructure&);  // createPowerConfigId, setPowerConfig
//   template <typename Config> static bool IsVote(const Config* const* list);
#ifndef VANTRO_TESTS_SUPPORT_RACING_INFRASTRUCTURE_H_
#define VANTRO_TESTS_SUPPORT_RACING_INFRASTRUCTURE_H_

#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/sim_backend_support.h"
#include "tests/support/thread_race_support.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace vantro::testing {

template <typename Traits>
class RacingInfrastructure {
 public:
  using Infrastructure = typename Traits::Infrastructure;

  RacingInfrastructure() : api_(*SimCoreApi(Traits::kLibrary)) {
    current_ = this;
    sim_get_ = api_.deviceGetInfrastructure;
    api_.deviceGetInfrastructure = &GetInfrastructure;
  }
  ~RacingInfrastructure() { current_ = nullptr; }
  RacingInfrastructure(const RacingInfrastructure&) = delete;
  RacingInfrastructure& operator=(const RacingInfrastructure&) = delete;

  const qnn::QnnApi* api() const { return &api_; }
  // From now on creating a power-config id waits for a second caller.
  void Arm() {
    std::lock_guard<std::mutex> lock(mutex_);
    rendezvous_ = std::make_unique<Rendezvous>(std::chrono::milliseconds(300));
  }
  // The threads that applied votes so far.
  std::set<std::thread::id> vote_threads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return vote_threads_;
  }

 private:
  static Qnn_ErrorHandle_t GetInfrastructure(const QnnDevice_Infrastructure_t* out) {
    RacingInfrastructure& self = *current_;
    const Qnn_ErrorHandle_t result = self.sim_get_(out);
    std::lock_guard<std::mutex> lock(self.mutex_);
    // QNN's out parameter is declared const; callers hand in writable storage.
    auto* slot = const_cast<QnnDevice_Infrastructure_t*>(out);
    if (result == QNN_SUCCESS && *slot != nullptr) {
      self.sim_ = **slot;
      self.infrastructure_ = **slot;
      Traits::Functions(self.infrastructure_).createPowerConfigId = &CreatePowerConfigId;
      Traits::Functions(self.infrastructure_).setPowerConfig = &SetPowerConfig;
      *slot = &self.infrastructure_;
    }
    return result;
  }

  template <typename... Args>
  static Qnn_ErrorHandle_t CreatePowerConfigId(Args... args) {
    RacingInfrastructure& self = *current_;
    const Qnn_ErrorHandle_t result = Traits::Functions(self.sim_).createPowerConfigId(args...);
    Rendezvous* rendezvous = nullptr;
    {
      std::lock_guard<std::mutex> lock(self.mutex_);
      rendezvous = self.rendezvous_.get();
    }
    if (rendezvous != nullptr) rendezvous->Arrive();
    return result;
  }

  template <typename Config>
  static Qnn_ErrorHandle_t SetPowerConfig(uint32_t id, const Config** configs) {
    RacingInfrastructure& self = *current_;
    if (Traits::IsVote(configs)) {
      std::lock_guard<std::mutex> lock(self.mutex_);
      self.vote_threads_.insert(std::this_thread::get_id());
    }
    return Traits::Functions(self.sim_).setPowerConfig(id, configs);
  }

  static inline RacingInfrastructure* current_ = nullptr;
  qnn::QnnApi api_;
  decltype(api_.deviceGetInfrastructure) sim_get_ = nullptr;
  mutable std::mutex mutex_;
  std::unique_ptr<Rendezvous> rendezvous_;
  Infrastructure sim_{};  // the simulation's own, to forward to
  Infrastructure infrastructure_{};
  std::set<std::thread::id> vote_threads_;
};

// Two host threads using `backend` (made on `racing`'s table, which is
// armed) first at the same moment, as on two contexts: each sets `options`
// and votes around an invoke. Expects one controller, one power-config id
// (since `racing` was made) and one voting thread, and the simulation's live
// ids back at `ids_before` once the backend is gone.
template <typename Backend, typename Traits>
void ExpectOneTimeCreationUnderTwoThreads(std::unique_ptr<Backend> backend,
                                          const RacingInfrastructure<Traits>& racing,
                                          const qnn::Options& options, int ids_before) {
  RunOnTwoThreadsAtOnce([&] {
    EXPECT_TRUE(backend->SetPerformanceMode(options));
    backend->ScheduleUpVote();
    backend->ScheduleDownVote();
  });
  ASSERT_NE(backend->perf_control(), nullptr);
  EXPECT_TRUE(backend->perf_control()->has_voting_thread());
  EXPECT_EQ(vantro::sim::CountCalls("createPowerConfigId"), 1u);
  ASSERT_TRUE(WaitUntil([&] { return !racing.vote_threads().empty(); }));
  EXPECT_EQ(racing.vote_threads().size(), 1u) << "votes applied by more than one thread";
  backend.reset();
  EXPECT_EQ(vantro::sim::LiveHandles()["power_config_id"], ids_before) << "an id leaked";
}

}  // namespace vantro::testing

#endif  // VANTRO_TESTS_SUPPORT_RACING_INFRASTRUCTURE_H_
