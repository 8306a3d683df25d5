// Self-contained copies of QNN tensor records. QNN describes a tensor with
// a record whose name, dimensions, quantisation arrays and data point into
// memory owned by someone else; a TensorWrapper keeps the record together
// with everything it points to, so it outlives the QNN memory it came from
// and can be copied, moved and kept in lists.
#ifndef VANTRO_VENDORS_QUALCOMM_TENSOR_WRAPPER_H_
#define VANTRO_VENDORS_QUALCOMM_TENSOR_WRAPPER_H_

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "vendors/qualcomm/qnn_interface.h"

namespace qnn {

// No quantisation (QNN's "undefined" encoding).
struct UndefinedQuantizeParams {};

// One scale and offset for the whole tensor (real = scale * (q + offset)).
struct ScaleOffsetQuantizeParams {
  float scale = 0.0f;
  int32_t offset = 0;
};

// One scale and offset per index along `axis`; owns its pairs.
struct AxisScaleOffsetQuantizeParams {
  int32_t axis = 0;
  std::vector<Qnn_ScaleOffset_t> scale_offsets;
};

// A tensor's quantisation in one of three forms, and the QNN record view of
// it. The axis form's view points at the pairs this object owns.
class QuantizeParamsWrapper {
 public:
  using Params =
      std::variant<UndefinedQuantizeParams, ScaleOffsetQuantizeParams, AxisScaleOffsetQuantizeParams>;

  QuantizeParamsWrapper() = default;
  QuantizeParamsWrapper(UndefinedQuantizeParams params) : params_(params) {}  // NOLINT
  QuantizeParamsWrapper(ScaleOffsetQuantizeParams params) : params_(params) {}  // NOLINT
  QuantizeParamsWrapper(AxisScaleOffsetQuantizeParams params)  // NOLINT
      : params_(std::move(params)) {}

  const Params& params() const { return params_; }

  // Whether the parameters are of form T, and the form itself (null when
  // they are of another).
  template <typename T>
  bool Is() const {
    return std::holds_alternative<T>(params_);
  }
  template <typename T>
  const T* Get() const {
    return std::get_if<T>(&params_);
  }

  // The QNN record: definition and encoding 0x7FFFFFFF for the undefined
  // form; definition 1 and encoding 0 or 1 with the form's fields otherwise.
  Qnn_QuantizeParams_t Record() const;

 private:
  Params params_;
};

// A QNN tensor record (version 1 or 2) with everything it points to.
//
// Invariant, kept by construction, copy and move: the record's name
// pointer designates `name()`, its dimension pointer `dimensions()`, its
// quantisation is the view of `quantize_params()`, and a version-2
// record's dynamic-dimension flags (when it has any) are the wrapper's own
// copy. The client buffer is the wrapper's own bytes when they are bound
// (a static tensor's contents, copied at construction, or AllocateData);
// a copy then binds its own copy of them, with the same size and memory
// type. Otherwise the buffer fields (memory type, client buffer or memory
// handle) stay as they were: a copy or a move never rebinds a host
// buffer or a memory handle to the wrapper's bytes. Every other field
// stays as copied. Records of other versions are kept as copied, pointing
// wherever they pointed.
class TensorWrapper {
 public:
  // Copies `tensor` and everything it points to; the record is only read.
  // An unsupported quantisation encoding is reported through QnnLog and
  // the tensor is carried without quantisation. A static tensor's raw
  // client buffer is copied into the wrapper's own bytes and bound; other
  // tensors' buffers are kept as bound.
  explicit TensorWrapper(const Qnn_Tensor_t& tensor);

  TensorWrapper(const TensorWrapper& other);
  TensorWrapper& operator=(const TensorWrapper& other);
  // Takes the storage of `other`, which is left empty.
  TensorWrapper(TensorWrapper&& other) noexcept;
  TensorWrapper& operator=(TensorWrapper&& other) noexcept;
  ~TensorWrapper() = default;

  // The record handed to QNN.
  const Qnn_Tensor_t& tensor() const { return tensor_; }
  // The record, for binding buffers to it.
  Qnn_Tensor_t& mutable_tensor() { return tensor_; }

  const std::string& name() const { return name_; }
  const std::vector<uint32_t>& dimensions() const { return dimensions_; }
  const QuantizeParamsWrapper& quantize_params() const { return quantize_params_; }

  // The tensor's size in bytes: the product of the dimensions (1 for rank
  // 0) times the element size of its data type, computed in 64 bits; 0 for
  // an unknown data type, and 0 when the product overflows 64 bits (such a
  // tensor has no usable size).
  uint64_t ByteSize() const;

  // Sizes the wrapper's own bytes to ByteSize (keeping what they hold,
  // zero-filling growth) and binds them as the record's client buffer
  // (memory type raw); returns the size. A tensor whose size overflows, or
  // does not fit the record's 32-bit buffer size, gets no buffer: the
  // record's client buffer is cleared (null, 0, memory type raw), the bytes
  // are left alone, the refusal is reported through QnnLog and 0 is
  // returned.
  uint64_t AllocateData();

  // Element size of a QNN data type; 0 for codes not in the table.
  static uint32_t DataTypeSize(uint32_t data_type);

 private:
  // Leaves a moved-from wrapper empty.
  void Clear();
  // Whether the record's client buffer is `bytes` (a wrapper's own bytes).
  bool BindsBytes(const std::vector<uint8_t>& bytes) const;
  // Re-points the record at this wrapper's storage; its client buffer too
  // when `bind_data` (the source bound its own bytes).
  void UpdateTensorPointers(bool bind_data);
  bool IsSupportedVersion() const {
    const uint32_t version = QnnWord(tensor_.version);
    return version == QNN_TENSOR_VERSION_1 || version == QNN_TENSOR_VERSION_2;
  }
  // ByteSize, with overflow told apart from a size of 0.
  bool CheckedByteSize(uint64_t* size) const;

  Qnn_Tensor_t tensor_;
  std::string name_;
  std::vector<uint32_t> dimensions_;
  QuantizeParamsWrapper quantize_params_;
  // A version-2 record's flags, one per dimension and at least one byte;
  // empty when the record has none (a null array).
  std::vector<uint8_t> dynamic_dimensions_;
  std::vector<uint8_t> data_;
};

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_TENSOR_WRAPPER_H_
