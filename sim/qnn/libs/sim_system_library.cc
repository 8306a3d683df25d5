// The simulated QNN system library; its entry point has QNN's published
// signature.
#include "System/QnnSystemInterface.h"
#include "sim/qnn/libs/sim_library_lifetime.h"

VANTRO_SIM_ENTRY Qnn_ErrorHandle_t QnnSystemInterface_getProviders(
    const QnnSystemInterface_t*** providerList, uint32_t* numProviders) {
  return vantro::sim::internal::VantroSimQnnGetSystemProviders(providerList, numProviders);
}
