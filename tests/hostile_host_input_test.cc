// A host that hands the plug-in everything its table lets through: null
// pointers, indices and handles out of range, buffer kinds it does not
// know, sizes and offsets at the ends of their ranges, strided and
// malformed layouts, bytecode that is not a context binary, entries of its
// own table missing or failing, and operations in an order the contract
// still allows. Every call must answer with a status (and, where it fails,
// one clear log line), never crash, and leave the plug-in usable.
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/plugin_harness.h"

namespace vantro::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr uint64_t kHandleMax = std::numeric_limits<uint64_t>::max();
constexpr size_t kSizeMax = std::numeric_limits<size_t>::max();

// Runs `call` with the standard error stream captured.
template <typename Call>
VantroStatus Captured(Call call, std::string* log) {
  CaptureStderr();
  const VantroStatus status = call();
  *log = GetCapturedStderr();
  return status;
}

// The handler's failure line: "ERROR: [dispatch_api:N] <action>: " then
// `message` (a pattern) somewhere in the (possibly chained) rest; an empty
// `message` stands for an empty message, the line ending after the action.
std::string FailureLine(const std::string& action, const std::string& message) {
  const std::string line = "(.|\n)*ERROR: \\[dispatch_api:[0-9]+\\] " + action + ": ";
  if (message.empty()) return line + "\n(.|\n)*";
  return line + "(.|\n)*" + message + "(.|\n)*";
}

// The pattern of a located error's annotation at `path`, then
// the chain separator and `message` when there is one.
std::string Located(const std::string& path, const std::string& message = "") {
  std::string located = "ERROR: \\[" + path + ":[0-9]+\\]";
  if (!message.empty()) located += "\n\xE2\x94\x94 " + message;
  return located + "\n";
}

// A layout failure as the requirements report it: located at the layout,
// wrapped once more at the size computation.
std::string LayoutError(const std::string& message) {
  return "ERROR: \\[cc/vantro_ranked_tensor_type:[0-9]+\\]\n\xE2\x94\x94 " +
         Located("cc/vantro_layout", message);
}

// The helper itself: a message is required where one is given, and an empty
// one means the failure line ends right after the action.
TEST(FailureLineTest, AnEmptyMessageAcceptsOnlyAnEmptyMessage) {
  const std::string empty = FailureLine("Failed to attach input buffer", "");
  EXPECT_THAT("ERROR: [dispatch_api:7] Failed to attach input buffer: \n", MatchesRegex(empty));
  EXPECT_THAT("INFO: [x:1] before\nERROR: [dispatch_api:7] Failed to attach input buffer: \n",
              MatchesRegex(empty));
  EXPECT_THAT("ERROR: [dispatch_api:7] Failed to attach input buffer: Unexpected handle\n",
              ::testing::Not(MatchesRegex(empty)));
  EXPECT_THAT("ERROR: [dispatch_api:7] Failed to attach output buffer: \n",
              ::testing::Not(MatchesRegex(empty)));

  const std::string some = FailureLine("Failed to attach input buffer", "Unexpected handle");
  EXPECT_THAT("ERROR: [dispatch_api:7] Failed to attach input buffer: Unexpected handle\n",
              MatchesRegex(some));
  EXPECT_THAT("ERROR: [dispatch_api:7] Failed to attach input buffer: ERROR: [f:1]\n"
              "\xE2\x94\x94 Unexpected handle\n",
              MatchesRegex(some));
  EXPECT_THAT("ERROR: [dispatch_api:7] Failed to attach input buffer: \n",
              ::testing::Not(MatchesRegex(some)));
}

// Before any initialisation the plug-in has no QNN manager or backend; a
// host may still open a device context and ask for an invocation context.
// Runs first in this binary, while the plug-in was never initialised.
TEST(HostileHostBeforeInitializeTest, InvocationContextCreateBeforeInitializeFails) {
  const char* build_id = nullptr;
  ASSERT_EQ(PluginTable().get_build_id(&build_id), kVantroStatusOk);
  if (build_id[0] != '\0') GTEST_SKIP() << "the plug-in was initialised by an earlier test";
  vantro::sim::Reset();
  PluginRoad road;
  road.OpenDevice();
  VantroDispatchInvocationContextT* invocation = nullptr;
  std::string log;
  const std::vector<uint8_t> bytecode = ReadFileBytes(ExampleModelPath("add_relu"));
  EXPECT_EQ(Captured([&] { return road.CreateInvocation(bytecode, nullptr, &invocation); }, &log),
            kVantroStatusRuntimeFailure);
  EXPECT_EQ(invocation, nullptr);
  EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to create context from context binary",
                                            "QNN is not initialized")));
  // A buffer can be registered and unregistered: neither needs QNN.
  const VantroTensorBufferHandle handle = road.NewFloatBuffer(4);
  EXPECT_EQ(road.table().unregister_tensor_buffer(road.device(), handle), kVantroStatusOk);
}

class HostileHostInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vantro::sim::Reset();
    CaptureStderr();
    ASSERT_EQ(road_.Initialize(PayloadWithSimLibraries()), kVantroStatusOk);
    GetCapturedStderr();
    road_.OpenDevice();
  }

  // An add_relu invocation context (inputs a and b, output out, 8 floats).
  VantroDispatchInvocationContextT* AddRelu() {
    VantroDispatchInvocationContextT* invocation = nullptr;
    CaptureStderr();
    EXPECT_EQ(road_.CreateInvocation(ReadFileBytes(ExampleModelPath("add_relu")), nullptr,
                                     &invocation),
              kVantroStatusOk);
    GetCapturedStderr();
    return invocation;
  }

  VantroTensorBufferHandle Register(const vantro::sim::TensorBufferSpec& spec) {
    VantroTensorBufferHandle handle = kHandleMax;
    EXPECT_EQ(road_.table().register_tensor_buffer(road_.device(),
                                                   road_.host().NewTensorBuffer(spec), &handle),
              kVantroStatusOk);
    return handle;
  }

  // Registers a DmaBuf-typed buffer of 8 floats.
  VantroTensorBufferHandle RegisterDmaBuf() {
    vantro::sim::TensorBufferSpec dma;
    dma.buffer_type = 4;
    dma.tensor_type = FloatTensorType({8});
    dma.size = 32;
    return Register(dma);
  }

  // A full run on fresh buffers: the plug-in is still usable.
  void ExpectUsable(VantroDispatchInvocationContextT* invocation) {
    VantroTensorBufferT* out = nullptr;
    ASSERT_EQ(road_.AttachAddReluBuffers(invocation, &out), kVantroStatusOk);
    std::string log;
    ASSERT_EQ(Captured([&] { return road_.table().invoke(invocation); }, &log), kVantroStatusOk)
        << log;
    EXPECT_EQ(road_.FloatData(out)[7], 3.0f);
  }

  PluginRoad road_;
};

TEST_F(HostileHostInputTest, NullPointersAreRefusedByEveryOperation) {
  VantroDispatchInvocationContextT* invocation = AddRelu();
  const VantroDispatchOperationTable& t = road_.table();
  const VantroRankedTensorTypeT type = FloatTensorType({8});
  VantroTensorBufferRequirementsT* requirements = nullptr;
  VantroTensorBufferHandle handle = 0;
  VantroDispatchDeviceContextT* device = nullptr;
  VantroDispatchInvocationContextT* created = nullptr;
  const VantroMemBufferT bytecode{};
  struct Case {
    const char* name;
    VantroStatus status;
  };
  const Case cases[] = {
      {"initialize, null host table", t.initialize(nullptr, road_.environment(), nullptr)},
      {"get_vendor_id, null out", t.get_vendor_id(nullptr)},
      {"get_build_id, null out", t.get_build_id(nullptr)},
      {"get_capabilities, null out", t.get_capabilities(nullptr)},
      {"device_context_create, null host", t.device_context_create(nullptr, nullptr, &device)},
      {"device_context_create, null out",
       t.device_context_create(road_.host().table(), nullptr, nullptr)},
      {"register, null device", t.register_tensor_buffer(nullptr, nullptr, &handle)},
      {"register, null out", t.register_tensor_buffer(road_.device(), nullptr, nullptr)},
      {"unregister, null device", t.unregister_tensor_buffer(nullptr, 0)},
      {"invocation_context_create, null device",
       t.invocation_context_create(nullptr, nullptr, 0, &bytecode, nullptr, 0, 0, &created)},
      {"invocation_context_create, null bytecode",
       t.invocation_context_create(nullptr, road_.device(), 0, nullptr, nullptr, 0, 0, &created)},
      {"invocation_context_create, null out",
       t.invocation_context_create(nullptr, road_.device(), 0, &bytecode, nullptr, 0, 0,
                                   nullptr)},
      {"set_host_record, null context", t.invocation_context_set_host_record(nullptr, nullptr)},
      {"get_input_requirements, null context",
       t.get_input_requirements(nullptr, 0, &type, &requirements)},
      {"get_input_requirements, null type",
       t.get_input_requirements(invocation, 0, nullptr, &requirements)},
      {"get_output_requirements, null out",
       t.get_output_requirements(invocation, 0, &type, nullptr)},
      {"attach_input, null context", t.attach_input(nullptr, 0, 0)},
      {"attach_output, null context", t.attach_output(nullptr, 0, 0)},
      {"detach_input, null context", t.detach_input(nullptr, 0, 0)},
      {"detach_output, null context", t.detach_output(nullptr, 0, 0)},
      {"invoke, null context", t.invoke(nullptr)},
      {"set_options, null context", t.invocation_context_set_options(nullptr, nullptr)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.status, kVantroStatusInvalidArgument);
  }
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(created, nullptr);
  // Destroying null is accepted.
  EXPECT_EQ(t.device_context_destroy(nullptr), kVantroStatusOk);
  EXPECT_EQ(t.invocation_context_destroy(nullptr), kVantroStatusOk);
  ExpectUsable(invocation);
}

