// QNN's shared value types: versions, data types, quantisation encodings,
// tensors, scalars, operation descriptions and SoC models.
#ifndef VANTRO_QNN_API_QNN_TYPES_H_
#define VANTRO_QNN_API_QNN_TYPES_H_

#include "QnnCommon.h"

#ifdef __cplusplus
extern "C" {
#endif

// Size of a context binary or of a part of one.
typedef uint64_t Qnn_ContextBinarySize_t;

typedef struct {
  uint32_t major;
  uint32_t minor;
  uint32_t patch;
} Qnn_Version_t;

// What a backend library offers: the core API and its own API.
typedef struct {
  Qnn_Version_t coreApiVersion;
  Qnn_Version_t backendApiVersion;
} Qnn_ApiVersion_t;

// Element types. The high byte is the kind (signed, unsigned, float, signed
// and unsigned fixed point, bool, string), the low byte the width in bits
// written as decimal digits.
typedef enum {
  QNN_DATATYPE_INT_8 = 0x0008,
  QNN_DATATYPE_INT_16 = 0x0016,
  QNN_DATATYPE_INT_32 = 0x0032,
  QNN_DATATYPE_INT_64 = 0x0064,
  QNN_DATATYPE_UINT_8 = 0x0108,
  QNN_DATATYPE_UINT_16 = 0x0116,
  QNN_DATATYPE_UINT_32 = 0x0132,
  QNN_DATATYPE_UINT_64 = 0x0164,
  QNN_DATATYPE_FLOAT_16 = 0x0216,
  QNN_DATATYPE_BFLOAT_16 = 0x0226,
  QNN_DATATYPE_FLOAT_32 = 0x0232,
  QNN_DATATYPE_FLOAT_64 = 0x0264,
  QNN_DATATYPE_SFIXED_POINT_4 = 0x0304,
  QNN_DATATYPE_SFIXED_POINT_8 = 0x0308,
  QNN_DATATYPE_SFIXED_POINT_16 = 0x0316,
  QNN_DATATYPE_SFIXED_POINT_32 = 0x0332,
  QNN_DATATYPE_UFIXED_POINT_4 = 0x0404,
  QNN_DATATYPE_UFIXED_POINT_8 = 0x0408,
  QNN_DATATYPE_UFIXED_POINT_16 = 0x0416,
  QNN_DATATYPE_UFIXED_POINT_32 = 0x0432,
  QNN_DATATYPE_BOOL_8 = 0x0508,
  QNN_DATATYPE_STRING = 0x0608,
  QNN_DATATYPE_UNDEFINED = 0x7FFFFFFF
} Qnn_DataType_t;

// Precision a backend computes in.
typedef enum {
  QNN_PRECISION_FLOAT32 = 0,
  QNN_PRECISION_FLOAT16 = 1,
  QNN_PRECISION_UNDEFINED = 0x7FFFFFFF
} Qnn_Precision_t;

// Who reads and writes a tensor: the application (graph inputs and
// outputs), the graph alone (native), or nobody at run time (static).
typedef enum {
  QNN_TENSOR_TYPE_APP_WRITE = 0,
  QNN_TENSOR_TYPE_APP_READ = 1,
  QNN_TENSOR_TYPE_APP_READWRITE = 2,
  QNN_TENSOR_TYPE_NATIVE = 3,
  QNN_TENSOR_TYPE_STATIC = 4,
  QNN_TENSOR_TYPE_NULL = 5,
  QNN_TENSOR_TYPE_UPDATEABLE_STATIC = 6,
  QNN_TENSOR_TYPE_UPDATEABLE_NATIVE = 7,
  QNN_TENSOR_TYPE_UPDATEABLE_APP_WRITE = 8,
  QNN_TENSOR_TYPE_UPDATEABLE_APP_READ = 9,
  QNN_TENSOR_TYPE_UPDATEABLE_APP_READWRITE = 10,
  QNN_TENSOR_TYPE_OPTIONAL_APP_WRITE = 11,
  QNN_TENSOR_TYPE_OPTIONAL_APP_READ = 12,
  QNN_TENSOR_TYPE_OPTIONAL_APP_READWRITE = 13,
  QNN_TENSOR_TYPE_UNDEFINED = 0x7FFFFFFF
} Qnn_TensorType_t;

typedef enum {
  QNN_PARAMTYPE_SCALAR = 0,
  QNN_PARAMTYPE_TENSOR = 1,
  QNN_PARAMTYPE_UNDEFINED = 0xFFFFFFFF
} Qnn_ParamType_t;

// Whether a record's parameters were set by the client or left to the
// implementation.
typedef enum {
  QNN_DEFINITION_IMPL_GENERATED = 0,
  QNN_DEFINITION_DEFINED = 1,
  QNN_DEFINITION_UNDEFINED = 0x7FFFFFFF
} Qnn_Definition_t;

typedef enum {
  QNN_PRIORITY_LOW = 0,
  QNN_PRIORITY_NORMAL = 100,
  QNN_PRIORITY_DEFAULT = QNN_PRIORITY_NORMAL,
  QNN_PRIORITY_NORMAL_HIGH = 150,
  QNN_PRIORITY_HIGH = 200,
  QNN_PRIORITY_UNDEFINED = 0x7FFFFFFF
} Qnn_Priority_t;

typedef enum {
  QNN_ERROR_REPORTING_LEVEL_BRIEF = 0,
  QNN_ERROR_REPORTING_LEVEL_DETAILED = 1,
  QNN_ERROR_REPORTING_LEVEL_UNDEFINED = 0x7FFFFFFF
} Qnn_ErrorReportingLevel_t;

typedef struct {
  Qnn_ErrorReportingLevel_t reportingLevel;
  uint32_t storageLimit;
} Qnn_ErrorReportingConfig_t;

// ------------------------------------------------------------ quantisation

typedef enum {
  QNN_QUANTIZATION_ENCODING_SCALE_OFFSET = 0,
  QNN_QUANTIZATION_ENCODING_AXIS_SCALE_OFFSET = 1,
  QNN_QUANTIZATION_ENCODING_BW_SCALE_OFFSET = 2,
  QNN_QUANTIZATION_ENCODING_BW_AXIS_SCALE_OFFSET = 3,
  QNN_QUANTIZATION_ENCODING_BLOCK = 4,
  QNN_QUANTIZATION_ENCODING_BLOCKWISE_EXPANSION = 5,
  QNN_QUANTIZATION_ENCODING_VECTOR = 6,
  QNN_QUANTIZATION_ENCODING_FLOAT_BLOCK = 7,
  QNN_QUANTIZATION_ENCODING_BW_AXIS_SCALE_OFFSET_MAPPED = 8,
  QNN_QUANTIZATION_ENCODING_BW_BLOCK_MAPPED = 9,
  QNN_QUANTIZATION_ENCODING_BW_BLOCKWISE_EXPANSION_MAPPED = 10,
  QNN_QUANTIZATION_ENCODING_BW_FLOAT_BLOCK = 11,
  QNN_QUANTIZATION_ENCODING_UNDEFINED = 0x7FFFFFFF
} Qnn_QuantizationEncoding_t;

typedef enum {
  QNN_QUANTIZATION_ENCODING_MAPPING_STANDARD_SYMMETRIC = 0,
  QNN_QUANTIZATION_ENCODING_MAPPING_ASYMMETRIC_PLUS_ONE = 1,
  QNN_QUANTIZATION_ENCODING_MAPPING_LINEAR_SYMMETRIC_EXCLUDE_ZERO = 2,
  QNN_QUANTIZATION_ENCODING_MAPPING_UNDEFINED = 0x7FFFFFFF
} Qnn_QuantizationEncodingMapping_t;

typedef enum {
  QNN_BLOCKWISE_EXPANSION_BITWIDTH_SCALE_STORAGE_8 = 0,
  QNN_BLOCKWISE_EXPANSION_BITWIDTH_SCALE_STORAGE_16 = 1,
  QNN_BLOCKWISE_EXPANSION_BITWIDTH_SCALE_STORAGE_UNDEFINED = 0x7FFFFFFF
} Qnn_BlockwiseExpansionBlockScaleStorageType_t;

// real = scale * (quantised + offset)
typedef struct {
  float scale;
  int32_t offset;
} Qnn_ScaleOffset_t;

typedef struct {
  uint32_t bitwidth;
  float scale;
  int32_t offset;
} Qnn_BwScaleOffset_t;

// One scale-offset pair per slice along `axis`.
typedef struct {
  int32_t axis;
  uint32_t numScaleOffsets;
  Qnn_ScaleOffset_t* scaleOffset;
} Qnn_AxisScaleOffset_t;

typedef struct {
  uint32_t bitwidth;
  int32_t axis;
  uint32_t numElements;
  float* scales;
  int32_t* offsets;
} Qnn_BwAxisScaleOffset_t;

typedef struct {
  uint32_t bitwidth;
  int32_t axis;
  Qnn_QuantizationEncodingMapping_t mapping;
  uint32_t numElements;
  float* scales;
  int32_t* offsets;
} Qnn_BwAxisScaleOffsetMapped_t;

typedef struct {
  uint32_t* blockSize;
  Qnn_ScaleOffset_t* scaleOffset;
} Qnn_BlockEncoding_t;

typedef struct {
  uint32_t bitwidth;
  Qnn_QuantizationEncodingMapping_t mapping;
  uint32_t* blockSize;
  Qnn_ScaleOffset_t* scaleOffset;
} Qnn_BwBlockMapped_t;

typedef struct {
  int32_t axis;
  Qnn_ScaleOffset_t* scaleOffsets;
  uint32_t numBlocksPerAxis;
  uint32_t blockScaleBitwidth;
  Qnn_BlockwiseExpansionBlockScaleStorageType_t blockScaleStorageType;
  union {
    uint8_t* blocksScale8;
    uint16_t* blocksScale16;
  };
} Qnn_BlockwiseExpansion_t;

typedef struct {
  uint32_t bitwidth;
  Qnn_QuantizationEncodingMapping_t mapping;
  int32_t axis;
  Qnn_ScaleOffset_t* scaleOffsets;
  uint32_t numBlocksPerAxis;
  uint32_t blockScaleBitwidth;
  Qnn_BlockwiseExpansionBlockScaleStorageType_t blockScaleStorageType;
  union {
    uint8_t* blocksScale8;
    uint16_t* blocksScale16;
  };
} Qnn_BwBlockwiseExpansionMapped_t;

typedef struct {
  Qnn_BwAxisScaleOffset_t bwAxisScaleOffset;
  uint32_t rowsPerBlock;
  uint32_t columnsPerBlock;
  uint8_t vectorDimension;
  uint8_t vectorStride;
  uint8_t indexBitwidth;
} Qnn_VectorEncoding_t;

typedef struct {
  float scale;
  float offset;
} Qnn_FloatScaleOffset_t;

typedef struct {
  uint32_t* blockSize;
  Qnn_FloatScaleOffset_t* floatScaleOffset;
} Qnn_FloatBlockEncoding_t;

typedef struct {
  uint32_t bitwidth;
  uint32_t* blockSize;
  Qnn_FloatScaleOffset_t* floatScaleOffset;
} Qnn_BwFloatBlockEncoding_t;

// A tensor's quantisation: which encoding, then that encoding's fields.
typedef struct {
  Qnn_Definition_t encodingDefinition;
  Qnn_QuantizationEncoding_t quantizationEncoding;
  union {
    Qnn_ScaleOffset_t scaleOffsetEncoding;
    Qnn_AxisScaleOffset_t axisScaleOffsetEncoding;
    Qnn_BwScaleOffset_t bwScaleOffsetEncoding;
    Qnn_BwAxisScaleOffset_t bwAxisScaleOffsetEncoding;
    Qnn_BlockEncoding_t blockEncoding;
    Qnn_BlockwiseExpansion_t* blockwiseExpansion;
    Qnn_VectorEncoding_t* vectorEncoding;
    Qnn_FloatBlockEncoding_t floatBlockEncoding;
    Qnn_BwAxisScaleOffsetMapped_t* bwAxisScaleOffsetMappedEncoding;
    Qnn_BwBlockMapped_t* bwBlockMappedEncoding;
    Qnn_BwBlockwiseExpansionMapped_t* bwBlockwiseExpansionMappedEncoding;
    Qnn_BwFloatBlockEncoding_t bwFloatBlockEncoding;
  };
} Qnn_QuantizeParams_t;

// ----------------------------------------------------------------- tensors

// How a tensor's elements are arranged.
typedef uint32_t Qnn_TensorDataFormat_t;
#define QNN_TENSOR_DATA_FORMAT_DENSE 0
#define QNN_TENSOR_DATA_FORMAT_FLAT_BUFFER 0
#define QNN_TENSOR_DATA_FORMAT_SPARSE 1
#define QNN_TENSOR_DATA_FORMAT_CODEBOOK 2
#define QNN_TENSOR_DATA_FORMAT_MX 3
#define QNN_TENSOR_DATA_FORMAT_UBWC_RGBA8888 4
#define QNN_TENSOR_DATA_FORMAT_UBWC_NV12 5
#define QNN_TENSOR_DATA_FORMAT_UBWC_NV12_Y 6
#define QNN_TENSOR_DATA_FORMAT_UBWC_NV12_UV 7
#define QNN_TENSOR_DATA_FORMAT_HMX_WEIGHT_LAYOUT 8
#define QNN_TENSOR_DATA_FORMAT_UBWC_NV124R 9
#define QNN_TENSOR_DATA_FORMAT_UBWC_NV124R_Y 10
#define QNN_TENSOR_DATA_FORMAT_UBWC_NV124R_UV 11

// Where a tensor's data lives: a client buffer, or registered memory.
typedef enum {
  QNN_TENSORMEMTYPE_RAW = 0,
  QNN_TENSORMEMTYPE_MEMHANDLE = 1,
  QNN_TENSORMEMTYPE_RETRIEVE_RAW = 2,
  QNN_TENSORMEMTYPE_UNDEFINED = 0x7FFFFFFF
} Qnn_TensorMemType_t;

// A client-owned buffer of `dataSize` bytes.
typedef struct {
  void* data;
  uint32_t dataSize;
} Qnn_ClientBuffer_t;

// Tensor data the backend fetches on demand (memory type RETRIEVE_RAW).
typedef Qnn_ErrorHandle_t (*Qnn_GetTensorRawDataFn_t)(Qnn_ContextHandle_t context,
                                                      Qnn_GraphHandle_t graph, uint64_t id,
                                                      Qnn_ClientBuffer_t* data);
typedef Qnn_ErrorHandle_t (*Qnn_FreeTensorRawDataFn_t)(Qnn_ContextHandle_t context,
                                                       Qnn_GraphHandle_t graph, uint64_t id);
typedef struct {
  Qnn_GetTensorRawDataFn_t getTensorData;
  Qnn_FreeTensorRawDataFn_t freeTensorData;
} Qnn_TensorRetrieveRaw_t;

typedef struct {
  void* data;
  uint64_t len;
} Qnn_OpaqueObject_t;

// Version 1 of the tensor record.
typedef struct {
  uint32_t id;
  const char* name;
  Qnn_TensorType_t type;
  Qnn_TensorDataFormat_t dataFormat;
  Qnn_DataType_t dataType;
  Qnn_QuantizeParams_t quantizeParams;
  uint32_t rank;
  uint32_t* dimensions;
  Qnn_TensorMemType_t memType;
  union {
    Qnn_ClientBuffer_t clientBuf;
    Qnn_MemHandle_t memHandle;
  };
} Qnn_TensorV1_t;

typedef enum {
  QNN_SPARSE_LAYOUT_HYBRID_COO = 0,
  QNN_SPARSE_LAYOUT_UNDEFINED = 0x7FFFFFFF
} Qnn_SparseLayoutType_t;

typedef struct {
  uint32_t numSpecifiedElements;
  uint32_t numSparseDimensions;
} Qnn_SparseLayoutHybridCoo_t;

typedef struct {
  Qnn_SparseLayoutType_t type;
  union {
    Qnn_SparseLayoutHybridCoo_t hybridCoo;
  };
} Qnn_SparseParams_t;

// Version 2: version 1's fields in the same places, then dynamic
// dimensions, sparsity and whether the tensor was produced.
typedef struct {
  uint32_t id;
  const char* name;
  Qnn_TensorType_t type;
  Qnn_TensorDataFormat_t dataFormat;
  Qnn_DataType_t dataType;
  Qnn_QuantizeParams_t quantizeParams;
  uint32_t rank;
  uint32_t* dimensions;
  Qnn_TensorMemType_t memType;
  union {
    Qnn_ClientBuffer_t clientBuf;
    Qnn_MemHandle_t memHandle;
    Qnn_TensorRetrieveRaw_t* retrieveRaw;
  };
  uint8_t* isDynamicDimensions;
  Qnn_SparseParams_t sparseParams;
  uint8_t isProduced;
} Qnn_TensorV2_t;

typedef enum {
  QNN_TENSOR_VERSION_1 = 1,
  QNN_TENSOR_VERSION_2 = 2,
  QNN_TENSOR_VERSION_UNDEFINED = 0x7FFFFFFF
} Qnn_TensorVersion_t;

// A tensor as QNN exchanges it: the version tells which member is valid.
typedef struct {
  Qnn_TensorVersion_t version;
  union {
    Qnn_TensorV1_t v1;
    Qnn_TensorV2_t v2;
  };
} Qnn_Tensor_t;

typedef enum {
  QNN_TENSOR_SET_VERSION_1 = 1,
  QNN_TENSOR_SET_VERSION_UNDEFINED = 0x7FFFFFFF
} Qnn_TensorSetVersion_t;

typedef struct {
  uint32_t numInputs;
  Qnn_Tensor_t* inputs;
  uint32_t numOutputs;
  Qnn_Tensor_t* outputs;
} Qnn_TensorSetV1_t;

typedef struct {
  Qnn_TensorSetVersion_t version;
  union {
    Qnn_TensorSetV1_t v1;
  };
} Qnn_TensorSet_t;

// -------------------------------------------------- scalars and operations

// One value of a given data type.
typedef struct {
  Qnn_DataType_t dataType;
  union {
    float floatValue;
    double doubleValue;
    uint64_t uint64Value;
    int64_t int64Value;
    uint32_t uint32Value;
    int32_t int32Value;
    uint16_t uint16Value;
    int16_t int16Value;
    uint8_t uint8Value;
    int8_t int8Value;
    uint8_t bool8Value;
    int16_t bfloat16Value;
    const char* stringValue;
  };
} Qnn_Scalar_t;

typedef struct {
  Qnn_ParamType_t paramType;
  const char* name;
  union {
    Qnn_Scalar_t scalarParam;
    Qnn_Tensor_t tensorParam;
  };
} Qnn_Param_t;

typedef enum {
  QNN_OPCONFIG_VERSION_1 = 1,
  QNN_OPCONFIG_VERSION_UNDEFINED = 0x7FFFFFFF
} Qnn_OpConfigVersion_t;

typedef struct {
  const char* name;
  const char* packageName;
  const char* typeName;
  uint32_t numOfParams;
  Qnn_Param_t* params;
  uint32_t numOfInputs;
  Qnn_Tensor_t* inputTensors;
  uint32_t numOfOutputs;
  Qnn_Tensor_t* outputTensors;
} Qnn_OpConfigV1_t;

typedef struct {
  Qnn_OpConfigVersion_t version;
  union {
    Qnn_OpConfigV1_t v1;
  };
} Qnn_OpConfig_t;

// Which source operations and tensors a composed graph's ones came from.
typedef enum {
  QNN_OP_MAPPING_TYPE_TENSOR = 0,
  QNN_OP_MAPPING_TYPE_OP = 1
} Qnn_MappingType_t;

typedef enum {
  QNN_OP_MAPPING_VERSION_1 = 1
} Qnn_OpMappingVersion_t;

typedef struct {
  const char* name;
  Qnn_MappingType_t type;
} Qnn_OpMappingPair_t;

typedef struct {
  const char* name;
  Qnn_OpMappingPair_t* pair;
  uint32_t numPairs;
} Qnn_Mapping_t;

typedef struct {
  const char* graphName;
  Qnn_Mapping_t* opMappings;
  uint32_t numOpMappings;
  Qnn_Mapping_t* tensorMappings;
  uint32_t numTensorMappings;
} Qnn_OpMappingV1_t;

typedef struct {
  Qnn_OpMappingVersion_t version;
  union {
    Qnn_OpMappingV1_t* v1;
  };
} Qnn_OpMapping_t;

// ---------------------------------------------------- asynchronous results

typedef struct {
  Qnn_ErrorHandle_t error;
} Qnn_NotifyStatus_t;

typedef void (*Qnn_NotifyFn_t)(void* notifyParam, Qnn_NotifyStatus_t notifyStatus);

// --------------------------------------------------------------- SoC models

typedef enum {
  QNN_SOC_MODEL_UNKNOWN = 0,
  QNN_SOC_MODEL_SDM845 = 1,
  QNN_SOC_MODEL_SDM835 = 2,
  QNN_SOC_MODEL_SDM821 = 3,
  QNN_SOC_MODEL_SDM820 = 4,
  QNN_SOC_MODEL_SDM801 = 5,
  QNN_SOC_MODEL_SDM670 = 6,
  QNN_SOC_MODEL_SDM660 = 7,
  QNN_SOC_MODEL_SDM652 = 8,
  QNN_SOC_MODEL_SDM636 = 9,
  QNN_SOC_MODEL_SDM630 = 10,
  QNN_SOC_MODEL_SDM625 = 11,
  QNN_SOC_MODEL_SDM855 = 12,
  QNN_SOC_MODEL_SDM710 = 13,
  QNN_SOC_MODEL_SDM632 = 15,
  QNN_SOC_MODEL_SM6150 = 16,
  QNN_SOC_MODEL_SM7150 = 17,
  QNN_SOC_MODEL_QCS405 = 18,
  QNN_SOC_MODEL_SM6125 = 19,
  QNN_SOC_MODEL_QCS403 = 20,
  QNN_SOC_MODEL_SDM865 = 21,
  QNN_SOC_MODEL_IPQ6018 = 23,
  QNN_SOC_MODEL_IPQ6028 = 24,
  QNN_SOC_MODEL_SM7250 = 25,
  QNN_SOC_MODEL_SA8195 = 26,
  QNN_SOC_MODEL_SM6250 = 27,
  QNN_SOC_MODEL_SM4250 = 28,
  QNN_SOC_MODEL_SM6350 = 29,
  QNN_SOC_MODEL_SM8350 = 30,
  QNN_SOC_MODEL_SM4350 = 31,
  QNN_SOC_MODEL_SM7350 = 32,
  QNN_SOC_MODEL_QCS410 = 33,
  QNN_SOC_MODEL_SM8325 = 34,
  QNN_SOC_MODEL_SM7325 = 35,
  QNN_SOC_MODEL_SM8450 = 36,
  QNN_SOC_MODEL_SC8280X = 37,
  QNN_SOC_MODEL_SM7315 = 38,
  QNN_SOC_MODEL_SA8295 = 39,
  QNN_SOC_MODEL_SM6225 = 40,
  QNN_SOC_MODEL_SM7450 = 41,
  QNN_SOC_MODEL_SM8475 = 42,
  QNN_SOC_MODEL_SM8550 = 43,
  QNN_SOC_MODEL_SXR1230P = 45,
  QNN_SOC_MODEL_SSG2115P = 46,
  QNN_SOC_MODEL_STP6225P = 47,
  QNN_SOC_MODEL_QCS6125 = 48,
  QNN_SOC_MODEL_QRB4210 = 49,
  QNN_SOC_MODEL_SM6450 = 50,
  QNN_SOC_MODEL_QCS7230 = 51,
  QNN_SOC_MODEL_SA8255 = 52,
  QNN_SOC_MODEL_SXR2230P = 53,
  QNN_SOC_MODEL_SM7475 = 54,
  QNN_SOC_MODEL_SM4375 = 55,
  QNN_SOC_MODEL_QCM4325 = 56,
  QNN_SOC_MODEL_SM8650 = 57,
  QNN_SOC_MODEL_SSG2125P = 58,
  QNN_SOC_MODEL_SM4450 = 59,
  QNN_SOC_MODEL_SC8380XP = 60,
  QNN_SOC_MODEL_SM7435 = 61,
  QNN_SOC_MODEL_SA8540 = 62,
  QNN_SOC_MODEL_AIC100 = 63,
  QNN_SOC_MODEL_SM7550 = 64,
  QNN_SOC_MODEL_SM6450Q = 65,
  QNN_SOC_MODEL_QCS8550 = 66,
  QNN_SOC_MODEL_SA8620P = 67,
  QNN_SOC_MODEL_SM8635 = 68,
  QNN_SOC_MODEL_SM8750 = 69,
  QNN_SOC_MODEL_SM7675 = 70,
  QNN_SOC_MODEL_SM4635 = 71,
  QNN_SOC_MODEL_SA8797 = 72,
  QNN_SOC_MODEL_SM7635 = 73,
  QNN_SOC_MODEL_SM6650 = 74,
  QNN_SOC_MODEL_SXR2330P = 75,
  QNN_SOC_MODEL_SM6475 = 76,
  QNN_SOC_MODEL_QCS9100 = 77,
  QNN_SOC_MODEL_QCM6690 = 78,
  QNN_SOC_MODEL_IPQ9574 = 79,
  QNN_SOC_MODEL_IPQ5404 = 80,
  QNN_SOC_MODEL_IPQ5424 = 81,
  QNN_SOC_MODEL_QCS8300 = 82,
  QNN_SOC_MODEL_QCS2290 = 83,
  QNN_SOC_MODEL_SA525M = 84,
  QNN_SOC_MODEL_SM8735 = 85,
  QNN_SOC_MODEL_SM7750 = 86,
  QNN_SOC_MODEL_SM8850 = 87,
  QNN_SOC_MODEL_DYNAMIC_SDM = 0x7FFFFFFF
} Qnn_SocModel_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_TYPES_H_
