// The simulated host's objects and table entries.
//
// Each object starts with a magic word naming its type and a pointer to its
// Host, so an entry finds its host from its argument and refuses null,
// foreign or mistyped objects. The requirements entry is the exception: it
// receives no host object. It is filled per host from a small set of
// functions, one per slot of a process-wide slot table, and the slot names
// the host; that table is the only state shared between hosts.
#include "sim/host/sim_host.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {
constexpr uint32_t kOptionsMagic = 0x4F505453;       // "OPTS"
constexpr uint32_t kOpaqueMagic = 0x4F505151;        // "OPQQ"
constexpr uint32_t kEnvironmentMagic = 0x454E5656;   // "ENVV"
constexpr uint32_t kEnvOptionsMagic = 0x454E4F50;    // "ENOP"
constexpr uint32_t kBufferMagic = 0x42554646;        // "BUFF"
constexpr uint32_t kRequirementsMagic = 0x52455153;  // "REQS"
}  // namespace

// The host's own objects behind the opaque types of the host table.
struct VantroOpaqueOptionsT {
  uint32_t magic = kOpaqueMagic;
  vantro::sim::Host::Impl* host = nullptr;
  struct Datum {
    std::string text;  // owned text, when `is_text`
    void* pointer = nullptr;
    bool is_text = false;
  };
  std::map<std::string, std::unique_ptr<Datum>> data;
};

struct VantroOptionsT {
  uint32_t magic = kOptionsMagic;
  vantro::sim::Host::Impl* host = nullptr;
  VantroOpaqueOptionsT opaque;
};

struct VantroEnvironmentOptionsT {
  uint32_t magic = kEnvOptionsMagic;
  vantro::sim::Host::Impl* host = nullptr;
  std::map<int32_t, VantroAnyT> values;
  std::deque<std::string> texts;  // storage of string values; stable addresses
};

struct VantroEnvironmentT {
  uint32_t magic = kEnvironmentMagic;
  vantro::sim::Host::Impl* host = nullptr;
  VantroEnvironmentOptionsT options;
};

struct VantroTensorBufferT {
  uint32_t magic = kBufferMagic;
  vantro::sim::Host::Impl* host = nullptr;
  vantro::sim::TensorBufferSpec spec;
  std::vector<unsigned char> storage;  // when the host allocated the memory
};

struct VantroTensorBufferRequirementsT {
  uint32_t magic = kRequirementsMagic;
  vantro::sim::Host::Impl* host = nullptr;
  vantro::sim::TensorBufferRequirements record;
};

namespace vantro::sim {

struct Host::Impl {
  mutable std::mutex mutex;
  int slot = -1;
  VantroHostApiTable table{};
  VantroHostApiTable full_table{};  // every entry present
  std::array<VantroStatus, kHostEntryCount> failures{};
  std::array<int, kHostEntryCount> calls{};
  std::vector<std::unique_ptr<VantroOptionsT>> options;
  std::vector<std::unique_ptr<VantroEnvironmentT>> environments;
  std::vector<std::unique_ptr<VantroTensorBufferT>> buffers;
  std::vector<std::unique_ptr<VantroTensorBufferRequirementsT>> requirements;

