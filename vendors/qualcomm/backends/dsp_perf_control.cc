#include "vendors/qualcomm/backends/dsp_perf_control.h"

#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {
namespace {

using Records = std::array<QnnDspPowerConfig, DspPerfControl::kRecordCount>;

// (option, value) in list order; option 5 stands three times.
// Indexed by DspPerformanceMode 1 to 8.
constexpr Records kUpRecords[] = {
    {{{2, 100}, {5, 128}, {5, 128}, {5, 160}, {1, 0}, {4, 16}}},   // 1 SustainedHighPerformance
    {{{2, 40}, {5, 160}, {5, 160}, {5, 160}, {1, 0}, {4, 16}}},    // 2 Burst
    {{{2, 100}, {5, 128}, {5, 128}, {5, 160}, {1, 0}, {4, 16}}},   // 3 HighPerformance
    {{{2, 1000}, {5, 64}, {5, 64}, {5, 64}, {1, 0}, {4, 16}}},     // 4 PowerSaver
    {{{2, 1000}, {5, 48}, {5, 48}, {5, 48}, {1, 0}, {4, 16}}},     // 5 LowPowerSaver
    {{{2, 1000}, {5, 80}, {5, 80}, {5, 80}, {1, 0}, {4, 16}}},     // 6 HighPowerSaver
    {{{2, 1000}, {5, 96}, {5, 96}, {5, 96}, {1, 0}, {4, 16}}},     // 7 LowBalanced
    {{{2, 1000}, {5, 112}, {5, 112}, {5, 112}, {1, 0}, {4, 16}}},  // 8 Balanced
};

// The same for every mode.
constexpr Records kDownRecords = {{{2, 2000}, {5, 48}, {5, 64}, {5, 64}, {1, 1}, {4, 4}}};

}  // namespace

DspPerfControl::DspPerfControl(const QnnCoreApi* api,
                               VotingThread::Clock::duration down_vote_delay)
    : api_(api),
      up_records_(kDownRecords),
      down_records_(kDownRecords),
      down_vote_delay_(down_vote_delay) {}

DspPerfControl::~DspPerfControl() {
  // The voting thread goes first: its queued votes still need a live id.
  voting_thread_.reset();
  if (infrastructure_ == nullptr) return;
  ApplyDownList();
  // An id that was never created is not destroyed.
  if (power_config_id_ != 0) infrastructure_->destroyPowerConfigId(power_config_id_);
}

bool DspPerfControl::has_infrastructure() const {
  std::lock_guard<std::mutex> lock(records_mutex_);
  return infrastructure_ != nullptr;
}

bool DspPerfControl::Start(uint32_t mode) {
  // Only the host's (serialised) calls write the infrastructure and the id,
  // so reading them here needs no lock; writes take it for the voting thread.
  if (infrastructure_ == nullptr) {
    QnnDeviceInfrastructure infrastructure = nullptr;
    const QnnResult result = api_->deviceGetInfrastructure(&infrastructure);
    if (result != QNN_SUCCESS) {
      QnnLog(kQnnLogError, "ERROR: [Qnn] DSP backend unable to create device infrastructure. Error %d",
             static_cast<int>(result & 0xFFFF));
      return false;
    }
    if (infrastructure == nullptr) {
      // Nothing to create a power-config id with.
      QnnLog(kQnnLogError,
             "ERROR: [Qnn] DSP backend failed to create device infrastructure but reported no "
             "error.");
      return false;
    }
    std::lock_guard<std::mutex> lock(records_mutex_);
    infrastructure_ = static_cast<const QnnDspPerfInfrastructure*>(infrastructure);
  }

  if (power_config_id_ == 0) {
    uint32_t id = 0;
    const QnnResult result = infrastructure_->createPowerConfigId(&id);
    if (result != QNN_SUCCESS) {
      QnnLog(kQnnLogError, "ERROR: [Qnn] DSP backend unable to create power config. Error %d",
             static_cast<int>(result & 0xFFFF));
      return false;
    }
    std::lock_guard<std::mutex> lock(records_mutex_);
    power_config_id_ = id;
  }

  const bool known_mode = mode >= 1 && mode <= 8;
  if (!known_mode) {
    QnnLog(kQnnLogInfo, "INFO: [Qnn] Unknown perf mode %d, use default.", static_cast<int>(mode));
  }
  {
    std::lock_guard<std::mutex> lock(records_mutex_);
    if (known_mode) up_records_ = kUpRecords[mode - 1];
    down_records_ = kDownRecords;
  }
  mode_.store(mode, std::memory_order_relaxed);
  return true;
}

bool DspPerfControl::SetPerfModeAndApplyIfManual(const Options& options) {
  const uint32_t new_mode = static_cast<uint32_t>(options.GetDspPerformanceMode());
  const bool manual = options.GetDspPerfCtrlMode() == PerfCtrlMode::kManual;
  if (new_mode == mode()) {
    QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Perf mode doesn't change.");
    return true;
  }

  if (new_mode != 0) {
    QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Init new mode.");
    if (!Start(new_mode)) return false;
    if (!manual) {
      QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Ignore due to kAuto.");
      return true;
    }
    QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Work for kManual.");
    ApplyUpList();
    return true;
  }

  if (infrastructure_ != nullptr) {
    if (manual) {
      ApplyDownList();
    } else {
      ScheduleDownVote();  // delayed by the mode being left
    }
  }
  mode_.store(0, std::memory_order_relaxed);
  return true;
}

void DspPerfControl::EnsureVotingThread() {
  if (voting_thread_ != nullptr) return;
  voting_thread_ =
      std::make_unique<VotingThread>([this](uint32_t kind) { Apply(kind); }, down_vote_delay_);
}

void DspPerfControl::ScheduleUpVote() {
  EnsureVotingThread();
  voting_thread_->Queue(kVoteUp, /*delayed=*/false);
}

void DspPerfControl::ScheduleDownVote() {
  EnsureVotingThread();
  const uint32_t mode = this->mode();
  voting_thread_->Queue(kVoteDown, /*delayed=*/mode == 1 || mode == 2);
}

void DspPerfControl::Apply(uint32_t kind) {
  const QnnDspPerfInfrastructure* infrastructure = nullptr;
  uint32_t id = 0;
  Records records;
  List list{};
  {
    std::lock_guard<std::mutex> lock(records_mutex_);
    if (infrastructure_ == nullptr) return;
    infrastructure = infrastructure_;
    id = power_config_id_;
    records = kind == kVoteUp ? up_records_ : down_records_;
  }
  for (size_t i = 0; i < kRecordCount; ++i) list[i] = &records[i];
  infrastructure->setPowerConfig(id, list.data());
}

}  // namespace qnn