TEST_F(HostileHostInputTest, BytecodeThatIsNoContextBinaryIsRefused) {
  std::vector<uint8_t> model = ReadFileBytes(ExampleModelPath("add_relu"));
  std::vector<uint8_t> truncated(model.begin(), model.begin() + model.size() / 2);
  std::vector<uint8_t> garbage(256, 0xA5);
  std::vector<uint8_t> corrupted = model;
  for (size_t i = 8; i < corrupted.size(); i += 7) corrupted[i] ^= 0xFF;
  struct Case {
    const char* name;
    int32_t kind;
    const void* base;
    uint64_t offset;
    uint64_t size;
    const char* function;
    VantroStatus status;
    const char* message;
  };
  const Case cases[] = {
      {"null base, no size", 0, nullptr, 0, 0, nullptr, kVantroStatusRuntimeFailure,
       "Failed to get context binary info"},
      {"null base with an offset and a size", 0, nullptr, 4096, 64, nullptr,
       kVantroStatusRuntimeFailure, "Failed to get context binary info"},
      {"empty", 0, model.data(), 0, 0, nullptr, kVantroStatusRuntimeFailure,
       "Failed to get context binary info"},
      {"magic only", 0, model.data(), 0, 8, nullptr, kVantroStatusRuntimeFailure,
       "Failed to get context binary info"},
      {"truncated", 0, truncated.data(), 0, truncated.size(), nullptr,
       kVantroStatusRuntimeFailure, "Failed to get context binary info"},
      {"garbage", 0, garbage.data(), 0, garbage.size(), nullptr, kVantroStatusRuntimeFailure,
       "Failed to get context binary info"},
      {"corrupted", 0, corrupted.data(), 0, corrupted.size(), nullptr,
       kVantroStatusRuntimeFailure, "Failed to get context binary info"},
      {"offset past the model's start", 0, model.data(), 16, model.size() - 16, nullptr,
       kVantroStatusRuntimeFailure, "Failed to get context binary info"},
      {"unknown function", 0, model.data(), 0, model.size(), "no_such_graph\xFF",
       kVantroStatusRuntimeFailure, "Function name not found"},
      {"JIT kind with a null handle", 3, nullptr, 0, 0, nullptr, kVantroStatusInvalidArgument,
       "Invalid JIT handle"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VantroMemBufferT record{};
    record.base_addr = c.base;
    record.offset = c.offset;
    record.size = c.size;
    VantroDispatchInvocationContextT* invocation = nullptr;
    std::string log;
    EXPECT_EQ(Captured(
                  [&] {
                    return road_.table().invocation_context_create(
                        nullptr, road_.device(), c.kind, &record, c.function, 0, 0, &invocation);
                  },
                  &log),
              c.status);
    EXPECT_EQ(invocation, nullptr);
    EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to create context from context binary",
                                              c.message)));
  }
  EXPECT_EQ(vantro::sim::LiveHandles()["system_context"], 0);
  ExpectUsable(AddRelu());
}

TEST_F(HostileHostInputTest, RequirementsForMalformedTensorTypesAreRefused) {
  VantroDispatchInvocationContextT* invocation = AddRelu();
  auto type = [](int32_t element_type, uint32_t rank_and_flags, std::vector<int32_t> dims) {
    VantroRankedTensorTypeT t{};
    t.element_type = element_type;
    t.layout.rank_and_flags = rank_and_flags;
    for (size_t i = 0; i < dims.size() && i < kVantroMaxRank; ++i) t.layout.dimensions[i] = dims[i];
    return t;
  };
  const std::vector<int32_t> huge(8, kInt32Max);
  struct Case {
    const char* name;
    VantroRankedTensorTypeT tensor_type;
    VantroStatus status;
    std::string message;  // the failure's message (a pattern); "" for an empty message
  };
  const Case cases[] = {
      {"rank 9", type(1, 9, {1, 1, 1, 1, 1, 1, 1, 1}), kVantroStatusInvalidArgument,
       LayoutError("Rank 9 exceeds the maximum of 8")},
      {"rank 127", type(1, 0x7F, {}), kVantroStatusInvalidArgument,
       LayoutError("Rank 127 exceeds the maximum of 8")},
      {"all flag bits", type(1, 0xFFFFFFFFu, huge), kVantroStatusRuntimeFailure,
       "Tensor strides are not supported by QNN\n"},
      {"strided", type(1, 0x80 | 2, {2, 2}), kVantroStatusRuntimeFailure,
       "Tensor strides are not supported by QNN\n"},
      {"negative dimension", type(1, 2, {4, -1}), kVantroStatusInvalidArgument,
       LayoutError("Negative dimension -1")},
      {"most negative dimension", type(1, 1, {kInt32Min}), kVantroStatusInvalidArgument,
       LayoutError("Negative dimension -2147483648")},
      {"element count overflows", type(1, 8, huge), kVantroStatusInvalidArgument,
       LayoutError("Element count overflows")},
      // (2^31 - 1)^2 * 4 elements fit 64 bits; 8 bytes each do not.
      {"byte size overflows", type(11, 3, {kInt32Max, kInt32Max, 4}),
       kVantroStatusInvalidArgument, Located("cc/vantro_ranked_tensor_type", "Byte size overflows")},
      {"element type without a width", type(5, 1, {4}), kVantroStatusInvalidArgument, ""},
      {"element type out of the table", type(kInt32Max, 1, {4}), kVantroStatusInvalidArgument,
       ""},
      {"negative element type", type(kInt32Min, 1, {4}), kVantroStatusInvalidArgument, ""},
  };
  const VantroRankedTensorTypeT good = FloatTensorType({8});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A successful call first discards what the previous case parked, which
    // an error of the same status with an empty message would take
    // over: each case shows its own message.
    VantroTensorBufferRequirementsT* requirements = nullptr;
    ASSERT_EQ(road_.table().get_input_requirements(invocation, 0, &good, &requirements),
              kVantroStatusOk);
    requirements = nullptr;
    std::string log;
    EXPECT_EQ(Captured(
                  [&] {
                    return road_.table().get_input_requirements(invocation, kInt32Min,
                                                                &c.tensor_type, &requirements);
                  },
                  &log),
              c.status);
    EXPECT_EQ(requirements, nullptr);
    EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to get tensor buffer requirements",
                                              c.message)));
  }
  // The largest sizes that do fit are answered.
  VantroTensorBufferRequirementsT* requirements = nullptr;
  const VantroRankedTensorTypeT big = type(3, 2, {kInt32Max, kInt32Max});
  ASSERT_EQ(road_.table().get_output_requirements(invocation, kInt32Max, &big, &requirements),
            kVantroStatusOk);
  EXPECT_EQ(road_.host().ReadRequirements(requirements)->buffer_size,
            uint64_t{kInt32Max} * uint64_t{kInt32Max});
  ExpectUsable(invocation);
}

