// Test harness for integration tests: the built plug-in loaded through its
// export like a host loads it, a simulated host, and helpers for the road of
// one inference. The plug-in is loaded once per process and never unloaded,
// so its process-wide state persists from test to test (each test
// initialises it again).
#ifndef VANTRO_TESTS_SUPPORT_PLUGIN_HARNESS_H_
#define VANTRO_TESTS_SUPPORT_PLUGIN_HARNESS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "c/vantro_dispatch.h"
#include "sim/host/sim_host.h"
#include "vendors/qualcomm/dispatch/jit_handle.h"

namespace vantro::testing {

// The operation table of the plug-in built by this tree.
const VantroDispatchOperationTable& PluginTable();

// The table handed out by the VantroDispatchQueryInterface at
// `query_address` (what dlsym or GetProcAddress found); null when there is
// no query or it refuses.
const VantroDispatchOperationTable* QueryTable(void* query_address);

// The bytes of a file, e.g. an example context binary.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
// The whole text of a file, read as text ("" when it cannot be read).
std::string ReadText(const std::string& path);

// The directory the plug-in dumps tensors into, whatever the platform.
inline constexpr char kDumpDirectory[] = "/data/local/tmp/dumped_tensors/";

// The path of an example model's context binary by stem ("add_relu").
std::string ExampleModelPath(const std::string& stem);

// The payload `extra` plus the qnn_lib_dir key pointing at the simulated
// QNN libraries (unless `extra` names one itself).
std::string PayloadWithSimLibraries(const std::string& extra = "");

// One host with a device context: Initialise(), then Open().
class PluginRoad {
 public:
  PluginRoad();
  // Drives `table` instead: the plug-in's code linked into the test
  // (vantro::qualcomm::OperationTable()), whose objects a test may inspect.
  explicit PluginRoad(const VantroDispatchOperationTable& table);
  ~PluginRoad();  // destroys what is still open, in host order

  vantro::sim::Host& host() { return host_; }
  const VantroDispatchOperationTable& table() const { return table_; }

  // Initialises the plug-in with `payload` under "qualcomm" (no options
  // handle at all when `with_options` is false).
  VantroStatus Initialize(const std::string& payload, bool with_options = true);
  VantroDispatchDeviceContextT* OpenDevice();
  // Creates an invocation context over `bytecode` (kept alive by the road).
  VantroStatus CreateInvocation(const std::vector<uint8_t>& bytecode, const char* function_name,
                                VantroDispatchInvocationContextT** out);
  // Creates an invocation context over a JIT handle (bytecode kind 3), which
  // must outlive the invocation context.
  VantroStatus CreateJitInvocation(const vantro::qualcomm::JitHandle* jit,
                                   const char* function_name,
                                   VantroDispatchInvocationContextT** out);
  // A host-memory float buffer of `count` elements, registered; returns its handle.
  VantroTensorBufferHandle NewFloatBuffer(size_t count, VantroTensorBufferT** buffer = nullptr);
  float* FloatData(VantroTensorBufferT* buffer);
  // Registers fresh buffers for add_relu and attaches them to `invocation`:
  // input 0 holds -4 to 3, input 1 zeros, so output element 7 is 3 after an
  // invoke. The output buffer goes to `*output` when asked for. The first
  // attach status that is not Ok, else Ok.
  VantroStatus AttachAddReluBuffers(VantroDispatchInvocationContextT* invocation,
                                    VantroTensorBufferT** output = nullptr);

  VantroDispatchDeviceContextT* device() const { return device_; }
  VantroEnvironmentT* environment() const { return environment_; }

 private:
  const VantroDispatchOperationTable& table_;
  vantro::sim::Host host_;
  VantroEnvironmentT* environment_ = nullptr;
  VantroDispatchDeviceContextT* device_ = nullptr;
  std::vector<VantroDispatchInvocationContextT*> invocations_;
  std::vector<std::vector<uint8_t>> bytecodes_;
  std::vector<VantroMemBufferT> records_;
};

// On a thread of its own (so that no thread-local state of the plug-in
// outlives it): initialises `table` in Burst under automatic voting, binds
// add_relu, invokes once and destroys the contexts, which leaves a delayed
// down vote waiting on the voting thread. False when a step failed.
bool InvokeOnceInAutoBurst(const VantroDispatchOperationTable& table);

// A float tensor type record of the given dimensions.
VantroRankedTensorTypeT FloatTensorType(std::vector<int32_t> dimensions);

}  // namespace vantro::testing

#endif  // VANTRO_TESTS_SUPPORT_PLUGIN_HARNESS_H_
