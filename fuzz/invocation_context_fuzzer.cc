// Fuzzes invocation contexts built from fuzzed graph descriptions: graph and
// tensor names (dump names and unsafe ones included), ranks, dimensions,
// data types, tensor kinds, record versions, dynamic dimensions and
// quantisation encodings, written as a simulated context binary. Each one
// goes the host's way through the plug-in's own device and invocation
// contexts (over the simulated QNN and host): creation by function name,
// requirements for each tensor, attachment in and out of range, execution
// with profiling and dumps, detachment, destruction. Nothing may crash, and
// after each input no QNN context, graph, profile or system context may be
// left alive.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "c/vantro_dispatch.h"
#include "c/vantro_host_api.h"
#include "cc/vantro_expected.h"
#include "fuzz/support/sim_qnn_manager.h"
#include "sim/host/sim_host.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/sim_qnn.h"
#include "vendors/qualcomm/backends/qnn_backend.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/dispatch/vantro_dispatch_device_context.h"
#include "vendors/qualcomm/dispatch/vantro_dispatch_invocation_context.h"
#include "vendors/qualcomm/qnn_manager.h"

namespace {

using vantro::qualcomm::QnnManager;
using vantro::sim::ContextBinary;
using vantro::sim::ContextBinaryGraph;
using vantro::sim::ContextBinaryTensor;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "invocation_context_fuzzer: %s\n", what);
  std::abort();
}

QnnManager* g_manager = nullptr;
qnn::QnnBackend* g_backend = nullptr;
std::string* g_dump_directory = nullptr;

constexpr uint32_t kDataTypes[] = {
    QNN_DATATYPE_FLOAT_32,      QNN_DATATYPE_INT_32,         QNN_DATATYPE_UINT_8,
    QNN_DATATYPE_INT_8,         QNN_DATATYPE_FLOAT_16,       QNN_DATATYPE_UFIXED_POINT_8,
    QNN_DATATYPE_SFIXED_POINT_16, QNN_DATATYPE_BOOL_8,       QNN_DATATYPE_INT_64,
    QNN_DATATYPE_UINT_64,       QNN_DATATYPE_FLOAT_64,       QNN_DATATYPE_UINT_16,
};

// The host's element type for a QNN data type, or 0 when it has none.
int32_t HostElementType(uint32_t data_type) {
  switch (data_type) {
    case QNN_DATATYPE_FLOAT_32: return 1;
    case QNN_DATATYPE_INT_32: return 2;
    case QNN_DATATYPE_UINT_8: case QNN_DATATYPE_UFIXED_POINT_8: return 3;
    case QNN_DATATYPE_INT_64: return 4;
    case QNN_DATATYPE_BOOL_8: return 6;
    case QNN_DATATYPE_INT_16: case QNN_DATATYPE_SFIXED_POINT_16: return 7;
    case QNN_DATATYPE_INT_8: return 9;
    case QNN_DATATYPE_FLOAT_16: return 10;
    case QNN_DATATYPE_FLOAT_64: return 11;
    case QNN_DATATYPE_UINT_64: return 13;
    case QNN_DATATYPE_UINT_32: return 16;
    case QNN_DATATYPE_UINT_16: return 17;
    default: return 0;
  }
}

std::string Name(FuzzedDataProvider& fdp) {
  std::string name = fdp.ConsumeRandomLengthString(12);
  switch (fdp.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: name += "_dump"; break;
    case 1: name = "../" + name + "_dump"; break;
    case 2: name = "_dump"; break;
    default: break;
  }
  return name;
}

