// Invocation contexts through the export: graph choice, output order with
// dump outputs, profile handles, JIT handles, buffer requirements and
// attachment.
#include <cstring>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/plugin_harness.h"

namespace vantro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class DispatchInvocationTest : public ::testing::Test {
 protected:
  void SetUp() override { vantro::sim::Reset(); }

  // Initialises with `extra` payload lines and opens a device.
  void Start(const std::string& extra = "") {
    CaptureStderr();
    ASSERT_EQ(road_.Initialize(PayloadWithSimLibraries(extra)), kVantroStatusOk);
    GetCapturedStderr();
    road_.OpenDevice();
  }

  VantroStatus Create(const std::string& model, const char* function,
                      VantroDispatchInvocationContextT** out, std::string* log = nullptr) {
    CaptureStderr();
    const VantroStatus status = road_.CreateInvocation(ReadFileBytes(ExampleModelPath(model)),
                                                       function, out);
    const std::string text = GetCapturedStderr();
    if (log != nullptr) *log = text;
    return status;
  }

  PluginRoad road_;
};

TEST_F(DispatchInvocationTest, ChoosesTheGraphByFunctionName) {
  Start();
  struct Case {
    const char* name;
    const char* model;
    const char* function;
    VantroStatus expected;
  };
  const Case cases[] = {
      {"single graph, null name", "add_relu", nullptr, kVantroStatusOk},
      {"single graph, empty name", "add_relu", "", kVantroStatusOk},
      {"single graph, its name", "add_relu", "add_relu", kVantroStatusOk},
      {"single graph, other name", "add_relu", "other", kVantroStatusRuntimeFailure},
      {"two graphs, null name", "two_graphs", nullptr, kVantroStatusRuntimeFailure},
      {"two graphs, empty name", "two_graphs", "", kVantroStatusRuntimeFailure},
      {"two graphs, second", "two_graphs", "square", kVantroStatusOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VantroDispatchInvocationContextT* invocation = nullptr;
    std::string log;
    EXPECT_EQ(Create(c.model, c.function, &invocation, &log), c.expected);
    if (c.expected != kVantroStatusOk) {
      // The whole failure line, with the case's function name (empty for
      // null); %p: "0x..." with glibc, bare hex digits on Windows.
      EXPECT_THAT(log, MatchesRegex(std::string("(.|\n)*ERROR: \\[dispatch_api:[0-9]+\\] Failed "
                                                "to create context from context binary: Function "
                                                "name not found for function ") +
                                    (c.function != nullptr ? c.function : "") +
                                    ", base address: (0x)?[0-9a-fA-F]+, size: [0-9]+\n"));
      EXPECT_EQ(invocation, nullptr);
    }
  }
}

TEST_F(DispatchInvocationTest, DumpOutputsComeLast) {
  Start();
  VantroDispatchInvocationContextT* invocation = nullptr;
  ASSERT_EQ(Create("relu_dump", nullptr, &invocation), kVantroStatusOk);
  // Output 0 is "out" (graph order: x_dump, out); run and check it holds relu(x).
  VantroTensorBufferT* input = nullptr;
  VantroTensorBufferT* output = nullptr;
  const VantroTensorBufferHandle in = road_.NewFloatBuffer(6, &input);
  const VantroTensorBufferHandle out = road_.NewFloatBuffer(6, &output);
  const float x[6] = {-1, 2, -3, 4, 0, -0.5f};
  std::memcpy(road_.FloatData(input), x, sizeof(x));
  ASSERT_EQ(road_.table().attach_input(invocation, 0, in), kVantroStatusOk);
  ASSERT_EQ(road_.table().attach_output(invocation, 0, out), kVantroStatusOk);
  CaptureStderr();
  ASSERT_EQ(road_.table().invoke(invocation), kVantroStatusOk);
  GetCapturedStderr();
  EXPECT_THAT(std::vector<float>(road_.FloatData(output), road_.FloatData(output) + 6),
              ElementsAre(0, 2, 0, 4, 0, 0));
  // The dump output is index 1 and can be attached too.
  EXPECT_EQ(road_.table().attach_output(invocation, 1, out), kVantroStatusOk);
  EXPECT_EQ(road_.table().attach_output(invocation, 2, out), kVantroStatusRuntimeFailure);
}

TEST_F(DispatchInvocationTest, AnOutputNamedDumpButNotReadableKeepsItsPlace) {
  Start();
  vantro::sim::ContextBinary binary;
  vantro::sim::ContextBinaryGraph graph;
  graph.name = "g";
  auto tensor = [](uint32_t id, const char* name, uint32_t type) {
    vantro::sim::ContextBinaryTensor t;
    t.id = id;
    t.name = name;
    t.type = type;
    t.dimensions = {2};
    return t;
  };
  graph.tensors = {tensor(1, "x", QNN_TENSOR_TYPE_APP_WRITE),
                   tensor(2, "a", QNN_TENSOR_TYPE_APP_READ),
                   tensor(3, "b_dump", QNN_TENSOR_TYPE_APP_READWRITE),
                   tensor(4, "c", QNN_TENSOR_TYPE_APP_READ)};
  graph.inputs = {1};
  graph.outputs = {2, 3, 4};
  vantro::sim::ContextBinaryOp copy;
  copy.kind = vantro::sim::OpKind::kCopy;
  copy.inputs = {1};
  for (uint32_t id : {2u, 3u, 4u}) {
    copy.outputs = {id};
    graph.ops.push_back(copy);
  }
  binary.graphs.push_back(graph);
  VantroDispatchInvocationContextT* invocation = nullptr;
  CaptureStderr();
  ASSERT_EQ(road_.CreateInvocation(vantro::sim::WriteContextBinary(binary), nullptr, &invocation),
            kVantroStatusOk);
  GetCapturedStderr();
  // All three are ordinary outputs: each index binds and an invoke with all
  // of them attached succeeds.
  const VantroTensorBufferHandle in = road_.NewFloatBuffer(2);
  ASSERT_EQ(road_.table().attach_input(invocation, 0, in), kVantroStatusOk);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(road_.table().attach_output(invocation, i, road_.NewFloatBuffer(2)), kVantroStatusOk);
  }
  CaptureStderr();
  EXPECT_EQ(road_.table().invoke(invocation), kVantroStatusOk);
  EXPECT_THAT(GetCapturedStderr(), ::testing::Not(HasSubstr("dump")));
}

