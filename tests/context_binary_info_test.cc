// ContextBinaryInfo and GraphInfo read through a QnnManager over the
// simulated QNN: the SDK-version rule with its messages, record versions,
// graph order, refusals, and the system context released on every path.
#include "vendors/qualcomm/context_binary_info.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/context_binary_text.h"
#include "sim/qnn/sim_context_area.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/qnn_manager_test_support.h"

namespace vantro::qualcomm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing_support::LinesFrom;
using testing_support::SimOptions;

constexpr char kTwoGraphs[] = R"(
build_id v2.41.0.250101
context_tensor weights type=static dtype=uint8 shape=2 data=3,4
graph double
  tensor x   type=app_write dtype=float32 shape=1,4
  tensor out type=app_read  dtype=float32 shape=1,4
  op add inputs=x,x outputs=out
end
graph square
  tensor q   type=app_write dtype=ufixed8 shape=4 scale=0.05 offset=-128
  tensor out type=app_read  dtype=float32 shape=4
  op dequantize inputs=q outputs=out
end
)";

std::vector<uint8_t> Binary(const std::string& text) {
  sim::ContextBinary binary;
  std::string error;
  EXPECT_TRUE(sim::ParseContextBinaryText(text, &binary, &error)) << error;
  return sim::WriteContextBinary(binary);
}

std::string WithBuildId(const std::string& build_id) {
  return "build_id " + build_id + "\ngraph g\n  tensor x type=app_write\nend\n";
}

class ContextBinaryInfoTest : public testing_support::QnnManagerFixture {
 protected:
  void TearDown() override {
    manager_.reset();
    // The system context goes on every path, success or failure.
    EXPECT_EQ(sim::LiveHandles()["system_context"], 0);
    QnnManagerFixture::TearDown();
  }

  // A manager whose SDK version comes from `sdk_build_id`.
  QnnManager& Manager(const std::string& sdk_build_id = "v2.41.0.250101") {
    sim::LibraryConfig config = sim::GetLibraryConfig(sim::Library::kHtp);
    config.build_id = sdk_build_id;
    sim::SetLibraryConfig(sim::Library::kHtp, config);
    manager_ = MustCreate(SimOptions());
    return *manager_;
  }

  // ContextBinaryInfo::Create with the standard error stream captured;
  // `lines` gets this file's log lines, line numbers masked.
  Expected<ContextBinaryInfo> Read(QnnManager& manager, const std::vector<uint8_t>& bytes,
                                   std::vector<std::string>* lines = nullptr) {
    ClearPendingError();
    ::testing::internal::CaptureStderr();
    Expected<ContextBinaryInfo> info =
        ContextBinaryInfo::Create(manager, bytes.data(), bytes.size());
    const std::string text = ::testing::internal::GetCapturedStderr();
    if (lines != nullptr) *lines = LinesFrom(text, "context_binary_info");
    return info;
  }

  static void ExpectFailure(const Expected<ContextBinaryInfo>& info, const std::string& message) {
    ASSERT_FALSE(info.HasValue());
    EXPECT_EQ(info.GetError().status(), Status::RuntimeFailure);
    EXPECT_EQ(info.GetError().message(), message);
  }

  std::unique_ptr<QnnManager> manager_;
};