ContextBinaryTensor Tensor(FuzzedDataProvider& fdp, uint32_t id, bool output) {
  ContextBinaryTensor t;
  t.id = id;
  t.name = Name(fdp);
  const uint32_t kinds[] = {QNN_TENSOR_TYPE_APP_WRITE, QNN_TENSOR_TYPE_APP_READ,
                            QNN_TENSOR_TYPE_APP_READWRITE};
  t.type = output ? kinds[fdp.ConsumeIntegralInRange<int>(0, 2)]
                  : (fdp.ConsumeBool() ? QNN_TENSOR_TYPE_APP_WRITE : QNN_TENSOR_TYPE_APP_READWRITE);
  t.data_type = fdp.ConsumeProbability<float>() < 0.9f ? fdp.PickValueInArray(kDataTypes)
                                                      : fdp.ConsumeIntegral<uint32_t>();
  const size_t rank = fdp.ConsumeIntegralInRange<size_t>(0, 10);
  for (size_t i = 0; i < rank; ++i) {
    t.dimensions.push_back(fdp.ConsumeProbability<float>() < 0.95f
                               ? fdp.ConsumeIntegralInRange<uint32_t>(0, 5)
                               : fdp.ConsumeIntegral<uint32_t>());
  }
  switch (fdp.ConsumeIntegralInRange<int>(0, 3)) {
    case 1:
      t.encoding_definition = QNN_DEFINITION_DEFINED;
      t.encoding = QNN_QUANTIZATION_ENCODING_SCALE_OFFSET;
      t.scale = fdp.ConsumeFloatingPoint<float>();
      t.offset = fdp.ConsumeIntegral<int32_t>();
      break;
    case 2:
      if (!t.dimensions.empty()) {
        t.encoding_definition = QNN_DEFINITION_DEFINED;
        t.encoding = QNN_QUANTIZATION_ENCODING_AXIS_SCALE_OFFSET;
        t.axis = fdp.ConsumeIntegralInRange<int32_t>(0, static_cast<int32_t>(rank) - 1);
        t.scale_offsets.resize(t.dimensions[t.axis] > 16 ? 0 : t.dimensions[t.axis]);
        for (auto& pair : t.scale_offsets) {
          pair.scale = fdp.ConsumeFloatingPoint<float>();
          pair.offset = fdp.ConsumeIntegral<int32_t>();
        }
      }
      break;
    case 3:
      t.encoding_definition = fdp.ConsumeIntegral<uint32_t>();
      t.encoding = fdp.ConsumeIntegral<uint32_t>();
      break;
    default:
      break;
  }
  t.record_version = fdp.ConsumeProbability<float>() < 0.9f ? fdp.ConsumeIntegralInRange(1u, 2u)
                                                           : fdp.ConsumeIntegral<uint32_t>();
  if (t.record_version == 2 && fdp.ConsumeProbability<float>() < 0.2f) {
    t.dynamic_dimensions.assign(t.dimensions.size(), 1);
  }
  return t;
}

ContextBinary Binary(FuzzedDataProvider& fdp) {
  ContextBinary binary;
  switch (fdp.ConsumeIntegralInRange<int>(0, 9)) {
    case 0: binary.build_id = "v2.42.0"; break;
    case 1: binary.build_id = "v2.40.9.1"; break;
    case 2: binary.build_id = fdp.ConsumeRandomLengthString(16); break;
    default: break;
  }
  const int graphs = fdp.ConsumeIntegralInRange<int>(0, 3);
  uint32_t next_id = 1;
  for (int g = 0; g < graphs; ++g) {
    ContextBinaryGraph graph;
    graph.name = fdp.ConsumeBool() ? "g" + std::to_string(g) : fdp.ConsumeRandomLengthString(8);
    if (fdp.ConsumeProbability<float>() < 0.05f) graph.info_version = fdp.ConsumeIntegral<uint32_t>();
    const int inputs = fdp.ConsumeIntegralInRange<int>(0, 3);
    const int outputs = fdp.ConsumeIntegralInRange<int>(0, 4);
    for (int i = 0; i < inputs + outputs; ++i) {
      const bool output = i >= inputs;
      graph.tensors.push_back(Tensor(fdp, next_id, output));
      (output ? graph.outputs : graph.inputs).push_back(next_id);
      ++next_id;
    }
    if (inputs > 0 && outputs > 0 && fdp.ConsumeBool()) {
      vantro::sim::ContextBinaryOp copy;
      copy.kind = vantro::sim::OpKind::kCopy;
      copy.inputs = {graph.inputs.front()};
      copy.outputs = {graph.outputs.front()};
      graph.ops.push_back(copy);
    }
    binary.graphs.push_back(std::move(graph));
  }
  if (fdp.ConsumeBool()) binary.context_tensors.push_back(Tensor(fdp, next_id++, false));
  return binary;
}

VantroRankedTensorTypeT TensorType(FuzzedDataProvider& fdp, const qnn::TensorWrapper& wrapper) {
  VantroRankedTensorTypeT type{};
  const uint32_t version = qnn::QnnWord(wrapper.tensor().version);
  const uint32_t data_type =
      version == 1 || version == 2 ? qnn::QnnWord(wrapper.tensor().v1.dataType) : 0;
  type.element_type = fdp.ConsumeProbability<float>() < 0.9f ? HostElementType(data_type)
                                                            : fdp.ConsumeIntegral<int32_t>();
  const auto& dims = wrapper.dimensions();
  uint32_t rank = static_cast<uint32_t>(dims.size());
  if (fdp.ConsumeProbability<float>() < 0.1f) rank = fdp.ConsumeIntegralInRange<uint32_t>(0, 127);
  type.layout.rank_and_flags = rank;
  if (fdp.ConsumeProbability<float>() < 0.05f) type.layout.rank_and_flags |= VANTRO_LAYOUT_HAS_STRIDES;
  for (size_t i = 0; i < kVantroMaxRank; ++i) {
    type.layout.dimensions[i] =
        i < dims.size() ? static_cast<int32_t>(dims[i]) : fdp.ConsumeIntegral<int32_t>();
  }
  return type;
}

