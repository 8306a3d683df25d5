// A simulated QNN backend library: its one entry point, with QNN's
// published signature, forwards to the simulation with the library's
// identity.
#include "QnnInterface.h"
#include "sim/qnn/libs/sim_library_lifetime.h"

VANTRO_SIM_ENTRY Qnn_ErrorHandle_t QnnInterface_getProviders(const QnnInterface_t*** providerList,
                                                             uint32_t* numProviders) {
  return vantro::sim::internal::VantroSimQnnGetProviders(VANTRO_SIM_LIBRARY, providerList,
                                                         numProviders);
}
