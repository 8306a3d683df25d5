// The SDK's real saver backend driven through our declarations: a context
// from bytes with a priority config, a retrieved graph and one execution on
// tensors built by the plug-in's TensorWrapper. The saver records every
// call; its recording must show exactly what we passed.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Saver/QnnSaver.h"
#include "cc/internal/vantro_shared_library.h"
#include "gtest/gtest.h"
#include "tests/qnn_sdk/qnn_interface_v2_7.h"
#include "tests/qnn_sdk/saver_recording.h"
#include "tests/qnn_sdk/sdk_libraries.h"
#include "vendors/qualcomm/backends/qnn_log.h"
#include "vendors/qualcomm/tensor_wrapper.h"

namespace vantro::testing {
namespace {

// A tensor record as a context binary's metadata would describe it.
Qnn_Tensor_t TensorRecord(uint32_t id, const char* name, Qnn_TensorType_t type,
                          Qnn_DataType_t data_type, std::vector<uint32_t>* dimensions) {
  Qnn_Tensor_t tensor;
  std::memset(&tensor, 0, sizeof(tensor));
  tensor.version = QNN_TENSOR_VERSION_1;
  tensor.v1.id = id;
  tensor.v1.name = name;
  tensor.v1.type = type;
  tensor.v1.dataFormat = QNN_TENSOR_DATA_FORMAT_DENSE;
  tensor.v1.dataType = data_type;
  tensor.v1.quantizeParams.encodingDefinition = QNN_DEFINITION_UNDEFINED;
  tensor.v1.quantizeParams.quantizationEncoding = QNN_QUANTIZATION_ENCODING_UNDEFINED;
  tensor.v1.rank = static_cast<uint32_t>(dimensions->size());
  tensor.v1.dimensions = dimensions->data();
  tensor.v1.memType = QNN_TENSORMEMTYPE_RAW;
  return tensor;
}

void ExpectRecorded(const SavedTensor& saved, const qnn::TensorWrapper& wrapper) {
  SCOPED_TRACE(wrapper.name());
  const Qnn_Tensor_t& tensor = wrapper.tensor();
  const Qnn_TensorV1_t& v1 = tensor.v1;
  EXPECT_EQ(saved.version, static_cast<uint32_t>(tensor.version));
  EXPECT_EQ(saved.id, v1.id);
  EXPECT_EQ(saved.name, v1.name);
  EXPECT_EQ(saved.type, static_cast<uint32_t>(v1.type));
  EXPECT_EQ(saved.data_format, v1.dataFormat);
  EXPECT_EQ(saved.data_type, static_cast<uint32_t>(v1.dataType));
  EXPECT_EQ(saved.encoding_definition, static_cast<uint32_t>(v1.quantizeParams.encodingDefinition));
  EXPECT_EQ(saved.quantization_encoding,
            static_cast<uint32_t>(v1.quantizeParams.quantizationEncoding));
  if (v1.quantizeParams.encodingDefinition == QNN_DEFINITION_DEFINED) {
    EXPECT_EQ(saved.scale, v1.quantizeParams.scaleOffsetEncoding.scale);
    EXPECT_EQ(saved.offset, v1.quantizeParams.scaleOffsetEncoding.offset);
  }
  EXPECT_EQ(saved.dimensions, std::vector<uint32_t>(v1.dimensions, v1.dimensions + v1.rank));
  EXPECT_EQ(saved.mem_type, static_cast<uint32_t>(v1.memType));
  EXPECT_EQ(saved.data_size, v1.clientBuf.dataSize);
}

class RealQnnSaverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadSdkRuntime();
    output_dir_ = ScratchDir("saver_output");
    auto library = SharedLibrary::Load(SdkLibrary("libQnnSaver.so"), kRtldLazy);
    ASSERT_TRUE(library.HasValue()) << library.GetError().message();
    library_ = std::move(library).Value();
  }

  template <typename F>
  F Symbol(const char* name) {
    auto symbol = library_.LookupSymbol<F>(name);
    EXPECT_TRUE(symbol.HasValue()) << symbol.GetError().message();
    return symbol.HasValue() ? symbol.Value() : nullptr;
  }

  std::string output_dir_;
  SharedLibrary library_;
};

