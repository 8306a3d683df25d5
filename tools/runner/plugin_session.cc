#include "tools/runner/plugin_session.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "cc/internal/vantro_shared_library.h"

namespace vantro::runner {
namespace {

constexpr VantroApiVersion kHostApiVersion = {0, 1, 0};

Error PluginFailure(const char* operation, VantroStatus status) {
  return Error(FromC(status), absl::StrFormat("%s failed with status %d", operation, status));
}

}  // namespace

Expected<std::unique_ptr<PluginSession>> PluginSession::Load(const std::string& path) {
  Expected<SharedLibrary> library = SharedLibrary::Load(path, kRtldLazy);
  if (!library) {
    return Error(library.GetError().status(),
                 absl::StrCat("cannot load the plug-in: ", library.GetError().message()));
  }
  Expected<VantroDispatchQueryInterfaceFn> query =
      library->LookupSymbol<VantroDispatchQueryInterfaceFn>("VantroDispatchQueryInterface");
  if (!query) return query.GetError();
  const VantroDispatchOperationTable* table = nullptr;
  if (const VantroStatus status = (*query)(0, 1, nullptr, &table);
      status != kVantroStatusOk || table == nullptr) {
    return PluginFailure("VantroDispatchQueryInterface", status);
  }
  if (table->check_runtime_compatibility == nullptr) {
    return Error(Status::Unsupported, "the plug-in offers no check_runtime_compatibility");
  }
  if (const VantroStatus status = table->check_runtime_compatibility(kHostApiVersion);
      status != kVantroStatusOk) {
    return PluginFailure("check_runtime_compatibility(0.1.0)", status);
  }
  // Kept loaded for the rest of the process (see the declaration).
  static auto* const kept = new std::vector<std::unique_ptr<SharedLibrary>>();
  kept->push_back(std::make_unique<SharedLibrary>(std::move(library).Value()));
  return std::unique_ptr<PluginSession>(new PluginSession(table));
}

PluginSession::~PluginSession() { TearDown(); }

std::string PluginSession::VendorId() const {
  const char* text = nullptr;
  table_.get_vendor_id(&text);
  return text != nullptr ? text : "";
}

std::string PluginSession::BuildId() const {
  const char* text = nullptr;
  table_.get_build_id(&text);
  return text != nullptr ? text : "";
}

Expected<void> PluginSession::Initialize(const std::string& payload,
                                         const EnvironmentSettings& environment) {
  environment_ = host_.NewEnvironment();
  if (environment.log_severity.has_value()) {
    host_.SetEnvironmentInt(environment_, kVantroEnvOptionLogSeverity, *environment.log_severity);
  }
  if (environment.shared_library_dir.has_value()) {
    host_.SetEnvironmentString(environment_, kVantroEnvOptionSharedLibraryDir,
                               *environment.shared_library_dir);
  }
  VantroOptionsT* options = host_.NewOptions();
  host_.SetOpaqueOptionsText(options, "qualcomm", payload);
  if (const VantroStatus status = table_.initialize(host_.table(), environment_, options);
      status != kVantroStatusOk) {
    return PluginFailure("initialize", status);
  }
  return {};
}

Expected<void> PluginSession::OpenDevice() {
  if (const VantroStatus status = table_.device_context_create(host_.table(), nullptr, &device_);
      status != kVantroStatusOk) {
    device_ = nullptr;
    return PluginFailure("device_context_create", status);
  }
  return {};
}

Expected<void> PluginSession::CreateInvocation(std::vector<uint8_t> bytecode,
                                               const std::string& function) {
  bytecode_ = std::move(bytecode);
  bytecode_record_ = {};
  bytecode_record_.base_addr = bytecode_.data();
  bytecode_record_.offset = 0;
  bytecode_record_.size = bytecode_.size();
  const VantroStatus status = table_.invocation_context_create(
      nullptr, device_, /*bytecode_kind=*/0, &bytecode_record_,
      function.empty() ? nullptr : function.c_str(), 0, 0, &invocation_);
  if (status != kVantroStatusOk) {
    invocation_ = nullptr;
    return PluginFailure("invocation_context_create", status);
  }
  return {};
}

Expected<BoundBuffer> PluginSession::BindOne(bool input, int32_t index, const TensorSpec& spec) {
  const char* role = input ? "input" : "output";
  Expected<VantroRankedTensorTypeT> type = HostTensorType(spec);
  if (!type) return type.GetError();

  VantroTensorBufferRequirementsT* requirements = nullptr;
  const VantroStatus asked =
      (input ? table_.get_input_requirements : table_.get_output_requirements)(
          invocation_, index, &*type, &requirements);
  if (asked != kVantroStatusOk) {
    return PluginFailure(input ? "get_input_requirements" : "get_output_requirements", asked);
  }
  std::optional<sim::TensorBufferRequirements> record = host_.ReadRequirements(requirements);
  if (!record.has_value() || record->buffer_types.empty()) {
    return Error(Status::RuntimeFailure,
                 absl::StrFormat("%s %d (\"%s\"): the requirements name no buffer type", role,
                                 index, spec.name));
  }
  BoundBuffer bound;
  bound.offered_types = record->buffer_types;
  bound.size = record->buffer_size;
  // Host memory is what this host can fill and read; any other kind is
  // made as asked, and the plug-in says whether it can use it.
  const bool host_memory_offered =
      std::find(bound.offered_types.begin(), bound.offered_types.end(),
                kVantroTensorBufferTypeHostMemory) != bound.offered_types.end();
  bound.buffer_type =
      host_memory_offered ? kVantroTensorBufferTypeHostMemory : bound.offered_types.front();

  sim::TensorBufferSpec buffer_spec;
  buffer_spec.buffer_type = bound.buffer_type;
  buffer_spec.tensor_type = *type;
  buffer_spec.size = bound.size;
  bound.buffer = host_.NewTensorBuffer(buffer_spec);
  if (const VantroStatus status =
          table_.register_tensor_buffer(device_, bound.buffer, &bound.handle);
      status != kVantroStatusOk) {
    return PluginFailure("register_tensor_buffer", status);
  }
  bound.registered = true;
  return bound;
}

Expected<void> PluginSession::BindBuffers(const GraphSpec& graph) {
  for (int pass = 0; pass < 2; ++pass) {
    const bool input = pass == 0;
    const std::vector<TensorSpec>& specs = input ? graph.inputs : graph.outputs;
    std::vector<BoundBuffer>& bound = input ? inputs_ : outputs_;
    for (size_t i = 0; i < specs.size(); ++i) {
      const int32_t index = static_cast<int32_t>(i);
      Expected<BoundBuffer> one = BindOne(input, index, specs[i]);
      if (!one) return one.GetError();
      bound.push_back(std::move(one).Value());
      const VantroStatus status = (input ? table_.attach_input : table_.attach_output)(
          invocation_, index, bound.back().handle);
      if (status != kVantroStatusOk) {
        return Error(FromC(status),
                     absl::StrFormat("%s %d (\"%s\", buffer type %d) failed with status %d",
                                     input ? "attach_input" : "attach_output", index, specs[i].name,
                                     bound.back().buffer_type, status));
      }
      bound.back().attached = true;
    }
  }
  return {};
}

absl::Span<uint8_t> PluginSession::Bytes(const BoundBuffer& bound) const {
  if (bound.buffer_type != kVantroTensorBufferTypeHostMemory) return {};
  auto* memory = static_cast<uint8_t*>(host_.BufferMemory(bound.buffer));
  return memory != nullptr ? absl::Span<uint8_t>(memory, bound.size) : absl::Span<uint8_t>();
}

absl::Span<uint8_t> PluginSession::InputBytes(size_t index) { return Bytes(inputs_.at(index)); }

absl::Span<const uint8_t> PluginSession::OutputBytes(size_t index) const {
  return Bytes(outputs_.at(index));
}

Expected<void> PluginSession::Invoke() {
  if (const VantroStatus status = table_.invoke(invocation_); status != kVantroStatusOk) {
    return PluginFailure("invoke", status);
  }
  return {};
}

void PluginSession::TearDown() {
  auto report = [](const char* what, VantroStatus status) {
    if (status != kVantroStatusOk) {
      std::fprintf(stderr, "vantro_runner: %s failed with status %d\n", what, status);
    }
  };
  if (invocation_ != nullptr) {
    for (size_t i = 0; i < inputs_.size(); ++i) {
      if (inputs_[i].attached) {
        report("detach_input",
               table_.detach_input(invocation_, static_cast<int32_t>(i), inputs_[i].handle));
        inputs_[i].attached = false;
      }
    }
    for (size_t i = 0; i < outputs_.size(); ++i) {
      if (outputs_[i].attached) {
        report("detach_output",
               table_.detach_output(invocation_, static_cast<int32_t>(i), outputs_[i].handle));
        outputs_[i].attached = false;
      }
    }
    report("invocation_context_destroy", table_.invocation_context_destroy(invocation_));
    invocation_ = nullptr;
  }
  if (device_ != nullptr) {
    for (std::vector<BoundBuffer>* list : {&inputs_, &outputs_}) {
      for (BoundBuffer& bound : *list) {
        if (!bound.registered) continue;
        report("unregister_tensor_buffer", table_.unregister_tensor_buffer(device_, bound.handle));
        bound.registered = false;
      }
    }
    report("device_context_destroy", table_.device_context_destroy(device_));
    device_ = nullptr;
  }
}

}  // namespace vantro::runner
