// Reading and writing the words of QNN records by their bytes. QNN declares
// many one-word fields as enumerations; the plug-in and the tests may put
// any number there (also one QNN does not define), and loading or storing
// an enumeration outside its range would be undefined. Bool fields are
// read as their first byte for the same reason: the rest of a record may
// hold QNN's initial value.
#ifndef VANTRO_SIM_QNN_SIM_RECORD_WORDS_H_
#define VANTRO_SIM_QNN_SIM_RECORD_WORDS_H_

#include <cstdint>
#include <cstring>

namespace vantro::sim::internal {

inline unsigned FirstByte(const void* field) {
  uint8_t byte = 0;
  std::memcpy(&byte, field, 1);
  return byte;
}

// The 32- or 64-bit word at `field`, whatever type the record gives it
// (also the start of a union whose members differ).
inline uint32_t Word32(const void* field) {
  uint32_t word = 0;
  std::memcpy(&word, field, sizeof(word));
  return word;
}
inline uint64_t Word64(const void* field) {
  uint64_t word = 0;
  std::memcpy(&word, field, sizeof(word));
  return word;
}

// Stores a number into a one-word field of any type.
template <typename Field>
void StoreWord(Field* field, uint32_t value) {
  static_assert(sizeof(Field) == sizeof(value), "a one-word field");
  std::memcpy(field, &value, sizeof(value));
}

}  // namespace vantro::sim::internal

#endif  // VANTRO_SIM_QNN_SIM_RECORD_WORDS_H_
