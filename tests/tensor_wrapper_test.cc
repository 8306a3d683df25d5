// TensorWrapper and QuantizeParamsWrapper: self-contained copies of QNN
// tensor records, their sizes and their buffers.
#include "vendors/qualcomm/tensor_wrapper.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The memory a QNN record points into, held apart from the record so a
// test can drop it and see that the wrapper does not need it.
struct SourceTensor {
  std::string name = "input_0";
  std::vector<uint32_t> dimensions;
  std::vector<Qnn_ScaleOffset_t> pairs;
  Qnn_Tensor_t record{};

  SourceTensor(uint32_t data_type, std::vector<uint32_t> dims, uint32_t version = 1)
      : dimensions(std::move(dims)) {
    record.version = static_cast<Qnn_TensorVersion_t>(version);
    record.v2.id = 7;
    record.v2.name = name.c_str();
    record.v2.type = QNN_TENSOR_TYPE_APP_WRITE;
    record.v2.dataType = static_cast<Qnn_DataType_t>(data_type);
    record.v2.rank = static_cast<uint32_t>(dimensions.size());
    record.v2.dimensions = dimensions.data();
    record.v2.quantizeParams.encodingDefinition = QNN_DEFINITION_UNDEFINED;
    record.v2.quantizeParams.quantizationEncoding = QNN_QUANTIZATION_ENCODING_UNDEFINED;
    record.v2.memType = QNN_TENSORMEMTYPE_RAW;
  }

  void SetAxisScaleOffset(int32_t axis, std::vector<Qnn_ScaleOffset_t> scale_offsets) {
    pairs = std::move(scale_offsets);
    Qnn_QuantizeParams_t& q = record.v2.quantizeParams;
    q.encodingDefinition = QNN_DEFINITION_DEFINED;
    q.quantizationEncoding = QNN_QUANTIZATION_ENCODING_AXIS_SCALE_OFFSET;
    q.axisScaleOffsetEncoding.axis = axis;
    q.axisScaleOffsetEncoding.numScaleOffsets = static_cast<uint32_t>(pairs.size());
    q.axisScaleOffsetEncoding.scaleOffset = pairs.data();
  }
};

// Checks the wrapper's invariant: the record points at the wrapper's own
// storage.
void ExpectPointsIntoItself(const TensorWrapper& w) {
  const Qnn_TensorV1_t& r = w.tensor().v1;
  EXPECT_EQ(r.name, w.name().c_str());
  EXPECT_EQ(r.dimensions, w.dimensions().data());
  EXPECT_EQ(r.rank, w.dimensions().size());
  if (const auto* axis = w.quantize_params().Get<AxisScaleOffsetQuantizeParams>()) {
    EXPECT_EQ(r.quantizeParams.axisScaleOffsetEncoding.scaleOffset, axis->scale_offsets.data());
    EXPECT_EQ(r.quantizeParams.axisScaleOffsetEncoding.numScaleOffsets, axis->scale_offsets.size());
  }
}

