// The simulated QNN's context binaries: the format round trip, refusal of
// corrupt and inconsistent input, the text descriptions, the system-context
// records in each version, contexts and graphs, and execution of every op
// against values computed here.
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "absl/strings/str_format.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/context_binary_text.h"
#include "sim/qnn/sim_context_area.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_qnn.h"
#include "vendors/qualcomm/qnn_interface.h"
#include "HTP/QnnHtpContext.h"

namespace vantro::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

ContextBinary Parse(const std::string& text) {
  ContextBinary binary;
  std::string error;
  EXPECT_TRUE(ParseContextBinaryText(text, &binary, &error)) << error;
  return binary;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A binary that uses every field of the format.
ContextBinary RichBinary() {
  return Parse(R"(
build_id v2.40.1.777
core_api 2.40.1
backend_api 5.40.2
soc_model 57
context_tensor shared id=90 type=static dtype=int32 shape=2 data=-7,9
graph first info_version=2
  tensor in   id=3 type=app_write dtype=ufixed8 shape=1,2 scale=0.5 offset=-10 version=2 dynamic=0,1
  tensor w    id=4 type=static dtype=sfixed8 shape=2,2 axis=0 scales=0.25,0.125 offsets=1,-2 data=1,-2,3,-4
  tensor mid  id=5 dtype=float32 shape=1,2
  tensor out  id=6 type=app_read dtype=float32 shape=1,2 format=1
  tensor odd  id=7 type=app_read dtype=0x0364 shape=1 encoding_definition=1 encoding=2
  op fully_connected inputs=in,w outputs=mid alpha=1.5
  op relu inputs=mid outputs=out
  inputs in
  outputs out odd
end
graph ""
  tensor x type=app_write dtype=float32 shape=[]
  tensor y type=app_read dtype=float32 shape=[]
  op copy inputs=x outputs=y
end
)");
}

TEST(ContextBinaryFormatTest, RoundTripKeepsEveryField) {
  const ContextBinary original = RichBinary();
  const std::vector<uint8_t> bytes = WriteContextBinary(original);
  ContextBinary read;
  std::string error;
  ASSERT_TRUE(ReadContextBinary(bytes.data(), bytes.size(), &read, &error)) << error;
  // Writing what was read gives the same bytes: nothing was lost or changed.
  EXPECT_EQ(WriteContextBinary(read), bytes);

  EXPECT_EQ(read.build_id, "v2.40.1.777");
  EXPECT_EQ(read.api_version.coreApiVersion.minor, 40u);
  EXPECT_EQ(read.api_version.backendApiVersion.patch, 2u);
  EXPECT_EQ(read.soc_model, 57u);
  ASSERT_EQ(read.context_tensors.size(), 1u);
  EXPECT_EQ(read.context_tensors[0].data.size(), 8u);
  ASSERT_EQ(read.graphs.size(), 2u);
  const ContextBinaryGraph& g = read.graphs[0];
  EXPECT_EQ(g.info_version, 2u);
  EXPECT_THAT(g.inputs, ElementsAre(3u));
  EXPECT_THAT(g.outputs, ElementsAre(6u, 7u));
  const ContextBinaryTensor& in = *g.FindTensor(3);
  EXPECT_TRUE(in.HasScaleOffset());
  EXPECT_EQ(in.scale, 0.5f);
  EXPECT_EQ(in.offset, -10);
  EXPECT_EQ(in.record_version, 2u);
  EXPECT_THAT(in.dynamic_dimensions, ElementsAre(0, 1));
  const ContextBinaryTensor& w = *g.FindTensor(4);
  ASSERT_TRUE(w.HasAxisScaleOffset());
  ASSERT_EQ(w.scale_offsets.size(), 2u);
  EXPECT_EQ(w.scale_offsets[1].scale, 0.125f);
  EXPECT_EQ(w.scale_offsets[1].offset, -2);
  EXPECT_EQ(g.FindTensor(5)->type, QNN_TENSOR_TYPE_NATIVE);
  EXPECT_EQ(g.FindTensor(6)->data_format, 1u);
  EXPECT_EQ(g.FindTensor(7)->encoding, 2u);
  ASSERT_EQ(g.ops.size(), 2u);
  EXPECT_EQ(g.ops[0].kind, OpKind::kFullyConnected);
  ASSERT_EQ(g.ops[0].params.size(), 1u);
  EXPECT_EQ(g.ops[0].params[0].name, "alpha");
  EXPECT_EQ(g.ops[0].params[0].value, 1.5);
  EXPECT_EQ(read.graphs[1].name, "");
  EXPECT_TRUE(read.graphs[1].FindTensor(1)->dimensions.empty());
}

TEST(ContextBinaryFormatTest, EveryTruncationIsRefused) {
  std::vector<uint8_t> bytes = WriteContextBinary(RichBinary());
  for (size_t size = 0; size < bytes.size(); ++size) {
    // A copy of exactly `size` bytes, so that reading past it is caught by
    // the sanitizers.
    std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + size);
    ContextBinary read;
    std::string error;
    EXPECT_FALSE(ReadContextBinary(prefix.data(), prefix.size(), &read, &error)) << size;
    EXPECT_FALSE(error.empty());
  }
}

