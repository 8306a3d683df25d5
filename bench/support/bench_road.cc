#include "bench/support/bench_road.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "absl/strings/str_cat.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_qnn.h"

namespace vantro::bench {
namespace {

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "benchmark set-up failed: %s\n", what.c_str());
  std::abort();
}

void Expect(bool ok, const std::string& what) {
  if (!ok) Die(what);
}

vantro::sim::ContextBinaryTensor FloatTensor(uint32_t id, std::string name, uint32_t type) {
  vantro::sim::ContextBinaryTensor tensor;
  tensor.id = id;
  tensor.name = std::move(name);
  tensor.type = type;
  tensor.data_type = QNN_DATATYPE_FLOAT_32;
  tensor.dimensions = {1, kTensorElements};
  return tensor;
}

}  // namespace

const VantroDispatchOperationTable& PluginTable() {
  static const VantroDispatchOperationTable* const table = [] {
    // As a host loads it: no global symbols, everything bound now.
    void* plugin = dlopen(VANTRO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (plugin == nullptr) Die(dlerror());
    auto query = reinterpret_cast<VantroDispatchQueryInterfaceFn>(
        dlsym(plugin, "VantroDispatchQueryInterface"));
    const VantroDispatchOperationTable* result = nullptr;
    if (query == nullptr || query(0, 1, nullptr, &result) != kVantroStatusOk) {
      Die("VantroDispatchQueryInterface");
    }
    return result;
  }();
  return *table;
}

std::string CopyGraphName(int count) { return absl::StrCat("copy_", count); }

std::vector<uint8_t> CopyGraphBinary(int count) {
  vantro::sim::ContextBinaryGraph graph;
  graph.name = CopyGraphName(count);
  for (int i = 0; i < count; ++i) {
    const uint32_t in = static_cast<uint32_t>(i + 1);
    const uint32_t out = static_cast<uint32_t>(count + i + 1);
    graph.tensors.push_back(FloatTensor(in, absl::StrCat("in", i), QNN_TENSOR_TYPE_APP_WRITE));
    graph.tensors.push_back(FloatTensor(out, absl::StrCat("out", i), QNN_TENSOR_TYPE_APP_READ));
    graph.inputs.push_back(in);
    graph.outputs.push_back(out);
    vantro::sim::ContextBinaryOp op;
    op.kind = vantro::sim::OpKind::kCopy;
    op.inputs = {in};
    op.outputs = {out};
    graph.ops.push_back(op);
  }
  vantro::sim::ContextBinary binary;
  binary.graphs.push_back(std::move(graph));
  const std::string invalid = vantro::sim::ValidateContextBinary(binary);
  Expect(invalid.empty(), invalid);
  return vantro::sim::WriteContextBinary(binary);
}

std::string Payload(const std::string& extra) {
  // QNN-layer lines at WARNING and above only, like the plug-in's own.
  return absl::StrCat("qnn_lib_dir = \"", VANTRO_SIM_QNN_DIR, "\"\nlog_level = 2\n", extra);
}

void QuietSimulation() {
  vantro::sim::Reset();
  vantro::sim::SetExecutionEnabled(false);
  vantro::sim::SetCallLogEnabled(false);
}

bool AttachHostQueriesFloor(const VantroHostApiTable& host, VantroTensorBufferT* buffer,
                            Qnn_Tensor_t* tensor) {
  int32_t type = 0;
  void* memory = nullptr;
  size_t size = 0;
  size_t offset = 0;
  if (host.get_tensor_buffer_type(buffer, &type) != kVantroStatusOk ||
      host.get_tensor_buffer_host_memory(buffer, &memory) != kVantroStatusOk ||
      host.get_tensor_buffer_size(buffer, &size) != kVantroStatusOk ||
      host.get_tensor_buffer_offset(buffer, &offset) != kVantroStatusOk) {
    return false;
  }
  tensor->v1.memType = QNN_TENSORMEMTYPE_RAW;
  tensor->v1.clientBuf.data = static_cast<char*>(memory) + offset;
  tensor->v1.clientBuf.dataSize = static_cast<uint32_t>(size);
  return true;
}

// ---- HostRoad

HostRoad::HostRoad(const std::string& payload) : table_(PluginTable()) {
  environment_ = host_.NewEnvironment();
  host_.SetEnvironmentInt(environment_, kVantroEnvOptionLogSeverity, kVantroLogWarning);
  VantroOptionsT* options = host_.NewOptions();
  host_.SetOpaqueOptionsText(options, "qualcomm", payload);
  Expect(table_.initialize(host_.table(), environment_, options) == kVantroStatusOk,
         "initialize");
  Expect(table_.device_context_create(host_.table(), nullptr, &device_) == kVantroStatusOk,
         "device_context_create");
}

HostRoad::~HostRoad() {
  if (device_ != nullptr) table_.device_context_destroy(device_);
}

VantroTensorBufferHandle HostRoad::NewBuffer(VantroTensorBufferT** buffer) {
  vantro::sim::TensorBufferSpec spec;
  spec.tensor_type.element_type = 1;  // FLOAT32
  spec.tensor_type.layout.rank_and_flags = 2;
  spec.tensor_type.layout.dimensions[0] = 1;
  spec.tensor_type.layout.dimensions[1] = static_cast<int32_t>(kTensorElements);
  spec.size = kTensorElements * sizeof(float);
  VantroTensorBufferT* created = host_.NewTensorBuffer(spec);
  if (buffer != nullptr) *buffer = created;
  VantroTensorBufferHandle handle = 0;
  Expect(table_.register_tensor_buffer(device_, created, &handle) == kVantroStatusOk,
         "register_tensor_buffer");
  return handle;
}

// ---- InvokeRoad

InvokeRoad::InvokeRoad(int count, const std::string& payload)
    : road_(payload), bytecode_(CopyGraphBinary(count)) {
  const VantroDispatchOperationTable& table = road_.table();
  invoke_ = table.invoke;
  record_.base_addr = bytecode_.data();
  record_.size = bytecode_.size();
  const std::string name = CopyGraphName(count);
  Expect(table.invocation_context_create(nullptr, road_.device(), 0, &record_, name.c_str(), 0,
                                         0, &invocation_) == kVantroStatusOk,
         "invocation_context_create");
  for (int i = 0; i < count; ++i) {
    input_handles_.push_back(road_.NewBuffer());
    Expect(table.attach_input(invocation_, i, input_handles_.back()) == kVantroStatusOk,
           "attach_input");
    Expect(table.attach_output(invocation_, i, road_.NewBuffer()) == kVantroStatusOk,
           "attach_output");
  }
  Expect(Invoke() == kVantroStatusOk, "invoke");
}

InvokeRoad::~InvokeRoad() {
  if (invocation_ != nullptr) road_.table().invocation_context_destroy(invocation_);
}

// ---- DirectExecute

const qnn::QnnApi& SimHtpApi() {
  const QnnInterface_t** providers = nullptr;
  uint32_t count = 0;
  Expect(vantro::sim::internal::VantroSimQnnGetProviders(
             static_cast<int>(vantro::sim::Library::kHtp), &providers, &count) == QNN_SUCCESS &&
             count > 0 && providers[0] != nullptr,
         "HTP providers");
  return providers[0]->QNN_INTERFACE_VER_NAME;
}

const qnn::QnnSystemApi& SimSystemApi() {
  const QnnSystemInterface_t** providers = nullptr;
  uint32_t count = 0;
  Expect(vantro::sim::internal::VantroSimQnnGetSystemProviders(&providers, &count) ==
                 QNN_SUCCESS &&
             count > 0 && providers[0] != nullptr,
         "system providers");
  return providers[0]->QNN_SYSTEM_INTERFACE_VER_NAME;
}

DirectExecute::DirectExecute(int count) : api_(&SimHtpApi()), count_(static_cast<uint32_t>(count)) {
  Expect(count > 0 && count <= kMaxTensors, "tensor count");
  Expect(api_->backendCreate(nullptr, nullptr, &backend_) == QNN_SUCCESS, "backendCreate");
  const std::vector<uint8_t> bytes = CopyGraphBinary(count);
  Expect(api_->contextCreateFromBinary(backend_, nullptr, nullptr, bytes.data(), bytes.size(),
                                       &context_, nullptr) == QNN_SUCCESS,
         "contextCreateFromBinary");
  const std::string name = CopyGraphName(count);
  Expect(api_->graphRetrieve(context_, name.c_str(), &graph_) == QNN_SUCCESS, "graphRetrieve");

  names_.reserve(2 * count);
  dimensions_ = {1, kTensorElements};
  memory_.assign(2 * count * kTensorElements, 0.0f);
  auto record = [this](uint32_t id, std::string name, uint32_t type, size_t slot) {
    names_.push_back(std::move(name));
    Qnn_Tensor_t tensor;
    std::memset(&tensor, 0, sizeof(tensor));
    tensor.version = QNN_TENSOR_VERSION_1;
    tensor.v1.id = id;
    tensor.v1.name = names_.back().c_str();
    tensor.v1.type = static_cast<Qnn_TensorType_t>(type);
    tensor.v1.dataType = QNN_DATATYPE_FLOAT_32;
    tensor.v1.quantizeParams.encodingDefinition = QNN_DEFINITION_UNDEFINED;
    tensor.v1.quantizeParams.quantizationEncoding = QNN_QUANTIZATION_ENCODING_UNDEFINED;
    tensor.v1.rank = 2;
    tensor.v1.dimensions = dimensions_.data();
    tensor.v1.memType = QNN_TENSORMEMTYPE_RAW;
    tensor.v1.clientBuf.data = memory_.data() + slot * kTensorElements;
    tensor.v1.clientBuf.dataSize = kTensorElements * sizeof(float);
    return tensor;
  };
  for (int i = 0; i < count; ++i) {
    inputs_.push_back(record(i + 1, absl::StrCat("in", i), QNN_TENSOR_TYPE_APP_WRITE, i));
    outputs_.push_back(
        record(count + i + 1, absl::StrCat("out", i), QNN_TENSOR_TYPE_APP_READ, count + i));
  }
  Expect(Execute() == QNN_SUCCESS, "graphExecute");
}

DirectExecute::~DirectExecute() {
  if (context_ != nullptr) api_->contextFree(context_, nullptr);
  if (backend_ != nullptr) api_->backendFree(backend_);
}

Qnn_ErrorHandle_t DirectExecute::Execute() {
  Qnn_Tensor_t inputs[kMaxTensors];
  Qnn_Tensor_t outputs[kMaxTensors];
  for (uint32_t i = 0; i < count_; ++i) inputs[i] = inputs_[i];
  for (uint32_t i = 0; i < count_; ++i) outputs[i] = outputs_[i];
  return api_->graphExecute(graph_, inputs, count_, outputs, count_, nullptr, nullptr);
}

// ---- creation

DirectCreation::DirectCreation(int count, bool miss)
    : api_(&SimHtpApi()),
      system_(&SimSystemApi()),
      miss_(miss),
      bytes_(CopyGraphBinary(count)),
      name_(CopyGraphName(count)) {
  Expect(api_->backendCreate(nullptr, nullptr, &backend_) == QNN_SUCCESS, "backendCreate");
  Expect(api_->deviceCreate(nullptr, nullptr, &device_) == QNN_SUCCESS, "deviceCreate");
  if (!miss_) {
    const QnnContext_Config_t* configs[] = {nullptr};
    Expect(api_->contextCreateFromBinary(backend_, device_, configs, bytes_.data(), bytes_.size(),
                                         &cached_, nullptr) == QNN_SUCCESS,
           "contextCreateFromBinary");
  }
  Expect(Run(), "creation floor");
}

DirectCreation::~DirectCreation() {
  if (cached_ != nullptr) api_->contextFree(cached_, nullptr);
  if (device_ != nullptr) api_->deviceFree(device_);
  if (backend_ != nullptr) api_->backendFree(backend_);
}

bool DirectCreation::Run() {
  QnnSystemContext_Handle_t system_context = nullptr;
  const QnnSystemContext_BinaryInfo_t* info = nullptr;
  Qnn_ContextBinarySize_t info_size = 0;
  bool ok = system_->systemContextCreate(&system_context) == QNN_SUCCESS &&
            system_->systemContextGetBinaryInfo(system_context, bytes_.data(), bytes_.size(),
                                                &info, &info_size) == QNN_SUCCESS &&
            info != nullptr;
  if (system_context != nullptr) system_->systemContextFree(system_context);
  Qnn_ContextHandle_t context = cached_;
  if (ok && miss_) {
    const QnnContext_Config_t* configs[] = {nullptr};
    ok = api_->contextCreateFromBinary(backend_, device_, configs, bytes_.data(), bytes_.size(),
                                       &context, nullptr) == QNN_SUCCESS;
  }
  Qnn_GraphHandle_t graph = nullptr;
  ok = ok && api_->graphRetrieve(context, name_.c_str(), &graph) == QNN_SUCCESS;
  if (miss_ && context != nullptr) api_->contextFree(context, nullptr);
  return ok;
}

TableCreation::TableCreation(int count, bool miss)
    : road_(Payload()), miss_(miss), bytes_(CopyGraphBinary(count)), name_(CopyGraphName(count)) {
  record_.base_addr = bytes_.data();
  record_.size = bytes_.size();
  if (!miss_) {
    Expect(road_.table().invocation_context_create(nullptr, road_.device(), 0, &record_,
                                                   name_.c_str(), 0, 0,
                                                   &first_) == kVantroStatusOk,
           "invocation_context_create");
  }
  Expect(Run(), "creation through the table");
}

TableCreation::~TableCreation() {
  if (first_ != nullptr) road_.table().invocation_context_destroy(first_);
}

bool TableCreation::Run() {
  const VantroDispatchOperationTable& table = road_.table();
  VantroDispatchDeviceContextT* device = road_.device();
  if (miss_ && table.device_context_create(road_.host().table(), nullptr, &device) !=
                   kVantroStatusOk) {
    return false;
  }
  VantroDispatchInvocationContextT* invocation = nullptr;
  const bool ok = table.invocation_context_create(nullptr, device, 0, &record_, name_.c_str(), 0,
                                                  0, &invocation) == kVantroStatusOk;
  if (ok) table.invocation_context_destroy(invocation);
  if (miss_) table.device_context_destroy(device);
  return ok;
}

}  // namespace vantro::bench
