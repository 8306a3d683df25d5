// The core function table of QNN core API 2.7, the interface of the SDK
// 2.13 libraries this stage tests against. Today's table inserted members
// since (backendSetConfig, graphCreateSubgraph, profileSetConfig,
// profileGetExtendedEventData, ...), so those libraries are read through
// this declaration; the function types are unchanged and come from the
// headers in use.
#ifndef VANTRO_TESTS_QNN_SDK_QNN_INTERFACE_V2_7_H_
#define VANTRO_TESTS_QNN_SDK_QNN_INTERFACE_V2_7_H_

#include <cstddef>

#include "QnnInterface.h"

namespace vantro::testing {

struct QnnInterfaceV2_7 {
  QnnProperty_HasCapabilityFn_t propertyHasCapability;
  QnnBackend_CreateFn_t backendCreate;
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
  QnnProfile_GetEventsFn_t profileGetEvents;
  QnnProfile_GetSubEventsFn_t profileGetSubEvents;
  QnnProfile_GetEventDataFn_t profileGetEventData;
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
};

// Where the 2.7 table puts each member, and its size (QnnInterface_t
// carries it at the same place as today's).
static_assert(offsetof(QnnInterfaceV2_7, propertyHasCapability) == 0);
static_assert(offsetof(QnnInterfaceV2_7, backendCreate) == 8);
static_assert(offsetof(QnnInterfaceV2_7, backendGetApiVersion) == 16);
static_assert(offsetof(QnnInterfaceV2_7, backendGetBuildId) == 24);
static_assert(offsetof(QnnInterfaceV2_7, backendRegisterOpPackage) == 32);
static_assert(offsetof(QnnInterfaceV2_7, backendGetSupportedOperations) == 40);
static_assert(offsetof(QnnInterfaceV2_7, backendValidateOpConfig) == 48);
static_assert(offsetof(QnnInterfaceV2_7, backendFree) == 56);
static_assert(offsetof(QnnInterfaceV2_7, contextCreate) == 64);
static_assert(offsetof(QnnInterfaceV2_7, contextSetConfig) == 72);
static_assert(offsetof(QnnInterfaceV2_7, contextGetBinarySize) == 80);
static_assert(offsetof(QnnInterfaceV2_7, contextGetBinary) == 88);
static_assert(offsetof(QnnInterfaceV2_7, contextCreateFromBinary) == 96);
static_assert(offsetof(QnnInterfaceV2_7, contextFree) == 104);
static_assert(offsetof(QnnInterfaceV2_7, graphCreate) == 112);
static_assert(offsetof(QnnInterfaceV2_7, graphSetConfig) == 120);
static_assert(offsetof(QnnInterfaceV2_7, graphAddNode) == 128);
static_assert(offsetof(QnnInterfaceV2_7, graphFinalize) == 136);
static_assert(offsetof(QnnInterfaceV2_7, graphRetrieve) == 144);
static_assert(offsetof(QnnInterfaceV2_7, graphExecute) == 152);
static_assert(offsetof(QnnInterfaceV2_7, graphExecuteAsync) == 160);
static_assert(offsetof(QnnInterfaceV2_7, tensorCreateContextTensor) == 168);
static_assert(offsetof(QnnInterfaceV2_7, tensorCreateGraphTensor) == 176);
static_assert(offsetof(QnnInterfaceV2_7, logCreate) == 184);
static_assert(offsetof(QnnInterfaceV2_7, logSetLogLevel) == 192);
static_assert(offsetof(QnnInterfaceV2_7, logFree) == 200);
static_assert(offsetof(QnnInterfaceV2_7, profileCreate) == 208);
static_assert(offsetof(QnnInterfaceV2_7, profileGetEvents) == 216);
static_assert(offsetof(QnnInterfaceV2_7, profileGetSubEvents) == 224);
static_assert(offsetof(QnnInterfaceV2_7, profileGetEventData) == 232);
static_assert(offsetof(QnnInterfaceV2_7, profileFree) == 240);
static_assert(offsetof(QnnInterfaceV2_7, memRegister) == 248);
static_assert(offsetof(QnnInterfaceV2_7, memDeRegister) == 256);
static_assert(offsetof(QnnInterfaceV2_7, deviceGetPlatformInfo) == 264);
static_assert(offsetof(QnnInterfaceV2_7, deviceFreePlatformInfo) == 272);
static_assert(offsetof(QnnInterfaceV2_7, deviceGetInfrastructure) == 280);
static_assert(offsetof(QnnInterfaceV2_7, deviceCreate) == 288);
static_assert(offsetof(QnnInterfaceV2_7, deviceSetConfig) == 296);
static_assert(offsetof(QnnInterfaceV2_7, deviceGetInfo) == 304);
static_assert(offsetof(QnnInterfaceV2_7, deviceFree) == 312);
static_assert(offsetof(QnnInterfaceV2_7, signalCreate) == 320);
static_assert(offsetof(QnnInterfaceV2_7, signalSetConfig) == 328);
static_assert(offsetof(QnnInterfaceV2_7, signalTrigger) == 336);
static_assert(offsetof(QnnInterfaceV2_7, signalFree) == 344);
static_assert(sizeof(QnnInterfaceV2_7) == 352);
static_assert(offsetof(QnnInterface_t, QNN_INTERFACE_VER_NAME) == 40);

// The 2.7 table of a provider.
inline const QnnInterfaceV2_7& TableV2_7(const QnnInterface_t& provider) {
  return *reinterpret_cast<const QnnInterfaceV2_7*>(&provider.QNN_INTERFACE_VER_NAME);
}

}  // namespace vantro::testing

#endif  // VANTRO_TESTS_QNN_SDK_QNN_INTERFACE_V2_7_H_