TEST(ContextBinaryFormatTest, CorruptBytesNeverCrashTheReader) {
  std::vector<uint8_t> bytes = WriteContextBinary(RichBinary());
  for (size_t i = 0; i < bytes.size(); ++i) {
    for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0xFF}}) {
      std::vector<uint8_t> corrupt = bytes;
      corrupt[i] = value;
      ContextBinary read;
      std::string error;
      // Accepting is fine when the byte was not significant; what matters is
      // that the reader stays inside the input and answers.
      if (!ReadContextBinary(corrupt.data(), corrupt.size(), &read, &error)) {
        EXPECT_FALSE(error.empty());
      }
    }
  }
}

TEST(ContextBinaryFormatTest, MalformedInputIsRefusedWithAReason) {
  const std::vector<uint8_t> good = WriteContextBinary(RichBinary());
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* reason;
  };
  std::vector<uint8_t> bad_magic = good;
  bad_magic[0] = 'X';
  std::vector<uint8_t> bad_version = good;
  bad_version[8] = 2;
  std::vector<uint8_t> trailing = good;
  trailing.push_back(0);
  // The build id's length field claims more than the whole input.
  std::vector<uint8_t> long_text = good;
  long_text[12] = long_text[13] = long_text[14] = 0xFF;
  const Case cases[] = {
      {"bad magic", bad_magic, "magic"},
      {"unknown format version", bad_version, "format version"},
      {"trailing byte", trailing, "trailing"},
      {"text longer than the input", long_text, "truncated build id"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ContextBinary read;
    std::string error;
    EXPECT_FALSE(ReadContextBinary(c.bytes.data(), c.bytes.size(), &read, &error));
    EXPECT_THAT(error, HasSubstr(c.reason));
  }
  ContextBinary read;
  EXPECT_FALSE(ReadContextBinary(nullptr, 10, &read));
}