TEST_F(HostileHostInputTest, AttachRefusesWhatItCannotBind) {
  VantroDispatchInvocationContextT* invocation = AddRelu();
  const VantroTensorBufferHandle good = road_.NewFloatBuffer(8);
  // Buffers that are never run: their memory is never touched.
  auto spec = [](int32_t buffer_type, size_t size, size_t offset, int32_t element_type = 1) {
    vantro::sim::TensorBufferSpec s;
    s.buffer_type = buffer_type;
    s.tensor_type = FloatTensorType({8});
    s.tensor_type.element_type = element_type;
    s.size = size;
    s.offset = offset;
    s.memory = reinterpret_cast<void*>(uintptr_t{0x10000});
    return s;
  };
  vantro::sim::TensorBufferSpec strided = spec(4, 32, 0);
  strided.tensor_type.layout.rank_and_flags |= 0x80;
  VantroTensorBufferHandle null_buffer = kHandleMax;
  ASSERT_EQ(road_.table().register_tensor_buffer(road_.device(), nullptr, &null_buffer),
            kVantroStatusOk);
  struct Case {
    const char* name;
    bool output;
    int32_t index;
    VantroTensorBufferHandle handle;
    VantroStatus status;
    const char* message;
  };
  const Case cases[] = {
      {"most negative index", false, kInt32Min, good, kVantroStatusRuntimeFailure,
       "Invalid graph_input_index"},
      {"largest index", true, kInt32Max, good, kVantroStatusRuntimeFailure,
       "Invalid graph_output_index"},
      {"largest handle", false, 0, kHandleMax, kVantroStatusNotFound, "Unexpected handle"},
      {"handle far past the slots", true, 0, uint64_t{1} << 40, kVantroStatusNotFound,
       "Unexpected handle"},
      {"registered null buffer", false, 0, null_buffer, kVantroStatusInvalidArgument,
       "vantro_dispatch_invocation_context"},
      {"largest size", false, 0, Register(spec(1, kSizeMax, 0)), kVantroStatusRuntimeFailure,
       "Host tensor buffer is too large for QNN"},
      {"4 GiB", true, 0, Register(spec(1, size_t{1} << 32, 0)), kVantroStatusRuntimeFailure,
       "Host tensor buffer is too large for QNN"},
      {"buffer kind 0", false, 0, Register(spec(0, 32, 0)), kVantroStatusRuntimeFailure,
       "Unsupported tensor buffer type"},
      {"buffer kind 2", false, 0, Register(spec(2, 32, 0)), kVantroStatusRuntimeFailure,
       "Unsupported tensor buffer type"},
      {"negative buffer kind", true, 0, Register(spec(-1, 32, 0)), kVantroStatusRuntimeFailure,
       "Unsupported tensor buffer type"},
      {"largest buffer kind", true, 0, Register(spec(kInt32Max, 32, 0)),
       kVantroStatusRuntimeFailure, "Unsupported tensor buffer type"},
      {"DmaBuf", false, 0, Register(spec(4, 32, 0)), kVantroStatusRuntimeFailure,
       "DmaBuf support is missing on this platform"},
      {"FastRPC", false, 1, Register(spec(5, 32, 0)), kVantroStatusRuntimeFailure,
       "FastRPC support is missing on this platform"},
      {"strided DmaBuf", true, 0, Register(strided), kVantroStatusRuntimeFailure,
       "Tensor strides are not supported by QNN"},
      {"DmaBuf of a string tensor", true, 0, Register(spec(4, 32, 0, 5)), kVantroStatusUnsupported,
       "Failed to legalize datatype"},
      {"DmaBuf of an unknown element type", true, 0, Register(spec(4, 32, 0, kInt32Min)),
       kVantroStatusUnsupported, "Failed to legalize datatype"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string log;
    EXPECT_EQ(Captured(
                  [&] {
                    return c.output ? road_.table().attach_output(invocation, c.index, c.handle)
                                    : road_.table().attach_input(invocation, c.index, c.handle);
                  },
                  &log),
              c.status);
    EXPECT_THAT(log, MatchesRegex(FailureLine(
                         c.output ? "Failed to attach output buffer" : "Failed to attach input buffer",
                         c.message)));
  }
  // Detach, like attach, checks the index only.
  for (int32_t index : {kInt32Min, -1, 2, kInt32Max}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(road_.table().detach_input(invocation, index, kHandleMax), kVantroStatusRuntimeFailure);
    EXPECT_EQ(road_.table().detach_output(invocation, index, kHandleMax),
              kVantroStatusRuntimeFailure);
  }
  ExpectUsable(invocation);
}

// A host memory buffer whose offset would carry its address past the end of
// the address space cannot be bound.
TEST_F(HostileHostInputTest, OffsetsThatWrapTheAddressSpaceAreRefused) {
  VantroDispatchInvocationContextT* invocation = AddRelu();
  vantro::sim::TensorBufferSpec spec;
  spec.tensor_type = FloatTensorType({8});
  spec.size = 32;
  spec.memory = reinterpret_cast<void*>(uintptr_t{0x10000});
  for (size_t offset : {kSizeMax, kSizeMax - 0xFFFF}) {
    SCOPED_TRACE(offset);
    spec.offset = offset;
    std::string log;
    const VantroTensorBufferHandle handle = Register(spec);
    EXPECT_EQ(Captured([&] { return road_.table().attach_input(invocation, 0, handle); }, &log),
              kVantroStatusRuntimeFailure);
    EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to attach input buffer",
                                              "Host tensor buffer offset is out of range")));
  }
  // The highest offset that still fits is bound (the buffer is not run).
  spec.offset = UINTPTR_MAX - 0x10000 - 32;
  const VantroTensorBufferHandle last = Register(spec);
  EXPECT_EQ(road_.table().attach_input(invocation, 0, last), kVantroStatusOk);
  ExpectUsable(invocation);
}

