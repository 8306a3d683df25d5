// HTP performance control: per performance mode an "up" vote (the mode's
// clock level), a "down" vote (where to fall back when idle) and the RPC
// polling setting, applied through QNN's HTP performance infrastructure at
// once (Manual) or around each piece of work through a voting thread (Auto).
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_HTP_PERF_CONTROL_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_HTP_PERF_CONTROL_H_

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "vendors/qualcomm/backends/created_on_first_use.h"
#include "vendors/qualcomm/backends/htp_backend.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/backends/voting_thread.h"
#include "HTP/QnnHtpPerfInfrastructure.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace qnn {

class HtpBackend::HtpPerfControl {
 public:
  // The vote records are written by mode changes on the host's threads and
  // read by the voting thread; `records_mutex_` keeps each apply a
  // consistent copy.
  HtpPerfControl(const qnn::QnnApi* api, uint32_t device_id,
                 VotingThread::Clock::duration down_vote_delay = VotingThread::kDownVoteDelay);
  HtpPerfControl(const HtpPerfControl&) = delete;
  HtpPerfControl& operator=(const HtpPerfControl&) = delete;
  // Stops the voting thread first (what is queued is still applied), then
  // applies the final down vote and destroys the power-config id, so no
  // vote ever reaches QNN with a destroyed id.
  ~HtpPerfControl();

  // Obtains the infrastructure and the power-config id (once, even when two
  // host threads start a mode at the same moment), writes the up and down
  // records for `mode` and stores it; false after logging why.
  bool Start(uint32_t mode);
  // Builds the RPC polling list for the stored mode and applies it; false
  // (after the first two messages) for a mode outside 1 to 9.
  bool InitRpcPolling();
  // Follows the options' HtpPerformanceMode: starts a new mode (applied at
  // once under Manual), or falls back to the Default down vote. A switch
  // from Auto to Manual in the same mode applies the mode's up list.
  bool SetPerfModeAndApplyIfManual(const Options& options);
  // The control the stored mode runs under; Init sets it with the mode.
  void set_manual(bool manual) { manual_.store(manual, std::memory_order_relaxed); }

  // Apply on the calling thread. An up vote applied here cancels the
  // voting thread's pending delayed down vote, which would undo it.
  void ApplyUpList();
  void ApplyDownList() { Apply(ListKind::kDown); }

  // Queue on the voting thread (started on first use). A down vote is
  // delayed exactly when the stored mode is SustainedHighPerformance or Burst.
  void ScheduleUpVote();
  void ScheduleDownVote();

  uint32_t mode() const { return mode_.load(std::memory_order_relaxed); }
  uint32_t power_config_id() const;
  bool has_infrastructure() const;
  bool has_voting_thread() const { return voting_thread_.get() != nullptr; }
  // Null until the first scheduled vote; for reading its queue figures.
  const VotingThread* voting_thread() const { return voting_thread_.get(); }

 private:
  enum class ListKind { kUp, kDown, kRpc };

  // Obtains whichever of the infrastructure and the id is still missing;
  // false after logging why.
  bool AcquireInfrastructureAndId();
  VotingThread& EnsureVotingThread();
  // The voting thread's vote function: up list for kind 0, else down list.
  void Vote(uint32_t kind) { Apply(kind == kVoteUp ? ListKind::kUp : ListKind::kDown); }
  // Copies the list under the records lock and applies the copy outside it;
  // nothing without an infrastructure. The result is ignored.
  void Apply(ListKind kind);
  void WriteUpRecord(uint32_t mode);
  void WriteDownRecord(uint32_t mode);

  const qnn::QnnApi* api_;
  const uint32_t device_id_;
  uint32_t power_config_id_ = 0;
  // The HTP's infrastructure (its struct is defined with the HTP device
  // records, which only the implementation includes).
  QnnDevice_Infrastructure_t infrastructure_ = nullptr;
  std::atomic<uint32_t> mode_{0};
  std::atomic<bool> manual_{false};
  QnnHtpPerfInfrastructure_PowerConfig_t up_record_;
  QnnHtpPerfInfrastructure_PowerConfig_t down_record_;
  std::array<QnnHtpPerfInfrastructure_PowerConfig_t, 2> rpc_records_;
  std::array<const QnnHtpPerfInfrastructure_PowerConfig_t*, 3> rpc_list_{};
  std::array<const QnnHtpPerfInfrastructure_PowerConfig_t*, 2> up_list_{};
  std::array<const QnnHtpPerfInfrastructure_PowerConfig_t*, 2> down_list_{};
  // Guards the records, the lists, the id and the infrastructure pointer.
  mutable std::mutex records_mutex_;
  // Held while the infrastructure and the id are obtained (before
  // `records_mutex_`), so that they are obtained once.
  std::mutex acquire_mutex_;
  const VotingThread::Clock::duration down_vote_delay_;
  CreatedOnFirstUse<VotingThread> voting_thread_;
};

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_HTP_PERF_CONTROL_H_