TEST_F(DispatchInvocationTest, ProfilingCreatesOneProfilePerInvocationAndReleasesThem) {
  const int before = vantro::sim::LiveHandles()["profile"];
  {
    PluginRoad road;
    CaptureStderr();
    ASSERT_EQ(road.Initialize(PayloadWithSimLibraries("profiling = 1\n")), kVantroStatusOk);
    road.OpenDevice();
    const std::vector<uint8_t> bytes = ReadFileBytes(ExampleModelPath("add_relu"));
    VantroMemBufferT record{};
    record.base_addr = bytes.data();
    record.size = bytes.size();
    VantroDispatchInvocationContextT* first = nullptr;
    VantroDispatchInvocationContextT* second = nullptr;
    ASSERT_EQ(road.table().invocation_context_create(nullptr, road.device(), 0, &record, nullptr,
                                                     0, 0, &first),
              kVantroStatusOk);
    ASSERT_EQ(road.table().invocation_context_create(nullptr, road.device(), 0, &record, nullptr,
                                                     0, 0, &second),
              kVantroStatusOk);
    GetCapturedStderr();
    EXPECT_EQ(vantro::sim::CountCalls("profileCreate"), 2u);
    EXPECT_EQ(vantro::sim::CountCalls("contextCreateFromBinary"), 1u);
    EXPECT_EQ(vantro::sim::LiveHandles()["profile"], before + 2);
    road.table().invocation_context_destroy(second);
    // The second profile belonged to the invocation alone.
    EXPECT_EQ(vantro::sim::LiveHandles()["profile"], before + 1);
    road.table().invocation_context_destroy(first);
  }
  // The first one went with the cached QNN context.
  EXPECT_EQ(vantro::sim::LiveHandles()["profile"], before);
}