// A host memory buffer that reports no memory but an offset into it is
// refused, as a null bytecode base with an offset is: the offset taken as an
// address would hand QNN the bytes at 0x40. Without an offset the null
// stays null and QNN refuses the run.
TEST_F(HostileHostInputTest, NullHostMemoryWithAnOffsetIsRefused) {
  VantroHostApiTable table = *road_.host().table();
  table.get_tensor_buffer_host_memory = [](VantroTensorBufferT*, void** memory) -> VantroStatus {
    *memory = nullptr;
    return kVantroStatusOk;
  };
  VantroDispatchDeviceContextT* device = nullptr;
  ASSERT_EQ(road_.table().device_context_create(&table, nullptr, &device), kVantroStatusOk);
  const std::vector<uint8_t> bytecode = ReadFileBytes(ExampleModelPath("add_relu"));
  VantroMemBufferT record{};
  record.base_addr = bytecode.data();
  record.size = bytecode.size();
  VantroDispatchInvocationContextT* invocation = nullptr;
  std::string log;
  ASSERT_EQ(Captured(
                [&] {
                  return road_.table().invocation_context_create(nullptr, device, 0, &record,
                                                                 nullptr, 0, 0, &invocation);
                },
                &log),
            kVantroStatusOk);
  auto attach = [&](size_t offset) {
    vantro::sim::TensorBufferSpec spec;
    spec.tensor_type = FloatTensorType({8});
    spec.size = 32;
    spec.offset = offset;
    spec.memory = reinterpret_cast<void*>(uintptr_t{0x10000});  // reported as null
    VantroTensorBufferHandle handle = kHandleMax;
    EXPECT_EQ(road_.table().register_tensor_buffer(device, road_.host().NewTensorBuffer(spec),
                                                   &handle),
              kVantroStatusOk);
    return Captured([&] { return road_.table().attach_input(invocation, 0, handle); }, &log);
  };
  for (size_t offset : {size_t{64}, size_t{1}, kSizeMax}) {
    SCOPED_TRACE(offset);
    EXPECT_EQ(attach(offset), kVantroStatusRuntimeFailure);
    EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to attach input buffer",
                                              "Host tensor buffer offset is out of range\n")));
  }
  // No offset: bound as null, which QNN refuses when it runs.
  ASSERT_EQ(attach(0), kVantroStatusOk);
  VantroTensorBufferHandle b = kHandleMax;
  VantroTensorBufferHandle out = kHandleMax;
  vantro::sim::TensorBufferSpec spec;
  spec.tensor_type = FloatTensorType({8});
  spec.size = 32;
  road_.table().register_tensor_buffer(device, road_.host().NewTensorBuffer(spec), &b);
  road_.table().register_tensor_buffer(device, road_.host().NewTensorBuffer(spec), &out);
  EXPECT_EQ(road_.table().attach_input(invocation, 1, b), kVantroStatusOk);
  EXPECT_EQ(road_.table().attach_output(invocation, 0, out), kVantroStatusOk);
  EXPECT_EQ(Captured([&] { return road_.table().invoke(invocation); }, &log),
            kVantroStatusRuntimeFailure);
  EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to execute invocation context",
                                            "Failed to execute graph\n")));
  EXPECT_EQ(road_.table().invocation_context_destroy(invocation), kVantroStatusOk);
  EXPECT_EQ(road_.table().device_context_destroy(device), kVantroStatusOk);
  ExpectUsable(AddRelu());
}

