// A simulated QNN backend library: its one entry point forwards to the
// simulation with the library's identity.
#include "sim/qnn/libs/sim_library_lifetime.h"

VANTRO_SIM_ENTRY QnnResult QnnInterface_getProviders(const QnnInterfaceProvider*** providers,
                                                     uint32_t* num_providers) {
  return vantro::sim::internal::VantroSimQnnGetProviders(VANTRO_SIM_LIBRARY, providers,
                                                         num_providers);
}
