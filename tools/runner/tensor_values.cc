#include "tools/runner/tensor_values.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "vendors/qualcomm/qnn_interface.h"

namespace vantro::runner {
namespace {

// The storage class of a data type: how one element is read and made.
enum class Storage { kNone, kSigned, kUnsigned, kFloat16, kFloat32, kFloat64, kBool };

struct StorageInfo {
  Storage storage = Storage::kNone;
  size_t size = 0;
  bool fixed_point = false;
};

StorageInfo InfoOf(uint32_t type) {
  switch (type) {
    case QNN_DATATYPE_INT_8:
      return {Storage::kSigned, 1, false};
    case QNN_DATATYPE_INT_16:
      return {Storage::kSigned, 2, false};
    case QNN_DATATYPE_INT_32:
      return {Storage::kSigned, 4, false};
    case QNN_DATATYPE_INT_64:
      return {Storage::kSigned, 8, false};
    case QNN_DATATYPE_UINT_8:
      return {Storage::kUnsigned, 1, false};
    case QNN_DATATYPE_UINT_16:
      return {Storage::kUnsigned, 2, false};
    case QNN_DATATYPE_UINT_32:
      return {Storage::kUnsigned, 4, false};
    case QNN_DATATYPE_UINT_64:
      return {Storage::kUnsigned, 8, false};
    case QNN_DATATYPE_SFIXED_POINT_8:
      return {Storage::kSigned, 1, true};
    case QNN_DATATYPE_SFIXED_POINT_16:
      return {Storage::kSigned, 2, true};
    case QNN_DATATYPE_SFIXED_POINT_32:
      return {Storage::kSigned, 4, true};
    case QNN_DATATYPE_UFIXED_POINT_8:
      return {Storage::kUnsigned, 1, true};
    case QNN_DATATYPE_UFIXED_POINT_16:
      return {Storage::kUnsigned, 2, true};
    case QNN_DATATYPE_UFIXED_POINT_32:
      return {Storage::kUnsigned, 4, true};
    case QNN_DATATYPE_FLOAT_16:
      return {Storage::kFloat16, 2, false};
    case QNN_DATATYPE_FLOAT_32:
      return {Storage::kFloat32, 4, false};
    case QNN_DATATYPE_FLOAT_64:
      return {Storage::kFloat64, 8, false};
    case QNN_DATATYPE_BOOL_8:
      return {Storage::kBool, 1, false};
    default:
      return {};
  }
}

// One value of type T from possibly unaligned bytes.
template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

// Reads element `index` (little-endian host order, as the buffers are).
double ReadElement(const StorageInfo& info, const uint8_t* p) {
  switch (info.storage) {
    case Storage::kSigned:
      switch (info.size) {
        case 1: return Load<int8_t>(p);
        case 2: return Load<int16_t>(p);
        case 4: return Load<int32_t>(p);
        default: return static_cast<double>(Load<int64_t>(p));
      }
    case Storage::kUnsigned:
      switch (info.size) {
        case 1: return p[0];
        case 2: return Load<uint16_t>(p);
        case 4: return Load<uint32_t>(p);
        default: return static_cast<double>(Load<uint64_t>(p));
      }
    case Storage::kFloat16:
      return HalfToFloat(Load<uint16_t>(p));
    case Storage::kFloat32:
      return Load<float>(p);
    case Storage::kFloat64:
      return Load<double>(p);
    case Storage::kBool:
      return p[0] != 0 ? 1.0 : 0.0;
    case Storage::kNone:
      break;
  }
  return 0.0;
}

// The scale and offset that apply to element `index`; false when the
// quantisation does not describe it.
bool QuantizationFor(const TensorSpec& spec, uint64_t index, float* scale, int32_t* offset) {
  const Quantization& q = spec.quantization;
  if (q.kind == Quantization::Kind::kScaleOffset) {
    if (q.scales.empty() || q.offsets.empty()) return false;
    *scale = q.scales[0];
    *offset = q.offsets[0];
    return true;
  }
  if (q.kind != Quantization::Kind::kAxisScaleOffset || q.axis < 0 ||
      static_cast<size_t>(q.axis) >= spec.dimensions.size()) {
    return false;
  }
  uint64_t inner = 1;
  for (size_t d = static_cast<size_t>(q.axis) + 1; d < spec.dimensions.size(); ++d) {
    inner *= spec.dimensions[d];
  }
  const uint32_t extent = spec.dimensions[static_cast<size_t>(q.axis)];
  if (inner == 0 || extent == 0) return false;
  const uint64_t channel = (index / inner) % extent;
  if (channel >= q.scales.size() || channel >= q.offsets.size()) return false;
  *scale = q.scales[channel];
  *offset = q.offsets[channel];
  return true;
}

// SplitMix64: a tiny generator whose output is fixed by its definition, so
// seeded contents are the same with every standard library.
class SeededBits {
 public:
  SeededBits(uint64_t seed, uint64_t stream)
      : state_(seed ^ (stream * 0xD1B54A32D192ED03ull) ^ 0x5851F42D4C957F2Dull) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [-1, 1) on a grid of 2^-23, exact in float.
  double UnitInterval() { return static_cast<double>(Next() >> 40) / 8388608.0 - 1.0; }

