// The owning C++ wrapper of a Qualcomm options record.
#ifndef VANTRO_CC_OPTIONS_VANTRO_QUALCOMM_OPTIONS_H_
#define VANTRO_CC_OPTIONS_VANTRO_QUALCOMM_OPTIONS_H_

#include "c/options/vantro_qualcomm_options.h"
#include "cc/vantro_concrete_options_base.h"
#include "cc/vantro_expected.h"

namespace vantro {
namespace qualcomm {

// Owns one VtrQualcommOptionsT (possibly none) and destroys it with the
// wrapper. Moved, never copied.
class QualcommOptions : public ConcreteOptionsBase {
 public:
  QualcommOptions() = default;
  // Takes ownership of `options` (may be null).
  explicit QualcommOptions(VtrQualcommOptionsT* options) : options_(options) {}
  QualcommOptions(QualcommOptions&& other) noexcept : options_(other.options_) {
    other.options_ = nullptr;
  }
  QualcommOptions& operator=(QualcommOptions&& other) noexcept;
  QualcommOptions(const QualcommOptions&) = delete;
  QualcommOptions& operator=(const QualcommOptions&) = delete;
  ~QualcommOptions() override;

  // Creates the record from a NUL-terminated TOML payload (null is empty).
  // The error carries the parse's message, if it left one.
  static Expected<QualcommOptions> Create(const char* payload);

  // Forwards to VtrSerializeQualcommOptions with the owned record.
  Status Serialize(const char** identifier, void** payload,
                   PayloadDeleter* payload_deleter) const override;

  VtrQualcommOptionsT* Get() const { return options_; }
  // Gives up ownership.
  VtrQualcommOptionsT* Release();

 private:
  VtrQualcommOptionsT* options_ = nullptr;
};

// Whether two records hold the same keys with the same values; a key the
// payload did not give differs from one given with its default.
bool SameQualcommOptions(const VtrQualcommOptionsT& a, const VtrQualcommOptionsT& b);

}  // namespace qualcomm
}  // namespace vantro

#endif  // VANTRO_CC_OPTIONS_VANTRO_QUALCOMM_OPTIONS_H_
