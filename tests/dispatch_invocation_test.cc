// Invocation contexts through the export: graph choice, output order with
// dump outputs, profile handles, JIT handles, buffer requirements and
// attachment.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "absl/strings/str_cat.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/context_binary_support.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/sim_jit_graph.h"

namespace vantro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::Not;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;
using vantro::sim::ContextBinary;
using vantro::sim::ContextBinaryGraph;
using vantro::sim::ContextBinaryTensor;
using vantro::sim::OpKind;

// Graph `name`: out (id 2) = x (id 1), or x * x when `square`; four floats.
ContextBinaryGraph UnaryGraph(const std::string& name, bool square) {
  ContextBinaryGraph graph;
  graph.name = name;
  graph.tensors = {SimTensor(1, "x", QNN_TENSOR_TYPE_APP_WRITE),
                   SimTensor(2, "out", QNN_TENSOR_TYPE_APP_READ)};
  graph.inputs = {1};
  graph.outputs = {2};
  graph.ops = {square ? SimOp(OpKind::kMul, {1, 1}, {2}) : SimOp(OpKind::kCopy, {1}, {2})};
  return graph;
}

// The detail text of the last call named `name` since ClearCalls().
std::string LastDetail(const std::string& name) {
  std::string detail = "<no " + name + ">";
  for (const vantro::sim::Call& call : vantro::sim::Calls()) {
    if (call.name == name) detail = call.detail;
  }
  return detail;
}

// The example add_relu as the simulation reads it.
ContextBinary AddReluBinary() {
  const std::vector<uint8_t> bytes = ReadFileBytes(ExampleModelPath("add_relu"));
  ContextBinary binary;
  std::string error;
  EXPECT_TRUE(vantro::sim::ReadContextBinary(bytes.data(), bytes.size(), &binary, &error)) << error;
  return binary;
}

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

