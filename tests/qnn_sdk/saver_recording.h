// What QNN's saver backend recorded: its saver_output.c (a C program that
// replays every call it received, each record spelled out) and params.bin
// (the bytes those calls were given), read back into values.
#ifndef VANTRO_TESTS_QNN_SDK_SAVER_RECORDING_H_
#define VANTRO_TESTS_QNN_SDK_SAVER_RECORDING_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vantro::testing {

// One tensor record as the saver spells it.
struct SavedTensor {
  uint32_t version = 0;
  uint32_t id = 0;
  std::string name;
  uint32_t type = 0;
  uint32_t data_format = 0;
  uint32_t data_type = 0;
  uint32_t encoding_definition = 0;
  uint32_t quantization_encoding = 0;
  float scale = 0.0f;
  int32_t offset = 0;
  std::vector<uint32_t> dimensions;
  uint32_t mem_type = 0;
  uint32_t data_size = 0;
  std::vector<uint8_t> data;  // the bytes params.bin holds for it
};

struct SaverRecording {
  std::vector<uint8_t> context_binary;   // the bytes of the first context
  std::vector<uint32_t> context_priorities;  // every priority config, in order
  std::vector<std::string> retrieved_graphs;
  std::map<std::string, SavedTensor> tensors;  // by tensor name
};

// Reads `directory`/saver_output.c and `directory`/params.bin; records
// what it cannot find as a test failure.
SaverRecording ReadSaverRecording(const std::string& directory);

}  // namespace vantro::testing

#endif  // VANTRO_TESTS_QNN_SDK_SAVER_RECORDING_H_
