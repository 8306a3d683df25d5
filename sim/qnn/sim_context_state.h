// State of the simulated QNN's context area, shared by
// sim_context_binary.cc (system contexts, contexts) and sim_graph.cc
// (graphs, execution).
//
// Locking: the area's own mutex is a leaf. No function of sim_internal.h
// (EnterCall, the handle registry) is called while it is held, so it never
// nests inside StateMutex the other way round.
#ifndef VANTRO_SIM_QNN_SIM_CONTEXT_STATE_H_
#define VANTRO_SIM_QNN_SIM_CONTEXT_STATE_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "QnnTypes.h"
#include "sim/qnn/context_binary_format.h"

namespace vantro::sim::internal {

// One tensor of a graph, prepared for execution.
struct TensorSlot {
  const ContextBinaryTensor* desc = nullptr;
  uint64_t count = 0;  // elements
  uint64_t bytes = 0;
  // For axis-scale-offset: elements per step along the axis, and its length.
  uint64_t axis_inner = 1;
  uint64_t axis_length = 1;
  // Graph input/output position, or -1 for static and native tensors.
  int input_index = -1;
  int output_index = -1;
  // Static and native tensors: fixed; inputs and outputs: set per execution.
  uint8_t* data = nullptr;
};

// One op with its operands as slot indices.
struct PlannedOp {
  OpKind kind = OpKind::kCopy;
  size_t inputs[3] = {0, 0, 0};
  size_t input_count = 0;
  size_t output = 0;
};

// A graph of a context: its description (owned by the context), the
// execution plan and scratch memory, so executing allocates nothing.
struct SimGraph {
  const ContextBinaryGraph* desc = nullptr;
  std::vector<TensorSlot> slots;  // parallel to desc->tensors
  std::vector<size_t> input_slots;
  std::vector<size_t> output_slots;
  std::vector<PlannedOp> ops;
  std::vector<std::vector<uint8_t>> native_storage;
  std::vector<uint8_t> bound;  // per input, then per output: seen in this call
  Qnn_GraphHandle_t handle = nullptr;  // made on first retrieval
};

// A context created from a binary.
struct SimContext {
  ContextBinary binary;
  std::vector<std::unique_ptr<SimGraph>> graphs;
  Qnn_ProfileHandle_t profile = nullptr;
};

// The binary-info records one system context has handed out; they stay
// valid until the system context is freed.
struct BinaryInfoStorage;
struct SimSystemContext {
  std::vector<std::unique_ptr<BinaryInfoStorage>> infos;
};

struct ContextAreaState {
  std::unordered_map<const void*, std::unique_ptr<SimSystemContext>> system_contexts;
  std::unordered_map<const void*, std::unique_ptr<SimContext>> contexts;
  std::unordered_map<const void*, SimGraph*> graphs;  // by graph handle
};

// The area's mutex and state (never destroyed: the thin libraries may call
// in from static destructors).
std::mutex& ContextAreaMutex();
ContextAreaState& ContextArea();

// Settings, read without the mutex.
std::atomic<uint32_t>& BinaryInfoVersionSetting();
std::atomic<uint32_t>& GraphInfoVersionSetting();
std::atomic<bool>& ExecutionEnabledSetting();

// Prepares a graph for execution (slots, plan, native buffers). The
// description must have passed ValidateContextBinary.
std::unique_ptr<SimGraph> PlanGraph(const ContextBinaryGraph& desc);

// Releases the graph handles of a context's graphs; called without the
// area's mutex once the context is out of the state.
void ReleaseGraphHandles(const SimContext& context);

}  // namespace vantro::sim::internal

#endif  // VANTRO_SIM_QNN_SIM_CONTEXT_STATE_H_