TEST(TensorWrapperTest, ByteSize) {
  struct Case {
    const char* name;
    uint32_t data_type;
    std::vector<uint32_t> dims;
    uint64_t size;
  };
  const Case cases[] = {
      {"float32 image", QNN_DATATYPE_FLOAT_32, {1, 224, 224, 3}, 602112},
      {"uint8 of rank 0", QNN_DATATYPE_UINT_8, {}, 1},
      {"int64", QNN_DATATYPE_INT_64, {2, 3}, 48},
      {"a zero dimension", QNN_DATATYPE_FLOAT_32, {4, 0, 9}, 0},
      {"unknown data type", 0x0208, {2, 2}, 0},
      {"unlisted 64-bit fixed point", 0x0364, {2}, 0},
      // 2^32 elements: a 32-bit product wraps to 0.
      {"2^32 bytes of uint8", QNN_DATATYPE_UINT_8, {65536, 65536}, uint64_t{1} << 32},
      // 2^32 + 2^16 elements: a 32-bit product wraps to 2^16.
      {"more than 2^32 float32", QNN_DATATYPE_FLOAT_32, {65537, 65536}, 65537ull * 65536 * 4},
      {"product overflows 64 bits", QNN_DATATYPE_UINT_8, {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu},
       0},
      {"element size overflows 64 bits", QNN_DATATYPE_FLOAT_64, {0x80000000u, 0x80000000u, 2},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SourceTensor source(c.data_type, c.dims);
    EXPECT_EQ(TensorWrapper(source.record).ByteSize(), c.size);
  }
}

TEST(TensorWrapperTest, DataTypeSizeFollowsTheTableOnly) {
  for (uint32_t code : {0x0008u, 0x0108u, 0x0308u, 0x0408u, 0x0508u})
    EXPECT_EQ(TensorWrapper::DataTypeSize(code), 1u) << code;
  for (uint32_t code : {0x0016u, 0x0116u, 0x0216u, 0x0316u, 0x0416u})
    EXPECT_EQ(TensorWrapper::DataTypeSize(code), 2u) << code;
  for (uint32_t code : {0x0032u, 0x0132u, 0x0232u, 0x0332u, 0x0432u})
    EXPECT_EQ(TensorWrapper::DataTypeSize(code), 4u) << code;
  for (uint32_t code : {0x0064u, 0x0164u, 0x0264u})
    EXPECT_EQ(TensorWrapper::DataTypeSize(code), 8u) << code;
  // Codes the kind-and-width rule would suggest but the table leaves out.
  for (uint32_t code : {0x0208u, 0x0364u, 0x0464u, 0x0516u, 0x0000u, 0x7FFFFFFFu})
    EXPECT_EQ(TensorWrapper::DataTypeSize(code), 0u) << code;
}

TEST(TensorWrapperTest, QuantisationFormsAndTheirRecords) {
  SourceTensor scale_offset(QNN_DATATYPE_UFIXED_POINT_8, {4});
  Qnn_QuantizeParams_t& q = scale_offset.record.v2.quantizeParams;
  q.encodingDefinition = QNN_DEFINITION_DEFINED;
  q.quantizationEncoding = QNN_QUANTIZATION_ENCODING_SCALE_OFFSET;
  q.scaleOffsetEncoding.scale = 0.5f;
  q.scaleOffsetEncoding.offset = -128;
  TensorWrapper w(scale_offset.record);
  const auto* params = w.quantize_params().Get<ScaleOffsetQuantizeParams>();
  ASSERT_NE(params, nullptr);
  EXPECT_EQ(params->scale, 0.5f);
  EXPECT_EQ(params->offset, -128);
  EXPECT_EQ(w.tensor().v1.quantizeParams.scaleOffsetEncoding.offset, -128);

  // A definition other than 1 keeps the undefined form, without a report.
  SourceTensor undefined(QNN_DATATYPE_UFIXED_POINT_8, {4});
  undefined.record.v2.quantizeParams.encodingDefinition = QNN_DEFINITION_IMPL_GENERATED;
  undefined.record.v2.quantizeParams.quantizationEncoding = QNN_QUANTIZATION_ENCODING_SCALE_OFFSET;
  ::testing::internal::CaptureStderr();
  TensorWrapper u(undefined.record);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(u.quantize_params().Is<UndefinedQuantizeParams>());
  EXPECT_EQ(u.tensor().v1.quantizeParams.encodingDefinition, QNN_DEFINITION_UNDEFINED);
  EXPECT_EQ(u.tensor().v1.quantizeParams.quantizationEncoding,
            QNN_QUANTIZATION_ENCODING_UNDEFINED);
}

TEST(TensorWrapperTest, UnsupportedEncodingIsReportedAndDropped) {
  SourceTensor source(QNN_DATATYPE_UFIXED_POINT_8, {4});
  source.record.v2.quantizeParams.encodingDefinition = QNN_DEFINITION_DEFINED;
  source.record.v2.quantizeParams.quantizationEncoding =
      QNN_QUANTIZATION_ENCODING_BW_SCALE_OFFSET;
  SetQnnLogLevel(kQnnLogError);
  ::testing::internal::CaptureStderr();
  TensorWrapper w(source.record);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "ERROR: [Qnn] Unsupported quantization encoding: 2\n");
  SetQnnLogLevel(kQnnLogInfo);
  EXPECT_TRUE(w.quantize_params().Is<UndefinedQuantizeParams>());
  EXPECT_EQ(w.tensor().v1.quantizeParams.encodingDefinition, QNN_DEFINITION_UNDEFINED);
  EXPECT_EQ(w.tensor().v1.quantizeParams.quantizationEncoding,
            QNN_QUANTIZATION_ENCODING_UNDEFINED);
  EXPECT_EQ(static_cast<uint32_t>(w.tensor().v1.quantizeParams.encodingDefinition), 0x7FFFFFFFu);
}

