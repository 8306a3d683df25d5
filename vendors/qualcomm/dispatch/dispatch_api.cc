// The plug-in's export, its operation table and the table's handlers.
#include "vendors/qualcomm/dispatch/dispatch_api.h"

#include <cstdint>

#include "c/vantro_dispatch.h"
#include "cc/vantro_expected.h"
#include "cc/vantro_logging.h"

namespace vantro::qualcomm {
namespace {

constexpr VantroApiVersion kDispatchApiVersion = {0, 1, 0};

// All zero until an initialisation succeeds.
char g_build_id[kBuildIdSize];

VantroStatus GetVendorId(const char** vendor_id) {
  if (vendor_id == nullptr) return kVantroStatusInvalidArgument;
  *vendor_id = "Qualcomm";
  return kVantroStatusOk;
}

VantroStatus GetBuildId(const char** build_id) {
  if (build_id == nullptr) return kVantroStatusInvalidArgument;
  *build_id = g_build_id;
  return kVantroStatusOk;
}

VantroStatus GetCapabilities(int32_t* capabilities) {
  if (capabilities == nullptr) return kVantroStatusInvalidArgument;
  *capabilities = 1;
  return kVantroStatusOk;
}

int CompareVersions(const VantroApiVersion& a, const VantroApiVersion& b) {
  if (a.major != b.major) return a.major < b.major ? -1 : 1;
  if (a.minor != b.minor) return a.minor < b.minor ? -1 : 1;
  if (a.patch != b.patch) return a.patch < b.patch ? -1 : 1;
  return 0;
}

VantroStatus CheckRuntimeCompatibility(VantroApiVersion host) {
  const VantroApiVersion& ours = kDispatchApiVersion;
  const int order = CompareVersions(host, ours);
  if (order > 0) {
    VANTRO_LOG_ERROR(
        "Incompatible dispatch version. Found Vantro API version %d.%d.%d, but version <= "
        "%d.%d.%d is required.",
        host.major, host.minor, host.patch, ours.major, ours.minor, ours.patch);
    return kVantroStatusIncompatibleVersion;
  }
  if (order < 0) {
    VANTRO_LOG_WARNING(
        "Vantro API version (%d.%d.%d) is older than the dispatch api version (%d.%d.%d). An "
        "update is recommended.",
        host.major, host.minor, host.patch, ours.major, ours.minor, ours.patch);
  }
  return kVantroStatusOk;
}

constexpr VantroDispatchOperationTable kOperationTable = {
    /*header=*/VANTRO_DISPATCH_TABLE_HEADER,
    /*initialize=*/nullptr,
    /*get_vendor_id=*/GetVendorId,
    /*get_build_id=*/GetBuildId,
    /*get_capabilities=*/GetCapabilities,
    /*device_context_create=*/nullptr,
    /*device_context_destroy=*/nullptr,
    /*get_input_requirements=*/nullptr,
    /*get_output_requirements=*/nullptr,
    /*register_tensor_buffer=*/nullptr,
    /*unregister_tensor_buffer=*/nullptr,
    /*invocation_context_create=*/nullptr,
    /*invocation_context_destroy=*/nullptr,
    /*invocation_context_set_host_record=*/nullptr,
    /*attach_input=*/nullptr,
    /*attach_output=*/nullptr,
    /*detach_input=*/nullptr,
    /*detach_output=*/nullptr,
    /*invoke=*/nullptr,
    /*not_provided_0x98=*/{},
    /*check_runtime_compatibility=*/CheckRuntimeCompatibility,
    /*invocation_context_set_options=*/nullptr,
    /*not_provided_0xd0=*/{},
};

}  // namespace

char* MutableBuildId() { return g_build_id; }

const VantroDispatchOperationTable& OperationTable() { return kOperationTable; }

}  // namespace vantro::qualcomm

extern "C" VANTRO_DISPATCH_EXPORT VantroStatus VantroDispatchQueryInterface(
    int32_t selector_a, int32_t selector_b, void* /*ignored*/,
    const VantroDispatchOperationTable** table) {
  if (table == nullptr) return kVantroStatusInvalidArgument;
  if (selector_b >= 1 && selector_a == 0) {
    *table = &vantro::qualcomm::OperationTable();
    return kVantroStatusOk;
  }
  return kVantroStatusUnsupported;
}
