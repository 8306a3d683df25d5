// Text forms of the QNN configuration lists the core receives, written into
// the call log so tests see the records by value. The grammar is described
// in sim_qnn_calls.md.
#ifndef VANTRO_SIM_QNN_SIM_CONFIG_TEXT_H_
#define VANTRO_SIM_QNN_SIM_CONFIG_TEXT_H_

#include <string>

#include "sim/qnn/sim_qnn.h"
#include "vendors/qualcomm/qnn_api/qnn_api.h"

namespace vantro::sim::internal {

// A null-terminated list as "[record, record]", or "null" for a null list.
// Custom records are decoded as the given library defines them.
std::string BackendConfigsText(Library library, const QnnBackendConfig* const* configs);
std::string DeviceConfigsText(Library library, const QnnDeviceConfig* const* configs);
std::string GraphConfigsText(Library library, const QnnGraphConfig* const* configs);
std::string HtpPowerConfigsText(const QnnHtpPowerConfig* const* configs);
std::string DspPowerConfigsText(const QnnDspPowerConfig* const* configs);
std::string SaverConfigsText(const QnnSaverConfig* const* configs);
std::string PlatformInfoText(const QnnDevicePlatformInfo* info);

}  // namespace vantro::sim::internal

#endif  // VANTRO_SIM_QNN_SIM_CONFIG_TEXT_H_