TEST(ContextBinaryFormatTest, InconsistentGraphsAreRefused) {
  // Each graph is written as is (the writer does not judge), then read.
  const std::string header = "graph g\n  tensor a type=app_write dtype=float32 shape=4\n"
                             "  tensor b type=app_read dtype=float32 shape=4\n";
  struct Case {
    const char* name;
    void (*edit)(ContextBinaryGraph&);
    const char* reason;
  };
  const Case cases[] = {
      {"op reads an unknown tensor",
       [](ContextBinaryGraph& g) { g.ops[0].inputs[0] = 77; }, "unknown input tensor 77"},
      {"duplicate tensor id", [](ContextBinaryGraph& g) { g.tensors[1].id = g.tensors[0].id; },
       "duplicate tensor id"},
      {"unknown graph output", [](ContextBinaryGraph& g) { g.outputs[0] = 55; },
       "unknown output tensor 55"},
      {"add with one input", [](ContextBinaryGraph& g) { g.ops[0].inputs.pop_back(); },
       "wrong number of inputs"},
      {"unknown op kind",
       [](ContextBinaryGraph& g) { g.ops[0].kind = static_cast<OpKind>(99); }, "unknown kind"},
      {"element counts differ", [](ContextBinaryGraph& g) { g.tensors[1].dimensions = {5}; },
       "element counts differ"},
      {"op writes a graph input", [](ContextBinaryGraph& g) { g.ops[0].outputs[0] = 1; },
       "writes a graph input"},
      {"native read before written",
       [](ContextBinaryGraph& g) {
         ContextBinaryTensor n;
         n.id = 9;
         n.dimensions = {4};
         g.tensors.push_back(n);
         g.ops[0].inputs[1] = 9;
       },
       "before any op writes it"},
      {"static tensor with too little data",
       [](ContextBinaryGraph& g) {
         ContextBinaryTensor s;
         s.id = 9;
         s.type = QNN_TENSOR_TYPE_STATIC;
         s.dimensions = {4};
         s.data = {1, 2, 3};
         g.tensors.push_back(s);
       },
       "data has 3 bytes"},
      {"unsupported data type in an op",
       [](ContextBinaryGraph& g) { g.tensors[0].data_type = QNN_DATATYPE_FLOAT_16; },
       "unsupported data type"},
      {"native tensor too large to allocate",
       [](ContextBinaryGraph& g) {
         ContextBinaryTensor n;
         n.id = 9;
         n.dimensions = {1u << 16, 1u << 16};
         g.tensors.push_back(n);
       },
       "too large"},
      {"size overflows 64 bits",
       [](ContextBinaryGraph& g) {
         g.tensors[0].dimensions = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
       },
       "size overflows"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ContextBinary binary = Parse(header + "  op add inputs=a,a outputs=b\nend\n");
    c.edit(binary.graphs[0]);
    const std::vector<uint8_t> bytes = WriteContextBinary(binary);
    ContextBinary read;
    std::string error;
    EXPECT_FALSE(ReadContextBinary(bytes.data(), bytes.size(), &read, &error));
    EXPECT_THAT(error, HasSubstr(c.reason));
  }
}

TEST(ContextBinaryTextTest, ErrorsNameTheLine) {
  struct Case {
    const char* name;
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"unknown op", "graph g\n  op conv inputs=a outputs=b\nend\n", "line 2: unknown op conv"},
      {"unknown tensor", "graph g\n  tensor a type=app_write shape=1\n  op relu inputs=a outputs=z\nend\n",
       "line 3: unknown tensor z"},
      {"missing end", "graph g\n  tensor a type=app_write shape=1\n", "lacks its end"},
      {"bad number", "graph g\n  tensor a shape=1,x\nend\n", "line 2: shape: not an unsigned"},
      {"value out of range", "graph g\n  tensor a type=static dtype=uint8 shape=1 data=256\nend\n",
       "line 2: data: out of range"},
      {"unterminated quote", "graph \"g\n", "line 1: unterminated quote"},
      {"tensor outside a graph", "tensor a\n", "line 1: unexpected tensor outside a graph"},
      {"unknown attribute", "graph g\n  tensor a colour=red\nend\n",
       "line 2: unknown tensor attribute colour"},
      {"duplicate name", "graph g\n  tensor a\n  tensor a\nend\n", "line 3: tensor name used twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ContextBinary binary;
    std::string error;
    EXPECT_FALSE(ParseContextBinaryText(c.text, &binary, &error));
    EXPECT_THAT(error, HasSubstr(c.error));
  }
}

TEST(ContextBinaryTextTest, DefaultsIdsAndGraphInputsAndOutputs) {
  const ContextBinary binary = Parse(
      "graph g\n"
      "  tensor a type=app_write\n"
      "  tensor k id=10 type=static data=1\n"
      "  tensor b type=app_read\n"
      "  tensor c type=app_readwrite\n"
      "end\n");
  const ContextBinaryGraph& g = binary.graphs[0];
  EXPECT_EQ(g.tensors[0].id, 1u);
  EXPECT_EQ(g.tensors[2].id, 11u);  // after the largest id so far
  EXPECT_THAT(g.inputs, ElementsAre(1u, 12u));
  EXPECT_THAT(g.outputs, ElementsAre(11u));
  EXPECT_EQ(binary.build_id, "v2.41.0.250101");
}

TEST(ContextBinaryTextTest, CommittedExamplesMatchTheirDescriptions) {
  for (const char* name : {"add_relu", "fc_dequant", "relu_dump", "two_graphs"}) {
    SCOPED_TRACE(name);
    const std::string base = std::string(VANTRO_SOURCE_DIR) + "/examples/models/" + name;
    const std::string bin = ReadFile(base + ".bin");
    const std::vector<uint8_t> built = WriteContextBinary(Parse(ReadFile(base + ".txt")));
    EXPECT_EQ(std::string(built.begin(), built.end()), bin)
        << "regenerate with scripts/make_example_models.sh";
  }
}

// ------------------------------------------------------ through the tables

// The HTP core table and the system table, a backend, and helpers to build
// contexts from descriptions.
class SimContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset();
    const QnnInterface_t** providers = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(internal::VantroSimQnnGetProviders(static_cast<int>(Library::kHtp), &providers,
                                                 &count),
              QNN_SUCCESS);
    api_ = &providers[0]->QNN_INTERFACE_VER_NAME;
    const QnnSystemInterface_t** system = nullptr;
    ASSERT_EQ(internal::VantroSimQnnGetSystemProviders(&system, &count), QNN_SUCCESS);
    system_ = &system[0]->QNN_SYSTEM_INTERFACE_VER_NAME;
    live_before_ = LiveHandleCount();
    ASSERT_EQ(api_->backendCreate(nullptr, nullptr, &backend_), QNN_SUCCESS);
  }

  void TearDown() override {
    for (Qnn_ContextHandle_t c : contexts_) EXPECT_EQ(api_->contextFree(c, nullptr), QNN_SUCCESS);
    EXPECT_EQ(api_->backendFree(backend_), QNN_SUCCESS);
    EXPECT_EQ(LiveHandleCount(), live_before_);
    Reset();
  }

  // A context of the described binary; the fixture frees it.
  Qnn_ContextHandle_t Context(const std::string& text) {
    bytes_.push_back(WriteContextBinary(Parse(text)));
    Qnn_ContextHandle_t context = nullptr;
    EXPECT_EQ(api_->contextCreateFromBinary(backend_, nullptr, nullptr, bytes_.back().data(),
                                            bytes_.back().size(), &context, nullptr),
              QNN_SUCCESS);
    contexts_.push_back(context);
    return context;
  }

  Qnn_GraphHandle_t Graph(const std::string& text, const char* name) {
    Qnn_GraphHandle_t graph = nullptr;
    EXPECT_EQ(api_->graphRetrieve(Context(text), name, &graph), QNN_SUCCESS);
    return graph;
  }

  const qnn::QnnApi* api_ = nullptr;
  const qnn::QnnSystemApi* system_ = nullptr;
  Qnn_BackendHandle_t backend_ = nullptr;
  std::vector<Qnn_ContextHandle_t> contexts_;
  std::vector<std::vector<uint8_t>> bytes_;
  int live_before_ = 0;
};

// A client tensor for graphExecute over `buffer`.
template <typename T>
Qnn_Tensor_t Bound(uint32_t id, std::vector<T>& buffer) {
  Qnn_Tensor_t t{};
  t.version = QNN_TENSOR_VERSION_1;
  t.v1.id = id;
  t.v1.memType = QNN_TENSORMEMTYPE_RAW;
  t.v1.clientBuf.data = buffer.data();
  t.v1.clientBuf.dataSize = static_cast<uint32_t>(buffer.size() * sizeof(T));
  return t;
}

