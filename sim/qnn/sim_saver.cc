// The saver's own entry point: it is given the directory its records would
// be written to. The simulation keeps the directory for tests and answers
// with the configured result.
#include <string>

#include "absl/strings/str_cat.h"
#include "sim/qnn/sim_config_text.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_state.h"

namespace vantro::sim::internal {

extern "C" Qnn_ErrorHandle_t VantroSimQnnSaverInitialize(const QnnSaver_Config_t** configs) {
  const Qnn_ErrorHandle_t entered = EnterCall(
      "QnnSaver_initialize", [&] { return absl::StrCat("configs=", SaverConfigsText(configs)); });
  if (entered != QNN_SUCCESS) return entered;
  if (configs == nullptr) return kSimInvalidArgument;
  StateGuard state;
  const Qnn_ErrorHandle_t result =
      state->configs[static_cast<int>(Library::kSaver)].saver_initialize_result;
  if (result != QNN_SUCCESS) return result;
  for (int i = 0; configs[i] != nullptr; ++i) {
    if (configs[i]->option == QNN_SAVER_CONFIG_OPTION_OUTPUT_DIRECTORY &&
        configs[i]->outputDirectory != nullptr) {
      state->saver_output_directory = configs[i]->outputDirectory;
    }
  }
  return QNN_SUCCESS;
}

}  // namespace vantro::sim::internal
