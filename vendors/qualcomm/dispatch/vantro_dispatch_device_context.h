// The host's working context on the accelerator: the host table and the QNN
// manager and backend it was created with (kept alive by it), the
// registered tensor buffers, and one cached QNN context per distinct
// bytecode (address, size).
#ifndef VANTRO_VENDORS_QUALCOMM_DISPATCH_VANTRO_DISPATCH_DEVICE_CONTEXT_H_
#define VANTRO_VENDORS_QUALCOMM_DISPATCH_VANTRO_DISPATCH_DEVICE_CONTEXT_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "absl/container/flat_hash_map.h"
#include "c/vantro_dispatch.h"
#include "c/vantro_host_api.h"
#include "cc/vantro_expected.h"
#include "vendors/qualcomm/backends/qnn_backend.h"
#include "vendors/qualcomm/qnn_interface.h"
#include "vendors/qualcomm/qnn_manager.h"

struct VantroDispatchDeviceContextT {
 public:
  // Borrows the host table; shares the ownership of `manager` and
  // `backend` (one pair: the backend must go before the manager), which a
  // later initialisation may replace as the installed pair. Both may be
  // null when the host skipped initialisation (operations that need them
  // then fail).
  VantroDispatchDeviceContextT(const VantroHostApiTable* host,
                               std::shared_ptr<vantro::qualcomm::QnnManager> manager,
                               std::shared_ptr<qnn::QnnBackend> backend)
      : host_(host), manager_(std::move(manager)), backend_(std::move(backend)) {}
  VantroDispatchDeviceContextT(const VantroDispatchDeviceContextT&) = delete;
  VantroDispatchDeviceContextT& operator=(const VantroDispatchDeviceContextT&) = delete;
  // Releases the cached QNN contexts, then its share of the manager and
  // backend.
  ~VantroDispatchDeviceContextT();

  // Gives `buffer` a handle: its existing one, a free slot, or a new slot.
  VantroTensorBufferHandle RegisterTensorBuffer(VantroTensorBufferT* buffer);
  // Frees the slot and its QNN memory registration, if any.
  vantro::Expected<void> UnregisterTensorBuffer(VantroTensorBufferHandle handle);

  // The host buffer of a handle. A handle out of range, or whose slot was
  // unregistered (and not given out again), fails with NotFound and
  // "Unexpected handle".
  vantro::Expected<VantroTensorBufferT*> GetTensorBuffer(VantroTensorBufferHandle handle);
  // The QNN memory handle of a handle, registering the buffer on first use;
  // handles that do not resolve fail as above.
  vantro::Expected<Qnn_MemHandle_t> GetMemHandle(VantroTensorBufferHandle handle);

  // The cached QNN context of a bytecode, created on first use. The holder
  // stays owned by this device context.
  vantro::Expected<vantro::qualcomm::QnnContextHolder*> GetOrCreateQnnContext(
      const void* bytecode, size_t size, Qnn_ProfileHandle_t profile);

  const VantroHostApiTable& host() const { return *host_; }
  vantro::qualcomm::QnnManager* manager() const { return manager_.get(); }
  qnn::QnnBackend* backend() const { return backend_.get(); }
  // For the invocation contexts, which share them too.
  const std::shared_ptr<vantro::qualcomm::QnnManager>& shared_manager() const { return manager_; }
  const std::shared_ptr<qnn::QnnBackend>& shared_backend() const { return backend_; }

 private:
  struct BufferSlot {
    VantroTensorBufferT* buffer = nullptr;
    Qnn_MemHandle_t mem_handle = nullptr;
    bool in_use = false;
  };

  // Whether `handle` names a slot in use.
  bool Resolves(VantroTensorBufferHandle handle) const;
  vantro::Expected<Qnn_MemHandle_t> RegisterWithQnn(VantroTensorBufferT* buffer);

  const VantroHostApiTable* host_;
  // Declared before the cache: the cached QNN contexts are released with
  // the manager's functions, so they go first.
  std::shared_ptr<vantro::qualcomm::QnnManager> manager_;
  std::shared_ptr<qnn::QnnBackend> backend_;
  std::vector<BufferSlot> slots_;
  absl::flat_hash_map<std::pair<uintptr_t, size_t>,
                      std::unique_ptr<vantro::qualcomm::QnnContextHolder>>
      context_cache_;
};

#endif  // VANTRO_VENDORS_QUALCOMM_DISPATCH_VANTRO_DISPATCH_DEVICE_CONTEXT_H_
