// The runner's host side: the plug-in loaded through its one export and
// driven through its operation table, over the simulated host's services,
// on the road a host takes: initialise, device context, invocation context,
// requirements, buffers, attach, invoke, and the teardown in host order.
#ifndef VANTRO_TOOLS_RUNNER_PLUGIN_SESSION_H_
#define VANTRO_TOOLS_RUNNER_PLUGIN_SESSION_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "absl/types/span.h"
#include "c/vantro_dispatch.h"
#include "cc/vantro_expected.h"
#include "sim/host/sim_host.h"
#include "tools/runner/model_metadata.h"

namespace vantro::runner {

// The environment options the host hands to `initialize`.
struct EnvironmentSettings {
  std::optional<int64_t> log_severity;            // tag 25
  std::optional<std::string> shared_library_dir;  // tag 1
};

// One host buffer bound to a graph tensor.
struct BoundBuffer {
  std::vector<int32_t> offered_types;  // as the requirements listed them
  int32_t buffer_type = 0;
  size_t size = 0;
  VantroTensorBufferT* buffer = nullptr;
  VantroTensorBufferHandle handle = 0;
  bool registered = false;
  bool attached = false;
};

class PluginSession {
 public:
  // Loads the plug-in at `path`, asks its export for the operation table
  // and checks the host version 0.1.0 with it. The library stays loaded
  // until the process ends: the plug-in has no shutdown, and its voting
  // threads run its code after any call returns.
  [[nodiscard]] static Expected<std::unique_ptr<PluginSession>> Load(const std::string& path);

  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  // Vendor and build texts, as the plug-in reports them now.
  std::string VendorId() const;
  std::string BuildId() const;

  // `initialize` with `payload` under "qualcomm" and the environment.
  [[nodiscard]] Expected<void> Initialize(const std::string& payload,
                                          const EnvironmentSettings& environment);
  [[nodiscard]] Expected<void> OpenDevice();
  // An invocation context over `bytecode` (kept alive by the session, as
  // the device context's cache is keyed by its address) and `function`
  // (empty: none given).
  [[nodiscard]] Expected<void> CreateInvocation(std::vector<uint8_t> bytecode,
                                                const std::string& function);
  // For every input and output of `graph`, in index order: asks the
  // plug-in's requirements, makes a host buffer of the required type and
  // size (host memory when offered), registers and attaches it.
  [[nodiscard]] Expected<void> BindBuffers(const GraphSpec& graph);

  const std::vector<BoundBuffer>& inputs() const { return inputs_; }
  const std::vector<BoundBuffer>& outputs() const { return outputs_; }
  // The bytes of a bound host-memory buffer (after its offset).
  absl::Span<uint8_t> InputBytes(size_t index);
  absl::Span<const uint8_t> OutputBytes(size_t index) const;

  // One `invoke`.
  [[nodiscard]] Expected<void> Invoke();

  // Detach, destroy the invocation context, unregister, destroy the device
  // context: the host's order. Also done by the destructor; failures are
  // reported on the standard error stream.
  void TearDown();

 private:
  explicit PluginSession(const VantroDispatchOperationTable* table) : table_(*table) {}

  [[nodiscard]] Expected<BoundBuffer> BindOne(bool input, int32_t index, const TensorSpec& spec);
  absl::Span<uint8_t> Bytes(const BoundBuffer& bound) const;

  const VantroDispatchOperationTable& table_;
  sim::Host host_;
  VantroEnvironmentT* environment_ = nullptr;
  VantroDispatchDeviceContextT* device_ = nullptr;
  VantroDispatchInvocationContextT* invocation_ = nullptr;
  std::vector<uint8_t> bytecode_;
  VantroMemBufferT bytecode_record_{};
  std::vector<BoundBuffer> inputs_;
  std::vector<BoundBuffer> outputs_;
};

}  // namespace vantro::runner

#endif  // VANTRO_TOOLS_RUNNER_PLUGIN_SESSION_H_