 private:
  uint64_t state_;
};

void StoreElement(const StorageInfo& info, SeededBits& bits, uint8_t* p) {
  switch (info.storage) {
    case Storage::kSigned:
    case Storage::kUnsigned: {
      uint64_t word;
      if (info.fixed_point) {
        word = bits.Next();  // any stored value, the low bytes kept
      } else if (info.storage == Storage::kSigned) {
        word = static_cast<uint64_t>(static_cast<int64_t>(bits.Next() % 201) - 100);
      } else {
        word = bits.Next() % 101;
      }
      for (size_t i = 0; i < info.size; ++i) p[i] = static_cast<uint8_t>(word >> (8 * i));
      return;
    }
    case Storage::kFloat16: {
      const uint16_t v = FloatToHalf(static_cast<float>(bits.UnitInterval()));
      std::memcpy(p, &v, 2);
      return;
    }
    case Storage::kFloat32: {
      const float v = static_cast<float>(bits.UnitInterval());
      std::memcpy(p, &v, 4);
      return;
    }
    case Storage::kFloat64: {
      const double v = bits.UnitInterval();
      std::memcpy(p, &v, 8);
      return;
    }
    case Storage::kBool:
      p[0] = static_cast<uint8_t>(bits.Next() & 1);
      return;
    case Storage::kNone:
      break;
  }
}

}  // namespace

size_t ElementSize(uint32_t qnn_data_type) { return InfoOf(qnn_data_type).size; }

bool IsDecodable(uint32_t qnn_data_type) { return InfoOf(qnn_data_type).storage != Storage::kNone; }

bool IsQuantized(const TensorSpec& spec) {
  return InfoOf(spec.qnn_data_type).fixed_point &&
         spec.quantization.kind != Quantization::Kind::kNone;
}

std::vector<double> DecodeValues(const TensorSpec& spec, absl::Span<const uint8_t> bytes,
                                 size_t max_count) {
  const StorageInfo info = InfoOf(spec.qnn_data_type);
  std::vector<double> values;
  if (info.storage == Storage::kNone) return values;
  const uint64_t whole = bytes.size() / info.size;
  const uint64_t count = std::min<uint64_t>(whole, max_count);
  values.reserve(count);
  const bool quantized = IsQuantized(spec);
  for (uint64_t i = 0; i < count; ++i) {
    double v = ReadElement(info, bytes.data() + i * info.size);
    float scale = 1.0f;
    int32_t offset = 0;
    if (quantized && QuantizationFor(spec, i, &scale, &offset)) {
      v = static_cast<double>(scale) * (v + offset);
    }
    values.push_back(v);
  }
  return values;
}

std::vector<uint8_t> GenerateContents(const TensorSpec& spec, uint64_t byte_size, uint64_t seed,
                                      uint64_t stream) {
  std::vector<uint8_t> bytes(byte_size);
  SeededBits bits(seed, stream);
  const StorageInfo info = InfoOf(spec.qnn_data_type);
  size_t at = 0;
  if (info.storage != Storage::kNone) {
    for (; at + info.size <= bytes.size(); at += info.size) StoreElement(info, bits, &bytes[at]);
  }
  for (; at < bytes.size(); ++at) bytes[at] = static_cast<uint8_t>(bits.Next());
  return bytes;
}

uint16_t FloatToHalf(float value) {
  uint32_t x;
  std::memcpy(&x, &value, 4);
  const uint16_t sign = static_cast<uint16_t>((x >> 16) & 0x8000u);
  const uint32_t exponent = (x >> 23) & 0xFFu;
  uint32_t mantissa = x & 0x7FFFFFu;
  if (exponent == 0xFFu) {  // infinity or NaN (NaN stays quiet and non-zero)
    return static_cast<uint16_t>(sign | 0x7C00u | (mantissa != 0 ? 0x200u | (mantissa >> 13) : 0));
  }
  const int e = static_cast<int>(exponent) - 127 + 15;
  if (e >= 0x1F) return static_cast<uint16_t>(sign | 0x7C00u);
  if (e <= 0) {
    if (e < -10) return sign;
    mantissa |= 0x800000u;
    const int shift = 14 - e;
    uint32_t half = mantissa >> shift;
    const uint32_t rest = mantissa & ((1u << shift) - 1);
    const uint32_t halfway = 1u << (shift - 1);
    if (rest > halfway || (rest == halfway && (half & 1u) != 0)) ++half;
    return static_cast<uint16_t>(sign | half);
  }
  uint32_t half = (static_cast<uint32_t>(e) << 10) | (mantissa >> 13);
  const uint32_t rest = mantissa & 0x1FFFu;
  if (rest > 0x1000u || (rest == 0x1000u && (half & 1u) != 0)) ++half;  // may carry into inf
  return static_cast<uint16_t>(sign | half);
}

float HalfToFloat(uint16_t half) {
  const bool negative = (half & 0x8000u) != 0;
  const uint32_t exponent = (half >> 10) & 0x1Fu;
  const uint32_t mantissa = half & 0x3FFu;
  float value;
  if (exponent == 0) {
    value = std::ldexp(static_cast<float>(mantissa), -24);
  } else if (exponent == 0x1F) {
    value = mantissa == 0 ? INFINITY : NAN;
  } else {
    value = std::ldexp(static_cast<float>(mantissa | 0x400u), static_cast<int>(exponent) - 25);
  }
  return negative ? -value : value;
}

}  // namespace vantro::runner