TEST(TensorWrapperTest, OutlivesTheMemoryItWasCopiedFrom) {
  auto source = std::make_unique<SourceTensor>(QNN_DATATYPE_SFIXED_POINT_8,
                                               std::vector<uint32_t>{2, 3}, 2);
  source->SetAxisScaleOffset(0, {{0.25f, 1}, {0.5f, -2}});
  uint8_t dynamic[2] = {0, 1};
  source->record.v2.isDynamicDimensions = dynamic;
  source->record.v2.sparseParams.type = QNN_SPARSE_LAYOUT_HYBRID_COO;
  source->record.v2.sparseParams.hybridCoo.numSpecifiedElements = 3;
  source->record.v2.isProduced = 1;
  TensorWrapper w(source->record);
  source.reset();  // the QNN memory is gone

  EXPECT_EQ(w.name(), "input_0");
  EXPECT_THAT(w.dimensions(), ElementsAre(2u, 3u));
  ExpectPointsIntoItself(w);
  const Qnn_TensorV2_t& r = w.tensor().v2;
  EXPECT_EQ(r.id, 7u);
  EXPECT_STREQ(r.name, "input_0");
  EXPECT_EQ(r.dimensions[1], 3u);
  EXPECT_EQ(r.quantizeParams.axisScaleOffsetEncoding.scaleOffset[1].offset, -2);
  // Version 2's dynamic-dimension flags are the wrapper's own copy; its
  // other additions stay as copied.
  ASSERT_NE(r.isDynamicDimensions, nullptr);
  EXPECT_NE(r.isDynamicDimensions, dynamic);
  EXPECT_EQ(r.isDynamicDimensions[0], 0);
  EXPECT_EQ(r.isDynamicDimensions[1], 1);
  EXPECT_EQ(r.sparseParams.type, QNN_SPARSE_LAYOUT_HYBRID_COO);
  EXPECT_EQ(r.sparseParams.hybridCoo.numSpecifiedElements, 3u);
  EXPECT_EQ(r.isProduced, 1);
}

TEST(TensorWrapperTest, OtherRecordVersionsAreKeptAsCopied) {
  SourceTensor source(QNN_DATATYPE_FLOAT_32, {2}, /*version=*/3);
  TensorWrapper w(source.record);
  EXPECT_EQ(w.name(), "");
  EXPECT_TRUE(w.dimensions().empty());
  EXPECT_EQ(w.tensor().v1.name, source.name.c_str());
  EXPECT_EQ(std::memcmp(&w.tensor(), &source.record, sizeof(Qnn_Tensor_t)), 0);
}

// Numbers QNN's enumerations do not name, as a newer library or a damaged
// binary may hand them out; stored by their bytes, as QNN's memory holds them.
TEST(TensorWrapperTest, NumbersNoEnumeratorNamesAreReadAsWords) {
  const uint32_t unnamed = 0x8000'0003u;
  SourceTensor version(QNN_DATATYPE_FLOAT_32, {2});
  std::memcpy(&version.record.version, &unnamed, sizeof(unnamed));
  TensorWrapper kept(version.record);
  EXPECT_EQ(kept.name(), "");
  EXPECT_EQ(std::memcmp(&kept.tensor(), &version.record, sizeof(Qnn_Tensor_t)), 0);

  SourceTensor quantised(QNN_DATATYPE_UFIXED_POINT_8, {4});
  std::memcpy(&quantised.record.v2.quantizeParams.encodingDefinition, &unnamed, sizeof(unnamed));
  std::memcpy(&quantised.record.v2.dataType, &unnamed, sizeof(unnamed));
  TensorWrapper undefined(quantised.record);
  EXPECT_TRUE(undefined.quantize_params().Is<UndefinedQuantizeParams>());
  EXPECT_EQ(undefined.ByteSize(), 0u);  // no element size for an unknown type
}

