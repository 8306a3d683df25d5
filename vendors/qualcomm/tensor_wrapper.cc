#include "vendors/qualcomm/tensor_wrapper.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {

Qnn_QuantizeParams_t QuantizeParamsWrapper::Record() const {
  Qnn_QuantizeParams_t record;
  std::memset(&record, 0, sizeof(record));
  if (const auto* p = std::get_if<ScaleOffsetQuantizeParams>(&params_)) {
    record.encodingDefinition = QNN_DEFINITION_DEFINED;
    record.quantizationEncoding = QNN_QUANTIZATION_ENCODING_SCALE_OFFSET;
    record.scaleOffsetEncoding.scale = p->scale;
    record.scaleOffsetEncoding.offset = p->offset;
  } else if (const auto* p = std::get_if<AxisScaleOffsetQuantizeParams>(&params_)) {
    record.encodingDefinition = QNN_DEFINITION_DEFINED;
    record.quantizationEncoding = QNN_QUANTIZATION_ENCODING_AXIS_SCALE_OFFSET;
    record.axisScaleOffsetEncoding.axis = p->axis;
    record.axisScaleOffsetEncoding.numScaleOffsets = static_cast<uint32_t>(p->scale_offsets.size());
    // QNN's record is not const-correct; QNN only reads the pairs.
    record.axisScaleOffsetEncoding.scaleOffset =
        const_cast<Qnn_ScaleOffset_t*>(p->scale_offsets.data());
  } else {
    record.encodingDefinition = QNN_DEFINITION_UNDEFINED;
    record.quantizationEncoding = QNN_QUANTIZATION_ENCODING_UNDEFINED;
  }
  return record;
}

TensorWrapper::TensorWrapper(const Qnn_Tensor_t& tensor) : tensor_(tensor) {
  if (!IsSupportedVersion()) return;
  // Version 2 keeps version 1's fields in the same places.
  const Qnn_TensorV1_t& source = tensor.v1;
  if (source.name != nullptr) name_ = source.name;
  // A record without a dimension array still gets one entry per rank, so the
  // record never claims more dimensions than it points to.
  dimensions_.reserve(source.rank);
  if (source.dimensions != nullptr) {
    dimensions_.assign(source.dimensions, source.dimensions + source.rank);
  } else {
    dimensions_.assign(source.rank, 0);
  }
  if (QnnWord(tensor_.version) == QNN_TENSOR_VERSION_2 &&
      tensor.v2.isDynamicDimensions != nullptr) {
    // One flag per dimension; at least one byte, so that the copy of a
    // rank-0 record's array is not null either.
    dynamic_dimensions_.assign(std::max<uint32_t>(source.rank, 1), 0);
    std::copy(tensor.v2.isDynamicDimensions, tensor.v2.isDynamicDimensions + source.rank,
              dynamic_dimensions_.begin());
  }
  // A static tensor's contents are QNN's memory: the wrapper keeps a copy
  // (bound below, with the size QNN gave).
  const bool static_data = QnnWord(source.type) == QNN_TENSOR_TYPE_STATIC &&
                           QnnWord(source.memType) == QNN_TENSORMEMTYPE_RAW &&
                           source.clientBuf.data != nullptr && source.clientBuf.dataSize != 0;
  if (static_data) {
    const uint8_t* bytes = static_cast<const uint8_t*>(source.clientBuf.data);
    data_.assign(bytes, bytes + source.clientBuf.dataSize);
  }
  const Qnn_QuantizeParams_t& quant = source.quantizeParams;
  const uint32_t encoding = QnnWord(quant.quantizationEncoding);
  if (QnnWord(quant.encodingDefinition) == QNN_DEFINITION_DEFINED) {
    if (encoding == QNN_QUANTIZATION_ENCODING_SCALE_OFFSET) {
      quantize_params_ = ScaleOffsetQuantizeParams{quant.scaleOffsetEncoding.scale,
                                                   quant.scaleOffsetEncoding.offset};
    } else if (encoding == QNN_QUANTIZATION_ENCODING_AXIS_SCALE_OFFSET) {
      AxisScaleOffsetQuantizeParams axis;
      axis.axis = quant.axisScaleOffsetEncoding.axis;
      const Qnn_ScaleOffset_t* pairs = quant.axisScaleOffsetEncoding.scaleOffset;
      if (pairs != nullptr) {
        axis.scale_offsets.assign(pairs, pairs + quant.axisScaleOffsetEncoding.numScaleOffsets);
      }
      quantize_params_ = std::move(axis);
    } else {
      QnnLog(kQnnLogError, "ERROR: [Qnn] Unsupported quantization encoding: %d",
             static_cast<int>(encoding));
    }
  }
  UpdateTensorPointers(static_data);
}

TensorWrapper::TensorWrapper(const TensorWrapper& other)
    : tensor_(other.tensor_),
      name_(other.name_),
      dimensions_(other.dimensions_),
      quantize_params_(other.quantize_params_),
      dynamic_dimensions_(other.dynamic_dimensions_),
      data_(other.data_) {
  UpdateTensorPointers(other.BindsBytes(other.data_));
}

