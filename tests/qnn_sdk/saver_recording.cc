#include "tests/qnn_sdk/saver_recording.h"

#include <cstdlib>
#include <regex>

#include "absl/strings/numbers.h"
#include "absl/strings/str_split.h"
#include "gtest/gtest.h"
#include "tests/qnn_sdk/sdk_libraries.h"
#include "tests/support/plugin_harness.h"

namespace vantro::testing {
namespace {

uint32_t U32(const std::string& text) {
  uint32_t value = 0;
  EXPECT_TRUE(absl::SimpleAtoi(text, &value)) << text;
  return value;
}

// The saver names a tensor's parts after one prefix
// ("context_0_<graph>_inputTensor_0_0"); its records are found by it.
SavedTensor* TensorByPrefix(std::map<std::string, SavedTensor>* by_prefix,
                            const std::string& prefix) {
  return &(*by_prefix)[prefix];
}

}  // namespace

SaverRecording ReadSaverRecording(const std::string& directory) {
  SaverRecording recording;
  const std::string program = ReadText(directory + "/saver_output.c");
  const std::string params = ReadText(directory + "/params.bin");
  EXPECT_FALSE(program.empty()) << "no saver_output.c in " << directory;

  // Each fread of the program takes the next bytes of params.bin.
  std::map<std::string, std::vector<uint8_t>> bytes_of;
  const std::regex fread_line(R"(fread\((\w+), (\d+), (\d+), fp\);)");
  size_t at = 0;
  for (std::sregex_iterator it(program.begin(), program.end(), fread_line), end; it != end;
       ++it) {
    const size_t size = size_t{U32((*it)[2])} * U32((*it)[3]);
    EXPECT_LE(at + size, params.size()) << "params.bin is shorter than the program reads";
    if (at + size > params.size()) break;
    bytes_of[(*it)[1]] = std::vector<uint8_t>(params.begin() + at, params.begin() + at + size);
    at += size;
  }
  recording.context_binary = bytes_of["context_0_binary"];

  const std::regex priority(R"(\.priority=\(Qnn_Priority_t\)(\d+))");
  for (std::sregex_iterator it(program.begin(), program.end(), priority), end; it != end; ++it) {
    recording.context_priorities.push_back(U32((*it)[1]));
  }
  const std::regex retrieve(R"re(graphRetrieve\(\w+, "([^"]*)")re");
  for (std::sregex_iterator it(program.begin(), program.end(), retrieve), end; it != end; ++it) {
    recording.retrieved_graphs.push_back((*it)[1]);
  }

  std::map<std::string, SavedTensor> by_prefix;
  const std::regex dims(R"(uint32_t (\w+)_dims\[\] = \{([0-9, ]*)\};)");
  for (std::sregex_iterator it(program.begin(), program.end(), dims), end; it != end; ++it) {
    SavedTensor* tensor = TensorByPrefix(&by_prefix, (*it)[1]);
    for (absl::string_view d : absl::StrSplit(std::string((*it)[2]), ", ", absl::SkipEmpty())) {
      tensor->dimensions.push_back(U32(std::string(d)));
    }
  }
  const std::regex quant(
      R"(Qnn_QuantizeParams_t (\w+)_quantizeParams = \{\(Qnn_Definition_t\)(\d+), )"
      R"(\(Qnn_QuantizationEncoding_t\)(\d+), \.scaleOffsetEncoding = \{([-+0-9.eE]+), (-?\d+)\}\};)");
  for (std::sregex_iterator it(program.begin(), program.end(), quant), end; it != end; ++it) {
    SavedTensor* tensor = TensorByPrefix(&by_prefix, (*it)[1]);
    tensor->encoding_definition = U32((*it)[2]);
    tensor->quantization_encoding = U32((*it)[3]);
    tensor->scale = std::strtof(std::string((*it)[4]).c_str(), nullptr);
    tensor->offset = std::atoi(std::string((*it)[5]).c_str());
  }
  const std::regex buffer(R"(Qnn_ClientBuffer_t (\w+)_clientBuf = \{\(void\*\)(\w+), (\d+)\};)");
  for (std::sregex_iterator it(program.begin(), program.end(), buffer), end; it != end; ++it) {
    SavedTensor* tensor = TensorByPrefix(&by_prefix, (*it)[1]);
    tensor->data_size = U32((*it)[3]);
    tensor->data = bytes_of[(*it)[2]];
  }
  const std::regex v1(
      R"re(Qnn_TensorV1_t (\w+)_v1 = \{(\d+), "([^"]*)", \(Qnn_TensorType_t\)(\d+), (\d+), )re"
      R"re(\(Qnn_DataType_t\)(\d+), \w+, (\d+), \w+, \(Qnn_TensorMemType_t\)(\d+), \w+\};)re");
  const std::regex version(R"(Qnn_Tensor_t (\w+) = \{\(Qnn_TensorVersion_t\)(\d+),)");
  std::map<std::string, uint32_t> versions;
  for (std::sregex_iterator it(program.begin(), program.end(), version), end; it != end; ++it) {
    versions[(*it)[1]] = U32((*it)[2]);
  }
  for (std::sregex_iterator it(program.begin(), program.end(), v1), end; it != end; ++it) {
    SavedTensor tensor = *TensorByPrefix(&by_prefix, (*it)[1]);
    tensor.version = versions[(*it)[1]];
    tensor.id = U32((*it)[2]);
    tensor.name = (*it)[3];
    tensor.type = U32((*it)[4]);
    tensor.data_format = U32((*it)[5]);
    tensor.data_type = U32((*it)[6]);
    const uint32_t rank = U32((*it)[7]);
    EXPECT_EQ(rank, tensor.dimensions.size()) << tensor.name;
    tensor.mem_type = U32((*it)[8]);
    recording.tensors[tensor.name] = tensor;
  }
  return recording;
}

}  // namespace vantro::testing
