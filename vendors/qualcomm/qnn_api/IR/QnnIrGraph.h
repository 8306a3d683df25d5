// The IR backend's graph config: where and how it serialises each graph.
#ifndef VANTRO_QNN_API_IR_QNN_IR_GRAPH_H_
#define VANTRO_QNN_API_IR_QNN_IR_GRAPH_H_

#include "QnnGraph.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_IR_GRAPH_SERIALIZATION_TYPE_FLAT_BUFFER = 1
} QnnIrGraph_SerializationType_t;

typedef struct {
  QnnIrGraph_SerializationType_t serializationType;
  const char* outputPath;
} QnnIrGraph_SerializationOption_t;

typedef enum {
  QNN_IR_GRAPH_CONFIG_OPTION_SERIALIZATION = 1,
  QNN_IR_GRAPH_CONFIG_OPTION_UNKNOWN = 0x7FFFFFFF
} QnnIrGraph_ConfigOption_t;

typedef struct {
  QnnIrGraph_ConfigOption_t option;
  union {
    QnnIrGraph_SerializationOption_t serializationOption;
  };
} QnnIrGraph_CustomConfig_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_IR_QNN_IR_GRAPH_H_