TEST_F(SimContextTest, BinaryInfoInEachRecordVersion) {
  std::vector<uint8_t> bytes = WriteContextBinary(RichBinary());
  for (uint32_t version : {1u, 2u, 3u}) {
    SCOPED_TRACE(version);
    SetBinaryInfoVersions(version, version);
    QnnSystemContext_Handle_t system = nullptr;
    ASSERT_EQ(system_->systemContextCreate(&system), QNN_SUCCESS);
    const QnnSystemContext_BinaryInfo_t* info = nullptr;
    Qnn_ContextBinarySize_t size = 0;
    ASSERT_EQ(system_->systemContextGetBinaryInfo(system, bytes.data(), bytes.size(), &info, &size),
              QNN_SUCCESS);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(size, sizeof(QnnSystemContext_BinaryInfo_t));
    EXPECT_EQ(info->version, version);
    const char* buildId = version == 3 ? info->contextBinaryInfoV3.buildId : info->contextBinaryInfoV1.buildId;
    uint32_t numGraphs = version == 3 ? info->contextBinaryInfoV3.numGraphs : info->contextBinaryInfoV1.numGraphs;
    const QnnSystemContext_GraphInfo_t* graphs = version == 3 ? info->contextBinaryInfoV3.graphs : info->contextBinaryInfoV1.graphs;
    uint32_t num_context = version == 3 ? info->contextBinaryInfoV3.numContextTensors : info->contextBinaryInfoV1.numContextTensors;
    const Qnn_Tensor_t* context = version == 3 ? info->contextBinaryInfoV3.contextTensors : info->contextBinaryInfoV1.contextTensors;
    if (version == 3) EXPECT_EQ(info->contextBinaryInfoV3.contextBlobSize, bytes.size());
    EXPECT_STREQ(buildId, "v2.40.1.777");
    ASSERT_EQ(num_context, 1u);
    EXPECT_STREQ(context[0].v1.name, "shared");
    ASSERT_EQ(numGraphs, 2u);
    // The first graph asks for graph-info version 2 itself; the second follows the setting.
    EXPECT_EQ(graphs[0].version, 2u);
    EXPECT_EQ(graphs[1].version, version);
    const QnnSystemContext_GraphInfoV1_t& g = graphs[0].graphInfoV1;
    EXPECT_STREQ(g.graphName, "first");
    ASSERT_EQ(g.numGraphInputs, 1u);
    const Qnn_Tensor_t& in = g.graphInputs[0];
    EXPECT_EQ(in.version, 2u);
    EXPECT_EQ(in.v2.id, 3u);
    EXPECT_STREQ(in.v2.name, "in");
    EXPECT_EQ(in.v2.type, QNN_TENSOR_TYPE_APP_WRITE);
    EXPECT_EQ(in.v2.dataType, QNN_DATATYPE_UFIXED_POINT_8);
    ASSERT_EQ(in.v2.rank, 2u);
    EXPECT_EQ(in.v2.dimensions[1], 2u);
    EXPECT_EQ(in.v2.quantizeParams.encodingDefinition, QNN_DEFINITION_DEFINED);
    EXPECT_EQ(in.v2.quantizeParams.scaleOffsetEncoding.offset, -10);
    ASSERT_NE(in.v2.isDynamicDimensions, nullptr);
    EXPECT_EQ(in.v2.isDynamicDimensions[1], 1);
    ASSERT_EQ(g.numGraphOutputs, 2u);
    EXPECT_STREQ(g.graphOutputs[0].v1.name, "out");
    EXPECT_EQ(g.graphOutputs[1].v1.quantizeParams.quantizationEncoding, 2u);
    EXPECT_STREQ(graphs[1].graphInfoV1.graphName, "");
    EXPECT_EQ(system_->systemContextFree(system), QNN_SUCCESS);
  }
}

TEST_F(SimContextTest, RecordsStayValidUntilTheSystemContextIsFreed) {
  std::vector<uint8_t> bytes = WriteContextBinary(RichBinary());
  QnnSystemContext_Handle_t system = nullptr;
  ASSERT_EQ(system_->systemContextCreate(&system), QNN_SUCCESS);
  EXPECT_EQ(LiveHandles()["system_context"], 1);
  const QnnSystemContext_BinaryInfo_t* first = nullptr;
  const QnnSystemContext_BinaryInfo_t* second = nullptr;
  Qnn_ContextBinarySize_t size = 0;
  ASSERT_EQ(system_->systemContextGetBinaryInfo(system, bytes.data(), bytes.size(), &first, &size),
            QNN_SUCCESS);
  ASSERT_EQ(system_->systemContextGetBinaryInfo(system, bytes.data(), bytes.size(), &second, &size),
            QNN_SUCCESS);
  // The caller's bytes may go; the records own what they show.
  std::fill(bytes.begin(), bytes.end(), 0);
  bytes.clear();
  bytes.shrink_to_fit();
  EXPECT_STREQ(first->contextBinaryInfoV1.graphs[0].graphInfoV1.graphInputs[0].v1.name, "in");
  EXPECT_STREQ(second->contextBinaryInfoV1.buildId, "v2.40.1.777");
  EXPECT_EQ(system_->systemContextFree(system), QNN_SUCCESS);
  EXPECT_EQ(LiveHandles()["system_context"], 0);
  EXPECT_EQ(system_->systemContextFree(system), kSimInvalidHandle);
}