  // Counts the call and gives the injected answer (Ok: answer normally).
  VantroStatus Enter(HostEntry entry) {
    std::lock_guard<std::mutex> lock(mutex);
    const int index = static_cast<int>(entry);
    ++calls[index];
    return failures[index];
  }
};

namespace {

// The host of an object of the expected type, or null.
template <typename T>
Host::Impl* HostOf(const T* object, uint32_t magic) {
  if (object == nullptr || object->magic != magic) return nullptr;
  return object->host;
}

// ------------------------------------------------------------- host slots

std::mutex& SlotMutex() {
  static std::mutex* mutex = new std::mutex();
  return *mutex;
}

std::array<Host::Impl*, Host::kMaxLiveHosts>& Slots() {
  static auto* slots = new std::array<Host::Impl*, Host::kMaxLiveHosts>{};
  return *slots;
}

VantroStatus CreateRequirements(Host::Impl* host, int32_t num_buffer_types,
                                const int32_t* buffer_types, size_t buffer_size,
                                int32_t num_strides, const uint32_t* strides,
                                VantroTensorBufferRequirementsT** requirements) {
  if (host == nullptr) return kVantroStatusInvalidArgument;
  const VantroStatus injected = host->Enter(HostEntry::kCreateTensorBufferRequirements);
  if (injected != kVantroStatusOk) return injected;
  if (requirements == nullptr || num_buffer_types < 0 || num_strides < 0 ||
      (num_buffer_types > 0 && buffer_types == nullptr) ||
      (num_strides > 0 && strides == nullptr)) {
    return kVantroStatusInvalidArgument;
  }
  auto object = std::make_unique<VantroTensorBufferRequirementsT>();
  object->host = host;
  object->record.buffer_types.assign(buffer_types, buffer_types + num_buffer_types);
  object->record.buffer_size = buffer_size;
  if (num_strides > 0) object->record.strides.assign(strides, strides + num_strides);
  std::lock_guard<std::mutex> lock(host->mutex);
  *requirements = object.get();
  host->requirements.push_back(std::move(object));
  return kVantroStatusOk;
}

template <size_t kSlot>
VantroStatus CreateRequirementsInSlot(int32_t num_buffer_types, const int32_t* buffer_types,
                                      size_t buffer_size, int32_t num_strides,
                                      const uint32_t* strides,
                                      VantroTensorBufferRequirementsT** requirements) {
  Host::Impl* host = nullptr;
  {
    std::lock_guard<std::mutex> lock(SlotMutex());
    host = Slots()[kSlot];
  }
  return CreateRequirements(host, num_buffer_types, buffer_types, buffer_size, num_strides, strides,
                            requirements);
}

template <size_t... kSlots>
constexpr std::array<VantroCreateTensorBufferRequirementsFn, sizeof...(kSlots)> SlotFunctions(
    std::index_sequence<kSlots...>) {
  return {&CreateRequirementsInSlot<kSlots>...};
}

constexpr auto kCreateRequirementsBySlot =
    SlotFunctions(std::make_index_sequence<Host::kMaxLiveHosts>());

// ---------------------------------------------------------------- entries

VantroStatus GetOpaqueOptions(VantroOptionsT* options, VantroOpaqueOptionsT** opaque) {
  Host::Impl* host = HostOf(options, kOptionsMagic);
  if (host == nullptr) return kVantroStatusInvalidArgument;
  const VantroStatus injected = host->Enter(HostEntry::kGetOpaqueOptions);
  if (injected != kVantroStatusOk) return injected;
  if (opaque == nullptr) return kVantroStatusInvalidArgument;
  *opaque = &options->opaque;
  return kVantroStatusOk;
}

VantroStatus FindOpaqueOptionsData(VantroOpaqueOptionsT* opaque, const char* identifier,
                                   void** data) {
  Host::Impl* host = HostOf(opaque, kOpaqueMagic);
  if (host == nullptr) return kVantroStatusInvalidArgument;
  const VantroStatus injected = host->Enter(HostEntry::kFindOpaqueOptionsData);
  if (injected != kVantroStatusOk) return injected;
  if (identifier == nullptr || data == nullptr) return kVantroStatusInvalidArgument;
  std::lock_guard<std::mutex> lock(host->mutex);
  const auto it = opaque->data.find(identifier);
  if (it == opaque->data.end()) return kVantroStatusNotFound;
  const VantroOpaqueOptionsT::Datum& datum = *it->second;
  *data = datum.is_text ? const_cast<char*>(datum.text.c_str()) : datum.pointer;
  return kVantroStatusOk;
}

VantroStatus GetEnvironmentOptions(VantroEnvironmentT* environment,
                                   VantroEnvironmentOptionsT** options) {
  Host::Impl* host = HostOf(environment, kEnvironmentMagic);
  if (host == nullptr) return kVantroStatusInvalidArgument;
  const VantroStatus injected = host->Enter(HostEntry::kGetEnvironmentOptions);
  if (injected != kVantroStatusOk) return injected;
  if (options == nullptr) return kVantroStatusInvalidArgument;
  *options = &environment->options;
  return kVantroStatusOk;
}

VantroStatus GetEnvironmentOption(VantroEnvironmentOptionsT* options, int32_t tag,
                                  VantroAnyT* value) {
  Host::Impl* host = HostOf(options, kEnvOptionsMagic);
  if (host == nullptr) return kVantroStatusInvalidArgument;
  const VantroStatus injected = host->Enter(HostEntry::kGetEnvironmentOption);
  if (injected != kVantroStatusOk) return injected;
  if (value == nullptr) return kVantroStatusInvalidArgument;
  std::lock_guard<std::mutex> lock(host->mutex);
  const auto it = options->values.find(tag);
  if (it == options->values.end()) return kVantroStatusNotFound;
  *value = it->second;
  return kVantroStatusOk;
}

// The four buffer queries share their checks.
template <typename T, typename F>
VantroStatus QueryBuffer(VantroTensorBufferT* buffer, HostEntry entry, T* out, F&& read) {
  Host::Impl* host = HostOf(buffer, kBufferMagic);
  if (host == nullptr) return kVantroStatusInvalidArgument;
  const VantroStatus injected = host->Enter(entry);
  if (injected != kVantroStatusOk) return injected;
  if (out == nullptr) return kVantroStatusInvalidArgument;
  std::lock_guard<std::mutex> lock(host->mutex);
  *out = read(*buffer);
  return kVantroStatusOk;
}

VantroStatus GetTensorBufferType(VantroTensorBufferT* buffer, int32_t* type) {
  return QueryBuffer(buffer, HostEntry::kGetTensorBufferType, type,
                     [](const VantroTensorBufferT& b) { return b.spec.buffer_type; });
}

VantroStatus GetTensorBufferTensorType(VantroTensorBufferT* buffer,
                                       VantroRankedTensorTypeT* tensor_type) {
  return QueryBuffer(buffer, HostEntry::kGetTensorBufferTensorType, tensor_type,
                     [](const VantroTensorBufferT& b) { return b.spec.tensor_type; });
}

VantroStatus GetTensorBufferSize(VantroTensorBufferT* buffer, size_t* size) {
  return QueryBuffer(buffer, HostEntry::kGetTensorBufferSize, size,
                     [](const VantroTensorBufferT& b) { return b.spec.size; });
}

VantroStatus GetTensorBufferOffset(VantroTensorBufferT* buffer, size_t* offset) {
  return QueryBuffer(buffer, HostEntry::kGetTensorBufferOffset, offset,
                     [](const VantroTensorBufferT& b) { return b.spec.offset; });
}

VantroStatus GetTensorBufferHostMemory(VantroTensorBufferT* buffer, void** memory) {
  return QueryBuffer(buffer, HostEntry::kGetTensorBufferHostMemory, memory,
                     [](const VantroTensorBufferT& b) { return b.spec.memory; });
}

// Where each entry lives in the table.
void SetSlot(VantroHostApiTable& table, const VantroHostApiTable& full, HostEntry entry,
             bool present) {
  switch (entry) {
    case HostEntry::kCreateTensorBufferRequirements:
      table.create_tensor_buffer_requirements =
          present ? full.create_tensor_buffer_requirements : nullptr;
      break;
    case HostEntry::kGetOpaqueOptions:
      table.get_opaque_options = present ? full.get_opaque_options : nullptr;
      break;
    case HostEntry::kFindOpaqueOptionsData:
      table.find_opaque_options_data = present ? full.find_opaque_options_data : nullptr;
      break;
    case HostEntry::kGetEnvironmentOptions:
      table.get_environment_options = present ? full.get_environment_options : nullptr;
      break;
    case HostEntry::kGetEnvironmentOption:
      table.get_environment_option = present ? full.get_environment_option : nullptr;
      break;
    case HostEntry::kGetTensorBufferType:
      table.get_tensor_buffer_type = present ? full.get_tensor_buffer_type : nullptr;
      break;
    case HostEntry::kGetTensorBufferTensorType:
      table.get_tensor_buffer_tensor_type = present ? full.get_tensor_buffer_tensor_type : nullptr;
      break;
    case HostEntry::kGetTensorBufferSize:
      table.get_tensor_buffer_size = present ? full.get_tensor_buffer_size : nullptr;
      break;
    case HostEntry::kGetTensorBufferOffset:
      table.get_tensor_buffer_offset = present ? full.get_tensor_buffer_offset : nullptr;
      break;
    case HostEntry::kGetTensorBufferHostMemory:
      table.get_tensor_buffer_host_memory = present ? full.get_tensor_buffer_host_memory : nullptr;
      break;
  }
}

[[noreturn]] void TooManyHosts() {
  std::fprintf(stderr, "vantro::sim::Host: more than %d hosts alive at once\n",
               Host::kMaxLiveHosts);
  std::abort();
}

}  // namespace

Host::Host() : impl_(std::make_unique<Impl>()) {
  {
    std::lock_guard<std::mutex> lock(SlotMutex());
    for (int i = 0; i < kMaxLiveHosts; ++i) {
      if (Slots()[i] == nullptr) {
        Slots()[i] = impl_.get();
        impl_->slot = i;
        break;
      }
    }
  }
  if (impl_->slot < 0) TooManyHosts();
  VantroHostApiTable& full = impl_->full_table;
  full.create_tensor_buffer_requirements = kCreateRequirementsBySlot[impl_->slot];
  full.get_opaque_options = &GetOpaqueOptions;
  full.find_opaque_options_data = &FindOpaqueOptionsData;
  full.get_environment_options = &GetEnvironmentOptions;
  full.get_environment_option = &GetEnvironmentOption;
  full.get_tensor_buffer_type = &GetTensorBufferType;
  full.get_tensor_buffer_tensor_type = &GetTensorBufferTensorType;
  full.get_tensor_buffer_size = &GetTensorBufferSize;
  full.get_tensor_buffer_offset = &GetTensorBufferOffset;
  full.get_tensor_buffer_host_memory = &GetTensorBufferHostMemory;
  impl_->table = full;
}

Host::~Host() {
  std::lock_guard<std::mutex> lock(SlotMutex());
  Slots()[impl_->slot] = nullptr;
}

const VantroHostApiTable* Host::table() const { return &impl_->table; }

VantroOptionsT* Host::NewOptions() {
  auto options = std::make_unique<VantroOptionsT>();
  options->host = impl_.get();
  options->opaque.host = impl_.get();
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->options.push_back(std::move(options));
  return impl_->options.back().get();
}

void Host::SetOpaqueOptionsText(VantroOptionsT* options, const std::string& identifier,
                                const std::string& text) {
  if (HostOf(options, kOptionsMagic) != impl_.get()) return;
  auto datum = std::make_unique<VantroOpaqueOptionsT::Datum>();
  datum->text = text;
  datum->is_text = true;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  options->opaque.data[identifier] = std::move(datum);
}

void Host::SetOpaqueOptionsPointer(VantroOptionsT* options, const std::string& identifier,
                                   void* data) {
  if (HostOf(options, kOptionsMagic) != impl_.get()) return;
  auto datum = std::make_unique<VantroOpaqueOptionsT::Datum>();
  datum->pointer = data;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  options->opaque.data[identifier] = std::move(datum);
}

VantroEnvironmentT* Host::NewEnvironment() {
  auto environment = std::make_unique<VantroEnvironmentT>();
  environment->host = impl_.get();
  environment->options.host = impl_.get();
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->environments.push_back(std::move(environment));
  return impl_->environments.back().get();
}

void Host::SetEnvironmentOption(VantroEnvironmentT* environment, int32_t tag,
                                const VantroAnyT& value) {
  if (HostOf(environment, kEnvironmentMagic) != impl_.get()) return;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  environment->options.values[tag] = value;
}

void Host::SetEnvironmentString(VantroEnvironmentT* environment, int32_t tag,
                                const std::string& text) {
  if (HostOf(environment, kEnvironmentMagic) != impl_.get()) return;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  // Earlier texts stay stored: the plug-in may still hold their address.
  const std::string& stored = environment->options.texts.emplace_back(text);
  VantroAnyT value{};
  value.type = kVantroAnyTypeString;
  value.value.str_value = stored.c_str();
  environment->options.values[tag] = value;
}

void Host::SetEnvironmentInt(VantroEnvironmentT* environment, int32_t tag, int64_t value) {
  VantroAnyT any{};
  any.type = kVantroAnyTypeInt;
  any.value.int_value = value;
  SetEnvironmentOption(environment, tag, any);
}

VantroTensorBufferT* Host::NewTensorBuffer(const TensorBufferSpec& spec) {
  auto buffer = std::make_unique<VantroTensorBufferT>();
  buffer->host = impl_.get();
  buffer->spec = spec;
  if (spec.memory == nullptr) {
    buffer->storage.assign(spec.offset + spec.size, 0);
    buffer->spec.memory = buffer->storage.empty() ? nullptr : buffer->storage.data();
  }
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->buffers.push_back(std::move(buffer));
  return impl_->buffers.back().get();
}

void* Host::BufferMemory(VantroTensorBufferT* buffer) const {
  if (HostOf(buffer, kBufferMagic) != impl_.get()) return nullptr;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return buffer->spec.memory;
}

std::vector<VantroTensorBufferRequirementsT*> Host::CreatedRequirements() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  std::vector<VantroTensorBufferRequirementsT*> result;
  for (const auto& requirements : impl_->requirements) result.push_back(requirements.get());
  return result;
}

std::optional<TensorBufferRequirements> Host::ReadRequirements(
    const VantroTensorBufferRequirementsT* requirements) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  // Looked up rather than dereferenced: the pointer may be anything.
  for (const auto& owned : impl_->requirements) {
    if (owned.get() == requirements) return owned->record;
  }
  return std::nullopt;
}

void Host::FailEntry(HostEntry entry, VantroStatus status) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->failures[static_cast<int>(entry)] = status;
}

void Host::SetEntryPresent(HostEntry entry, bool present) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  SetSlot(impl_->table, impl_->full_table, entry, present);
}

int Host::CallCount(HostEntry entry) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->calls[static_cast<int>(entry)];
}

}  // namespace vantro::sim
