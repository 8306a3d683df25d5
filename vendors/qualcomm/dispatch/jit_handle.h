// A graph already built outside the plug-in, handed over in place of
// bytecode (bytecode kind 3). The plug-in only reads it.
#ifndef VANTRO_VENDORS_QUALCOMM_DISPATCH_JIT_HANDLE_H_
#define VANTRO_VENDORS_QUALCOMM_DISPATCH_JIT_HANDLE_H_

#include <string>
#include <vector>

#include "vendors/qualcomm/qnn_interface.h"
#include "vendors/qualcomm/tensor_wrapper.h"

namespace vantro::qualcomm {

struct JitHandle {
  Qnn_ContextHandle_t context = nullptr;
  std::string graph_name;
  std::vector<qnn::TensorWrapper> inputs;
  std::vector<qnn::TensorWrapper> outputs;
};

}  // namespace vantro::qualcomm

#endif  // VANTRO_VENDORS_QUALCOMM_DISPATCH_JIT_HANDLE_H_