// After unregister_tensor_buffer a handle names nothing: attaching it fails
// as an unknown handle does, instead of handing QNN the buffer that was
// unregistered (which the host may already have freed). A slot given to
// another buffer resolves again, to that buffer.
TEST_F(HostileHostInputTest, UnregisteredHandlesNoLongerResolve) {
  VantroDispatchInvocationContextT* invocation = AddRelu();
  const VantroTensorBufferHandle host_memory = road_.NewFloatBuffer(8);
  const VantroTensorBufferHandle dma_buffer = RegisterDmaBuf();
  ASSERT_EQ(road_.table().unregister_tensor_buffer(road_.device(), host_memory), kVantroStatusOk);
  ASSERT_EQ(road_.table().unregister_tensor_buffer(road_.device(), dma_buffer), kVantroStatusOk);
  struct Case {
    const char* name;
    bool output;
    VantroTensorBufferHandle handle;
  };
  const Case cases[] = {
      {"host memory as input", false, host_memory},
      {"host memory as output", true, host_memory},
      {"DmaBuf as input", false, dma_buffer},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string log;
    EXPECT_EQ(Captured(
                  [&] {
                    return c.output ? road_.table().attach_output(invocation, 0, c.handle)
                                    : road_.table().attach_input(invocation, 0, c.handle);
                  },
                  &log),
              kVantroStatusNotFound);
    EXPECT_THAT(log, MatchesRegex(FailureLine(
                         c.output ? "Failed to attach output buffer" : "Failed to attach input buffer",
                         "Unexpected handle\n")));
  }
  // The freed slot goes to the next buffer registered, and binds it.
  EXPECT_EQ(road_.NewFloatBuffer(8), host_memory);
  EXPECT_EQ(road_.table().attach_input(invocation, 0, host_memory), kVantroStatusOk);
  ExpectUsable(invocation);
}

TEST_F(HostileHostInputTest, MissingOrFailingHostEntriesAreReported) {
  VantroDispatchInvocationContextT* invocation = AddRelu();
  const VantroTensorBufferHandle host_memory = road_.NewFloatBuffer(8);
  const VantroTensorBufferHandle dma_buffer = RegisterDmaBuf();
  using vantro::sim::HostEntry;
  struct Case {
    const char* name;
    HostEntry entry;
    bool missing;  // null in the table, else failing with status 1000
    VantroTensorBufferHandle handle;
    VantroStatus status;
    std::string message;
  };
  // The bind's own host queries fail with an empty message located at the
  // invocation context; the QNN registration's say which query failed.
  const std::string bind = Located("vendors/qualcomm/dispatch/vantro_dispatch_invocation_context");
  const Case cases[] = {
      {"buffer type missing", HostEntry::kGetTensorBufferType, true, host_memory,
       kVantroStatusNotFound, bind},
      {"buffer type failing", HostEntry::kGetTensorBufferType, false, host_memory, 1000, bind},
      {"host memory missing", HostEntry::kGetTensorBufferHostMemory, true, host_memory,
       kVantroStatusNotFound, bind},
      {"size failing", HostEntry::kGetTensorBufferSize, false, host_memory, 1000, bind},
      {"offset missing", HostEntry::kGetTensorBufferOffset, true, host_memory,
       kVantroStatusNotFound, bind},
      {"tensor type missing", HostEntry::kGetTensorBufferTensorType, true, dma_buffer,
       kVantroStatusNotFound, "Failed to get tensor buffer's type\n"},
      {"tensor type failing", HostEntry::kGetTensorBufferTensorType, false, dma_buffer, 1000,
       "Failed to get tensor buffer's type\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.missing) {
      road_.host().SetEntryPresent(c.entry, false);
    } else {
      road_.host().FailEntry(c.entry, 1000);
    }
    std::string log;
    EXPECT_EQ(Captured([&] { return road_.table().attach_input(invocation, 0, c.handle); }, &log),
              c.status);
    EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to attach input buffer", c.message)));
    road_.host().SetEntryPresent(c.entry, true);
    road_.host().FailEntry(c.entry, kVantroStatusOk);
  }

  // Requirements without the host's entry.
  road_.host().SetEntryPresent(HostEntry::kCreateTensorBufferRequirements, false);
  const VantroRankedTensorTypeT type = FloatTensorType({8});
  VantroTensorBufferRequirementsT* requirements = nullptr;
  std::string log;
  EXPECT_EQ(Captured([&] {
              return road_.table().get_input_requirements(invocation, 0, &type, &requirements);
            }, &log),
            kVantroStatusRuntimeFailure);
  EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to get tensor buffer requirements",
                                            "Not implemented")));
  road_.host().SetEntryPresent(HostEntry::kCreateTensorBufferRequirements, true);

  // Options through missing option entries.
  const std::pair<HostEntry, std::string> option_entries[] = {
      {HostEntry::kGetOpaqueOptions,
       "Failed to get opaque options\n\xE2\x94\x94 " + Located("cc/internal/vantro_options_wrapper")},
      {HostEntry::kFindOpaqueOptionsData, "Failed to find Qualcomm options in VantroOptions\n"},
  };
  for (const auto& [entry, message] : option_entries) {
    SCOPED_TRACE(static_cast<int>(entry));
    road_.host().SetEntryPresent(entry, false);
    VantroOptionsT* options = road_.host().NewOptions();
    road_.host().SetOpaqueOptionsText(options, "qualcomm", "htp_performance_mode = 2\n");
    EXPECT_EQ(Captured([&] { return road_.table().invocation_context_set_options(invocation, options); },
                       &log),
              kVantroStatusNotFound);
    EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to set invocation context options", message)));
    road_.host().SetEntryPresent(entry, true);
  }
  ExpectUsable(invocation);
}