void Bind(FuzzedDataProvider& fdp, vantro::sim::Host& host, VantroDispatchDeviceContextT& device,
          VantroDispatchInvocationContextT& invocation, bool output, int32_t count) {
  for (int32_t i = -1; i <= count; ++i) {
    const auto& wrapper =
        output ? invocation.outputs()[i >= 0 && i < count ? i : 0]
               : invocation.inputs()[i >= 0 && i < count ? i : 0];
    const VantroRankedTensorTypeT type = TensorType(fdp, wrapper);
    (void)invocation.GetRequirements(type);
    vantro::sim::TensorBufferSpec spec;
    spec.tensor_type = type;
    const uint64_t size = wrapper.ByteSize();
    spec.size = size > 0 && size <= (uint64_t{1} << 16) ? size : 16;
    spec.buffer_type = fdp.ConsumeProbability<float>() < 0.9f ? kVantroTensorBufferTypeHostMemory
                                                             : fdp.ConsumeIntegralInRange(0, 6);
    VantroTensorBufferT* buffer = host.NewTensorBuffer(spec);
    const VantroTensorBufferHandle handle =
        fdp.ConsumeProbability<float>() < 0.95f ? device.RegisterTensorBuffer(buffer)
                                                : fdp.ConsumeIntegral<uint64_t>();
    const auto attached = output ? invocation.AttachOutput(i, handle) : invocation.AttachInput(i, handle);
    if ((i < 0 || i >= count) && attached) Fail("attached out of range");
  }
}

void Walk(FuzzedDataProvider& fdp) {
  const ContextBinary binary = Binary(fdp);
  const std::vector<uint8_t> bytes = vantro::sim::WriteContextBinary(binary);
  std::string function;
  const char* function_name = nullptr;
  switch (fdp.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: break;
    case 1: function_name = ""; break;
    case 2:
      if (!binary.graphs.empty()) {
        function = binary.graphs[fdp.ConsumeIntegralInRange<size_t>(0, binary.graphs.size() - 1)].name;
      }
      function_name = function.c_str();
      break;
    default:
      function = fdp.ConsumeRandomLengthString(8);
      function_name = function.c_str();
      break;
  }

  vantro::sim::Host host;
  VantroDispatchDeviceContextT device(host.table(), g_manager, g_backend);
  VantroMemBufferT record{};
  record.base_addr = bytes.data();
  record.size = bytes.size();
  auto created = VantroDispatchInvocationContextT::CreateFromBytecode(device, record, function_name);
  if (!created) return;
  VantroDispatchInvocationContextT& invocation = **created;
  const auto inputs = static_cast<int32_t>(invocation.inputs().size());
  const auto outputs = static_cast<int32_t>(invocation.outputs().size());
  if (inputs > 0) Bind(fdp, host, device, invocation, false, inputs);
  if (outputs > 0) Bind(fdp, host, device, invocation, true, outputs);
  // A dump output is written whole at every run: keep the files small.
  bool small_dumps = true;
  for (const auto& output : invocation.outputs()) {
    const std::string& name = output.name();
    if (name.size() >= 5 && name.compare(name.size() - 5, 5, "_dump") == 0 &&
        output.ByteSize() > (uint64_t{1} << 20)) {
      small_dumps = false;
    }
  }
  const int runs = small_dumps ? fdp.ConsumeIntegralInRange<int>(0, 2) : 0;
  for (int run = 0; run < runs; ++run) (void)invocation.Invoke();
  for (int32_t i = 0; i < inputs; ++i) {
    const uint32_t version = qnn::QnnWord(invocation.inputs()[i].tensor().version);
    if (invocation.DetachInput(i).HasValue() != (version == 1 || version == 2)) {
      Fail("detach disagrees with the tensor's version");
    }
  }
  for (int32_t i = 0; i < outputs; ++i) (void)invocation.DetachOutput(i);
  if (invocation.DetachInput(inputs)) Fail("detached out of range");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qnn::Options options;
  options.SetProfiling(qnn::Profiling::kBasic);
  g_manager = vantro::fuzz::CreateQuietSimQnnManager("invocation_context_fuzzer", options);
  g_backend = qnn::CreateBackend(g_manager->Api(), g_manager->options(), std::nullopt, false).release();
  if (g_backend == nullptr) Fail("no backend");
  g_dump_directory = new std::string(std::filesystem::temp_directory_path().string() +
                                     "/vantro_fuzz_dumps_" + std::to_string(::getpid()) + "/");
  vantro::qualcomm::SetDumpDirectoryForTesting(*g_dump_directory);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fdp(data, size);
  Walk(fdp);
  vantro::ClearPendingError();
  std::map<std::string, int> live = vantro::sim::LiveHandles();
  for (const char* kind : {"context", "graph", "profile", "system_context"}) {
    if (live[kind] != 0) {
      std::fprintf(stderr, "invocation_context_fuzzer: %d %s handle(s) left alive\n", live[kind],
                   kind);
      std::abort();
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(*g_dump_directory, ignored);
  return 0;
}