TEST(TensorWrapperTest, CopiesOwnTheirStorage) {
  SourceTensor source(QNN_DATATYPE_SFIXED_POINT_8, {2, 3});
  source.SetAxisScaleOffset(0, {{0.25f, 1}, {0.5f, -2}});
  TensorWrapper original(source.record);
  original.AllocateData();

  TensorWrapper copy(original);
  ExpectPointsIntoItself(copy);
  const auto* mine = copy.quantize_params().Get<AxisScaleOffsetQuantizeParams>();
  const auto* theirs = original.quantize_params().Get<AxisScaleOffsetQuantizeParams>();
  ASSERT_NE(mine, nullptr);
  EXPECT_NE(mine->scale_offsets.data(), theirs->scale_offsets.data());
  EXPECT_EQ(copy.tensor().v1.quantizeParams.axisScaleOffsetEncoding.scaleOffset[1].scale, 0.5f);
  EXPECT_NE(copy.tensor().v1.name, original.tensor().v1.name);
  EXPECT_NE(copy.tensor().v1.clientBuf.data, original.tensor().v1.clientBuf.data);
  EXPECT_EQ(copy.tensor().v1.clientBuf.dataSize, 6u);

  // Lists copy deeply too, and assignment re-points the target.
  std::vector<TensorWrapper> list = {original, copy};
  std::vector<TensorWrapper> list_copy = list;
  for (size_t i = 0; i < list.size(); ++i) {
    SCOPED_TRACE(i);
    ExpectPointsIntoItself(list_copy[i]);
    EXPECT_NE(list_copy[i].tensor().v1.name, list[i].tensor().v1.name);
  }
  SourceTensor other(QNN_DATATYPE_FLOAT_32, {5});
  other.name = "a much longer name than the small-string buffer holds";
  other.record.v1.name = other.name.c_str();
  TensorWrapper assigned(other.record);
  assigned = original;
  ExpectPointsIntoItself(assigned);
  EXPECT_EQ(assigned.name(), "input_0");
}

TEST(TensorWrapperTest, MovesRepointAndLeaveTheSourceEmpty) {
  for (const char* name : {"x", "a name too long to be kept inside the string object itself"}) {
    SCOPED_TRACE(name);
    SourceTensor source(QNN_DATATYPE_FLOAT_32, {3});
    source.name = name;
    source.record.v1.name = source.name.c_str();
    TensorWrapper a(source.record);

    TensorWrapper b(std::move(a));
    ExpectPointsIntoItself(b);
    EXPECT_STREQ(b.tensor().v1.name, name);
    EXPECT_EQ(a.name(), "");  // NOLINT: the moved-from state is specified
    EXPECT_TRUE(a.dimensions().empty());
    EXPECT_EQ(a.tensor().v1.name, nullptr);

    TensorWrapper c(source.record);
    c = std::move(b);
    ExpectPointsIntoItself(c);
    EXPECT_STREQ(c.tensor().v1.name, name);
    EXPECT_EQ(b.name(), "");  // NOLINT
  }
}

