#include "vendors/qualcomm/backends/qnn_backend.h"

#include <utility>

#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {

QnnBackend::QnnBackend(const qnn::QnnApi* api) : api_(api) {}

QnnBackend::~QnnBackend() {
  // Reverse order of creation; the config lists go after the handles that
  // were created from them.
  device_handle_.Reset();
  backend_handle_.Reset();
  log_handle_.Reset();
}

QnnBackend::LogHandleT QnnBackend::CreateLogHandle(uint32_t level) {
  if (level == 0) return LogHandleT();
  Qnn_LogHandle_t log = nullptr;
  const Qnn_ErrorHandle_t result =
      api_->logCreate(QnnLogCallback, static_cast<QnnLog_Level_t>(level), &log);
  if (result != QNN_SUCCESS) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create QNN logger: %d", static_cast<int>(result));
    return LogHandleT();
  }
  return LogHandleT(log, api_->logFree);
}

QnnBackend::BackendHandleT QnnBackend::CreateBackendHandle(Qnn_LogHandle_t log,
                                                           const QnnBackend_Config_t** configs,
                                                           size_t count) {
  Qnn_BackendHandle_t backend = nullptr;
  const Qnn_ErrorHandle_t result =
      api_->backendCreate(log, count >= 2 ? configs : nullptr, &backend);
  if (result != QNN_SUCCESS) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] failed to call backend create, %d",
           static_cast<int>(result));
    return BackendHandleT();
  }
  return BackendHandleT(backend, api_->backendFree);
}

QnnBackend::DeviceHandleT QnnBackend::CreateDeviceHandle(Qnn_LogHandle_t log,
                                                         const QnnDevice_Config_t** configs,
                                                         size_t count) {
  Qnn_DeviceHandle_t device = nullptr;
  const Qnn_ErrorHandle_t result = api_->deviceCreate(log, count >= 2 ? configs : nullptr, &device);
  if (result != QNN_SUCCESS) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] failed to call device create, %d",
           static_cast<int>(result));
    return DeviceHandleT();
  }
  return DeviceHandleT(device, api_->deviceFree);
}

QnnBackend_Config_t& QnnBackend::AddBackendConfig() {
  QnnBackend_Config_t& config = backend_configs_.emplace_back();
  config.option = QNN_BACKEND_CONFIG_OPTION_UNDEFINED;
  config.customConfig = nullptr;
  return config;
}

QnnDevice_Config_t& QnnBackend::AddDeviceConfig() {
  QnnDevice_Config_t& config = device_configs_.emplace_back();
  config.option = QNN_DEVICE_CONFIG_OPTION_UNDEFINED;
  config.customConfig = nullptr;
  return config;
}

QnnDevice_PlatformInfo_t& QnnBackend::AddPlatformInfo() {
  QnnDevice_PlatformInfo_t& info = platform_infos_.emplace_back();
  info.version = QNN_DEVICE_PLATFORM_INFO_VERSION_1;
  info.v1.numHwDevices = 0;
  info.v1.hwDevices = nullptr;
  return info;
}

void QnnBackend::CommitHandles(LogHandleT log, BackendHandleT backend, DeviceHandleT device) {
  log_handle_ = std::move(log);
  backend_handle_ = std::move(backend);
  device_handle_ = std::move(device);
}

}  // namespace qnn
