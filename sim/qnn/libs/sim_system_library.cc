// The simulated QNN system library.
#include "sim/qnn/libs/sim_library_lifetime.h"

VANTRO_SIM_ENTRY QnnResult QnnSystemInterface_getProviders(
    const QnnSystemInterfaceProvider*** providers, uint32_t* num_providers) {
  return vantro::sim::internal::VantroSimQnnGetSystemProviders(providers, num_providers);
}