TEST(TensorWrapperTest, AllocateDataBindsAndKeepsBytes) {
  SourceTensor source(QNN_DATATYPE_FLOAT_32, {2, 2});
  TensorWrapper w(source.record);
  ASSERT_EQ(w.AllocateData(), 16u);
  Qnn_ClientBuffer_t& buffer = w.mutable_tensor().v1.clientBuf;
  ASSERT_NE(buffer.data, nullptr);
  EXPECT_EQ(buffer.dataSize, 16u);
  const std::vector<uint8_t> zeros(16, 0);
  EXPECT_EQ(std::memcmp(buffer.data, zeros.data(), 16), 0);
  const float written[4] = {1, 2, 3, 4};
  std::memcpy(buffer.data, written, sizeof(written));

  ASSERT_EQ(w.AllocateData(), 16u);
  EXPECT_EQ(std::memcmp(w.tensor().v1.clientBuf.data, written, sizeof(written)), 0);
  // A host buffer bound in between is replaced by the wrapper's own.
  float host[4];
  w.mutable_tensor().v1.clientBuf = {host, sizeof(host)};
  ASSERT_EQ(w.AllocateData(), 16u);
  EXPECT_NE(w.tensor().v1.clientBuf.data, static_cast<void*>(host));
  EXPECT_EQ(std::memcmp(w.tensor().v1.clientBuf.data, written, sizeof(written)), 0);

  // Rank 0 and an unknown data type: one element, and no bytes at all.
  SourceTensor scalar(QNN_DATATYPE_UINT_8, {});
  EXPECT_EQ(TensorWrapper(scalar.record).AllocateData(), 1u);
  SourceTensor unknown(0x0208, {4});
  TensorWrapper u(unknown.record);
  EXPECT_EQ(u.AllocateData(), 0u);
  EXPECT_EQ(u.tensor().v1.clientBuf.dataSize, 0u);
}

// The contents of a static tensor and the dynamic-dimension flags of a
// version-2 record live in QNN's memory, which goes when the system context
// is freed: the wrapper, and every copy of it, holds its own.
TEST(TensorWrapperTest, StaticDataAndDynamicDimensionsAreCopied) {
  auto source = std::make_unique<SourceTensor>(QNN_DATATYPE_UINT_8, std::vector<uint32_t>{2, 3}, 2);
  std::vector<uint8_t> contents = {1, 2, 3, 4, 5, 6};
  std::vector<uint8_t> dynamic = {1, 0};
  source->record.v2.type = QNN_TENSOR_TYPE_STATIC;
  source->record.v2.clientBuf = {contents.data(), static_cast<uint32_t>(contents.size())};
  source->record.v2.isDynamicDimensions = dynamic.data();
  TensorWrapper w(source->record);
  const void* const qnn_contents = contents.data();
  const uint8_t* const qnn_dynamic = dynamic.data();
  // QNN's memory is gone (and overwritten first, in case it is not freed).
  std::fill(contents.begin(), contents.end(), 0xEE);
  std::fill(dynamic.begin(), dynamic.end(), 0xEE);
  source.reset();
  contents = {};
  dynamic = {};

  auto expect_own = [&](const TensorWrapper& t) {
    const Qnn_TensorV2_t& r = t.tensor().v2;
    EXPECT_EQ(r.memType, QNN_TENSORMEMTYPE_RAW);
    ASSERT_NE(r.clientBuf.data, nullptr);
    EXPECT_NE(r.clientBuf.data, qnn_contents);
    ASSERT_EQ(r.clientBuf.dataSize, 6u);
    const uint8_t* bytes = static_cast<const uint8_t*>(r.clientBuf.data);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    ASSERT_NE(r.isDynamicDimensions, nullptr);
    EXPECT_NE(r.isDynamicDimensions, qnn_dynamic);
    EXPECT_EQ(r.isDynamicDimensions[0], 1);
    EXPECT_EQ(r.isDynamicDimensions[1], 0);
  };
  {
    SCOPED_TRACE("constructed");
    expect_own(w);
  }
  TensorWrapper copy(w);
  {
    SCOPED_TRACE("copied");
    expect_own(copy);
    EXPECT_NE(copy.tensor().v2.clientBuf.data, w.tensor().v2.clientBuf.data);
    EXPECT_NE(copy.tensor().v2.isDynamicDimensions, w.tensor().v2.isDynamicDimensions);
  }
  TensorWrapper moved(std::move(copy));
  {
    SCOPED_TRACE("moved");
    expect_own(moved);
    EXPECT_EQ(copy.tensor().v2.clientBuf.data, nullptr);  // NOLINT: the moved-from state
  }
  std::vector<TensorWrapper> list = {w, moved};
  list.reserve(16);  // moves both
  for (const TensorWrapper& t : list) {
    SCOPED_TRACE("in a list");
    expect_own(t);
  }

  // A version-1 record has no dynamic dimensions; a version-2 record
  // without them keeps a null array, which the bind tells apart.
  SourceTensor plain(QNN_DATATYPE_UINT_8, {2}, 2);
  EXPECT_EQ(TensorWrapper(plain.record).tensor().v2.isDynamicDimensions, nullptr);
  // Rank 0 with an array: nothing to copy, but still marked dynamic.
  SourceTensor scalar(QNN_DATATYPE_UINT_8, {}, 2);
  uint8_t none = 0;
  scalar.record.v2.isDynamicDimensions = &none;
  EXPECT_NE(TensorWrapper(scalar.record).tensor().v2.isDynamicDimensions, nullptr);
}