TEST_F(SimContextTest, SystemContextRefusals) {
  std::vector<uint8_t> bytes = WriteContextBinary(RichBinary());
  std::vector<uint8_t> corrupt = bytes;
  corrupt.resize(corrupt.size() - 1);
  QnnSystemContext_Handle_t system = nullptr;
  ASSERT_EQ(system_->systemContextCreate(&system), QNN_SUCCESS);
  const QnnSystemContext_BinaryInfo_t* info = nullptr;
  Qnn_ContextBinarySize_t size = 0;
  EXPECT_EQ(system_->systemContextGetBinaryInfo(system, corrupt.data(), corrupt.size(), &info, &size),
            kSimBadContextBinary);
  EXPECT_EQ(system_->systemContextGetBinaryInfo(system, bytes.data(), bytes.size(), nullptr, &size),
            kSimInvalidArgument);
  EXPECT_EQ(system_->systemContextGetBinaryInfo(nullptr, bytes.data(), bytes.size(), &info, &size),
            kSimInvalidHandle);
  EXPECT_EQ(system_->systemContextCreate(nullptr), kSimInvalidArgument);
  FailCall("systemContextGetBinaryInfo", 77);
  EXPECT_EQ(system_->systemContextGetBinaryInfo(system, bytes.data(), bytes.size(), &info, &size),
            77u);
  EXPECT_EQ(system_->systemContextFree(system), QNN_SUCCESS);
}

TEST_F(SimContextTest, ContextCreationRecordsConfigsAndOwnsItsGraphs) {
  const std::vector<uint8_t> bytes =
      WriteContextBinary(Parse(ReadFile(std::string(VANTRO_SOURCE_DIR) +
                                        "/examples/models/two_graphs.txt")));
  QnnHtpContext_CustomConfig_t budget{};
  budget.option = QNN_HTP_CONTEXT_CONFIG_OPTION_FILE_READ_MEMORY_BUDGET;
  budget.fileReadMemoryBudgetInMb = 512;
  QnnHtpContext_CustomConfig_t acceleration{};
  acceleration.option = QNN_HTP_CONTEXT_CONFIG_OPTION_INIT_ACCELERATION;
  acceleration.initAcceleration = true;
  QnnContext_Config_t priority{};
  priority.option = QNN_CONTEXT_CONFIG_OPTION_PRIORITY;
  priority.priority = QNN_PRIORITY_HIGH;
  QnnContext_Config_t custom1{};
  custom1.option = QNN_CONTEXT_CONFIG_OPTION_CUSTOM;
  custom1.customConfig = &budget;
  QnnContext_Config_t custom2{};
  custom2.option = QNN_CONTEXT_CONFIG_OPTION_CUSTOM;
  custom2.customConfig = &acceleration;
  const QnnContext_Config_t* configs[] = {&priority, &custom1, &custom2, nullptr};

  Qnn_ProfileHandle_t profile = nullptr;
  ASSERT_EQ(api_->profileCreate(backend_, QNN_PROFILE_LEVEL_BASIC, &profile), QNN_SUCCESS);
  ClearCalls();
  Qnn_ContextHandle_t context = nullptr;
  ASSERT_EQ(api_->contextCreateFromBinary(backend_, nullptr, configs, bytes.data(), bytes.size(),
                                          &context, profile),
            QNN_SUCCESS);
  const std::vector<Call> calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].name, "contextCreateFromBinary");
  EXPECT_THAT(calls[0].detail,
              HasSubstr("configs=[{option=1 priority=200}, {option=0 htp={option=3 "
                        "file_read_memory_budget_mb=512}}, {option=0 htp={option=8 "
                        "init_acceleration=1}}] binary_size=" +
                        std::to_string(bytes.size()) + " profile=0x"));

  Qnn_GraphHandle_t square = nullptr, again = nullptr, doubled = nullptr, missing = nullptr;
  ASSERT_EQ(api_->graphRetrieve(context, "square", &square), QNN_SUCCESS);
  ASSERT_EQ(api_->graphRetrieve(context, "square", &again), QNN_SUCCESS);
  EXPECT_EQ(square, again);
  ASSERT_EQ(api_->graphRetrieve(context, "double", &doubled), QNN_SUCCESS);
  EXPECT_NE(square, doubled);
  EXPECT_EQ(api_->graphRetrieve(context, "cube", &missing), kSimGraphNotFound);
  EXPECT_EQ(LiveHandles()["graph"], 2);

  EXPECT_EQ(api_->contextFree(context, profile), QNN_SUCCESS);
  EXPECT_EQ(LiveHandles()["graph"], 0);
  EXPECT_EQ(LiveHandles()["context"], 0);
  EXPECT_EQ(api_->contextFree(context, nullptr), kSimInvalidHandle);
  EXPECT_EQ(api_->graphRetrieve(context, "square", &missing), kSimInvalidHandle);
  std::vector<float> x(4), out(4);
  Qnn_Tensor_t in = Bound(1, x), result = Bound(2, out);
  EXPECT_EQ(api_->graphExecute(square, &in, 1, &result, 1, nullptr, nullptr), kSimInvalidHandle);
  EXPECT_EQ(api_->profileFree(profile), QNN_SUCCESS);
}

