// The DSP backend: a QNN backend with an optional signed protection domain
// and no device; it votes for clock levels through its performance
// controller and defines the DSP graph configuration.
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_DSP_BACKEND_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_DSP_BACKEND_H_

#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "absl/strings/string_view.h"
#include "vendors/qualcomm/backends/created_on_first_use.h"
#include "vendors/qualcomm/backends/qnn_backend.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/backends/voting_thread.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace qnn {

class DspPerfControl;

class DspBackend : public QnnBackend {
 public:
  // `down_vote_delay` is how long the voting thread holds a delayed down
  // vote; only tests change it.
  explicit DspBackend(const qnn::QnnApi* api,
                      VotingThread::Clock::duration down_vote_delay = VotingThread::kDownVoteDelay);
  // Controller first, then the protection-domain records, then the base.
  ~DspBackend() override;

  bool Init(const Options& options, std::optional<SocInfo> soc_info) override;
  bool SetPerformanceMode(const Options& options) override;
  void ScheduleUpVote() override;
  void ScheduleDownVote() override;
  GraphConfigs GetGraphConfigs(const Options& options, absl::string_view graph_name) override;

  // The controller, null until the first non-Default DspPerformanceMode.
  DspPerfControl* perf_control() const { return perf_control_.get(); }

 private:
  // The backend configs for DspPdSession: empty, or (signed-PD config, null).
  std::vector<const QnnBackend_Config_t*> BuildPdConfigs(PdSession session);
  std::unique_ptr<DspPerfControl> NewPerfControl() const;

  // Defined with the DSP backend records, which this header leaves out: they
  // may not meet another backend's records in one translation unit.
  struct PdRecord;
  std::list<PdRecord> pd_records_;
  // Made by Init or by the first SetPerformanceMode with a mode; two host
  // threads may get there at once.
  CreatedOnFirstUse<DspPerfControl> perf_control_;
  VotingThread::Clock::duration down_vote_delay_;
};

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_DSP_BACKEND_H_
