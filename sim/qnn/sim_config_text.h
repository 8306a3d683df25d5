// Text forms of the QNN configuration lists the simulation receives,
// written into the call log so tests see the records by value. The grammar
// is described in sim_qnn_calls.md.
//
// The lists are read in sim_config_text.cc; the HTP, DSP and LPAI records
// they point at are decoded in sim_config_text_htp.cc, _dsp.cc and
// _lpai.cc (see sim_config_records.h), because those backends' headers
// cannot share a translation unit.
#ifndef VANTRO_SIM_QNN_SIM_CONFIG_TEXT_H_
#define VANTRO_SIM_QNN_SIM_CONFIG_TEXT_H_

#include <string>

#include "DSP/QnnDspPerfInfrastructure.h"
#include "HTP/QnnHtpPerfInfrastructure.h"
#include "QnnBackend.h"
#include "QnnContext.h"
#include "QnnDevice.h"
#include "QnnGraph.h"
#include "Saver/QnnSaver.h"
#include "sim/qnn/sim_qnn.h"

namespace vantro::sim::internal {

// A null-terminated list as "[record, record]", or "null" for a null list.
// Custom records are decoded as the given library defines them.
std::string BackendConfigsText(Library library, const QnnBackend_Config_t* const* configs);
std::string DeviceConfigsText(Library library, const QnnDevice_Config_t* const* configs);
std::string GraphConfigsText(Library library, const QnnGraph_Config_t* const* configs);
// Context custom records are the HTP backend's whichever library is asked.
std::string ContextConfigsText(const QnnContext_Config_t* const* configs);
std::string SaverConfigsText(const QnnSaver_Config_t* const* configs);
std::string PlatformInfoText(const QnnDevice_PlatformInfo_t* info);
// sim_config_text_htp.cc and sim_config_text_dsp.cc.
std::string HtpPowerConfigsText(const QnnHtpPerfInfrastructure_PowerConfig_t* const* configs);
std::string DspPowerConfigsText(const QnnDspPerfInfrastructure_PowerConfig_t* const* configs);

}  // namespace vantro::sim::internal

#endif  // VANTRO_SIM_QNN_SIM_CONFIG_TEXT_H_