// Only a static tensor's contents are taken over: another tensor's client
// buffer is whatever its owner bound, and stays theirs.
TEST(TensorWrapperTest, OtherClientBuffersAreKeptAsBound) {
  float host[4] = {1, 2, 3, 4};
  SourceTensor source(QNN_DATATYPE_FLOAT_32, {4});
  source.record.v1.clientBuf = {host, sizeof(host)};
  TensorWrapper w(source.record);
  EXPECT_EQ(w.tensor().v1.clientBuf.data, static_cast<void*>(host));
  EXPECT_EQ(w.tensor().v1.clientBuf.dataSize, sizeof(host));
  EXPECT_EQ(TensorWrapper(w).tensor().v1.clientBuf.data, static_cast<void*>(host));
}

// Copying or moving a wrapper keeps its record's buffer what it was: its own
// bytes when they are bound (the copy's own bytes then), else the host's
// buffer, a memory handle or nothing, with the size and memory type that go
// with it.
TEST(TensorWrapperTest, CopiesAndMovesKeepTheBufferBindingConsistent) {
  float host[8] = {};
  const Qnn_MemHandle_t mem_handle = reinterpret_cast<Qnn_MemHandle_t>(uintptr_t{0x1234});
  struct Case {
    const char* name;
    void (*bind)(TensorWrapper& w, float* host, Qnn_MemHandle_t mem_handle);
  };
  const Case cases[] = {
      {"own bytes",
       [](TensorWrapper& w, float*, Qnn_MemHandle_t) {
         w.AllocateData();
         const float values[4] = {1, 2, 3, 4};
         std::memcpy(w.mutable_tensor().v1.clientBuf.data, values, sizeof(values));
       }},
      {"host buffer after own bytes",
       [](TensorWrapper& w, float* host, Qnn_MemHandle_t) {
         w.AllocateData();
         Qnn_TensorV1_t& r = w.mutable_tensor().v1;
         r.memType = QNN_TENSORMEMTYPE_RAW;
         r.clientBuf = {host, 8 * sizeof(float)};
       }},
      {"memory handle after own bytes",
       [](TensorWrapper& w, float*, Qnn_MemHandle_t mem_handle) {
         w.AllocateData();
         Qnn_TensorV1_t& r = w.mutable_tensor().v1;
         r.memType = QNN_TENSORMEMTYPE_MEMHANDLE;
         r.memHandle = mem_handle;
       }},
      {"detached after own bytes",
       [](TensorWrapper& w, float*, Qnn_MemHandle_t) {
         w.AllocateData();
         Qnn_TensorV1_t& r = w.mutable_tensor().v1;
         r.memType = QNN_TENSORMEMTYPE_UNDEFINED;
         r.clientBuf = {nullptr, 0};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SourceTensor source(QNN_DATATYPE_FLOAT_32, {4});
    TensorWrapper original(source.record);
    c.bind(original, host, mem_handle);
    const Qnn_TensorV1_t& bound = original.tensor().v1;
    const bool own = std::string(c.name) == "own bytes";

    auto expect_same_binding = [&](const TensorWrapper& t, const void* own_bytes) {
      const Qnn_TensorV1_t& r = t.tensor().v1;
      EXPECT_EQ(r.memType, bound.memType);
      if (bound.memType == QNN_TENSORMEMTYPE_MEMHANDLE) {
        EXPECT_EQ(r.memHandle, mem_handle);
        return;
      }
      EXPECT_EQ(r.clientBuf.dataSize, bound.clientBuf.dataSize);
      if (own) {
        EXPECT_EQ(r.clientBuf.data, own_bytes);
        const float values[4] = {1, 2, 3, 4};
        EXPECT_EQ(std::memcmp(r.clientBuf.data, values, sizeof(values)), 0);
      } else {
        EXPECT_EQ(r.clientBuf.data, bound.clientBuf.data);
      }
    };
    TensorWrapper copy(original);
    if (own) EXPECT_NE(copy.tensor().v1.clientBuf.data, bound.clientBuf.data);
    {
      SCOPED_TRACE("copy");
      expect_same_binding(copy, copy.tensor().v1.clientBuf.data);
    }
    TensorWrapper assigned(source.record);
    assigned = original;
    {
      SCOPED_TRACE("copy assignment");
      expect_same_binding(assigned, assigned.tensor().v1.clientBuf.data);
      if (own) EXPECT_NE(assigned.tensor().v1.clientBuf.data, bound.clientBuf.data);
    }
    const void* const copy_bytes = copy.tensor().v1.clientBuf.data;
    TensorWrapper moved(std::move(copy));
    {
      SCOPED_TRACE("move");
      expect_same_binding(moved, copy_bytes);
    }
    TensorWrapper move_assigned(source.record);
    move_assigned = std::move(moved);
    {
      SCOPED_TRACE("move assignment");
      expect_same_binding(move_assigned, copy_bytes);
    }
  }
}

// AllocateData binds a client buffer, so the record's memory type says so.
TEST(TensorWrapperTest, AllocateDataMakesTheMemoryTypeRaw) {
  SourceTensor source(QNN_DATATYPE_FLOAT_32, {4});
  source.record.v1.memType = QNN_TENSORMEMTYPE_MEMHANDLE;
  source.record.v1.memHandle = reinterpret_cast<Qnn_MemHandle_t>(uintptr_t{0x1234});
  TensorWrapper w(source.record);
  ASSERT_EQ(w.AllocateData(), 16u);
  EXPECT_EQ(w.tensor().v1.memType, QNN_TENSORMEMTYPE_RAW);
  EXPECT_EQ(w.tensor().v1.clientBuf.dataSize, 16u);
}

TEST(TensorWrapperTest, AllocateDataRefusesSizesQnnCannotBeGiven) {
  struct Case {
    const char* name;
    uint32_t data_type;
    std::vector<uint32_t> dims;
  };
  const Case cases[] = {
      // Wrapping 32-bit arithmetic would size these 0 and 2^16 * 4 bytes.
      {"2^32 bytes", QNN_DATATYPE_UINT_8, {65536, 65536}},
      {"more than 2^32 elements", QNN_DATATYPE_FLOAT_32, {65537, 65536}},
      {"product overflows 64 bits", QNN_DATATYPE_UINT_8, {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SourceTensor source(c.data_type, c.dims);
    TensorWrapper w(source.record);
    float host[4];
    w.mutable_tensor().v1.clientBuf = {host, sizeof(host)};
    SetQnnLogLevel(kQnnLogError);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(w.AllocateData(), 0u);
    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                HasSubstr("ERROR: [Qnn] Tensor input_0 is too large for a QNN client buffer"));
    SetQnnLogLevel(kQnnLogInfo);
    // No buffer rather than one shorter than the tensor.
    EXPECT_EQ(w.tensor().v1.clientBuf.data, nullptr);
    EXPECT_EQ(w.tensor().v1.clientBuf.dataSize, 0u);
  }
}

}  // namespace
}  // namespace qnn
