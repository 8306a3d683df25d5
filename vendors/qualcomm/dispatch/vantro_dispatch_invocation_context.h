// One QNN graph bound to the tensors the host attaches, with what it needs to
// execute: its QNN context (borrowed from the device context's cache), an
// optional profile handle, the tensor descriptions (dump outputs last) and
// optional per-invocation options.
#ifndef VANTRO_VENDORS_QUALCOMM_DISPATCH_VANTRO_DISPATCH_INVOCATION_CONTEXT_H_
#define VANTRO_VENDORS_QUALCOMM_DISPATCH_VANTRO_DISPATCH_INVOCATION_CONTEXT_H_

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "c/vantro_dispatch.h"
#include "c/vantro_host_api.h"
#include "cc/vantro_expected.h"
#include "vendors/qualcomm/backends/qnn_backend.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/dispatch/jit_handle.h"
#include "vendors/qualcomm/qnn_interface.h"
#include "vendors/qualcomm/qnn_manager.h"
#include "vendors/qualcomm/tensor_wrapper.h"

struct VantroDispatchDeviceContextT;

struct VantroDispatchInvocationContextT {
 public:
  using Ptr = std::unique_ptr<VantroDispatchInvocationContextT>;

  // Binds the graph named `function_name` of a context binary (`bytecode`
  // bytes at base + offset).
  static vantro::Expected<Ptr> CreateFromBytecode(VantroDispatchDeviceContextT& device_context,
                                                  const VantroMemBufferT& bytecode,
                                                  const char* function_name);
  // Binds the graph of an already built JIT handle.
  static vantro::Expected<Ptr> CreateFromJitHandle(VantroDispatchDeviceContextT& device_context,
                                                   const vantro::qualcomm::JitHandle* jit);

  VantroDispatchInvocationContextT(const VantroDispatchInvocationContextT&) = delete;
  VantroDispatchInvocationContextT& operator=(const VantroDispatchInvocationContextT&) = delete;
  // A final down vote under automatic control; releases a profile handle
  // that the cached QNN context does not own.
  ~VantroDispatchInvocationContextT();

  // Host buffer kinds and size for a tensor type.
  vantro::Expected<VantroTensorBufferRequirementsT*> GetRequirements(
      const VantroRankedTensorTypeT& tensor_type) const;

  // Points input/output `index` at the buffer of `handle`, or detaches it.
  vantro::Expected<void> AttachInput(int32_t index, VantroTensorBufferHandle handle);
  vantro::Expected<void> AttachOutput(int32_t index, VantroTensorBufferHandle handle);
  vantro::Expected<void> DetachInput(int32_t index);
  vantro::Expected<void> DetachOutput(int32_t index);

  // Executes the graph once, with votes, profiling statistics and dumps.
  vantro::Expected<void> Invoke();

  // Sets (non-null) or resets (null) the per-invocation options.
  vantro::Expected<void> SetOptions(VantroOptionsT* options);

  // Stores a copy of the host's 40-byte record (null marks it absent).
  void SetHostRecord(const void* record);

  const std::vector<qnn::TensorWrapper>& inputs() const { return inputs_; }
  const std::vector<qnn::TensorWrapper>& outputs() const { return outputs_; }
  Qnn_ProfileHandle_t profile() const { return profile_; }
  const qnn::Options& EffectiveOptions() const;

 private:
  VantroDispatchInvocationContextT(VantroDispatchDeviceContextT& device_context,
                                   Qnn_ContextHandle_t context, Qnn_ProfileHandle_t profile,
                                   bool owns_profile, Qnn_GraphHandle_t graph,
                                   const std::vector<qnn::TensorWrapper>& inputs,
                                   const std::vector<qnn::TensorWrapper>& outputs);

  vantro::Expected<void> Bind(VantroTensorBufferHandle handle, qnn::TensorWrapper& wrapper);
  vantro::Expected<void> PrintProfilingStatistics() const;
  vantro::Expected<void> DumpTensor(const qnn::TensorWrapper& wrapper) const;
  // DumpTensor, with an exception counted (and logged) as a failed dump.
  bool TryDumpTensor(const qnn::TensorWrapper& wrapper) const noexcept;
  // Whether the effective options vote around each execution.
  void UpdateAutoVote();

  VantroDispatchDeviceContextT& device_context_;
  // Shared with the device context: the pair installed when it was created,
  // kept alive across later initialisations.
  std::shared_ptr<vantro::qualcomm::QnnManager> manager_;
  std::shared_ptr<qnn::QnnBackend> backend_;
  Qnn_ContextHandle_t context_;
  Qnn_ProfileHandle_t profile_;
  bool owns_profile_;
  Qnn_GraphHandle_t graph_;
  std::vector<qnn::TensorWrapper> inputs_;
  size_t num_dump_outputs_ = 0;  // set while outputs_ is built, so declared first
  std::vector<qnn::TensorWrapper> outputs_;  // ordinary outputs, then dump outputs
  // Reused on every invoke so that execution allocates nothing.
  std::vector<Qnn_Tensor_t> input_records_;
  std::vector<Qnn_Tensor_t> output_records_;
  std::optional<qnn::Options> invocation_options_;
  bool auto_vote_ = false;
  std::array<unsigned char, kVantroHostRecordSize> host_record_{};
  bool has_host_record_ = false;
};

namespace vantro::qualcomm {

// Where dump outputs are written ("/data/local/tmp/dumped_tensors/").
const std::string& DumpDirectory();
// Tests point dumps elsewhere.
void SetDumpDirectoryForTesting(std::string directory);

// Whether a dump output may be written under `name` inside the dump
// directory: no path separators, no "..", not empty.
bool IsSafeDumpName(const std::string& name);

}  // namespace vantro::qualcomm

#endif  // VANTRO_VENDORS_QUALCOMM_DISPATCH_VANTRO_DISPATCH_INVOCATION_CONTEXT_H_
