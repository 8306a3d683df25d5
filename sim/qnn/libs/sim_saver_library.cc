// The simulated QNN saver: a backend library that is initialised with an
// output directory first.
#include "sim/qnn/libs/sim_library_lifetime.h"

VANTRO_SIM_ENTRY QnnResult QnnInterface_getProviders(const QnnInterfaceProvider*** providers,
                                                     uint32_t* num_providers) {
  return vantro::sim::internal::VantroSimQnnGetProviders(VANTRO_SIM_LIBRARY, providers,
                                                         num_providers);
}

VANTRO_SIM_ENTRY QnnResult QnnSaver_initialize(const QnnSaverConfig** configs) {
  return vantro::sim::internal::VantroSimQnnSaverInitialize(configs);
}
