// What the fuzz targets that drive the plug-in over the simulated QNN share:
// a silent process and one QNN manager over the simulated QNN libraries.
#ifndef VANTRO_FUZZ_SUPPORT_SIM_QNN_MANAGER_H_
#define VANTRO_FUZZ_SUPPORT_SIM_QNN_MANAGER_H_

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "cc/vantro_logging.h"
#include "sim/qnn/sim_qnn.h"
#include "vendors/qualcomm/backends/qnn_log.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/qnn_manager.h"

namespace vantro::fuzz {

// Silences the plug-in's and the QNN layer's logging and the simulated QNN's
// call log (it would grow with every input), then creates a QNN manager with
// `options` over the simulated QNN directory. The manager lives as long as
// the process. Aborts, naming `target`, when it cannot be created.
inline vantro::qualcomm::QnnManager* CreateQuietSimQnnManager(const char* target,
                                                              qnn::Options options) {
  VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), kVantroLogSilent);
  qnn::SetQnnLogLevel(0);
  vantro::sim::SetCallLogEnabled(false);
  options.SetQnnLibDir(VANTRO_SIM_QNN_DIR);
  auto manager = vantro::qualcomm::QnnManager::Create(options, std::nullopt);
  if (!manager) {
    std::fprintf(stderr, "%s: no QNN manager: %s\n", target,
                 manager.GetError().message().c_str());
    std::abort();
  }
  return std::move(manager).Value().release();
}

}  // namespace vantro::fuzz

#endif  // VANTRO_FUZZ_SUPPORT_SIM_QNN_MANAGER_H_
