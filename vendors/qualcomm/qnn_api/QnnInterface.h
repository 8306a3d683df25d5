// QNN's core interface: the function table a backend library hands out
// through QnnInterface_getProviders, in QNN's member order, and the provider
// record that carries it with the library's API versions.
#ifndef VANTRO_QNN_API_QNN_INTERFACE_H_
#define VANTRO_QNN_API_QNN_INTERFACE_H_

#include "QnnBackend.h"
#include "QnnCommon.h"
#include "QnnContext.h"
#include "QnnDevice.h"
#include "QnnError.h"
#include "QnnGlobalConfig.h"
#include "QnnGraph.h"
#include "QnnLog.h"
#include "QnnMem.h"
#include "QnnProfile.h"
#include "QnnProperty.h"
#include "QnnSignal.h"
#include "QnnTensor.h"
#include "QnnTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_INTERFACE_MIN_ERROR = QNN_MIN_ERROR_INTERFACE,
  QNN_INTERFACE_NO_ERROR = QNN_SUCCESS,
  QNN_INTERFACE_ERROR_NOT_SUPPORTED = QNN_COMMON_ERROR_NOT_SUPPORTED,
  QNN_INTERFACE_ERROR_INVALID_PARAMETER = QNN_COMMON_ERROR_INVALID_ARGUMENT,
  QNN_INTERFACE_MAX_ERROR = QNN_MAX_ERROR_INTERFACE
} QnnInterface_Error_t;

// The core table of API 2.32. Its order is the binary interface: later
// minor versions only append members.
typedef struct {
  QnnProperty_HasCapabilityFn_t propertyHasCapability;
  QnnBackend_CreateFn_t backendCreate;
  QnnBackend_SetConfigFn_t backendSetConfig;
  QnnBackend_GetApiVersionFn_t backendGetApiVersion;
  QnnBackend_GetBuildIdFn_t backendGetBuildId;
  QnnBackend_RegisterOpPackageFn_t backendRegisterOpPackage;
  QnnBackend_GetSupportedOperationsFn_t backendGetSupportedOperations;
  QnnBackend_ValidateOpConfigFn_t backendValidateOpConfig;
  QnnBackend_FreeFn_t backendFree;
  QnnContext_CreateFn_t contextCreate;
  QnnContext_SetConfigFn_t contextSetConfig;
  QnnContext_GetBinarySizeFn_t contextGetBinarySize;
  QnnContext_GetBinaryFn_t contextGetBinary;
  QnnContext_CreateFromBinaryFn_t contextCreateFromBinary;
  QnnContext_FreeFn_t contextFree;
  QnnGraph_CreateFn_t graphCreate;
  QnnGraph_CreateSubgraphFn_t graphCreateSubgraph;
  QnnGraph_SetConfigFn_t graphSetConfig;
  QnnGraph_AddNodeFn_t graphAddNode;
  QnnGraph_FinalizeFn_t graphFinalize;
  QnnGraph_RetrieveFn_t graphRetrieve;
  QnnGraph_ExecuteFn_t graphExecute;
  QnnGraph_ExecuteAsyncFn_t graphExecuteAsync;
  QnnTensor_CreateContextTensorFn_t tensorCreateContextTensor;
  QnnTensor_CreateGraphTensorFn_t tensorCreateGraphTensor;
  QnnLog_CreateFn_t logCreate;
  QnnLog_SetLogLevelFn_t logSetLogLevel;
  QnnLog_FreeFn_t logFree;
  QnnProfile_CreateFn_t profileCreate;
  QnnProfile_SetConfigFn_t profileSetConfig;
  QnnProfile_GetEventsFn_t profileGetEvents;
  QnnProfile_GetSubEventsFn_t profileGetSubEvents;
  QnnProfile_GetEventDataFn_t profileGetEventData;
  QnnProfile_GetExtendedEventDataFn_t profileGetExtendedEventData;
  QnnProfile_FreeFn_t profileFree;
  QnnMem_RegisterFn_t memRegister;
  QnnMem_DeRegisterFn_t memDeRegister;
  QnnDevice_GetPlatformInfoFn_t deviceGetPlatformInfo;
  QnnDevice_FreePlatformInfoFn_t deviceFreePlatformInfo;
  QnnDevice_GetInfrastructureFn_t deviceGetInfrastructure;
  QnnDevice_CreateFn_t deviceCreate;
  QnnDevice_SetConfigFn_t deviceSetConfig;
  QnnDevice_GetInfoFn_t deviceGetInfo;
  QnnDevice_FreeFn_t deviceFree;
  QnnSignal_CreateFn_t signalCreate;
  QnnSignal_SetConfigFn_t signalSetConfig;
  QnnSignal_TriggerFn_t signalTrigger;
  QnnSignal_FreeFn_t signalFree;
  QnnError_GetMessageFn_t errorGetMessage;
  QnnError_GetVerboseMessageFn_t errorGetVerboseMessage;
  QnnError_FreeVerboseMessageFn_t errorFreeVerboseMessage;
  QnnGraph_PrepareExecutionEnvironmentFn_t graphPrepareExecutionEnvironment;
  QnnGraph_ReleaseExecutionEnvironmentFn_t graphReleaseExecutionEnvironment;
  QnnGraph_GetPropertyFn_t graphGetProperty;
  QnnContext_ValidateBinaryFn_t contextValidateBinary;
  QnnContext_CreateFromBinaryWithSignalFn_t contextCreateFromBinaryWithSignal;
  QnnContext_CreateFromBinaryListAsyncFn_t contextCreateFromBinaryListAsync;
  QnnTensor_UpdateGraphTensorsFn_t tensorUpdateGraphTensors;
  QnnTensor_UpdateContextTensorsFn_t tensorUpdateContextTensors;
  QnnContext_GetBinarySectionSizeFn_t contextGetBinarySectionSize;
  QnnContext_GetBinarySectionFn_t contextGetBinarySection;
  QnnContext_ApplyBinarySectionFn_t contextApplyBinarySection;
  QnnBackend_GetPropertyFn_t backendGetProperty;
  QnnContext_GetPropertyFn_t contextGetProperty;
  QnnContext_GetIncrementalBinaryFn_t contextGetIncrementalBinary;
  QnnContext_ReleaseIncrementalBinaryFn_t contextReleaseIncrementalBinary;
  QnnContext_FinalizeFn_t contextFinalize;
  QnnGlobalConfig_SetFn_t globalConfigSet;
  QnnContext_CreateFromBinaryWithCallbackFn_t contextCreateFromBinaryWithCallback;
  QnnContext_GetBinarySectionUpdateFn_t contextGetBinarySectionUpdate;
  QnnContext_FreeBinarySectionUpdateFn_t contextFreeBinarySectionUpdate;
} QnnInterface_ImplementationV2_32_t;

// The provider record's table member, named after the API version, and its
// type; clients reach the table through these names.
#define QNN_INTERFACE_VER_NAME v2_32
#define QNN_INTERFACE_VER_TYPE QnnInterface_ImplementationV2_32_t

// One provider of a backend library.
typedef struct {
  uint32_t backendId;
  const char* providerName;
  Qnn_ApiVersion_t apiVersion;
  union {
    QNN_INTERFACE_VER_TYPE QNN_INTERFACE_VER_NAME;
  };
} QnnInterface_t;

// The entry point every backend library exports: the list of its providers.
QNN_API Qnn_ErrorHandle_t QnnInterface_getProviders(const QnnInterface_t*** providerList,
                                                    uint32_t* numProviders);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_INTERFACE_H_
