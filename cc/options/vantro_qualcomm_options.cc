#include "cc/options/vantro_qualcomm_options.h"

#include <string>

namespace vantro {
namespace qualcomm {

QualcommOptions& QualcommOptions::operator=(QualcommOptions&& other) noexcept {
  if (this != &other) {
    VtrDestroyQualcommOptions(options_);
    options_ = other.options_;
    other.options_ = nullptr;
  }
  return *this;
}

QualcommOptions::~QualcommOptions() { VtrDestroyQualcommOptions(options_); }

Expected<QualcommOptions> QualcommOptions::Create(const char* payload) {
  VtrQualcommOptionsT* options = nullptr;
  const Status status = FromC(VtrCreateQualcommOptionsFromToml(payload, &options));
  if (status != Status::Ok) return Error(status);  // takes the parked message
  ClearPendingError();
  return QualcommOptions(options);
}

Status QualcommOptions::Serialize(const char** identifier, void** payload,
                                  PayloadDeleter* payload_deleter) const {
  return FromC(VtrSerializeQualcommOptions(options_, identifier, payload, payload_deleter));
}

VtrQualcommOptionsT* QualcommOptions::Release() {
  VtrQualcommOptionsT* options = options_;
  options_ = nullptr;
  return options;
}

}  // namespace qualcomm
}  // namespace vantro