TEST_F(HostileHostInputTest, OptionsWithoutUsableData) {
  VantroDispatchInvocationContextT* invocation = AddRelu();
  struct Case {
    const char* name;
    bool null_data;
    std::string payload;
    VantroStatus status;
    const char* message;
  };
  const Case cases[] = {
      {"null data under qualcomm", true, "", kVantroStatusNotFound,
       "Failed to find Qualcomm options in VantroOptions"},
      {"binary garbage", false, std::string("\x01\xFF=\xFE\n[[[\n=\n\"\n", 12), kVantroStatusOk,
       ""},
      {"out-of-range integers", false, "htp_performance_mode = 99999999999999999999\n",
       kVantroStatusRuntimeFailure, "Failed to parse Qualcomm options from TOML payload"},
      {"a very long payload", false, std::string(1 << 20, '#'), kVantroStatusOk, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VantroOptionsT* options = road_.host().NewOptions();
    if (c.null_data) {
      road_.host().SetOpaqueOptionsPointer(options, "qualcomm", nullptr);
    } else {
      road_.host().SetOpaqueOptionsText(options, "qualcomm", c.payload);
    }
    std::string log;
    EXPECT_EQ(Captured([&] { return road_.table().invocation_context_set_options(invocation, options); },
                       &log),
              c.status);
    if (c.status != kVantroStatusOk) {
      EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to set invocation context options",
                                                c.message)));
    }
  }
  ExpectUsable(invocation);
}

// Orders the host contract does not forbid.
TEST_F(HostileHostInputTest, OperationsInUnusualOrder) {
  VantroDispatchInvocationContextT* invocation = AddRelu();
  std::string log;

  // Invoke with nothing attached: QNN refuses the tensors without memory.
  EXPECT_EQ(Captured([&] { return road_.table().invoke(invocation); }, &log),
            kVantroStatusRuntimeFailure);
  EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to execute invocation context",
                                            "Failed to execute graph")));

  // Detach before any attach, and twice.
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(road_.table().detach_input(invocation, 0, 0), kVantroStatusOk);
    EXPECT_EQ(road_.table().detach_output(invocation, 0, 0), kVantroStatusOk);
  }

  // Attach before asking for requirements, attach the same buffer to two
  // inputs, attach again over an attached tensor; then the run works.
  VantroTensorBufferT* a = nullptr;
  VantroTensorBufferT* out = nullptr;
  const VantroTensorBufferHandle ha = road_.NewFloatBuffer(8, &a);
  const VantroTensorBufferHandle hout = road_.NewFloatBuffer(8, &out);
  for (int i = 0; i < 8; ++i) road_.FloatData(a)[i] = static_cast<float>(i);
  EXPECT_EQ(road_.table().attach_input(invocation, 0, hout), kVantroStatusOk);
  EXPECT_EQ(road_.table().attach_input(invocation, 0, ha), kVantroStatusOk);
  EXPECT_EQ(road_.table().attach_input(invocation, 1, ha), kVantroStatusOk);
  EXPECT_EQ(road_.table().attach_output(invocation, 0, hout), kVantroStatusOk);
  EXPECT_EQ(Captured([&] { return road_.table().invoke(invocation); }, &log), kVantroStatusOk);
  EXPECT_EQ(road_.FloatData(out)[3], 6.0f);

  // Requirements after attach, then detach and invoke again: refused.
  const VantroRankedTensorTypeT type = FloatTensorType({8});
  VantroTensorBufferRequirementsT* requirements = nullptr;
  EXPECT_EQ(road_.table().get_input_requirements(invocation, 0, &type, &requirements),
            kVantroStatusOk);
  EXPECT_EQ(road_.table().detach_output(invocation, 0, hout), kVantroStatusOk);
  EXPECT_EQ(Captured([&] { return road_.table().invoke(invocation); }, &log),
            kVantroStatusRuntimeFailure);

  // Unregister a buffer that is attached elsewhere, twice, and one never
  // registered; registering again hands out a slot.
  EXPECT_EQ(road_.table().unregister_tensor_buffer(road_.device(), hout), kVantroStatusOk);
  EXPECT_EQ(road_.table().unregister_tensor_buffer(road_.device(), hout), kVantroStatusOk);
  EXPECT_EQ(Captured([&] { return road_.table().unregister_tensor_buffer(road_.device(), kHandleMax); },
                     &log),
            kVantroStatusNotFound);
  EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to unregister buffer", "Unexpected handle")));

  // Host record set, cleared, set again.
  const unsigned char record[kVantroHostRecordSize] = {0xFF};
  EXPECT_EQ(road_.table().invocation_context_set_host_record(invocation, record), kVantroStatusOk);
  EXPECT_EQ(road_.table().invocation_context_set_host_record(invocation, nullptr), kVantroStatusOk);
  EXPECT_EQ(road_.table().invocation_context_set_host_record(invocation, record), kVantroStatusOk);

  // Options reset on a context that never had any, twice.
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(Captured([&] { return road_.table().invocation_context_set_options(invocation, nullptr); },
                       &log),
              kVantroStatusOk);
  }
  ExpectUsable(invocation);
}