TEST_F(SimContextTest, ContextCreationRefusals) {
  std::vector<uint8_t> bytes = WriteContextBinary(RichBinary());
  Qnn_ContextHandle_t context = nullptr;
  const auto dead = reinterpret_cast<Qnn_BackendHandle_t>(uintptr_t{0x1234});
  EXPECT_EQ(api_->contextCreateFromBinary(dead, nullptr, nullptr, bytes.data(), bytes.size(),
                                          &context, nullptr),
            kSimInvalidHandle);
  EXPECT_EQ(api_->contextCreateFromBinary(backend_, nullptr, nullptr, bytes.data(),
                                          bytes.size() - 3, &context, nullptr),
            kSimBadContextBinary);
  EXPECT_EQ(api_->contextCreateFromBinary(backend_, nullptr, nullptr, bytes.data(), bytes.size(),
                                          nullptr, nullptr),
            kSimInvalidArgument);
  FailCall("contextCreateFromBinary", 1001);
  EXPECT_EQ(api_->contextCreateFromBinary(backend_, nullptr, nullptr, bytes.data(), bytes.size(),
                                          &context, nullptr),
            1001u);
  EXPECT_EQ(LiveHandles()["context"], 0);
}

// ------------------------------------------------------------ execution

TEST_F(SimContextTest, ElementwiseOpsComputeTheirResults) {
  const std::vector<float> a = {1.5f, -2.0f, 0.25f, 3.0f, -0.5f, 7.0f, -8.0f, 0.0f};
  const std::vector<float> b = {2.0f, 1.0f, -1.0f, -4.0f, 0.5f, 0.125f, 3.0f, -1.0f};
  struct Case {
    const char* name;
    const char* op;
    float (*expected)(float, float);
  };
  const Case cases[] = {
      {"add", "add", [](float x, float y) { return x + y; }},
      {"mul", "mul", [](float x, float y) { return x * y; }},
      {"relu", "relu", [](float x, float) { return x > 0 ? x : 0.0f; }},
      {"copy", "copy", [](float x, float) { return x; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool binary = std::string(c.op) == "add" || std::string(c.op) == "mul";
    const std::string text = std::string("graph g\n") +
                             "  tensor a id=1 type=app_write shape=2,4\n"
                             "  tensor b id=2 type=app_write shape=2,4\n"
                             "  tensor out id=3 type=app_read shape=2,4\n" +
                             "  op " + c.op + " inputs=" + (binary ? "a,b" : "a") +
                             " outputs=out\nend\n";
    Qnn_GraphHandle_t graph = Graph(text, "g");
    std::vector<float> in_a = a, in_b = b, out(8, 99.0f);
    // Inputs in another order than the graph's: QNN matches them by id.
    Qnn_Tensor_t inputs[] = {Bound(2, in_b), Bound(1, in_a)};
    Qnn_Tensor_t outputs[] = {Bound(3, out)};
    ASSERT_EQ(api_->graphExecute(graph, inputs, 2, outputs, 1, nullptr, nullptr), QNN_SUCCESS);
    for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i], c.expected(a[i], b[i])) << i;
  }
}

TEST_F(SimContextTest, AddReluExampleChainsThroughANativeTensor) {
  Qnn_GraphHandle_t graph =
      Graph(ReadFile(std::string(VANTRO_SOURCE_DIR) + "/examples/models/add_relu.txt"),
            "add_relu");
  std::vector<float> a = {1, -2, 3, -4, 5, -6, 7, -8};
  std::vector<float> b = {0.5f, 1, -4, 5, -5, 6, 0, 8.5f};
  std::vector<float> out(8);
  Qnn_Tensor_t inputs[] = {Bound(1, a), Bound(2, b)};
  Qnn_Tensor_t outputs[] = {Bound(4, out)};
  ASSERT_EQ(api_->graphExecute(graph, inputs, 2, outputs, 1, nullptr, nullptr), QNN_SUCCESS);
  EXPECT_THAT(out, ElementsAre(1.5f, 0, 0, 1, 0, 0, 7, 0.5f));
}

TEST_F(SimContextTest, FloatFullyConnectedWithBias) {
  Qnn_GraphHandle_t graph = Graph(
      "graph fc\n"
      "  tensor x id=1 type=app_write shape=2,3\n"
      "  tensor w id=2 type=static shape=2,3 data=1,2,3,-1,0,0.5\n"
      "  tensor bias id=3 type=static shape=2 data=0.25,-1\n"
      "  tensor y id=4 type=app_read shape=2,2\n"
      "  op fully_connected inputs=x,w,bias outputs=y\n"
      "end\n",
      "fc");
  std::vector<float> x = {1, 2, 3, -1, 0.5f, 4}, y(4);
  Qnn_Tensor_t in = Bound(1, x), out = Bound(4, y);
  ASSERT_EQ(api_->graphExecute(graph, &in, 1, &out, 1, nullptr, nullptr), QNN_SUCCESS);
  // y[n][u] = sum_k x[n][k] * w[u][k] + bias[u]
  EXPECT_THAT(y, ElementsAre(1 + 4 + 9 + 0.25f, -1 + 0 + 1.5f - 1,  //
                             -1 + 1 + 12 + 0.25f, 1 + 0 + 2 - 1));
}

