#include "vendors/qualcomm/backends/qnn_backend.h"

#include <utility>

#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {

QnnBackend::QnnBackend(const QnnCoreApi* api) : api_(api) {}

QnnBackend::~QnnBackend() {
  // Reverse order of creation; the config lists go after the handles that
  // were created from them.
  device_handle_.Reset();
  backend_handle_.Reset();
  log_handle_.Reset();
}

QnnBackend::LogHandleT QnnBackend::CreateLogHandle(uint32_t level) {
  if (level == 0) return LogHandleT();
  QnnLogHandle log = nullptr;
  const QnnResult result = api_->logCreate(QnnLogCallback, level, &log);
  if (result != QNN_SUCCESS) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create QNN logger: %d", static_cast<int>(result));
    return LogHandleT();
  }
  return LogHandleT(log, api_->logFree);
}

QnnBackend::BackendHandleT QnnBackend::CreateBackendHandle(QnnLogHandle log,
                                                           const QnnBackendConfig** configs,
                                                           size_t count) {
  QnnBackendHandle backend = nullptr;
  const QnnResult result = api_->backendCreate(log, count >= 2 ? configs : nullptr, &backend);
  if (result != QNN_SUCCESS) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] failed to call backend create, %d",
           static_cast<int>(result));
    return BackendHandleT();
  }
  return BackendHandleT(backend, api_->backendFree);
}

QnnBackend::DeviceHandleT QnnBackend::CreateDeviceHandle(QnnLogHandle log,
                                                         const QnnDeviceConfig** configs,
                                                         size_t count) {
  QnnDeviceHandle device = nullptr;
  const QnnResult result = api_->deviceCreate(log, count >= 2 ? configs : nullptr, &device);
  if (result != QNN_SUCCESS) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] failed to call device create, %d",
           static_cast<int>(result));
    return DeviceHandleT();
  }
  return DeviceHandleT(device, api_->deviceFree);
}

QnnBackendConfig& QnnBackend::AddBackendConfig() {
  QnnBackendConfig& config = backend_configs_.emplace_back();
  config.option = QNN_UNDEFINED;
  config.value = 0;
  return config;
}

QnnDeviceConfig& QnnBackend::AddDeviceConfig() {
  QnnDeviceConfig& config = device_configs_.emplace_back();
  config.option = QNN_UNDEFINED;
  config.value = 0;
  return config;
}

QnnDevicePlatformInfo& QnnBackend::AddPlatformInfo() {
  QnnDevicePlatformInfo& info = platform_infos_.emplace_back();
  info.version = 1;
  info.num_hw_devices = 0;
  info.hw_devices = nullptr;
  return info;
}

void QnnBackend::CommitHandles(LogHandleT log, BackendHandleT backend, DeviceHandleT device) {
  log_handle_ = std::move(log);
  backend_handle_ = std::move(backend);
  device_handle_ = std::move(device);
}

}  // namespace qnn