TEST_F(DispatchInvocationTest, AnUnnamedGraphAnswersANullOrEmptyFunctionName) {
  Start();
  struct Case {
    const char* name;
    std::vector<ContextBinaryGraph> graphs;
    const char* function;
    const char* retrieved;  // the name graphRetrieve is asked for, null when creation fails
    bool square;            // which of the two computations ran
  };
  const Case cases[] = {
      {"two graphs, null name", {UnaryGraph("square", true), UnaryGraph("", false)}, nullptr, "",
       false},
      {"two graphs, empty name", {UnaryGraph("square", true), UnaryGraph("", false)}, "", "",
       false},
      {"two graphs, the named one", {UnaryGraph("square", true), UnaryGraph("", false)}, "square",
       "square", true},
      {"one unnamed graph, null name", {UnaryGraph("", true)}, nullptr, "", true},
      {"one unnamed graph, another name", {UnaryGraph("", true)}, "square", nullptr, false},
  };
  const float x[4] = {1.5f, -2, 3, 0.5f};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ContextBinary binary;
    binary.graphs = c.graphs;
    vantro::sim::ClearCalls();
    VantroDispatchInvocationContextT* invocation = nullptr;
    CaptureStderr();
    const VantroStatus status =
        road_.CreateInvocation(vantro::sim::WriteContextBinary(binary), c.function, &invocation);
    const std::string log = GetCapturedStderr();
    if (c.retrieved == nullptr) {
      EXPECT_EQ(status, kVantroStatusRuntimeFailure);
      EXPECT_THAT(log, HasSubstr("context binary: Function name not found for function square, "));
      continue;
    }
    ASSERT_EQ(status, kVantroStatusOk) << log;
    EXPECT_THAT(LastDetail("graphRetrieve"), EndsWith(absl::StrCat(" name=\"", c.retrieved, "\"")));
    VantroTensorBufferT* in = nullptr;
    VantroTensorBufferT* out = nullptr;
    const VantroTensorBufferHandle in_handle = road_.NewFloatBuffer(4, &in);
    const VantroTensorBufferHandle out_handle = road_.NewFloatBuffer(4, &out);
    std::memcpy(road_.FloatData(in), x, sizeof(x));
    ASSERT_EQ(road_.table().attach_input(invocation, 0, in_handle), kVantroStatusOk);
    ASSERT_EQ(road_.table().attach_output(invocation, 0, out_handle), kVantroStatusOk);
    ASSERT_EQ(road_.table().invoke(invocation), kVantroStatusOk);
    const std::vector<float> expected =
        c.square ? std::vector<float>{2.25f, 4, 9, 0.25f} : std::vector<float>(x, x + 4);
    EXPECT_THAT(std::vector<float>(road_.FloatData(out), road_.FloatData(out) + 4),
                ElementsAreArray(expected));
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

TEST_F(DispatchInvocationTest, JitHandleBindsItsGraphWithoutProfileCacheOrFunctionName) {
  // Profiling on: a JIT graph gets no profile handle all the same.
  Start("profiling = 1\n");
  SimJitGraph jit(AddReluBinary(), "add_relu");
  vantro::sim::ClearCalls();
  VantroDispatchInvocationContextT* invocation = nullptr;
  CaptureStderr();
  ASSERT_EQ(road_.CreateJitInvocation(&jit.handle(), "not_a_graph_name", &invocation),
            kVantroStatusOk);
  EXPECT_THAT(GetCapturedStderr(), Not(HasSubstr("QNN context for bytecode")));
  EXPECT_THAT(vantro::sim::CallNames(), ElementsAre("graphRetrieve"));
  EXPECT_EQ(LastDetail("graphRetrieve"),
            absl::StrCat("context=0x", absl::Hex(reinterpret_cast<uintptr_t>(jit.handle().context)),
                         " name=\"add_relu\""));

  VantroTensorBufferT* a = nullptr;
  VantroTensorBufferT* b = nullptr;
  VantroTensorBufferT* out = nullptr;
  const VantroTensorBufferHandle a_handle = road_.NewFloatBuffer(8, &a);
  const VantroTensorBufferHandle b_handle = road_.NewFloatBuffer(8, &b);
  const VantroTensorBufferHandle out_handle = road_.NewFloatBuffer(8, &out);
  for (int i = 0; i < 8; ++i) {
    road_.FloatData(a)[i] = static_cast<float>(i) - 4;
    road_.FloatData(b)[i] = 1.5f;
  }
  ASSERT_EQ(road_.table().attach_input(invocation, 0, a_handle), kVantroStatusOk);
  ASSERT_EQ(road_.table().attach_input(invocation, 1, b_handle), kVantroStatusOk);
  ASSERT_EQ(road_.table().attach_output(invocation, 0, out_handle), kVantroStatusOk);
  CaptureStderr();
  EXPECT_EQ(road_.table().attach_output(invocation, 1, out_handle), kVantroStatusRuntimeFailure)
      << "one output";
  GetCapturedStderr();
  CaptureStderr();
  ASSERT_EQ(road_.table().invoke(invocation), kVantroStatusOk);
  EXPECT_THAT(GetCapturedStderr(), Not(HasSubstr("Execute Stats")));
  EXPECT_THAT(std::vector<float>(road_.FloatData(out), road_.FloatData(out) + 8),
              ElementsAreArray(std::vector<float>{0, 0, 0, 0.5f, 1.5f, 2.5f, 3.5f, 4.5f}));
  EXPECT_EQ(vantro::sim::CountCalls("profileCreate"), 0u);
  EXPECT_EQ(vantro::sim::CountCalls("contextCreateFromBinary"), 0u);
}

TEST_F(DispatchInvocationTest, JitGraphThatCannotBeRetrievedFails) {
  Start();
  SimJitGraph present(AddReluBinary(), "add_relu");
  SimJitGraph missing(AddReluBinary(), "no_such_graph");
  struct Case {
    const char* name;
    const SimJitGraph& jit;
    const char* fail_call;
  };
  const Case cases[] = {
      {"graph not in the context", missing, nullptr},
      {"QNN refuses the retrieval", present, "graphRetrieve"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.fail_call != nullptr) vantro::sim::FailCall(c.fail_call, 1002);
    VantroDispatchInvocationContextT* invocation = nullptr;
    CaptureStderr();
    EXPECT_EQ(road_.CreateJitInvocation(&c.jit.handle(), "f", &invocation),
              kVantroStatusRuntimeFailure);
    // %p: "0x..." with glibc, bare hex digits on Windows; a JIT record has no size.
    EXPECT_THAT(GetCapturedStderr(),
                MatchesRegex("ERROR: \\[dispatch_api:[0-9]+\\] Failed to create context from "
                             "context binary: Failed to retrieve graph from JIT handle for "
                             "function f, base address: (0x)?[0-9a-fA-F]+, size: 0\n"));
    EXPECT_EQ(invocation, nullptr);
    vantro::sim::ClearFailures();
  }
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

TEST_F(DispatchInvocationTest, LayoutErrorsAreLocatedAtTheLayoutAndAgainAtTheSize) {
  Start();
  VantroDispatchInvocationContextT* invocation = nullptr;
  ASSERT_EQ(Create("add_relu", nullptr, &invocation), kVantroStatusOk);
  VantroRankedTensorTypeT rank9 = FloatTensorType({1, 1, 1, 1, 1, 1, 1, 1});
  rank9.layout.rank_and_flags = 9;
  const int32_t big = 0x7FFFFFFF;
  struct Case {
    const char* name;
    VantroRankedTensorTypeT tensor_type;
    const char* cause;  // regex of the layout's own message
  };
  const Case cases[] = {
      {"rank above 8", rank9, "[^\n]*9[^\n]*"},
      {"negative dimension", FloatTensorType({2, -3}), "[^\n]*-3[^\n]*"},
      {"element count overflows", FloatTensorType({big, big, big, big, big, big, big, big}),
       "[^\n]+"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VantroTensorBufferRequirementsT* requirements = nullptr;
    CaptureStderr();
    EXPECT_EQ(road_.table().get_input_requirements(invocation, 0, &c.tensor_type, &requirements),
              kVantroStatusInvalidArgument);
    EXPECT_THAT(GetCapturedStderr(),
                MatchesRegex(absl::StrCat(
                    "ERROR: \\[dispatch_api:[0-9]+\\] Failed to get tensor buffer requirements: "
                    "ERROR: \\[cc/vantro_ranked_tensor_type:[0-9]+\\]\n\xE2\x94\x94 "
                    "ERROR: \\[cc/vantro_layout:[0-9]+\\]\n\xE2\x94\x94 ",
                    c.cause, "\n")));
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

TEST_F(DispatchInvocationTest, DynamicDimensionsAndUnknownTensorVersionsAreRefused) {
  Start();
  // Tensors as QNN may describe them: version 2 with dynamic dimensions,
  // a version QNN does not define, and plain version 2.
  auto described = [](ContextBinaryTensor t, uint32_t version, std::vector<uint8_t> dynamic) {
    t.record_version = version;
    t.dynamic_dimensions = std::move(dynamic);
    return t;
  };
  ContextBinaryGraph graph;
  graph.name = "g";
  graph.tensors = {described(SimTensor(1, "p", QNN_TENSOR_TYPE_APP_WRITE), 2, {1}),
                   described(SimTensor(2, "q", QNN_TENSOR_TYPE_APP_WRITE), 3, {}),
                   described(SimTensor(3, "r", QNN_TENSOR_TYPE_APP_WRITE), 2, {}),
                   described(SimTensor(4, "p_out", QNN_TENSOR_TYPE_APP_READ), 2, {1}),
                   described(SimTensor(5, "q_out", QNN_TENSOR_TYPE_APP_READ), 3, {}),
                   described(SimTensor(6, "r_out", QNN_TENSOR_TYPE_APP_READ), 2, {})};
  graph.inputs = {1, 2, 3};
  graph.outputs = {4, 5, 6};
  graph.ops = {SimOp(OpKind::kCopy, {1}, {4}), SimOp(OpKind::kCopy, {2}, {5}),
               SimOp(OpKind::kCopy, {3}, {6})};
  ContextBinary binary;
  binary.graphs = {graph};
  VantroDispatchInvocationContextT* invocation = nullptr;
  CaptureStderr();
  ASSERT_EQ(road_.CreateInvocation(vantro::sim::WriteContextBinary(binary), nullptr, &invocation),
            kVantroStatusOk);
  GetCapturedStderr();

  struct Case {
    const char* name;
    bool output;
    int32_t index;
    const char* attach_error;  // null: the attach succeeds
    VantroStatus detach_status;
  };
  const Case cases[] = {
      {"input, dynamic dimensions", false, 0, "Dynamic dimensions not yet supported",
       kVantroStatusOk},
      {"input, version 3", false, 1, "Unsupported QNN tensor version",
       kVantroStatusRuntimeFailure},
      {"input, version 2", false, 2, nullptr, kVantroStatusOk},
      {"output, dynamic dimensions", true, 0, "Dynamic dimensions not yet supported",
       kVantroStatusOk},
      {"output, version 3", true, 1, "Unsupported QNN tensor version",
       kVantroStatusRuntimeFailure},
      {"output, version 2", true, 2, nullptr, kVantroStatusOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const VantroTensorBufferHandle buffer = road_.NewFloatBuffer(4);
    CaptureStderr();
    const VantroStatus status = c.output
                                    ? road_.table().attach_output(invocation, c.index, buffer)
                                    : road_.table().attach_input(invocation, c.index, buffer);
    const std::string log = GetCapturedStderr();
    if (c.attach_error == nullptr) {
      EXPECT_EQ(status, kVantroStatusOk);
      EXPECT_THAT(log, IsEmpty());
      continue;
    }
    EXPECT_EQ(status, kVantroStatusRuntimeFailure);
    EXPECT_THAT(log, MatchesRegex(absl::StrCat("ERROR: \\[dispatch_api:[0-9]+\\] Failed to attach ",
                                               c.output ? "output" : "input", " buffer: ",
                                               c.attach_error, "\n")));
  }

  // A refused bind leaves the tensor as it was: no buffer reaches QNN.
  vantro::sim::ClearCalls();
  CaptureStderr();
  EXPECT_EQ(road_.table().invoke(invocation), kVantroStatusRuntimeFailure);
  GetCapturedStderr();
  const std::string execute = LastDetail("graphExecute");
  EXPECT_THAT(execute, HasSubstr("{id=1 name=\"p\" version=2 mem_type=0 data=null size=0}"));
  EXPECT_THAT(execute, HasSubstr("{id=4 name=\"p_out\" version=2 mem_type=0 data=null size=0}"));
  EXPECT_THAT(execute, MatchesRegex(".*\\{id=3 name=\"r\" version=2 mem_type=0 data=0x[0-9a-f]+ "
                                    "size=16\\}.*"));

  // Detach refuses only the version it cannot read, and says nothing.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaptureStderr();
    EXPECT_EQ(c.output ? road_.table().detach_output(invocation, c.index, 0)
                       : road_.table().detach_input(invocation, c.index, 0),
              c.detach_status);
    EXPECT_THAT(GetCapturedStderr(), IsEmpty());
  }
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
