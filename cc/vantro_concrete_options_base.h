// The interface of a vendor options object that can write itself back into
// the host's opaque options: an identifier and a payload with its deleter.
#ifndef VANTRO_CC_VANTRO_CONCRETE_OPTIONS_BASE_H_
#define VANTRO_CC_VANTRO_CONCRETE_OPTIONS_BASE_H_

#include "cc/vantro_expected.h"

namespace vantro {

// Base of the owning wrappers around vendor options records.
class ConcreteOptionsBase {
 public:
  // Releases a payload handed out by Serialize.
  using PayloadDeleter = void (*)(void* payload);

  virtual ~ConcreteOptionsBase() = default;

  // Writes the options as a payload for the host's opaque options; the
  // caller releases `payload` with `payload_deleter` only.
  [[nodiscard]] virtual Status Serialize(const char** identifier, void** payload,
                                         PayloadDeleter* payload_deleter) const = 0;
};

}  // namespace vantro

#endif  // VANTRO_CC_VANTRO_CONCRETE_OPTIONS_BASE_H_
