// What the plug-in benchmarks share: the built plug-in loaded the way a host
// loads it, copy graphs made in memory, the road of one host up to a ready
// invocation context, and the floors the plug-in's paths are measured
// against (the simulated QNN called directly, with nothing of ours around).
//
// Used by the Google Benchmark binary and by the callgrind driver, so that
// both measure exactly the same set-up.
#ifndef VANTRO_BENCH_SUPPORT_BENCH_ROAD_H_
#define VANTRO_BENCH_SUPPORT_BENCH_ROAD_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "c/vantro_dispatch.h"
#include "sim/host/sim_host.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace vantro::bench {

// The most inputs (and outputs) a benchmark graph has; the floor's stack
// arrays are this large.
inline constexpr int kMaxTensors = 64;
// Floats per tensor of the copy graphs.
inline constexpr uint32_t kTensorElements = 64;

// The operation table of the plug-in built by this tree, loaded once with
// dlopen and never unloaded. Aborts with a message when it cannot be loaded.
const VantroDispatchOperationTable& PluginTable();

// The name of the copy graph of `count` inputs and outputs ("copy_16").
std::string CopyGraphName(int count);
// A context binary with one graph of `count` float inputs in0..inN-1 and as
// many outputs out0..outN-1, each output a copy of its input.
std::vector<uint8_t> CopyGraphBinary(int count);

// Payloads under "qualcomm": the simulated QNN's directory, QNN-layer
// diagnostics at WARNING, plus `extra`.
std::string Payload(const std::string& extra = "");
// Burst under automatic control: the voting queue is on the invoke path.
inline constexpr char kAutoVotingKeys[] = "htp_performance_mode = 2\nhtp_perf_ctrl_mode = 1\n";

// Puts the simulated QNN back to its defaults and then switches execution
// and the call log off, as every benchmark here runs.
void QuietSimulation();

// One host with an initialised plug-in and a device context. Tear-down
// destroys what is still open, in host order.
class HostRoad {
 public:
  // Initialises the plug-in with `payload` (log severity WARNING, so that
  // INFO lines are filtered out on every path). Aborts when that fails.
  explicit HostRoad(const std::string& payload);
  ~HostRoad();
  HostRoad(const HostRoad&) = delete;
  HostRoad& operator=(const HostRoad&) = delete;

  const VantroDispatchOperationTable& table() const { return table_; }
  vantro::sim::Host& host() { return host_; }
  VantroDispatchDeviceContextT* device() const { return device_; }

  // A registered host-memory float buffer of kTensorElements elements.
  VantroTensorBufferHandle NewBuffer(VantroTensorBufferT** buffer = nullptr);

 private:
  const VantroDispatchOperationTable& table_;
  vantro::sim::Host host_;
  VantroEnvironmentT* environment_ = nullptr;
  VantroDispatchDeviceContextT* device_ = nullptr;
};

// An invocation context over a copy graph with every input and output
// attached, ready to invoke.
class InvokeRoad {
 public:
  InvokeRoad(int count, const std::string& payload);
  ~InvokeRoad();
  InvokeRoad(const InvokeRoad&) = delete;
  InvokeRoad& operator=(const InvokeRoad&) = delete;

  VantroStatus Invoke() { return invoke_(invocation_); }

  HostRoad& road() { return road_; }
  VantroDispatchInvocationContextT* invocation() const { return invocation_; }
  VantroTensorBufferHandle input_handle(int i) const { return input_handles_[i]; }

 private:
  HostRoad road_;
  std::vector<uint8_t> bytecode_;
  VantroMemBufferT record_{};
  VantroDispatchInvocationContextT* invocation_ = nullptr;
  VantroStatus (*invoke_)(VantroDispatchInvocationContextT*) = nullptr;
  std::vector<VantroTensorBufferHandle> input_handles_;
};

// The invoke floor: the same copy graph in a context of its own, created
// straight from the simulated HTP library's table, with its tensor records
// kept ready; Execute() copies them into stack arrays and calls
// graphExecute, which is all a plug-in has to do.
class DirectExecute {
 public:
  explicit DirectExecute(int count);
  ~DirectExecute();
  DirectExecute(const DirectExecute&) = delete;
  DirectExecute& operator=(const DirectExecute&) = delete;

  Qnn_ErrorHandle_t Execute();

 private:
  const qnn::QnnApi* api_ = nullptr;
  Qnn_BackendHandle_t backend_ = nullptr;
  Qnn_ContextHandle_t context_ = nullptr;
  Qnn_GraphHandle_t graph_ = nullptr;
  uint32_t count_ = 0;
  std::vector<std::string> names_;
  std::vector<uint32_t> dimensions_;
  std::vector<float> memory_;
  std::vector<Qnn_Tensor_t> inputs_;
  std::vector<Qnn_Tensor_t> outputs_;
};

// The floor of attaching a host-memory buffer: the four host queries
// (type, address, size, offset) through the host's table, then the three
// fields attach writes into `tensor`. Out of line, so that the writes stay.
// False when a query fails.
bool AttachHostQueriesFloor(const VantroHostApiTable& host, VantroTensorBufferT* buffer,
                            Qnn_Tensor_t* tensor);

// The floor of invocation-context creation: the simulated QNN calls the
// plug-in makes, made directly with what it passes. The binary's metadata
// through a system context, then on a cache miss a QNN context from the
// binary (released again at the end of the run, as the device context
// would), and the graph.
class DirectCreation {
 public:
  DirectCreation(int count, bool miss);
  ~DirectCreation();
  DirectCreation(const DirectCreation&) = delete;
  DirectCreation& operator=(const DirectCreation&) = delete;

  bool Run();

 private:
  const qnn::QnnApi* api_ = nullptr;
  const qnn::QnnSystemApi* system_ = nullptr;
  bool miss_ = false;
  Qnn_BackendHandle_t backend_ = nullptr;
  Qnn_DeviceHandle_t device_ = nullptr;
  Qnn_ContextHandle_t cached_ = nullptr;  // the hit's context, made once
  std::vector<uint8_t> bytes_;
  std::string name_;
};

// Creates and destroys invocation contexts through the table: on a cache
// miss in a fresh device context each time (destroyed with it), on a hit
// next to a first invocation context that keeps the QNN context cached.
class TableCreation {
 public:
  TableCreation(int count, bool miss);
  ~TableCreation();
  TableCreation(const TableCreation&) = delete;
  TableCreation& operator=(const TableCreation&) = delete;

  bool Run();

 private:
  HostRoad road_;
  bool miss_ = false;
  std::vector<uint8_t> bytes_;
  VantroMemBufferT record_{};
  std::string name_;
  VantroDispatchInvocationContextT* first_ = nullptr;
};

// The simulated HTP library's own table (the one the plug-in is handed).
const qnn::QnnApi& SimHtpApi();
const qnn::QnnSystemApi& SimSystemApi();

}  // namespace vantro::bench

#endif  // VANTRO_BENCH_SUPPORT_BENCH_ROAD_H_
