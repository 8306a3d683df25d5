#include "tests/support/plugin_harness.h"

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <list>
#include <thread>

#include "absl/strings/match.h"
#include "absl/strings/str_cat.h"
#include "gtest/gtest.h"

namespace vantro::testing {

const VantroDispatchOperationTable& PluginTable() {
  static const VantroDispatchOperationTable* const table = [] {
#if defined(_WIN32)
    // As a Windows host loads it: LoadLibraryA on a backslash path.
    std::string path = VANTRO_PLUGIN_PATH;
    std::replace(path.begin(), path.end(), '/', '\\');
    HMODULE plugin = LoadLibraryA(path.c_str());
    if (plugin == nullptr) {
      ADD_FAILURE() << "LoadLibraryA(" << path << ") failed: " << GetLastError();
      std::abort();
    }
    void* query = reinterpret_cast<void*>(GetProcAddress(plugin, "VantroDispatchQueryInterface"));
#else
    void* plugin = dlopen(VANTRO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (plugin == nullptr) {
      ADD_FAILURE() << dlerror();
      std::abort();
    }
    void* query = dlsym(plugin, "VantroDispatchQueryInterface");
#endif
    const VantroDispatchOperationTable* result = QueryTable(query);
    if (result == nullptr) std::abort();
    return result;
  }();
  return *table;
}

const VantroDispatchOperationTable* QueryTable(void* query_address) {
  auto query = reinterpret_cast<VantroDispatchQueryInterfaceFn>(query_address);
  const VantroDispatchOperationTable* table = nullptr;
  if (query == nullptr || query(0, 1, nullptr, &table) != kVantroStatusOk) return nullptr;
  return table;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  EXPECT_TRUE(file.is_open()) << path;
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

std::string ReadText(const std::string& path) {
  // Text mode: on Windows a file written as text reads back with "\n".
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string ExampleModelPath(const std::string& stem) {
  return absl::StrCat(VANTRO_SOURCE_DIR, "/examples/models/", stem, ".bin");
}

std::string PayloadWithSimLibraries(const std::string& extra) {
  if (absl::StrContains(extra, "qnn_lib_dir")) return extra;
  return absl::StrCat("qnn_lib_dir = \"", VANTRO_SIM_QNN_DIR, "\"\n", extra);
}

PluginRoad::PluginRoad() : PluginRoad(PluginTable()) {}

PluginRoad::PluginRoad(const VantroDispatchOperationTable& table) : table_(table) {
  environment_ = host_.NewEnvironment();
}

PluginRoad::~PluginRoad() {
  for (auto it = invocations_.rbegin(); it != invocations_.rend(); ++it) {
    table_.invocation_context_destroy(*it);
  }
  if (device_ != nullptr) table_.device_context_destroy(device_);
}

VantroStatus PluginRoad::Initialize(const std::string& payload, bool with_options) {
  VantroOptionsT* options = nullptr;
  if (with_options) {
    options = host_.NewOptions();
    host_.SetOpaqueOptionsText(options, "qualcomm", payload);
  }
  return table_.initialize(host_.table(), environment_, options);
}

VantroDispatchDeviceContextT* PluginRoad::OpenDevice() {
  EXPECT_EQ(table_.device_context_create(host_.table(), nullptr, &device_), kVantroStatusOk);
  return device_;
}

VantroStatus PluginRoad::CreateInvocation(const std::vector<uint8_t>& bytecode,
                                          const char* function_name,
                                          VantroDispatchInvocationContextT** out) {
  bytecodes_.push_back(bytecode);
  VantroMemBufferT record{};
  record.base_addr = bytecodes_.back().data();
  record.offset = 0;
  record.size = bytecodes_.back().size();
  *out = nullptr;
  const VantroStatus status = table_.invocation_context_create(
      nullptr, device_, 0, &record, function_name, 0, 0, out);
  if (status == kVantroStatusOk) invocations_.push_back(*out);
  return status;
}

VantroStatus PluginRoad::CreateJitInvocation(const vantro::qualcomm::JitHandle* jit,
                                             const char* function_name,
                                             VantroDispatchInvocationContextT** out) {
  VantroMemBufferT record{};
  record.base_addr = jit;
  *out = nullptr;
  const VantroStatus status = table_.invocation_context_create(
      nullptr, device_, kVantroBytecodeKindJitHandle, &record, function_name, 0, 0, out);
  if (status == kVantroStatusOk) invocations_.push_back(*out);
  return status;
}

VantroTensorBufferHandle PluginRoad::NewFloatBuffer(size_t count, VantroTensorBufferT** buffer) {
  vantro::sim::TensorBufferSpec spec;
  spec.tensor_type = FloatTensorType({static_cast<int32_t>(count)});
  spec.size = count * sizeof(float);
  VantroTensorBufferT* created = host_.NewTensorBuffer(spec);
  if (buffer != nullptr) *buffer = created;
  VantroTensorBufferHandle handle = 0;
  EXPECT_EQ(table_.register_tensor_buffer(device_, created, &handle), kVantroStatusOk);
  return handle;
}

float* PluginRoad::FloatData(VantroTensorBufferT* buffer) {
  return static_cast<float*>(host_.BufferMemory(buffer));
}

VantroStatus PluginRoad::AttachAddReluBuffers(VantroDispatchInvocationContextT* invocation,
                                              VantroTensorBufferT** output) {
  VantroTensorBufferT* a = nullptr;
  const VantroTensorBufferHandle ha = NewFloatBuffer(8, &a);
  const VantroTensorBufferHandle hb = NewFloatBuffer(8);
  const VantroTensorBufferHandle hout = NewFloatBuffer(8, output);
  for (int i = 0; i < 8; ++i) FloatData(a)[i] = static_cast<float>(i - 4);
  VantroStatus status = table_.attach_input(invocation, 0, ha);
  if (status == kVantroStatusOk) status = table_.attach_input(invocation, 1, hb);
  if (status == kVantroStatusOk) status = table_.attach_output(invocation, 0, hout);
  return status;
}

bool InvokeOnceInAutoBurst(const VantroDispatchOperationTable& table) {
  bool ok = false;
  std::thread host([&] {
    PluginRoad road(table);
    road.host().SetEnvironmentInt(road.environment(), 25, 3);  // errors only
    if (road.Initialize(PayloadWithSimLibraries("htp_performance_mode = 2\n"
                                                "htp_perf_ctrl_mode = 1\n")) != kVantroStatusOk) {
      return;
    }
    road.OpenDevice();
    VantroDispatchInvocationContextT* invocation = nullptr;
    if (road.CreateInvocation(ReadFileBytes(ExampleModelPath("add_relu")), nullptr,
                              &invocation) != kVantroStatusOk) {
      return;
    }
    ok = road.AttachAddReluBuffers(invocation) == kVantroStatusOk &&
         table.invoke(invocation) == kVantroStatusOk;
  });
  host.join();
  return ok;
}

VantroRankedTensorTypeT FloatTensorType(std::vector<int32_t> dimensions) {
  VantroRankedTensorTypeT type{};
  type.element_type = 1;
  type.layout.rank_and_flags = static_cast<uint32_t>(dimensions.size());
  for (size_t i = 0; i < dimensions.size() && i < 8; ++i) type.layout.dimensions[i] = dimensions[i];
  return type;
}

}  // namespace vantro::testing
