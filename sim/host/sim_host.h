// The simulated host: the service table a Vantro host hands the plug-in,
// over in-memory objects owned by one Host. Integration tests and the
// runner build their options, environment and tensor buffers here, pass
// table() to the plug-in, and read back what the plug-in asked for.
//
// The VantroOptionsT*, VantroEnvironmentT*, VantroTensorBufferT* and
// VantroTensorBufferRequirementsT* handed out are pointers to the Host's
// own objects; they live until the Host is destroyed. Every entry refuses a
// null object, or one of another type, with kVantroStatusInvalidArgument.
//
// Thread-safe: entries and the test-side functions may be called from any
// thread. The table itself is read by the plug-in without a lock: change
// its entries (SetEntryPresent) only while the plug-in is not using it.
#ifndef VANTRO_SIM_HOST_SIM_HOST_H_
#define VANTRO_SIM_HOST_SIM_HOST_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "c/vantro_common.h"
#include "c/vantro_host_api.h"

namespace vantro::sim {

// The entries of the table the host fills (its byte offset in the name's
// comment); tests can make each fail or be null.
enum class HostEntry : int {
  kCreateTensorBufferRequirements = 0,  // 0x08
  kGetOpaqueOptions,                    // 0x50
  kFindOpaqueOptionsData,               // 0x58
  kGetEnvironmentOptions,               // 0x68
  kGetEnvironmentOption,                // 0x70
  kGetTensorBufferType,                 // 0xB8
  kGetTensorBufferTensorType,           // 0xC0
  kGetTensorBufferSize,                 // 0xC8
  kGetTensorBufferOffset,               // 0xD8
  kGetTensorBufferHostMemory,           // 0xF0
};
inline constexpr int kHostEntryCount = 10;

// Value types this host writes into VantroAnyT records (byte 0).
enum : int32_t {
  kVantroAnyTypeNone = 0,
  kVantroAnyTypeInt = 2,
  kVantroAnyTypeString = 4,
  kVantroAnyTypePointer = 5,
};

// What a tensor buffer answers. With `memory` null the host allocates
// `offset + size` zeroed bytes and owns them; otherwise the address is
// reported as given (it need not point at that many bytes: a test of a
// size check can describe a buffer it never allocates).
struct TensorBufferSpec {
  int32_t buffer_type = kVantroTensorBufferTypeHostMemory;
  VantroRankedTensorTypeT tensor_type{};
  size_t size = 0;
  size_t offset = 0;
  void* memory = nullptr;
};

// A requirements object as the plug-in asked the host to create it.
struct TensorBufferRequirements {
  std::vector<int32_t> buffer_types;
  size_t buffer_size = 0;
  std::vector<uint32_t> strides;
};

class Host {
 public:
  // At most kMaxLiveHosts hosts may exist at once (see sim_host.cc: the
  // requirements entry receives no host object and finds its host by slot).
  static constexpr int kMaxLiveHosts = 16;

  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // The service table: give it to `initialize` and `device_context_create`.
  const VantroHostApiTable* table() const;

  // Options with opaque data by identifier. Text data is stored with a
  // terminating zero (what the plug-in reads under "qualcomm"); a pointer
  // is stored as given (null data included).
  VantroOptionsT* NewOptions();
  void SetOpaqueOptionsText(VantroOptionsT* options, const std::string& identifier,
                            const std::string& text);
  void SetOpaqueOptionsPointer(VantroOptionsT* options, const std::string& identifier, void* data);

  // Environments with options by tag. Unknown tags answer
  // kVantroStatusNotFound.
  VantroEnvironmentT* NewEnvironment();
  void SetEnvironmentOption(VantroEnvironmentT* environment, int32_t tag, const VantroAnyT& value);
  void SetEnvironmentString(VantroEnvironmentT* environment, int32_t tag, const std::string& text);
  void SetEnvironmentInt(VantroEnvironmentT* environment, int32_t tag, int64_t value);

  // Tensor buffers, and the memory address each reports (before the offset).
  VantroTensorBufferT* NewTensorBuffer(const TensorBufferSpec& spec);
  void* BufferMemory(VantroTensorBufferT* buffer) const;

  // Requirements objects created through the table, in creation order, and
  // what one of them holds (nullopt when it is not this host's).
  std::vector<VantroTensorBufferRequirementsT*> CreatedRequirements() const;
  std::optional<TensorBufferRequirements> ReadRequirements(
      const VantroTensorBufferRequirementsT* requirements) const;

  // Makes an entry answer `status` on every call (kVantroStatusOk: answer
  // normally again), or puts null in its table slot (present = false).
  void FailEntry(HostEntry entry, VantroStatus status);
  void SetEntryPresent(HostEntry entry, bool present);
  // Calls an entry received (also those answered with an injected failure).
  int CallCount(HostEntry entry) const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vantro::sim

#endif  // VANTRO_SIM_HOST_SIM_HOST_H_
