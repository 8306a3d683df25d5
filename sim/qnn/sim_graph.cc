// Graphs retrieved from simulated contexts and their execution on the CPU.
// Placeholder definitions until the executor lands.
#include "sim/qnn/sim_internal.h"

namespace vantro::sim::internal {

QnnResult GraphRetrieve(QnnContextHandle, const char*, QnnGraphHandle*) { return 1; }
QnnResult GraphExecute(QnnGraphHandle, const QnnTensor*, uint32_t, QnnTensor*, uint32_t,
                       QnnProfileHandle, QnnSignalHandle) {
  return 1;
}
void SetExecutionEnabledImpl(bool) {}

}  // namespace vantro::sim::internal