TEST_F(ContextBinaryInfoTest, SdkVersionRule) {
  struct Case {
    const char* name;
    const char* binary;
    const char* sdk;
    const char* line;  // the one line logged; empty for none
    const char* error;  // empty for success
  };
  const Case cases[] = {
      {"equal", "v2.41.0.250101", "v2.41.0.1",
       "INFO: [context_binary_info:N] Context binary SDK version matches current SDK: 2.41.0", ""},
      {"older by minor", "v2.41.0", "v2.42.0",
       "WARNING: [context_binary_info:N] Context binary (2.41.0) is older than the current SDK "
       "(2.42.0). Consider regenerating it for optimal performance and compatibility.",
       ""},
      {"newer by patch", "v2.41.0", "v2.40.5",
       "ERROR: [context_binary_info:N] Context binary (2.41.0) is newer than the current SDK "
       "(2.40.5). Please update your SDK.",
       "Context binary isn't compatible with the current SDK."},
      {"major decides before minor: newer", "v3.0.0", "v2.99.0",
       "ERROR: [context_binary_info:N] Context binary (3.0.0) is newer than the current SDK "
       "(2.99.0). Please update your SDK.",
       "Context binary isn't compatible with the current SDK."},
      {"major decides before minor: older", "v2.99.9", "v3.0.0",
       "WARNING: [context_binary_info:N] Context binary (2.99.9) is older than the current SDK "
       "(3.0.0). Consider regenerating it for optimal performance and compatibility.",
       ""},
      {"negative numbers compare as signed", "v2.-1.0", "v2.0.0",
       "WARNING: [context_binary_info:N] Context binary (2.-1.0) is older than the current SDK "
       "(2.0.0). Consider regenerating it for optimal performance and compatibility.",
       ""},
      {"build id without v", "2.41.0", "v2.41.0", "", "Failed to parse build ID"},
      {"build id with two numbers", "v2.41", "v2.41.0", "", "Failed to parse build ID"},
      {"build id number overflows", "v2.4100000000.0", "v2.41.0", "", "Failed to parse build ID"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QnnManager& manager = Manager(c.sdk);
    std::vector<std::string> lines;
    Expected<ContextBinaryInfo> info = Read(manager, Binary(WithBuildId(c.binary)), &lines);
    // The graph's own line comes after the version check; keep the rest.
    std::vector<std::string> version_lines;
    for (const std::string& line : lines)
      if (line.find("Found qnn graph") == std::string::npos) version_lines.push_back(line);
    if (*c.line == '\0') {
      EXPECT_THAT(version_lines, IsEmpty());
    } else {
      EXPECT_THAT(version_lines, ElementsAre(c.line));
    }
    if (*c.error == '\0') {
      ASSERT_TRUE(info.HasValue()) << info.GetError().message();
      EXPECT_EQ(info.Value().build_id(), c.binary);
      ASSERT_EQ(info.Value().graphs().size(), 1u);
    } else {
      ExpectFailure(info, c.error);
    }
    manager_.reset();
  }
}

TEST_F(ContextBinaryInfoTest, GraphsInTheBinarysOrderWithTheirTensors) {
  QnnManager& manager = Manager();
  std::vector<std::string> lines;
  Expected<ContextBinaryInfo> read = Read(manager, Binary(kTwoGraphs), &lines);
  ASSERT_TRUE(read.HasValue()) << read.GetError().message();
  EXPECT_THAT(lines, ElementsAre(
                         "INFO: [context_binary_info:N] Context binary SDK version matches "
                         "current SDK: 2.41.0",
                         "INFO: [context_binary_info:N] Found qnn graph: double",
                         "INFO: [context_binary_info:N] Found qnn graph: square"));
  const ContextBinaryInfo& info = read.Value();
  EXPECT_EQ(info.sdk_version().major, 2);
  EXPECT_EQ(info.sdk_version().minor, 41);
  ASSERT_EQ(info.graphs().size(), 2u);
  EXPECT_EQ(info.graphs()[0].name(), "double");
  EXPECT_EQ(info.graphs()[1].name(), "square");

  const GraphInfo& square = info.graphs()[1];
  ASSERT_EQ(square.inputs().size(), 1u);
  const qnn::TensorWrapper& q = square.inputs()[0];
  EXPECT_EQ(q.name(), "q");
  EXPECT_STREQ(q.tensor().v1.name, "q");
  EXPECT_EQ(q.tensor().v1.dataType, QNN_DATATYPE_UFIXED_POINT_8);
  EXPECT_THAT(q.dimensions(), ElementsAre(4u));
  const auto* quant = q.quantize_params().Get<qnn::ScaleOffsetQuantizeParams>();
  ASSERT_NE(quant, nullptr);
  EXPECT_EQ(quant->scale, 0.05f);
  EXPECT_EQ(quant->offset, -128);
  ASSERT_EQ(square.outputs().size(), 1u);
  EXPECT_EQ(square.outputs()[0].tensor().v1.type, QNN_TENSOR_TYPE_APP_READ);

  ASSERT_EQ(info.context_tensors().size(), 1u);
  EXPECT_EQ(info.context_tensors()[0].name(), "weights");
  EXPECT_EQ(info.context_tensors()[0].ByteSize(), 2u);
}

TEST_F(ContextBinaryInfoTest, EveryKnownRecordVersionGivesTheSameInfo) {
  QnnManager& manager = Manager();
  const std::vector<uint8_t> bytes = Binary(kTwoGraphs);
  for (uint32_t binary_version : {1u, 2u, 3u}) {
    for (uint32_t graph_version : {1u, 2u, 3u}) {
      SCOPED_TRACE(::testing::Message() << binary_version << "/" << graph_version);
      sim::SetBinaryInfoVersions(binary_version, graph_version);
      Expected<ContextBinaryInfo> read = Read(manager, bytes);
      ASSERT_TRUE(read.HasValue()) << read.GetError().message();
      const ContextBinaryInfo& info = read.Value();
      ASSERT_EQ(info.graphs().size(), 2u);
      EXPECT_EQ(info.graphs()[0].name(), "double");
      EXPECT_EQ(info.graphs()[0].inputs()[0].name(), "x");
      EXPECT_EQ(info.graphs()[1].outputs()[0].name(), "out");
      ASSERT_EQ(info.context_tensors().size(), 1u);
      EXPECT_EQ(info.context_tensors()[0].name(), "weights");
      EXPECT_EQ(info.build_id(), "v2.41.0.250101");
    }
  }
}

TEST_F(ContextBinaryInfoTest, UnknownRecordVersionsAreRefused) {
  QnnManager& manager = Manager();
  // One graph of version 4 among valid ones ends the whole operation.
  std::string text = kTwoGraphs;
  text.replace(text.find("graph square"), 12, "graph square info_version=4");
  std::vector<std::string> lines;
  ExpectFailure(Read(manager, Binary(text), &lines), "Unsupported graph info version.");
  EXPECT_THAT(lines, ::testing::Contains("INFO: [context_binary_info:N] Found qnn graph: double"));

  sim::SetBinaryInfoVersions(1, 4);
  ExpectFailure(Read(manager, Binary(kTwoGraphs)), "Unsupported graph info version.");
  sim::SetBinaryInfoVersions(4, 1);
  ExpectFailure(Read(manager, Binary(kTwoGraphs)), "Unsupported context binary version.");
  sim::SetBinaryInfoVersions(0, 1);
  ExpectFailure(Read(manager, Binary(kTwoGraphs)), "Unsupported context binary version.");
}

TEST_F(ContextBinaryInfoTest, QnnFailuresAreReported) {
  QnnManager& manager = Manager();
  const std::vector<uint8_t> bytes = Binary(kTwoGraphs);

  sim::FailCall("systemContextGetBinaryInfo", 77);
  std::vector<std::string> lines;
  ExpectFailure(Read(manager, bytes, &lines), "Failed to get context binary info");
  EXPECT_THAT(lines, ElementsAre("ERROR: [context_binary_info:N] Failed to get context binary "
                                 "info: 77"));

  // Bytes the simulation cannot read are refused by QNN, not by us.
  std::vector<uint8_t> corrupt(bytes.begin(), bytes.begin() + bytes.size() / 2);
  ExpectFailure(Read(manager, corrupt, &lines), "Failed to get context binary info");
  EXPECT_THAT(lines, ElementsAre("ERROR: [context_binary_info:N] Failed to get context binary "
                                 "info: " + std::to_string(sim::kSimBadContextBinary)));

  // The manager's error passes unchanged.
  sim::FailCall("systemContextCreate", 9);
  Expected<ContextBinaryInfo> info = Read(manager, bytes, &lines);
  ASSERT_FALSE(info.HasValue());
  EXPECT_EQ(info.GetError().status(), Status::RuntimeFailure);
  EXPECT_THAT(info.GetError().message(), ::testing::EndsWith("Failed to create QNN system context"));
  EXPECT_THAT(lines, IsEmpty());
}

// Nothing in a ContextBinaryInfo points into QNN memory once it is
// built. The system context, and the record QNN kept with it, are gone
// when Create returns: a static tensor's contents and a version-2 record's
// dynamic-dimension flags must have been copied.
TEST_F(ContextBinaryInfoTest, TensorCopiesOutliveTheSystemContext) {
  QnnManager& manager = Manager();
  const std::vector<uint8_t> bytes = Binary(R"(
context_tensor weights type=static dtype=uint8 shape=2 data=3,4
graph g
  tensor x   type=app_write dtype=float32 shape=2,3 version=2 dynamic=1,0
  tensor out type=app_read  dtype=float32 shape=2,3
  op copy inputs=x outputs=out
end
)");
  Expected<ContextBinaryInfo> read = Read(manager, bytes);
  ASSERT_TRUE(read.HasValue()) << read.GetError().message();
  // Another read reuses what the first one's system context freed.
  ASSERT_TRUE(Read(manager, Binary(kTwoGraphs)).HasValue());
  const ContextBinaryInfo& info = read.Value();

  ASSERT_EQ(info.context_tensors().size(), 1u);
  const Qnn_TensorV1_t& weights = info.context_tensors()[0].tensor().v1;
  ASSERT_EQ(weights.clientBuf.dataSize, 2u);
  ASSERT_NE(weights.clientBuf.data, nullptr);
  const uint8_t* contents = static_cast<const uint8_t*>(weights.clientBuf.data);
  EXPECT_EQ(contents[0], 3);
  EXPECT_EQ(contents[1], 4);

  ASSERT_EQ(info.graphs().size(), 1u);
  ASSERT_EQ(info.graphs()[0].inputs().size(), 1u);
  const Qnn_TensorV2_t& x = info.graphs()[0].inputs()[0].tensor().v2;
  ASSERT_NE(x.isDynamicDimensions, nullptr);
  EXPECT_EQ(x.isDynamicDimensions[0], 1);
  EXPECT_EQ(x.isDynamicDimensions[1], 0);
}

// The same from a record in memory the test owns and then destroys, so the
// copies are seen not to point at it.
TEST_F(ContextBinaryInfoTest, CopiesFromARecordOwnTheirMemory) {
  struct QnnMemory {
    std::vector<uint8_t> contents = {7, 8, 9};
    std::vector<uint8_t> dynamic = {0, 1};
    std::vector<uint32_t> dimensions = {3};
    std::vector<uint32_t> input_dimensions = {1, 2};
    Qnn_Tensor_t context_tensor{};
    Qnn_Tensor_t input{};
    QnnSystemContext_GraphInfo_t graph{};
    QnnSystemContext_BinaryInfo_t record{};
  };
  auto qnn = std::make_unique<QnnMemory>();
  Qnn_TensorV1_t& c = qnn->context_tensor.v1;
  qnn->context_tensor.version = QNN_TENSOR_VERSION_1;
  c.name = "weights";
  c.type = QNN_TENSOR_TYPE_STATIC;
  c.dataType = QNN_DATATYPE_UINT_8;
  c.rank = 1;
  c.dimensions = qnn->dimensions.data();
  c.memType = QNN_TENSORMEMTYPE_RAW;
  c.clientBuf = {qnn->contents.data(), 3};
  Qnn_TensorV2_t& in = qnn->input.v2;
  qnn->input.version = QNN_TENSOR_VERSION_2;
  in.name = "x";
  in.type = QNN_TENSOR_TYPE_APP_WRITE;
  in.dataType = QNN_DATATYPE_FLOAT_32;
  in.rank = 2;
  in.dimensions = qnn->input_dimensions.data();
  in.memType = QNN_TENSORMEMTYPE_RAW;
  in.isDynamicDimensions = qnn->dynamic.data();
  qnn->graph.version = QNN_SYSTEM_CONTEXT_GRAPH_INFO_VERSION_1;
  qnn->graph.graphInfoV1.graphName = "g";
  qnn->graph.graphInfoV1.numGraphInputs = 1;
  qnn->graph.graphInfoV1.graphInputs = &qnn->input;
  qnn->record.version = QNN_SYSTEM_CONTEXT_BINARY_INFO_VERSION_1;
  qnn->record.contextBinaryInfoV1.buildId = "v2.41.0";
  qnn->record.contextBinaryInfoV1.numContextTensors = 1;
  qnn->record.contextBinaryInfoV1.contextTensors = &qnn->context_tensor;
  qnn->record.contextBinaryInfoV1.numGraphs = 1;
  qnn->record.contextBinaryInfoV1.graphs = &qnn->graph;
  ::testing::internal::CaptureStderr();
  Expected<ContextBinaryInfo> read = ContextBinaryInfo::CreateFromRecord(&qnn->record, {2, 41, 0});
  ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(read.HasValue()) << read.GetError().message();
  const void* const qnn_contents = qnn->contents.data();
  const void* const qnn_dynamic = qnn->dynamic.data();
  std::fill(qnn->contents.begin(), qnn->contents.end(), 0xEE);
  std::fill(qnn->dynamic.begin(), qnn->dynamic.end(), 0xEE);
  qnn.reset();

  const Qnn_TensorV1_t& weights = read.Value().context_tensors()[0].tensor().v1;
  EXPECT_NE(weights.clientBuf.data, qnn_contents);
  ASSERT_EQ(weights.clientBuf.dataSize, 3u);
  const uint8_t* contents = static_cast<const uint8_t*>(weights.clientBuf.data);
  EXPECT_EQ(std::vector<uint8_t>(contents, contents + 3), (std::vector<uint8_t>{7, 8, 9}));
  const Qnn_TensorV2_t& x = read.Value().graphs()[0].inputs()[0].tensor().v2;
  EXPECT_NE(static_cast<const void*>(x.isDynamicDimensions), qnn_dynamic);
  EXPECT_EQ(x.isDynamicDimensions[0], 0);
  EXPECT_EQ(x.isDynamicDimensions[1], 1);
}

TEST_F(ContextBinaryInfoTest, NullRecordIsRefused) {
  ClearPendingError();
  ::testing::internal::CaptureStderr();
  Expected<ContextBinaryInfo> info = ContextBinaryInfo::CreateFromRecord(nullptr, {2, 41, 0});
  const std::vector<std::string> lines =
      LinesFrom(::testing::internal::GetCapturedStderr(), "context_binary_info");
  ExpectFailure(info, "Null binary info");
  EXPECT_THAT(lines, ElementsAre("ERROR: [context_binary_info:N] Null binary info"));
}

TEST_F(ContextBinaryInfoTest, RecordsWithoutArraysReadAsEmpty) {
  // A record that claims entries but points at none is not followed.
  QnnSystemContext_BinaryInfo_t record{};
  record.version = QNN_SYSTEM_CONTEXT_BINARY_INFO_VERSION_1;
  record.contextBinaryInfoV1.buildId = "v2.41.0";
  record.contextBinaryInfoV1.numGraphs = 3;
  record.contextBinaryInfoV1.numContextTensors = 2;
  ::testing::internal::CaptureStderr();
  Expected<ContextBinaryInfo> info = ContextBinaryInfo::CreateFromRecord(&record, {2, 41, 0});
  ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(info.HasValue());
  EXPECT_THAT(info.Value().graphs(), IsEmpty());
  EXPECT_THAT(info.Value().context_tensors(), IsEmpty());

  QnnSystemContext_GraphInfo_t graph{};
  graph.version = QNN_SYSTEM_CONTEXT_GRAPH_INFO_VERSION_3;
  graph.graphInfoV3.numGraphInputs = 2;  // no array
  ::testing::internal::CaptureStderr();
  Expected<GraphInfo> g = GraphInfo::Create(graph);
  const std::vector<std::string> lines =
      LinesFrom(::testing::internal::GetCapturedStderr(), "context_binary_info");
  ASSERT_TRUE(g.HasValue());
  EXPECT_EQ(g.Value().name(), "");
  EXPECT_THAT(g.Value().inputs(), IsEmpty());
  EXPECT_THAT(lines, ElementsAre("INFO: [context_binary_info:N] Found qnn graph: "));
}

}  // namespace
}  // namespace vantro::qualcomm
