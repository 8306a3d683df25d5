// DSP performance control: six up and six down power-config records applied
// through QNN's DSP performance infrastructure, at once (Manual) or around
// each execution through a voting thread (Auto).
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_DSP_PERF_CONTROL_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_DSP_PERF_CONTROL_H_

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "vendors/qualcomm/backends/created_on_first_use.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/backends/voting_thread.h"
#include "DSP/QnnDspPerfInfrastructure.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace qnn {

class DspPerfControl {
 public:
  static constexpr size_t kRecordCount = 6;

  // The up records start as the down records, so a controller first started
  // with an unknown mode votes a defined (low) level.
  DspPerfControl(const qnn::QnnApi* api,
                 VotingThread::Clock::duration down_vote_delay = VotingThread::kDownVoteDelay);
  // Sleep latency, DCVS voltage corner (minimum, target, maximum), DCVS
  // enable and power mode, in the order QNN receives them.
  using Records = std::array<QnnDspPerfInfrastructure_PowerConfig_t, kRecordCount>;

  DspPerfControl(const DspPerfControl&) = delete;
  DspPerfControl& operator=(const DspPerfControl&) = delete;
  // Stops the voting thread first (what is queued is still applied), then
  // applies the final down vote and destroys the power-config id.
  ~DspPerfControl();

  // Obtains the infrastructure and the power-config id (once, even when two
  // host threads start a mode at the same moment), writes the up records for
  // `mode` (1 to 8; others keep the up records) and stores it.
  bool Start(uint32_t mode);
  // Follows the options' DspPerformanceMode (see the HTP controller).
  bool SetPerfModeAndApplyIfManual(const Options& options);
  // The control the stored mode runs under; Init sets it with the mode.
  void set_manual(bool manual) { manual_.store(manual, std::memory_order_relaxed); }

  // Apply on the calling thread. An up vote applied here cancels the
  // voting thread's pending delayed down vote, which would undo it.
  void ApplyUpList();
  void ApplyDownList() { Apply(kVoteDown); }
  void ScheduleUpVote();
  void ScheduleDownVote();

  uint32_t mode() const { return mode_.load(std::memory_order_relaxed); }
  bool has_infrastructure() const;
  bool has_voting_thread() const { return voting_thread_.get() != nullptr; }

 private:
  using List = std::array<const QnnDspPerfInfrastructure_PowerConfig_t*, kRecordCount + 1>;

  // Obtains whichever of the infrastructure and the id is still missing;
  // false after logging why.
  bool AcquireInfrastructureAndId();
  VotingThread& EnsureVotingThread();
  // Up list for kind 0, down list otherwise; copied under the records lock,
  // applied outside it, nothing without an infrastructure.
  void Apply(uint32_t kind);

  const qnn::QnnApi* api_;
  uint32_t power_config_id_ = 0;
  // The DSP's infrastructure (its struct is defined with the DSP device
  // records, which only the implementation includes).
  QnnDevice_Infrastructure_t infrastructure_ = nullptr;
  std::atomic<uint32_t> mode_{0};
  std::atomic<bool> manual_{false};
  Records up_records_;
  Records down_records_;
  // Guards the records, the id and the infrastructure pointer.
  mutable std::mutex records_mutex_;
  // Held while the infrastructure and the id are obtained (before
  // `records_mutex_`), so that they are obtained once.
  std::mutex acquire_mutex_;
  const VotingThread::Clock::duration down_vote_delay_;
  // Last, so that it is stopped before anything its votes read goes.
  CreatedOnFirstUse<VotingThread> voting_thread_;
};

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_DSP_PERF_CONTROL_H_
