// The saver's own entry point: it is given the directory its records would
// be written to. The simulation keeps the directory for tests and answers
// with the configured result.
#include <string>

#include "absl/strings/str_cat.h"
#include "sim/qnn/sim_config_text.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_state.h"

namespace vantro::sim::internal {

extern "C" QnnResult VantroSimQnnSaverInitialize(const QnnSaverConfig** configs) {
  const QnnResult entered = EnterCall(
      QNN_SAVER_INITIALIZE_NAME, [&] { return absl::StrCat("configs=", SaverConfigsText(configs)); });
  if (entered != QNN_SUCCESS) return entered;
  if (configs == nullptr) return kSimInvalidArgument;
  StateGuard state;
  const QnnResult result =
      state->configs[static_cast<int>(Library::kSaver)].saver_initialize_result;
  if (result != QNN_SUCCESS) return result;
  for (int i = 0; configs[i] != nullptr; ++i) {
    if (configs[i]->option == QNN_SAVER_CONFIG_OPTION_OUTPUT_DIRECTORY &&
        configs[i]->output_directory != nullptr) {
      state->saver_output_directory = configs[i]->output_directory;
    }
  }
  return QNN_SUCCESS;
}

}  // namespace vantro::sim::internal