TEST_F(SimContextTest, QuantisedFullyConnectedThenDequantise) {
  Qnn_GraphHandle_t graph =
      Graph(ReadFile(std::string(VANTRO_SOURCE_DIR) + "/examples/models/fc_dequant.txt"),
            "fc_dequant");
  // Real inputs 0.5, -0.25, 1.0, 2.0 with scale 0.05 and offset -128.
  std::vector<uint8_t> x = {138, 123, 148, 168};
  std::vector<float> out(3);
  Qnn_Tensor_t in = Bound(1, x), result = Bound(5, out);
  ASSERT_EQ(api_->graphExecute(graph, &in, 1, &result, 1, nullptr, nullptr), QNN_SUCCESS);
  // Weights as real numbers (per-unit scales 0.02, 0.01, 0.04, offset -128).
  const double w[3][4] = {{0.2, 0.4, -0.2, 0}, {0.5, -0.5, 0, 0}, {0, 0, 1.0, -1.0}};
  const double bias[3] = {0.5, -0.25, 0};
  const double real_x[4] = {0.5, -0.25, 1.0, 2.0};
  for (int u = 0; u < 3; ++u) {
    double acc = bias[u];
    for (int k = 0; k < 4; ++k) acc += real_x[k] * w[u][k];
    // The result passes through ufixed8 with scale 0.1 and offset -128.
    const double q = std::min(255.0, std::max(0.0, std::nearbyint(acc / 0.1 + 128)));
    EXPECT_FLOAT_EQ(out[u], static_cast<float>(0.1 * (q - 128))) << u;
  }
}

TEST_F(SimContextTest, DequantiseAlongAnAxisAndSaturatingQuantisation) {
  Qnn_GraphHandle_t graph = Graph(
      "graph q\n"
      "  tensor x id=1 type=app_write dtype=sfixed16 shape=2,2 axis=1 scales=0.5,2 offsets=0,-1\n"
      "  tensor f id=2 type=app_read shape=2,2\n"
      "  tensor s id=3 type=app_read dtype=uint8 shape=2,2\n"
      "  op dequantize inputs=x outputs=f\n"
      "  op relu inputs=x outputs=s\n"
      "end\n",
      "q");
  std::vector<int16_t> x = {4, 3, -6, 500};
  std::vector<float> f(4);
  std::vector<uint8_t> s(4);
  Qnn_Tensor_t in = Bound(1, x);
  Qnn_Tensor_t outputs[] = {Bound(2, f), Bound(3, s)};
  ASSERT_EQ(api_->graphExecute(graph, &in, 1, outputs, 2, nullptr, nullptr), QNN_SUCCESS);
  // Column 0: 0.5 * q; column 1: 2 * (q - 1).
  EXPECT_THAT(f, ElementsAre(2.0f, 4.0f, -3.0f, 998.0f));
  // A plain uint8 output saturates.
  EXPECT_THAT(s, ElementsAre(2, 4, 0, 255));
}

TEST_F(SimContextTest, UnusableBuffersAreRefused) {
  const std::string text =
      "graph g\n"
      "  tensor a id=1 type=app_write shape=4\n"
      "  tensor out id=2 type=app_read shape=4\n"
      "  op relu inputs=a outputs=out\n"
      "end\n";
  Qnn_GraphHandle_t graph = Graph(text, "g");
  std::vector<float> a(4, 1.0f), out(4, 5.0f);
  struct Case {
    const char* name;
    void (*edit)(Qnn_Tensor_t& input, Qnn_Tensor_t& output);
    uint32_t numGraphInputs;
    Qnn_ErrorHandle_t result;
  };
  const Case cases[] = {
      {"memory handle instead of a raw buffer",
       [](Qnn_Tensor_t& in, Qnn_Tensor_t&) { in.v1.memType = QNN_TENSORMEMTYPE_MEMHANDLE; }, 1,
       kSimTensorUnusable},
      {"undefined memory type", [](Qnn_Tensor_t&, Qnn_Tensor_t& o) { o.v1.memType = QNN_TENSORMEMTYPE_UNDEFINED; },
       1, kSimTensorUnusable},
      {"null data", [](Qnn_Tensor_t& in, Qnn_Tensor_t&) { in.v1.clientBuf.data = nullptr; }, 1,
       kSimTensorUnusable},
      {"buffer one byte short", [](Qnn_Tensor_t&, Qnn_Tensor_t& o) { o.v1.clientBuf.dataSize = 15; },
       1, kSimTensorUnusable},
      {"record version 3", [](Qnn_Tensor_t& in, Qnn_Tensor_t&) { in.version = static_cast<Qnn_TensorVersion_t>(3); }, 1,
       kSimTensorUnusable},
      {"unknown tensor id", [](Qnn_Tensor_t& in, Qnn_Tensor_t&) { in.v1.id = 7; }, 1,
       kSimTensorMismatch},
      {"output id given as input", [](Qnn_Tensor_t& in, Qnn_Tensor_t&) { in.v1.id = 2; }, 1,
       kSimTensorMismatch},
      {"wrong input count", [](Qnn_Tensor_t&, Qnn_Tensor_t&) {}, 0, kSimTensorMismatch},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Qnn_Tensor_t in = Bound(1, a), result = Bound(2, out);
    c.edit(in, result);
    EXPECT_EQ(api_->graphExecute(graph, c.numGraphInputs ? &in : nullptr, c.numGraphInputs, &result, 1,
                                 nullptr, nullptr),
              c.result);
    EXPECT_THAT(out, ElementsAre(5, 5, 5, 5));  // nothing ran
  }
  Qnn_Tensor_t in = Bound(1, a), result = Bound(2, out);
  EXPECT_EQ(api_->graphExecute(nullptr, &in, 1, &result, 1, nullptr, nullptr), kSimInvalidHandle);
  EXPECT_EQ(api_->graphExecute(graph, nullptr, 1, &result, 1, nullptr, nullptr),
            kSimInvalidArgument);
  // A version 2 record with a larger buffer than needed is fine.
  std::vector<float> big(8);
  Qnn_Tensor_t v2 = Bound(2, big);
  v2.version = QNN_TENSOR_VERSION_2;
  EXPECT_EQ(api_->graphExecute(graph, &in, 1, &v2, 1, nullptr, nullptr), QNN_SUCCESS);
  EXPECT_THAT(big, ElementsAre(1, 1, 1, 1, 0, 0, 0, 0));
}