// The backend refusing a new performance mode keeps the context's previous
// options; refusing the reset drops them all the same.
TEST_F(HostileHostInputTest, SetOptionsWhenTheBackendRefuses) {
  VantroDispatchInvocationContextT* invocation = AddRelu();
  std::string log;
  VantroOptionsT* options = road_.host().NewOptions();
  road_.host().SetOpaqueOptionsText(options, "qualcomm",
                                    "htp_performance_mode = 2\nhtp_perf_ctrl_mode = 0\n");
  vantro::sim::FailCall("createPowerConfigId", 1001);
  EXPECT_EQ(Captured([&] { return road_.table().invocation_context_set_options(invocation, options); },
                     &log),
            kVantroStatusRuntimeFailure);
  EXPECT_THAT(log, MatchesRegex(FailureLine("Failed to set invocation context options",
                                            "Failed to set performance mode\\.")));
  // Accepted once QNN answers again; then a reset whose down vote QNN refuses
  // still succeeds (a vote's result is not examined).
  EXPECT_EQ(Captured([&] { return road_.table().invocation_context_set_options(invocation, options); },
                     &log),
            kVantroStatusOk);
  vantro::sim::FailCall("setPowerConfig", 1001, 0);
  EXPECT_EQ(Captured([&] { return road_.table().invocation_context_set_options(invocation, nullptr); },
                     &log),
            kVantroStatusOk);
  vantro::sim::ClearFailures();
  ExpectUsable(invocation);
}

// An environment whose options the host cannot give, or gives as null text.
TEST_F(HostileHostInputTest, InitializeWithUnusableEnvironment) {
  using vantro::sim::HostEntry;
  std::string log;
  {
    PluginRoad road;
    road.host().SetEntryPresent(HostEntry::kGetEnvironmentOptions, false);
    EXPECT_EQ(Captured([&] { return road.Initialize(PayloadWithSimLibraries()); }, &log),
              kVantroStatusOk);
  }
  {
    PluginRoad road;
    road.host().SetEntryPresent(HostEntry::kGetEnvironmentOption, false);
    EXPECT_EQ(Captured([&] { return road.Initialize(PayloadWithSimLibraries()); }, &log),
              kVantroStatusOk);
  }
  {
    PluginRoad road;
    VantroAnyT null_text{};
    null_text.type = vantro::sim::kVantroAnyTypeString;
    null_text.value.str_value = nullptr;
    road.host().SetEnvironmentOption(road.environment(), 1, null_text);
    EXPECT_EQ(Captured([&] { return road.Initialize(PayloadWithSimLibraries()); }, &log),
              kVantroStatusOk);
  }
  {
    PluginRoad road;
    road.host().SetEntryPresent(HostEntry::kGetOpaqueOptions, false);
    // Without the payload there is no library directory: whether the
    // libraries are found then is the platform's affair.
    Captured([&] { return road.Initialize(""); }, &log);
    EXPECT_THAT(log, HasSubstr("Failed to parse qnn options, using default settings. Null "
                               "Qualcomm options"));
  }
  // A null environment handle: the host's query refuses it.
  CaptureStderr();
  VantroOptionsT* options = road_.host().NewOptions();
  road_.host().SetOpaqueOptionsText(options, "qualcomm", PayloadWithSimLibraries());
  EXPECT_EQ(road_.table().initialize(road_.host().table(), nullptr, options), kVantroStatusOk);
  GetCapturedStderr();
  // The device opened before these initialisations belongs to the manager
  // they replaced: open a new one for the check.
  PluginRoad road;
  CaptureStderr();
  ASSERT_EQ(road.Initialize(PayloadWithSimLibraries()), kVantroStatusOk);
  GetCapturedStderr();
  road.OpenDevice();
  VantroDispatchInvocationContextT* invocation = nullptr;
  CaptureStderr();
  ASSERT_EQ(road.CreateInvocation(ReadFileBytes(ExampleModelPath("add_relu")), nullptr, &invocation),
            kVantroStatusOk);
  GetCapturedStderr();
}

}  // namespace
}  // namespace vantro::testing
