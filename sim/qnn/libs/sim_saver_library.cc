// The simulated QNN saver: a backend library that is initialised with an
// output directory first. Both entry points have QNN's published
// signatures.
#include "QnnInterface.h"
#include "Saver/QnnSaver.h"
#include "sim/qnn/libs/sim_library_lifetime.h"

VANTRO_SIM_ENTRY Qnn_ErrorHandle_t QnnInterface_getProviders(const QnnInterface_t*** providerList,
                                                             uint32_t* numProviders) {
  return vantro::sim::internal::VantroSimQnnGetProviders(VANTRO_SIM_LIBRARY, providerList,
                                                         numProviders);
}

VANTRO_SIM_ENTRY Qnn_ErrorHandle_t QnnSaver_initialize(const QnnSaver_Config_t** config) {
  return vantro::sim::internal::VantroSimQnnSaverInitialize(config);
}