TEST_F(RealQnnSaverTest, RecordsTheContextGraphAndTensorsWePassed) {
  auto initialize = Symbol<decltype(&QnnSaver_initialize)>("QnnSaver_initialize");
  auto get_providers = Symbol<decltype(&QnnInterface_getProviders)>("QnnInterface_getProviders");
  ASSERT_NE(initialize, nullptr);
  ASSERT_NE(get_providers, nullptr);

  QnnSaver_Config_t directory;
  std::memset(&directory, 0, sizeof(directory));
  directory.option = QNN_SAVER_CONFIG_OPTION_OUTPUT_DIRECTORY;
  directory.outputDirectory = output_dir_.c_str();
  const QnnSaver_Config_t* saver_configs[] = {&directory, nullptr};
  ASSERT_EQ(initialize(saver_configs), QNN_SUCCESS);

  const QnnInterface_t** providers = nullptr;
  uint32_t count = 0;
  ASSERT_EQ(get_providers(&providers, &count), QNN_SUCCESS);
  ASSERT_EQ(count, 1u);
  const QnnInterface_t& provider = *providers[0];
  EXPECT_STREQ(provider.providerName, "SAVER_QTI_AISW");
  EXPECT_EQ(provider.apiVersion.coreApiVersion.major, 2u);
  EXPECT_EQ(provider.apiVersion.coreApiVersion.minor, 7u);
  EXPECT_EQ(provider.apiVersion.coreApiVersion.patch, 2u);
  const QnnInterfaceV2_7& api = TableV2_7(provider);

  Qnn_LogHandle_t log = nullptr;
  ASSERT_EQ(api.logCreate(qnn::QnnLogCallback, QNN_LOG_LEVEL_ERROR, &log), QNN_SUCCESS);
  Qnn_BackendHandle_t backend = nullptr;
  ASSERT_EQ(api.backendCreate(log, nullptr, &backend), QNN_SUCCESS);

  std::vector<uint8_t> binary(77);
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<uint8_t>(0xA5 ^ (i * 13));
  QnnContext_Config_t priority;
  std::memset(&priority, 0, sizeof(priority));
  priority.option = QNN_CONTEXT_CONFIG_OPTION_PRIORITY;
  priority.priority = QNN_PRIORITY_NORMAL_HIGH;
  const QnnContext_Config_t* context_configs[] = {&priority, nullptr};
  Qnn_ContextHandle_t context = nullptr;
  ASSERT_EQ(api.contextCreateFromBinary(backend, nullptr, context_configs, binary.data(),
                                        binary.size(), &context, nullptr),
            QNN_SUCCESS);
  Qnn_GraphHandle_t graph = nullptr;
  ASSERT_EQ(api.graphRetrieve(context, "fc_dequant", &graph), QNN_SUCCESS);

  // A quantised uint8 input and a float output, as the plug-in copies them
  // from a binary's metadata and gives them buffers of their own.
  std::vector<uint32_t> input_dims{2, 3};
  Qnn_Tensor_t input_record = TensorRecord(11, "input_q", QNN_TENSOR_TYPE_APP_WRITE,
                                           QNN_DATATYPE_UFIXED_POINT_8, &input_dims);
  input_record.v1.quantizeParams.encodingDefinition = QNN_DEFINITION_DEFINED;
  input_record.v1.quantizeParams.quantizationEncoding = QNN_QUANTIZATION_ENCODING_SCALE_OFFSET;
  input_record.v1.quantizeParams.scaleOffsetEncoding.scale = 0.25f;
  input_record.v1.quantizeParams.scaleOffsetEncoding.offset = -128;
  std::vector<uint32_t> output_dims{1, 3};
  Qnn_Tensor_t output_record = TensorRecord(12, "output_f", QNN_TENSOR_TYPE_APP_READ,
                                            QNN_DATATYPE_FLOAT_32, &output_dims);
  qnn::TensorWrapper input(input_record);
  qnn::TensorWrapper output(output_record);
  ASSERT_EQ(input.AllocateData(), 6u);
  ASSERT_EQ(output.AllocateData(), 12u);
  const std::vector<uint8_t> input_bytes{3, 1, 4, 1, 5, 9};
  std::memcpy(input.tensor().v1.clientBuf.data, input_bytes.data(), input_bytes.size());

  // One tensor per array: this library's tensor record is shorter than
  // today's, so a second element would not lie where it looks for it.
  ASSERT_EQ(api.graphExecute(graph, &input.tensor(), 1, &output.mutable_tensor(), 1, nullptr,
                             nullptr),
            QNN_SUCCESS);
  EXPECT_EQ(api.contextFree(context, nullptr), QNN_SUCCESS);
  EXPECT_EQ(api.backendFree(backend), QNN_SUCCESS);
  EXPECT_EQ(api.logFree(log), QNN_SUCCESS);

  const SaverRecording recording = ReadSaverRecording(output_dir_);
  EXPECT_EQ(recording.context_binary, binary);
  EXPECT_EQ(recording.context_priorities, std::vector<uint32_t>{QNN_PRIORITY_NORMAL_HIGH});
  EXPECT_EQ(recording.retrieved_graphs, std::vector<std::string>{"fc_dequant"});
  ASSERT_EQ(recording.tensors.count("input_q"), 1u);
  ASSERT_EQ(recording.tensors.count("output_f"), 1u);
  ExpectRecorded(recording.tensors.at("input_q"), input);
  ExpectRecorded(recording.tensors.at("output_f"), output);
  EXPECT_EQ(recording.tensors.at("input_q").data, input_bytes);
  EXPECT_EQ(recording.tensors.at("output_f").data, std::vector<uint8_t>(12, 0));
}

}  // namespace
}  // namespace vantro::testing