TensorWrapper& TensorWrapper::operator=(const TensorWrapper& other) {
  if (this != &other) *this = TensorWrapper(other);
  return *this;
}

// A moved vector keeps its storage, so whether the source bound its own
// bytes is read on the target, after the move.
TensorWrapper::TensorWrapper(TensorWrapper&& other) noexcept
    : tensor_(other.tensor_),
      name_(std::move(other.name_)),
      dimensions_(std::move(other.dimensions_)),
      quantize_params_(std::move(other.quantize_params_)),
      dynamic_dimensions_(std::move(other.dynamic_dimensions_)),
      data_(std::move(other.data_)) {
  UpdateTensorPointers(BindsBytes(data_));
  other.Clear();
}

TensorWrapper& TensorWrapper::operator=(TensorWrapper&& other) noexcept {
  if (this == &other) return *this;
  tensor_ = other.tensor_;
  name_ = std::move(other.name_);
  dimensions_ = std::move(other.dimensions_);
  quantize_params_ = std::move(other.quantize_params_);
  dynamic_dimensions_ = std::move(other.dynamic_dimensions_);
  data_ = std::move(other.data_);
  UpdateTensorPointers(BindsBytes(data_));
  other.Clear();
  return *this;
}

void TensorWrapper::Clear() {
  // A zeroed record of no version points at nothing.
  std::memset(&tensor_, 0, sizeof(tensor_));
  name_.clear();
  dimensions_.clear();
  quantize_params_ = UndefinedQuantizeParams{};
  dynamic_dimensions_.clear();
  data_.clear();
}

bool TensorWrapper::BindsBytes(const std::vector<uint8_t>& bytes) const {
  if (!IsSupportedVersion()) return false;
  const Qnn_TensorV1_t& record = tensor_.v1;
  return QnnWord(record.memType) == QNN_TENSORMEMTYPE_RAW && record.clientBuf.data != nullptr &&
         record.clientBuf.data == bytes.data();
}

void TensorWrapper::UpdateTensorPointers(bool bind_data) {
  if (!IsSupportedVersion()) return;
  Qnn_TensorV1_t& record = tensor_.v1;
  record.name = name_.c_str();
  record.dimensions = dimensions_.data();
  record.quantizeParams = quantize_params_.Record();
  if (QnnWord(tensor_.version) == QNN_TENSOR_VERSION_2 && !dynamic_dimensions_.empty()) {
    tensor_.v2.isDynamicDimensions = dynamic_dimensions_.data();
  }
  // The size and memory type stay as the source had them with these bytes.
  if (bind_data) {
    record.memType = QNN_TENSORMEMTYPE_RAW;
    record.clientBuf.data = data_.data();
  }
}

uint32_t TensorWrapper::DataTypeSize(uint32_t data_type) {
  switch (data_type) {
    case 0x0008:
    case 0x0108:
    case 0x0308:
    case 0x0408:
    case 0x0508:
      return 1;
    case 0x0016:
    case 0x0116:
    case 0x0216:
    case 0x0316:
    case 0x0416:
      return 2;
    case 0x0032:
    case 0x0132:
    case 0x0232:
    case 0x0332:
    case 0x0432:
      return 4;
    case 0x0064:
    case 0x0164:
    case 0x0264:
      return 8;
    default:
      return 0;
  }
}

bool TensorWrapper::CheckedByteSize(uint64_t* size) const {
  // Multiplied in 64 bits with an overflow check: wrapping would give a
  // large tensor a small size, and a buffer of that size would be too short.
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  uint64_t product = 1;
  for (uint32_t d : dimensions_) {
    if (d != 0 && product > kMax / d) return false;
    product *= d;
  }
  const uint64_t element = DataTypeSize(QnnWord(tensor_.v1.dataType));
  if (element != 0 && product > kMax / element) return false;
  *size = product * element;
  return true;
}

uint64_t TensorWrapper::ByteSize() const {
  uint64_t size = 0;
  return CheckedByteSize(&size) ? size : 0;
}

uint64_t TensorWrapper::AllocateData() {
  uint64_t size = 0;
  if (!CheckedByteSize(&size) || size > std::numeric_limits<uint32_t>::max()) {
    // No buffer at all is safer than one QNN would overrun.
    QnnLog(kQnnLogError, "ERROR: [Qnn] Tensor %s is too large for a QNN client buffer",
           name_.c_str());
    tensor_.v1.memType = QNN_TENSORMEMTYPE_RAW;
    tensor_.v1.clientBuf.data = nullptr;
    tensor_.v1.clientBuf.dataSize = 0;
    return 0;
  }
  data_.resize(size);
  tensor_.v1.memType = QNN_TENSORMEMTYPE_RAW;
  tensor_.v1.clientBuf.data = data_.data();
  tensor_.v1.clientBuf.dataSize = static_cast<uint32_t>(size);
  return size;
}

}  // namespace qnn