TEST_F(SimContextTest, ExecutionOffChecksArgumentsButRunsNothing) {
  Qnn_GraphHandle_t graph = Graph(
      "graph g\n  tensor a id=1 type=app_write shape=2\n  tensor b id=2 type=app_read shape=2\n"
      "  op copy inputs=a outputs=b\nend\n",
      "g");
  std::vector<float> a = {1, 2}, b = {0, 0};
  Qnn_Tensor_t in = Bound(1, a), out = Bound(2, b);
  SetExecutionEnabled(false);
  EXPECT_EQ(api_->graphExecute(graph, &in, 1, &out, 1, nullptr, nullptr), QNN_SUCCESS);
  EXPECT_THAT(b, ElementsAre(0, 0));
  out.v1.clientBuf.data = nullptr;
  EXPECT_EQ(api_->graphExecute(graph, &in, 1, &out, 1, nullptr, nullptr), kSimTensorUnusable);
  SetExecutionEnabled(true);
  out = Bound(2, b);
  EXPECT_EQ(api_->graphExecute(graph, &in, 1, &out, 1, nullptr, nullptr), QNN_SUCCESS);
  EXPECT_THAT(b, ElementsAre(1, 2));
}

TEST_F(SimContextTest, ExecuteLogsTheBoundTensors) {
  Qnn_GraphHandle_t graph = Graph(
      "graph g\n  tensor a id=1 type=app_write shape=2\n  tensor b id=2 type=app_read shape=2\n"
      "  op copy inputs=a outputs=b\nend\n",
      "g");
  std::vector<float> a = {1, 2}, b = {0, 0};
  Qnn_Tensor_t in = Bound(1, a), out = Bound(2, b);
  in.v1.name = "a";
  ClearCalls();
  FailCall("graphExecute", 5);
  EXPECT_EQ(api_->graphExecute(graph, &in, 1, &out, 1, nullptr, nullptr), 5u);
  EXPECT_THAT(b, ElementsAre(0, 0));
  const std::vector<Call> calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].name, "graphExecute");
  EXPECT_THAT(calls[0].detail,
              HasSubstr(" inputs=[{id=1 name=\"a\" version=1 mem_type=0 data=" +
                        absl::StrFormat("0x%x", reinterpret_cast<uintptr_t>(a.data())) + " size=8}] outputs=[{id=2 name=null"));
  EXPECT_THAT(calls[0].detail, HasSubstr("profile=null signal=null"));
}

TEST_F(SimContextTest, ThreadsUseTheirOwnContextsAtOnce) {
  // Contexts are created, retrieved from, executed and freed on several
  // threads while the call log and the registry are in use.
  const std::vector<uint8_t> bytes =
      WriteContextBinary(Parse(ReadFile(std::string(VANTRO_SOURCE_DIR) +
                                        "/examples/models/two_graphs.txt")));
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        Qnn_ContextHandle_t context = nullptr;
        Qnn_GraphHandle_t graph = nullptr;
        if (api_->contextCreateFromBinary(backend_, nullptr, nullptr, bytes.data(), bytes.size(),
                                          &context, nullptr) != QNN_SUCCESS ||
            api_->graphRetrieve(context, t % 2 ? "square" : "double", &graph) != QNN_SUCCESS) {
          ++failures[t];
          continue;
        }
        std::vector<float> x = {1, 2, 3, static_cast<float>(t)}, out(4);
        Qnn_Tensor_t in = Bound(1, x), result = Bound(2, out);
        if (api_->graphExecute(graph, &in, 1, &result, 1, nullptr, nullptr) != QNN_SUCCESS ||
            out[3] != (t % 2 ? x[3] * x[3] : x[3] + x[3])) {
          ++failures[t];
        }
        if (api_->contextFree(context, nullptr) != QNN_SUCCESS) ++failures[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_THAT(failures, ElementsAre(0, 0, 0, 0));
  EXPECT_EQ(LiveHandles()["graph"], 0);
}

}  // namespace
}  // namespace vantro::sim
