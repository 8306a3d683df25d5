// Graphs of simulated contexts: retrieval by name, and execution of their
// ops on the CPU over the client buffers bound at graphExecute.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "QnnTypes.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/sim_context_area.h"
#include "sim/qnn/sim_context_state.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_record_words.h"

namespace vantro::sim::internal {
namespace {

// ------------------------------------------------------ element access

bool IsQuantised(const ContextBinaryTensor& t) {
  return t.HasScaleOffset() || t.HasAxisScaleOffset();
}

// The stored number of element `i`, before any quantisation.
double LoadRaw(uint32_t data_type, const uint8_t* data, uint64_t i) {
  switch (data_type) {
    case QNN_DATATYPE_FLOAT_32: {
      float v;
      std::memcpy(&v, data + 4 * i, 4);
      return v;
    }
    case QNN_DATATYPE_INT_8:
    case QNN_DATATYPE_SFIXED_POINT_8:
      return static_cast<int8_t>(data[i]);
    case QNN_DATATYPE_UINT_8:
    case QNN_DATATYPE_UFIXED_POINT_8:
    case QNN_DATATYPE_BOOL_8:
      return data[i];
    case QNN_DATATYPE_INT_16:
    case QNN_DATATYPE_SFIXED_POINT_16: {
      int16_t v;
      std::memcpy(&v, data + 2 * i, 2);
      return v;
    }
    case QNN_DATATYPE_UINT_16:
    case QNN_DATATYPE_UFIXED_POINT_16: {
      uint16_t v;
      std::memcpy(&v, data + 2 * i, 2);
      return v;
    }
    case QNN_DATATYPE_INT_32:
    case QNN_DATATYPE_SFIXED_POINT_32: {
      int32_t v;
      std::memcpy(&v, data + 4 * i, 4);
      return v;
    }
    case QNN_DATATYPE_UINT_32:
    case QNN_DATATYPE_UFIXED_POINT_32: {
      uint32_t v;
      std::memcpy(&v, data + 4 * i, 4);
      return v;
    }
    default:
      return 0;  // validation admits no other type into an op
  }
}

template <typename T>
void StoreInteger(uint8_t* data, uint64_t i, double value) {
  const double lo = static_cast<double>(std::numeric_limits<T>::min());
  const double hi = static_cast<double>(std::numeric_limits<T>::max());
  const T v = static_cast<T>(std::clamp(std::nearbyint(value), lo, hi));
  std::memcpy(data + sizeof(T) * i, &v, sizeof(T));
}

void StoreRaw(uint32_t data_type, uint8_t* data, uint64_t i, double value) {
  if (std::isnan(value)) value = 0;
  switch (data_type) {
    case QNN_DATATYPE_FLOAT_32: {
      const float v = static_cast<float>(value);
      std::memcpy(data + 4 * i, &v, 4);
      return;
    }
    case QNN_DATATYPE_BOOL_8:
      data[i] = value != 0 ? 1 : 0;
      return;
    case QNN_DATATYPE_INT_8:
    case QNN_DATATYPE_SFIXED_POINT_8:
      return StoreInteger<int8_t>(data, i, value);
    case QNN_DATATYPE_UINT_8:
    case QNN_DATATYPE_UFIXED_POINT_8:
      return StoreInteger<uint8_t>(data, i, value);
    case QNN_DATATYPE_INT_16:
    case QNN_DATATYPE_SFIXED_POINT_16:
      return StoreInteger<int16_t>(data, i, value);
    case QNN_DATATYPE_UINT_16:
    case QNN_DATATYPE_UFIXED_POINT_16:
      return StoreInteger<uint16_t>(data, i, value);
    case QNN_DATATYPE_INT_32:
    case QNN_DATATYPE_SFIXED_POINT_32:
      return StoreInteger<int32_t>(data, i, value);
    case QNN_DATATYPE_UINT_32:
    case QNN_DATATYPE_UFIXED_POINT_32:
      return StoreInteger<uint32_t>(data, i, value);
    default:
      return;
  }
}

// Scale and offset of element `i` (QNN's convention: real = scale * (q + offset)).
void QuantisationOf(const TensorSlot& s, uint64_t i, double* scale, double* offset) {
  const ContextBinaryTensor& t = *s.desc;
  if (t.HasScaleOffset()) {
    *scale = t.scale;
    *offset = t.offset;
    return;
  }
  const uint64_t channel = (i / s.axis_inner) % s.axis_length;
  *scale = t.scale_offsets[channel].scale;
  *offset = t.scale_offsets[channel].offset;
}

// The real value of element `i`.
double Load(const TensorSlot& s, uint64_t i) {
  const double raw = LoadRaw(s.desc->data_type, s.data, i);
  if (!IsQuantised(*s.desc)) return raw;
  double scale, offset;
  QuantisationOf(s, i, &scale, &offset);
  return scale * (raw + offset);
}

// Stores a real value as element `i`, quantising when the tensor is.
void Store(const TensorSlot& s, uint64_t i, double value) {
  if (IsQuantised(*s.desc)) {
    double scale, offset;
    QuantisationOf(s, i, &scale, &offset);
    value = scale != 0 ? value / scale - offset : 0;
  }
  StoreRaw(s.desc->data_type, s.data, i, value);
}

// ---------------------------------------------------------------- ops

void RunOp(SimGraph& graph, const PlannedOp& op) {
  TensorSlot& out = graph.slots[op.output];
  const TensorSlot& a = graph.slots[op.inputs[0]];
  switch (op.kind) {
    case OpKind::kCopy:
      if (out.bytes != 0) std::memmove(out.data, a.data, out.bytes);
      return;
    case OpKind::kAdd:
    case OpKind::kMul: {
      const TensorSlot& b = graph.slots[op.inputs[1]];
      for (uint64_t i = 0; i < out.count; ++i) {
        const double x = Load(a, i), y = Load(b, i);
        Store(out, i, op.kind == OpKind::kAdd ? x + y : x * y);
      }
      return;
    }
    case OpKind::kRelu:
      for (uint64_t i = 0; i < out.count; ++i) Store(out, i, std::max(0.0, Load(a, i)));
      return;
    case OpKind::kDequantize:
      for (uint64_t i = 0; i < out.count; ++i) Store(out, i, Load(a, i));
      return;
    case OpKind::kFullyConnected: {
      const TensorSlot& w = graph.slots[op.inputs[1]];
      const TensorSlot* bias = op.input_count == 3 ? &graph.slots[op.inputs[2]] : nullptr;
      const uint64_t units = w.desc->dimensions[0];
      const uint64_t depth = w.desc->dimensions[1];
      const uint64_t batch = depth == 0 ? 0 : a.count / depth;
      for (uint64_t n = 0; n < batch; ++n) {
        for (uint64_t u = 0; u < units; ++u) {
          double sum = bias != nullptr ? Load(*bias, u) : 0.0;
          for (uint64_t k = 0; k < depth; ++k) sum += Load(a, n * depth + k) * Load(w, u * depth + k);
          Store(out, n * units + u, sum);
        }
      }
      return;
    }
  }
}

// ----------------------------------------------------- binding at execute

// Checks one tensor handed to graphExecute against the graph's list
// (`slots`, whose `bound` flags start at `bound`) and binds its buffer.
// `View` is the record's version 1 or 2 member; both have these fields.
template <typename View>
Qnn_ErrorHandle_t BindView(SimGraph& graph, const std::vector<size_t>& slots, uint8_t* bound,
                           const View& v) {
  size_t position = 0;
  while (position < slots.size() && graph.slots[slots[position]].desc->id != v.id) ++position;
  if (position == slots.size() || bound[position]) return kSimTensorMismatch;
  bound[position] = 1;
  TensorSlot& slot = graph.slots[slots[position]];
  if (Word32(&v.memType) != QNN_TENSORMEMTYPE_RAW) return kSimTensorUnusable;
  if (slot.bytes != 0 && v.clientBuf.data == nullptr) return kSimTensorUnusable;
  if (v.clientBuf.dataSize < slot.bytes) return kSimTensorUnusable;
  slot.data = static_cast<uint8_t*>(v.clientBuf.data);
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t Bind(SimGraph& graph, const std::vector<size_t>& slots, uint8_t* bound,
                       const Qnn_Tensor_t& tensor) {
  switch (Word32(&tensor.version)) {
    case QNN_TENSOR_VERSION_1:
      return BindView(graph, slots, bound, tensor.v1);
    case QNN_TENSOR_VERSION_2:
      return BindView(graph, slots, bound, tensor.v2);
    default:
      return kSimTensorUnusable;
  }
}

// The text form of one tensor handed to graphExecute (see sim_qnn_calls.md).
template <typename View>
std::string FormatTensorView(uint32_t version, const View& v) {
  const uint32_t mem_type = Word32(&v.memType);
  std::string text = absl::StrCat("{id=", v.id, " name=", FormatText(v.name),
                                  " version=", version, " mem_type=", mem_type);
  if (mem_type == QNN_TENSORMEMTYPE_MEMHANDLE) {
    absl::StrAppend(&text, " mem_handle=", FormatHandle(v.memHandle), "}");
  } else {
    absl::StrAppend(&text, " data=", FormatHandle(v.clientBuf.data),
                    " size=", v.clientBuf.dataSize, "}");
  }
  return text;
}

std::string FormatTensor(const Qnn_Tensor_t& t) {
  const uint32_t version = Word32(&t.version);
  switch (version) {
    case QNN_TENSOR_VERSION_1:
      return FormatTensorView(version, t.v1);
    case QNN_TENSOR_VERSION_2:
      return FormatTensorView(version, t.v2);
    default:
      return absl::StrCat("{version=", version, "}");
  }
}

std::string FormatTensors(const Qnn_Tensor_t* tensors, uint32_t count) {
  if (tensors == nullptr) return count == 0 ? "[]" : "null";
  constexpr uint32_t kMaxShown = 64;
  std::vector<std::string> items;
  for (uint32_t i = 0; i < count && i < kMaxShown; ++i) items.push_back(FormatTensor(tensors[i]));
  if (count > kMaxShown) items.push_back("...");
  return absl::StrCat("[", absl::StrJoin(items, ", "), "]");
}

struct ExecuteArgs {
  Qnn_GraphHandle_t graph;
  const Qnn_Tensor_t* inputs;
  uint32_t num_inputs;
  const Qnn_Tensor_t* outputs;
  uint32_t num_outputs;
  Qnn_ProfileHandle_t profile;
  Qnn_SignalHandle_t signal;
};

}  // namespace

void SetExecutionEnabledImpl(bool enabled) { ExecutionEnabledSetting().store(enabled); }

std::unique_ptr<SimGraph> PlanGraph(const ContextBinaryGraph& desc) {
  auto graph = std::make_unique<SimGraph>();
  graph->desc = &desc;
  graph->slots.resize(desc.tensors.size());
  auto slot_of = [&desc](uint32_t id) {
    for (size_t i = 0; i < desc.tensors.size(); ++i)
      if (desc.tensors[i].id == id) return i;
    return size_t{0};  // validation resolved every id
  };
  for (size_t i = 0; i < desc.tensors.size(); ++i) {
    const ContextBinaryTensor& t = desc.tensors[i];
    TensorSlot& s = graph->slots[i];
    s.desc = &t;
    TensorByteSize(t, &s.bytes);
    s.count = 1;
    for (uint32_t d : t.dimensions) s.count *= d;  // validated not to overflow
    if (t.HasAxisScaleOffset()) {
      s.axis_length = t.dimensions[t.axis];
      for (size_t d = t.axis + 1; d < t.dimensions.size(); ++d) s.axis_inner *= t.dimensions[d];
    }
    if (t.type == QNN_TENSOR_TYPE_STATIC) {
      s.data = const_cast<uint8_t*>(t.data.data());  // ops never write static tensors
    } else if (t.type == QNN_TENSOR_TYPE_NATIVE) {
      graph->native_storage.emplace_back(s.bytes);
      s.data = graph->native_storage.back().data();
    }
  }
  for (uint32_t id : desc.inputs) {
    graph->input_slots.push_back(slot_of(id));
    graph->slots[graph->input_slots.back()].input_index =
        static_cast<int>(graph->input_slots.size() - 1);
  }
  for (uint32_t id : desc.outputs) {
    graph->output_slots.push_back(slot_of(id));
    graph->slots[graph->output_slots.back()].output_index =
        static_cast<int>(graph->output_slots.size() - 1);
  }
  graph->bound.assign(desc.inputs.size() + desc.outputs.size(), 0);
  for (const ContextBinaryOp& op : desc.ops) {
    PlannedOp planned;
    planned.kind = op.kind;
    planned.input_count = op.inputs.size();
    for (size_t i = 0; i < op.inputs.size(); ++i) planned.inputs[i] = slot_of(op.inputs[i]);
    planned.output = slot_of(op.outputs[0]);
    graph->ops.push_back(planned);
  }
  return graph;
}

void ReleaseGraphHandles(const SimContext& context) {
  for (const auto& graph : context.graphs)
    if (graph->handle != nullptr) ReleaseHandle("graph", graph->handle);
}

Qnn_ErrorHandle_t GraphRetrieve(Qnn_ContextHandle_t context, const char* graph_name,
                                Qnn_GraphHandle_t* graph) {
  if (Qnn_ErrorHandle_t r = EnterCall("graphRetrieve",
                              [&] {
                                return absl::StrCat("context=", FormatHandle(context),
                                                    " name=", FormatText(graph_name));
                              });
      r != QNN_SUCCESS) {
    return r;
  }
  if (graph == nullptr || graph_name == nullptr) return kSimInvalidArgument;
  // Finds the graph; a graph handle is made on first retrieval, outside the
  // area's lock (the registry takes the state lock).
  auto find = [&](SimGraph** found) -> Qnn_ErrorHandle_t {
    auto it = ContextArea().contexts.find(context);
    if (it == ContextArea().contexts.end()) return kSimInvalidHandle;
    for (const auto& g : it->second->graphs) {
      if (g->desc->name == graph_name) {
        *found = g.get();
        return QNN_SUCCESS;
      }
    }
    return kSimGraphNotFound;
  };
  {
    std::lock_guard<std::mutex> lock(ContextAreaMutex());
    SimGraph* found = nullptr;
    if (Qnn_ErrorHandle_t r = find(&found); r != QNN_SUCCESS) return r;
    if (found->handle != nullptr) {
      *graph = found->handle;
      return QNN_SUCCESS;
    }
  }
  void* fresh = NewHandle("graph", context);
  Qnn_GraphHandle_t answer = nullptr;
  Qnn_ErrorHandle_t result;
  {
    std::lock_guard<std::mutex> lock(ContextAreaMutex());
    SimGraph* found = nullptr;
    result = find(&found);
    if (result == QNN_SUCCESS) {
      if (found->handle == nullptr) {
        found->handle = fresh;
        ContextArea().graphs[fresh] = found;
        fresh = nullptr;
      }
      answer = found->handle;
    }
  }
  // Another thread freed the context or retrieved the graph meanwhile.
  if (fresh != nullptr) ReleaseHandle("graph", fresh);
  if (result == QNN_SUCCESS) *graph = answer;
  return result;
}

Qnn_ErrorHandle_t GraphExecute(Qnn_GraphHandle_t graph, const Qnn_Tensor_t* inputs,
                               uint32_t num_inputs, Qnn_Tensor_t* outputs, uint32_t num_outputs,
                               Qnn_ProfileHandle_t profile, Qnn_SignalHandle_t signal) {
  // One pointer is captured, so the detail function needs no allocation.
  const ExecuteArgs args{graph, inputs, num_inputs, outputs, num_outputs, profile, signal};
  const ExecuteArgs* a = &args;
  if (Qnn_ErrorHandle_t r = EnterCall("graphExecute",
                              [a] {
                                return absl::StrCat(
                                    "graph=", FormatHandle(a->graph),
                                    " inputs=", FormatTensors(a->inputs, a->num_inputs),
                                    " outputs=", FormatTensors(a->outputs, a->num_outputs),
                                    " profile=", FormatHandle(a->profile),
                                    " signal=", FormatHandle(a->signal));
                              });
      r != QNN_SUCCESS) {
    return r;
  }
  std::lock_guard<std::mutex> lock(ContextAreaMutex());
  auto it = ContextArea().graphs.find(graph);
  if (it == ContextArea().graphs.end()) return kSimInvalidHandle;
  SimGraph& g = *it->second;
  if ((num_inputs != 0 && inputs == nullptr) || (num_outputs != 0 && outputs == nullptr))
    return kSimInvalidArgument;
  if (num_inputs != g.input_slots.size() || num_outputs != g.output_slots.size())
    return kSimTensorMismatch;
  std::fill(g.bound.begin(), g.bound.end(), 0);
  uint8_t* input_bound = g.bound.data();
  uint8_t* output_bound = input_bound + g.input_slots.size();
  for (uint32_t i = 0; i < num_inputs; ++i)
    if (Qnn_ErrorHandle_t r = Bind(g, g.input_slots, input_bound, inputs[i]); r != QNN_SUCCESS)
      return r;
  for (uint32_t i = 0; i < num_outputs; ++i)
    if (Qnn_ErrorHandle_t r = Bind(g, g.output_slots, output_bound, outputs[i]); r != QNN_SUCCESS)
      return r;
  if (!ExecutionEnabledSetting().load(std::memory_order_relaxed)) return QNN_SUCCESS;
  for (const PlannedOp& op : g.ops) RunOp(g, op);
  return QNN_SUCCESS;
}

}  // namespace vantro::sim::internal