TEST_F(DispatchInvocationTest, FailedCreationStepsReportTheirMessages) {
  Start("profiling = 1\n");
  struct Case {
    const char* name;
    const char* call;
    VantroStatus status;
    const char* message;
  };
  const Case cases[] = {
      {"binary info", "systemContextGetBinaryInfo", kVantroStatusRuntimeFailure,
       "Failed to get context binary info"},
      {"profile", "profileCreate", kVantroStatusRuntimeFailure, "Failed to create profile handle"},
      {"context", "contextCreateFromBinary", kVantroStatusRuntimeFailure,
       "Failed to create QNN context"},
      {"graph", "graphRetrieve", kVantroStatusRuntimeFailure, "Failed to retrieve graph"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int profiles = vantro::sim::LiveHandles()["profile"];
    vantro::sim::FailCall(c.call, 11);
    VantroDispatchInvocationContextT* invocation = nullptr;
    std::string log;
    // A fresh copy each time, so the cache never answers.
    EXPECT_EQ(Create("add_relu", nullptr, &invocation, &log), c.status);
    EXPECT_THAT(log, HasSubstr(c.message));
    vantro::sim::ClearFailures();
    if (std::string(c.call) != "graphRetrieve") {
      EXPECT_EQ(vantro::sim::LiveHandles()["profile"], profiles) << "no profile handle leaks";
    }
  }
}

TEST_F(DispatchInvocationTest, JitHandleMustNotBeNull) {
  Start();
  VantroMemBufferT record{};
  VantroDispatchInvocationContextT* invocation = nullptr;
  CaptureStderr();
  EXPECT_EQ(road_.table().invocation_context_create(nullptr, road_.device(), 3, &record, nullptr,
                                                    0, 0, &invocation),
            kVantroStatusInvalidArgument);
  EXPECT_THAT(GetCapturedStderr(), HasSubstr("Failed to create context from context binary: "
                                             "Invalid JIT handle for function , base address: "));
}

TEST_F(DispatchInvocationTest, RequirementsFollowTheTensorTypeAndBackend) {
  Start();
  VantroDispatchInvocationContextT* invocation = nullptr;
  ASSERT_EQ(Create("add_relu", nullptr, &invocation), kVantroStatusOk);
  auto type = [](int32_t element_type, std::vector<int32_t> dimensions) {
    VantroRankedTensorTypeT t = FloatTensorType(dimensions);
    t.element_type = element_type;
    return t;
  };
  VantroRankedTensorTypeT strided = type(1, {4});
  strided.layout.rank_and_flags |= 0x80;
  VantroRankedTensorTypeT rank9 = type(1, {1, 1, 1, 1, 1, 1, 1, 1});
  rank9.layout.rank_and_flags = 9;
  VantroRankedTensorTypeT negative = type(1, {2, -3});

  struct Case {
    const char* name;
    VantroRankedTensorTypeT tensor_type;
    VantroStatus status;
    size_t bytes;
  };
  const Case cases[] = {
      {"float32 image", type(1, {1, 224, 224, 3}), kVantroStatusOk, 602112},
      {"scalar", type(1, {}), kVantroStatusOk, 4},
      {"int4 rounds up", type(18, {5}), kVantroStatusOk, 3},
      {"int2 rounds up", type(20, {5}), kVantroStatusOk, 2},
      {"bfloat16", type(19, {3}), kVantroStatusOk, 6},
      {"string has no width", type(5, {2}), kVantroStatusInvalidArgument, 0},
      {"rank above 8", rank9, kVantroStatusInvalidArgument, 0},
      {"negative dimension", negative, kVantroStatusInvalidArgument, 0},
      {"strides", strided, kVantroStatusRuntimeFailure, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VantroTensorBufferRequirementsT* requirements = nullptr;
    CaptureStderr();
    EXPECT_EQ(road_.table().get_output_requirements(invocation, 0, &c.tensor_type, &requirements),
              c.status);
    const std::string log = GetCapturedStderr();
    if (c.status != kVantroStatusOk) {
      EXPECT_THAT(log, HasSubstr("] Failed to get tensor buffer requirements: "));
      continue;
    }
    auto read = road_.host().ReadRequirements(requirements);
    ASSERT_TRUE(read.has_value());
    EXPECT_THAT(read->buffer_types, ElementsAre(1));
    EXPECT_EQ(read->buffer_size, c.bytes);
    EXPECT_TRUE(read->strides.empty());
  }
}

TEST_F(DispatchInvocationTest, StringRequirementsFailWithAnEmptyMessage) {
  Start();
  VantroDispatchInvocationContextT* invocation = nullptr;
  ASSERT_EQ(Create("add_relu", nullptr, &invocation), kVantroStatusOk);
  VantroRankedTensorTypeT t = FloatTensorType({2});
  t.element_type = 5;
  VantroTensorBufferRequirementsT* requirements = nullptr;
  CaptureStderr();
  EXPECT_EQ(road_.table().get_input_requirements(invocation, 0, &t, &requirements),
            kVantroStatusInvalidArgument);
  EXPECT_THAT(GetCapturedStderr(),
              MatchesRegex("ERROR: \\[dispatch_api:[0-9]+\\] Failed to get tensor buffer "
                           "requirements: \n"));
}

TEST_F(DispatchInvocationTest, GpuBackendOffersDmaBufOnly) {
  Start("qnn_backend = 1\n");
  VantroDispatchInvocationContextT* invocation = nullptr;
  ASSERT_EQ(Create("add_relu", nullptr, &invocation), kVantroStatusOk);
  const VantroRankedTensorTypeT t = FloatTensorType({8});
  VantroTensorBufferRequirementsT* requirements = nullptr;
  ASSERT_EQ(road_.table().get_input_requirements(invocation, 0, &t, &requirements),
            kVantroStatusOk);
  EXPECT_THAT(road_.host().ReadRequirements(requirements)->buffer_types, ElementsAre(4));
}

TEST_F(DispatchInvocationTest, HostFailureToCreateRequirementsIsNotImplemented) {
  Start();
  VantroDispatchInvocationContextT* invocation = nullptr;
  ASSERT_EQ(Create("add_relu", nullptr, &invocation), kVantroStatusOk);
  road_.host().FailEntry(vantro::sim::HostEntry::kCreateTensorBufferRequirements,
                         kVantroStatusNotFound);
  const VantroRankedTensorTypeT t = FloatTensorType({8});
  VantroTensorBufferRequirementsT* requirements = nullptr;
  CaptureStderr();
  EXPECT_EQ(road_.table().get_input_requirements(invocation, 0, &t, &requirements),
            kVantroStatusRuntimeFailure);
  EXPECT_THAT(GetCapturedStderr(), HasSubstr("requirements: Not implemented\n"));
}

TEST_F(DispatchInvocationTest, AttachRefusesBadIndicesHandlesAndBuffers) {
  Start();
  VantroDispatchInvocationContextT* invocation = nullptr;
  ASSERT_EQ(Create("add_relu", nullptr, &invocation), kVantroStatusOk);
  const VantroTensorBufferHandle good = road_.NewFloatBuffer(8);
  auto buffer = [this](int32_t buffer_type, size_t size) {
    vantro::sim::TensorBufferSpec spec;
    spec.buffer_type = buffer_type;
    spec.tensor_type = FloatTensorType({8});
    spec.size = size;
    spec.memory = reinterpret_cast<void*>(0x1000);  // never touched
    VantroTensorBufferHandle handle = 0;
    road_.table().register_tensor_buffer(road_.device(), road_.host().NewTensorBuffer(spec),
                                         &handle);
    return handle;
  };
  struct Case {
    const char* name;
    bool output;
    int32_t index;
    VantroTensorBufferHandle handle;
    VantroStatus status;
    const char* message;
  };
  const Case cases[] = {
      {"input -1", false, -1, good, kVantroStatusRuntimeFailure, "Invalid graph_input_index"},
      {"input past the end", false, 2, good, kVantroStatusRuntimeFailure,
       "Invalid graph_input_index"},
      {"output past the end", true, 1, good, kVantroStatusRuntimeFailure,
       "Invalid graph_output_index"},
      {"unknown handle", false, 0, 1000, kVantroStatusNotFound, "Unexpected handle"},
      {"4 GiB host buffer", false, 0, buffer(1, size_t{1} << 32), kVantroStatusRuntimeFailure,
       "Host tensor buffer is too large for QNN"},
      {"DmaBuf", false, 0, buffer(4, 32), kVantroStatusRuntimeFailure,
       "DmaBuf support is missing on this platform"},
      {"FastRPC", true, 0, buffer(5, 32), kVantroStatusRuntimeFailure,
       "FastRPC support is missing on this platform"},
      {"unknown kind", true, 0, buffer(9, 32), kVantroStatusRuntimeFailure,
       "Unsupported tensor buffer type"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaptureStderr();
    const VantroStatus status = c.output
                                    ? road_.table().attach_output(invocation, c.index, c.handle)
                                    : road_.table().attach_input(invocation, c.index, c.handle);
    const std::string log = GetCapturedStderr();
    EXPECT_EQ(status, c.status);
    EXPECT_THAT(log, HasSubstr(c.output ? "] Failed to attach output buffer: "
                                        : "] Failed to attach input buffer: "));
    EXPECT_THAT(log, HasSubstr(c.message));
  }
  EXPECT_EQ(road_.table().attach_input(nullptr, 0, good), kVantroStatusInvalidArgument);
  EXPECT_EQ(road_.table().invocation_context_set_host_record(nullptr, nullptr),
            kVantroStatusInvalidArgument);
  const unsigned char record[40] = {1};
  EXPECT_EQ(road_.table().invocation_context_set_host_record(invocation, record), kVantroStatusOk);
}

TEST_F(DispatchInvocationTest, OffsetIsAddedAndDetachUnbinds) {
  Start();
  VantroDispatchInvocationContextT* invocation = nullptr;
  ASSERT_EQ(Create("add_relu", nullptr, &invocation), kVantroStatusOk);
  // Input a lives 64 bytes into its buffer.
  std::vector<float> memory(16 + 8, -100.0f);
  for (int i = 0; i < 8; ++i) memory[16 + i] = static_cast<float>(i);
  vantro::sim::TensorBufferSpec spec;
  spec.tensor_type = FloatTensorType({8});
  spec.size = 32;
  spec.offset = 64;
  spec.memory = memory.data();
  VantroTensorBufferHandle a = 0;
  road_.table().register_tensor_buffer(road_.device(), road_.host().NewTensorBuffer(spec), &a);
  VantroTensorBufferT* b_buffer = nullptr;
  VantroTensorBufferT* out_buffer = nullptr;
  const VantroTensorBufferHandle b = road_.NewFloatBuffer(8, &b_buffer);
  const VantroTensorBufferHandle out = road_.NewFloatBuffer(8, &out_buffer);
  for (int i = 0; i < 8; ++i) road_.FloatData(b_buffer)[i] = -3.0f;
  ASSERT_EQ(road_.table().attach_input(invocation, 0, a), kVantroStatusOk);
  ASSERT_EQ(road_.table().attach_input(invocation, 1, b), kVantroStatusOk);
  ASSERT_EQ(road_.table().attach_output(invocation, 0, out), kVantroStatusOk);
  CaptureStderr();
  ASSERT_EQ(road_.table().invoke(invocation), kVantroStatusOk);
  GetCapturedStderr();
  EXPECT_THAT(std::vector<float>(road_.FloatData(out_buffer), road_.FloatData(out_buffer) + 8),
              ElementsAreArray({0, 0, 0, 0, 1, 2, 3, 4}));

  // Detached tensors have no buffer, so QNN refuses the run.
  EXPECT_EQ(road_.table().detach_input(invocation, 1, b), kVantroStatusOk);
  EXPECT_EQ(road_.table().detach_input(invocation, 1, b), kVantroStatusOk) << "twice is fine";
  EXPECT_EQ(road_.table().detach_output(invocation, 3, out), kVantroStatusRuntimeFailure);
  CaptureStderr();
  EXPECT_EQ(road_.table().invoke(invocation), kVantroStatusRuntimeFailure);
  EXPECT_THAT(GetCapturedStderr(),
              HasSubstr("Failed to execute invocation context: Failed to execute graph"));
}

}  // namespace
}  // namespace vantro::testing
