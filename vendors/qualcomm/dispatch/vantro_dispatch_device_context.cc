#include "vendors/qualcomm/dispatch/vantro_dispatch_device_context.h"

#include "absl/strings/str_format.h"
#include "cc/internal/vantro_host_services.h"
#include "cc/vantro_logging.h"

namespace {

using vantro::Error;
using vantro::Expected;
using vantro::Status;
using vantro::qualcomm::QnnContextHolder;

constexpr char kVantroSourcePath[] = "vendors/qualcomm/dispatch/vantro_dispatch_device_context";

bool HasQnnDataType(int32_t element_type) {
  switch (element_type) {
    case 1: case 2: case 3: case 4: case 6: case 7: case 9: case 10:
    case 11: case 13: case 16: case 17: case 18:
      return true;
    default:
      return false;
  }
}

}  // namespace

VantroDispatchDeviceContextT::~VantroDispatchDeviceContextT() = default;

VantroTensorBufferHandle VantroDispatchDeviceContextT::RegisterTensorBuffer(
    VantroTensorBufferT* buffer) {
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i].in_use && slots_[i].buffer == buffer) return i;
  }
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (!slots_[i].in_use) {
      slots_[i] = BufferSlot{buffer, nullptr, true};
      return i;
    }
  }
  slots_.push_back(BufferSlot{buffer, nullptr, true});
  return slots_.size() - 1;
}

Expected<void> VantroDispatchDeviceContextT::UnregisterTensorBuffer(
    VantroTensorBufferHandle handle) {
  if (handle >= slots_.size()) {
    return VANTRO_LOCATED_ERROR(Status::NotFound, "Unexpected handle");
  }
  BufferSlot& slot = slots_[handle];
  VANTRO_LOG_DEBUG("Unregistering tensor buffer %p", static_cast<void*>(slot.buffer));
  Qnn_MemHandle_t mem_handle = slot.mem_handle;
  slot.mem_handle = nullptr;
  slot.in_use = false;
  if (mem_handle != nullptr && manager_ != nullptr && manager_->Api() != nullptr) {
    const Qnn_ErrorHandle_t result = manager_->Api()->memDeRegister(&mem_handle, 1);
    if (result != QNN_SUCCESS) {
      return Error(Status::RuntimeFailure,
                   absl::StrFormat("Failed to unregister tensor buffer, QNN error code: %d",
                                   static_cast<int>(result)));
    }
  }
  return {};
}

bool VantroDispatchDeviceContextT::Resolves(VantroTensorBufferHandle handle) const {
  // An unregistered slot still holds its old buffer, which the host may
  // have freed since: its handle names nothing until the slot is reused.
  return handle < slots_.size() && slots_[handle].in_use;
}

Expected<VantroTensorBufferT*> VantroDispatchDeviceContextT::GetTensorBuffer(
    VantroTensorBufferHandle handle) {
  if (!Resolves(handle)) return Error(Status::NotFound, "Unexpected handle");
  return slots_[handle].buffer;
}

Expected<Qnn_MemHandle_t> VantroDispatchDeviceContextT::GetMemHandle(
    VantroTensorBufferHandle handle) {
  if (!Resolves(handle)) return Error(Status::NotFound, "Unexpected handle");
  BufferSlot& slot = slots_[handle];
  if (slot.mem_handle == nullptr) {
    auto registered = RegisterWithQnn(slot.buffer);
    if (!registered) return registered.GetError();
    slot.mem_handle = *registered;
  }
  return slot.mem_handle;
}

Expected<Qnn_MemHandle_t> VantroDispatchDeviceContextT::RegisterWithQnn(
    VantroTensorBufferT* buffer) {
  VANTRO_LOG_DEBUG("Registering tensor buffer %p", static_cast<void*>(buffer));
  auto type = vantro::internal::GetTensorBufferType(*host_, buffer);
  if (!type) return Error(type.GetError().status(), "Failed to get tensor buffer type");
  auto tensor_type = vantro::internal::GetTensorBufferTensorType(*host_, buffer);
  if (!tensor_type) {
    return Error(tensor_type.GetError().status(), "Failed to get tensor buffer's type");
  }
  if (!HasQnnDataType(tensor_type->element_type)) {
    return Error(Status::Unsupported, "Failed to legalize datatype");
  }
  if ((tensor_type->layout.rank_and_flags & VANTRO_LAYOUT_HAS_STRIDES) != 0) {
    return Error(Status::RuntimeFailure, "Tensor strides are not supported by QNN");
  }
  switch (*type) {
    case kVantroTensorBufferTypeDmaBuf:
      return Error(Status::RuntimeFailure, "DmaBuf support is missing on this platform");
    case kVantroTensorBufferTypeFastRpc:
      return Error(Status::RuntimeFailure, "FastRPC support is missing on this platform");
    default:
      return Error(Status::RuntimeFailure, "Unsupported tensor buffer type");
  }
}

Expected<QnnContextHolder*> VantroDispatchDeviceContextT::GetOrCreateQnnContext(
    const void* bytecode, size_t size, Qnn_ProfileHandle_t profile) {
  const auto key = std::make_pair(reinterpret_cast<uintptr_t>(bytecode), size);
  if (auto it = context_cache_.find(key); it != context_cache_.end()) {
    VANTRO_LOG_INFO("Reusing cached QNN context for bytecode %p (size %zu)", bytecode, size);
    return it->second.get();
  }
  VANTRO_LOG_INFO("Creating new QNN context for bytecode %p (size %zu)", bytecode, size);
  if (manager_ == nullptr || backend_ == nullptr) {
    return Error(Status::RuntimeFailure, "QNN is not initialized");
  }
  // Room in the cache first: once QNN has created the context nothing may
  // throw before the cache owns it, since the holder also owns the profile
  // handle, which the caller frees itself when this fails.
  auto owned = std::make_unique<QnnContextHolder>();
  context_cache_.reserve(context_cache_.size() + 1);
  auto [configs, count] = manager_->DefaultContextConfigs();
  auto holder =
      manager_->CreateContextFromBinary(*backend_, configs, count, bytecode, size, profile);
  if (!holder) return holder.GetError();
  *owned = std::move(holder).Value();
  QnnContextHolder* result = owned.get();
  context_cache_.emplace(key, std::move(owned));  // reserved: does not allocate
  return result;
}
