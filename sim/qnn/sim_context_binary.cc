// System contexts, binary info and contexts created from simulated context
// binaries. Placeholder definitions until the reader lands.
#include "sim/qnn/sim_internal.h"

namespace vantro::sim::internal {

QnnResult SystemContextCreate(QnnSystemContextHandle*) { return 1; }
QnnResult SystemContextGetBinaryInfo(QnnSystemContextHandle, const void*, uint64_t,
                                     const QnnSystemBinaryInfo**, uint32_t*) {
  return 1;
}
QnnResult SystemContextFree(QnnSystemContextHandle) { return 1; }
QnnResult ContextCreateFromBinary(QnnBackendHandle, QnnDeviceHandle, const QnnContextConfig**,
                                  const void*, uint64_t, QnnContextHandle*, QnnProfileHandle) {
  return 1;
}
QnnResult ContextFree(QnnContextHandle, QnnProfileHandle) { return 1; }
void ResetContextArea() {}
void SetBinaryInfoVersionsImpl(uint32_t, uint32_t) {}

}  // namespace vantro::sim::internal
