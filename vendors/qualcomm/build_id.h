// The version inside a QNN build-id text: "v", then three dot-separated
// signed 32-bit integers; whatever follows the third is ignored.
#ifndef VANTRO_VENDORS_QUALCOMM_BUILD_ID_H_
#define VANTRO_VENDORS_QUALCOMM_BUILD_ID_H_

#include <cstdint>
#include <optional>

namespace vantro::qualcomm {

struct BuildIdVersion {
  int32_t major = 0;
  int32_t minor = 0;
  int32_t patch = 0;
};

// The three numbers of `build_id`, or nullopt for a null text, a missing
// "v", fewer than three numbers or a number that overflows.
std::optional<BuildIdVersion> ParseBuildIdVersion(const char* build_id);

}  // namespace vantro::qualcomm

#endif  // VANTRO_VENDORS_QUALCOMM_BUILD_ID_H_
