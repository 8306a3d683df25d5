#include "vendors/qualcomm/backends/ir_backend.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>

#include "absl/strings/str_cat.h"
#include "IR/QnnIrGraph.h"
#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {

bool IrBackend::Init(const Options& options, std::optional<SocInfo> soc_info) {
  const uint32_t log_level = static_cast<uint32_t>(options.GetLogLevel());
  LogHandleT log = CreateLogHandle(log_level);
  if (!log && log_level != 0) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create log handle!");
    return false;
  }
  BackendHandleT backend = CreateBackendHandle(log.get(), nullptr, 0);
  if (!backend) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create backend handle!");
    return false;
  }
  if (soc_info.has_value()) SetSocInfo(*soc_info);
  CommitHandles(std::move(log), std::move(backend), DeviceHandleT());
  return true;
}

GraphConfigs IrBackend::GetGraphConfigs(const Options& options, absl::string_view graph_name) {
  const std::filesystem::path path =
      std::filesystem::path(std::string(options.GetDlcDir())) / absl::StrCat(graph_name, ".dlc");
  std::string text = path.string();
  std::replace(text.begin(), text.end(), '\\', '/');

  GraphConfigs configs;
  QnnIrGraph_CustomConfig_t record{};
  record.option = QNN_IR_GRAPH_CONFIG_OPTION_SERIALIZATION;
  record.serializationOption.serializationType = QNN_IR_GRAPH_SERIALIZATION_TYPE_FLAT_BUFFER;
  record.serializationOption.outputPath = configs.AddText(std::move(text));
  configs.AddCustomEntry(configs.AddRecord(record));
  return configs;
}

}  // namespace qnn
