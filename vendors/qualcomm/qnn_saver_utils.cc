#include "vendors/qualcomm/qnn_saver_utils.h"

#include <string>

#include "cc/vantro_logging.h"
#include "Saver/QnnSaver.h"
#include "vendors/qualcomm/qnn_manager.h"

namespace vantro::qualcomm {

Status InitializeSaver(const QnnManager& manager, absl::string_view output_dir) {
  // QNN reads a NUL-terminated text; the copy lives until the call returns.
  const std::string directory(output_dir);
  const QnnSaver_Config_t output_directory{QNN_SAVER_CONFIG_OPTION_OUTPUT_DIRECTORY,
                                           directory.c_str()};
  const QnnSaver_Config_t* configs[] = {&output_directory, nullptr};

  auto initialize =
      manager.BackendLibrary().LookupSymbol<decltype(&QnnSaver_initialize)>("QnnSaver_initialize");
  if (!initialize.HasValue()) return ToStatus(initialize.GetError());

  const Qnn_ErrorHandle_t result = initialize.Value()(configs);
  if (result != QNN_SUCCESS) {
    VANTRO_LOG_ERROR("Qnn saver backend failed to initialize. Error code: %d.",
                     static_cast<int>(result & 0xFFFF));
    return Status::DynamicLoadingFailure;
  }
  return Status::Ok;
}

}  // namespace vantro::qualcomm
