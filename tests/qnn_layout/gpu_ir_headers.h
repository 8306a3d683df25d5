// Every header of the gpu_ir group: the core's, then the GPU and IR
// backends'. The two share a translation unit: neither defines a record
// of the other.
#ifndef VANTRO_TESTS_QNN_LAYOUT_GPU_IR_HEADERS_H_
#define VANTRO_TESTS_QNN_LAYOUT_GPU_IR_HEADERS_H_

#include "GPU/QnnGpuBackend.h"
#include "GPU/QnnGpuCommon.h"
#include "GPU/QnnGpuGraph.h"
#include "IR/QnnIrCommon.h"
#include "IR/QnnIrGraph.h"
#include "core_headers.h"

#endif  // VANTRO_TESTS_QNN_LAYOUT_GPU_IR_HEADERS_H_
