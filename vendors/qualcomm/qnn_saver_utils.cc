#include "vendors/qualcomm/qnn_saver_utils.h"

#include <string>

#include "cc/vantro_logging.h"
#include "vendors/qualcomm/qnn_api/qnn_api.h"
#include "vendors/qualcomm/qnn_manager.h"

namespace vantro::qualcomm {

Status InitializeSaver(const QnnManager& manager, absl::string_view output_dir) {
  // QNN reads a NUL-terminated text; the copy lives until the call returns.
  const std::string directory(output_dir);
  const QnnSaverConfig output_directory{QNN_SAVER_CONFIG_OPTION_OUTPUT_DIRECTORY,
                                        directory.c_str()};
  const QnnSaverConfig* configs[] = {&output_directory, nullptr};

  auto initialize =
      manager.BackendLibrary().LookupSymbol<QnnSaverInitializeFn>(QNN_SAVER_INITIALIZE_NAME);
  if (!initialize.HasValue()) return ToStatus(initialize.GetError());

  const QnnResult result = initialize.Value()(configs);
  if (result != QNN_SUCCESS) {
    VANTRO_LOG_ERROR("Qnn saver backend failed to initialize. Error code: %d.",
                     static_cast<int>(result & 0xFFFF));
    return Status::DynamicLoadingFailure;
  }
  return Status::Ok;
}

}  // namespace vantro::qualcomm
