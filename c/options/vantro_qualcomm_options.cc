#include "c/options/vantro_qualcomm_options.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "absl/container/inlined_vector.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/string_view.h"
#include "cc/options/vantro_qualcomm_options.h"
#include "cc/vantro_expected.h"
#include "core/vantro_options_encoder.h"
#include "core/vantro_toml_parser.h"

// The key table: every key once, in serialisation order, with its accessor
// name, its kind (which fixes slot type, parsing, serialisation and the C
// accessors), the default its getter reports and the range a payload may
// give. Everything below is generated from it.
//
// X(Name, key, Kind, default, Accept)
#define VTR_QUALCOMM_OPTIONS_TABLE(X)                                                        \
  X(LogLevel, log_level, Int32, 3, AnyValue)                                                 \
  X(Profiling, profiling, Int32, 0, AnyValue)                                                \
  X(UseHtpPreference, use_htp_preference, UnkeptBool, false, AnyValue)                       \
  X(UseQint16AsQuint16, use_qint16_as_quint16, UnkeptBool, false, AnyValue)                  \
  X(UseInt64BiasAsInt32, use_int64_bias_as_int32, Bool, true, AnyValue)                      \
  X(QnnBackend, qnn_backend, Int32, 2, AnyValue)                                             \
  X(EnableWeightSharing, enable_weight_sharing, Bool, false, AnyValue)                       \
  X(EnableJustInTime, enable_just_in_time, Bool, false, AnyValue)                            \
  X(OpNameFormat, op_name_format, Int32, 0, AnyValue)                                        \
  X(UseConvHmx, use_conv_hmx, Bool, true, AnyValue)                                          \
  X(UseFoldRelu, use_fold_relu, Bool, true, AnyValue)                                        \
  X(HtpDlbc, htp_dlbc, Bool, false, AnyValue)                                                \
  X(HtpDlbcWeights, htp_dlbc_weights, Bool, false, AnyValue)                                 \
  X(HtpPPoint, htp_p_point, Int32, 0, AnyValue)                                              \
  X(HtpWeightSharingChannelTileSize, htp_weight_sharing_channel_tile_size, Int32, 0,         \
    AnyValue)                                                                                \
  X(HtpPerformanceMode, htp_performance_mode, Int32, 0, AnyValue)                            \
  X(DspPerformanceMode, dsp_performance_mode, Int32, 0, AnyValue)                            \
  X(HtpPerfCtrlMode, htp_perf_ctrl_mode, Int32, 0, AnyValue)                                 \
  X(HtpPdSession, htp_pd_session, Int32, 0, NarrowedAtMostTwo)                               \
  X(DspPerfCtrlMode, dsp_perf_ctrl_mode, Int32, 0, AnyValue)                                 \
  X(DspPdSession, dsp_pd_session, Int32, 0, NarrowedAtMostTwo)                               \
  X(DspEncoding, dsp_encoding, Int32, 0, ParsedZeroOrOne)                                    \
  X(DumpTensorIds, dump_tensor_ids, Int32List, 0, AnyValue)                                  \
  X(IrJsonDir, ir_json_dir, String, "", AnyValue)                                            \
  X(DlcDir, dlc_dir, String, "", AnyValue)                                                   \
  X(GraphTransform, graph_transform, String, "", AnyValue)                                   \
  X(VtcmSize, vtcm_size, Uint32, 0, AnyValue)                                                \
  X(HtpDeviceId, htp_device_id, Uint32, 0, AnyValue)                                         \
  X(HtpContextInitAcceleration, htp_context_init_acceleration, Bool, false, AnyValue)        \
  X(NumHvxThreads, num_hvx_threads, Uint32, 0, AnyValue)                                     \
  X(HtpFileReadMemoryBudgetMb, htp_file_read_memory_budget_mb, Uint32, 0, AnyValue)          \
  X(OptimizationLevel, optimization_level, Int32, 2, AnyValue)                               \
  X(GraphPriority, graph_priority, Int32, 0, AnyValue)                                       \
  X(SaverOutputDir, saver_output_dir, String, "", AnyValue)                                  \
  X(SchematicDir, schematic_dir, String, "", AnyValue)                                       \
  X(GraphIoTensorMemType, graph_io_tensor_mem_type, Int32, 1, NarrowedZeroOrOne)             \
  X(CustomOpPackage, custom_op_package, Package, 0, AnyValue)                                \
  X(LpaiTarget, lpai_target, Int32, 2, AnyValue)                                             \
  X(LpaiFps, lpai_fps, Uint32, 1, AnyValue)                                                  \
  X(LpaiFtrtRatio, lpai_ftrt_ratio, Uint32, 10, AnyValue)                                    \
  X(LpaiClientPerfType, lpai_client_perf_type, Int32, 0, AnyValue)                           \
  X(LpaiCoreAffinityType, lpai_core_affinity_type, Int32, 0, AnyValue)                       \
  X(LpaiCoreSelection, lpai_core_selection, Uint32, 0, AnyValue)                             \
  X(QnnLibDir, qnn_lib_dir, String, "", AnyValue)                                            \
  X(DspSkelDir, dsp_skel_dir, String, "", AnyValue)

namespace vantro {
namespace qualcomm {
namespace {

constexpr char kVantroSourcePath[] = "c/options/vantro_qualcomm_options";
constexpr char kIdentifier[] = "qualcomm";
constexpr char kEmptyString[] = "";

// A value and whether the payload (or a setter) gave it.
template <typename T>
struct Slot {
  T value{};
  bool given = false;
};


// The five fields of `custom_op_package`, in record order.
struct PackageFields {
  std::string fields[5];
  bool operator==(const PackageFields& other) const {
    for (int i = 0; i < 5; ++i) {
      if (fields[i] != other.fields[i]) return false;
    }
    return true;
  }
};

constexpr absl::string_view kPackageFieldNames[5] = {
    "name", "interface_provider", "compile_package_path", "dispatch_package_path", "target"};

// A key that is validated and dropped: it has no slot.
struct NoSlot {
  static constexpr bool given = false;
};

template <typename T>
bool SameSlot(const Slot<T>& a, const Slot<T>& b) {
  return a.given == b.given && (!a.given || a.value == b.value);
}
inline bool SameSlot(const NoSlot&, const NoSlot&) { return true; }

// Range rules of the integer keys, applied to the parsed 64-bit value. A
// setter applies the same rule to its value widened as serialisation writes
// it, so that it refuses exactly what creation would refuse.
struct Accept {
  bool (*accepts)(int64_t parsed);
  const char* range;  // the accepted values, for a setter's message
};
constexpr Accept AnyValue = {[](int64_t) { return true; }, "any"};
constexpr Accept NarrowedAtMostTwo = {
    [](int64_t parsed) { return static_cast<uint32_t>(parsed) <= 2; }, "0, 1, 2"};
constexpr Accept NarrowedZeroOrOne = {
    [](int64_t parsed) { return static_cast<uint32_t>(parsed) <= 1; }, "0, 1"};
constexpr Accept ParsedZeroOrOne = {[](int64_t parsed) { return parsed == 0 || parsed == 1; },
                                    "0, 1"};

// Parks a value parser's message and returns its status.
Status Reject(const Error& error) { return ToStatus(error); }

// One struct per kind of key: slot type, payload parsing and serialisation.
namespace kinds {

struct Bool {
  using SlotType = Slot<bool>;
  static Status Parse(absl::string_view text, Accept, SlotType* slot) {
    Expected<bool> parsed = ParseTomlBool(text);
    if (!parsed.HasValue()) return Reject(parsed.GetError());
    slot->value = parsed.Value();
    slot->given = true;
    return Status::Ok;
  }
  static Expected<void> Append(std::string* out, absl::string_view key, const SlotType& slot) {
    return AppendBoolOption(out, key, slot.value);
  }
};

struct UnkeptBool {
  using SlotType = NoSlot;
  static Status Parse(absl::string_view text, Accept, SlotType*) {
    Expected<bool> parsed = ParseTomlBool(text);
    return parsed.HasValue() ? Status::Ok : Reject(parsed.GetError());
  }
  static Expected<void> Append(std::string*, absl::string_view, const SlotType&) { return {}; }
};

// Integers keep the low 32 bits of the parsed value.
template <typename T>
Status ParseNarrowed(absl::string_view text, Accept accept, Slot<T>* slot) {
  Expected<int64_t> parsed = ParseTomlInt(text);
  if (!parsed.HasValue()) return Reject(parsed.GetError());
  if (!accept.accepts(parsed.Value())) return Status::InvalidArgument;  // no message
  slot->value = static_cast<T>(static_cast<uint32_t>(parsed.Value()));
  slot->given = true;
  return Status::Ok;
}

struct Int32 {
  using SlotType = Slot<int32_t>;
  static Status Parse(absl::string_view text, Accept accept, SlotType* slot) {
    return ParseNarrowed(text, accept, slot);
  }
  static Expected<void> Append(std::string* out, absl::string_view key, const SlotType& slot) {
    return AppendIntOption(out, key, static_cast<int64_t>(slot.value));  // sign-extended
  }
};

struct Uint32 {
  using SlotType = Slot<uint32_t>;
  static Status Parse(absl::string_view text, Accept accept, SlotType* slot) {
    return ParseNarrowed(text, accept, slot);
  }
  static Expected<void> Append(std::string* out, absl::string_view key, const SlotType& slot) {
    return AppendIntOption(out, key, static_cast<int64_t>(slot.value));  // zero-extended
  }
};

struct String {
  using SlotType = Slot<std::string>;
  static Status Parse(absl::string_view text, Accept, SlotType* slot) {
    slot->value.assign(text.data(), text.size());
    slot->given = true;
    return Status::Ok;
  }
  static Expected<void> Append(std::string* out, absl::string_view key, const SlotType& slot) {
    return AppendStringOption(out, key, slot.value);
  }
};

struct Int32List {
  using SlotType = Slot<std::vector<int32_t>>;
  static Status Parse(absl::string_view text, Accept, SlotType* slot) {
    // Collected aside so that the owned list is allocated once, at its size.
    absl::InlinedVector<int32_t, 16> ids;
    Expected<void> first_bad_id;
    Expected<void> listed = VisitTomlStringList(text, [&](absl::string_view item) {
      if (!first_bad_id.HasValue()) return;
      Expected<int64_t> id = ParseTomlInt(item);
      if (!id.HasValue()) {
        first_bad_id = id.GetError();
        return;
      }
      ids.push_back(static_cast<int32_t>(static_cast<uint32_t>(id.Value())));
    });
    if (!listed.HasValue()) return Reject(listed.GetError());
    if (!first_bad_id.HasValue()) return Reject(first_bad_id.GetError());
    // A payload may not give an empty list (no message); serialisation
    // never writes one, since the setter keeps no ids as not given.
    if (ids.empty()) return Status::InvalidArgument;
    slot->value.assign(ids.begin(), ids.end());
    slot->given = true;
    return Status::Ok;
  }
  static Expected<void> Append(std::string* out, absl::string_view key, const SlotType& slot) {
    std::vector<std::string> texts;
    texts.reserve(slot.value.size());
    for (int32_t id : slot.value) texts.push_back(absl::StrCat(id));
    std::vector<absl::string_view> items(texts.begin(), texts.end());
    return AppendStringListOption(out, key, items);
  }
};

struct Package {
  using SlotType = Slot<PackageFields>;
  // "field:value" segments cut at ';'; empty segments are skipped, a field
  // given twice keeps its last value, a field not given is empty.
  static Status Parse(absl::string_view text, Accept, SlotType* slot) {
    absl::string_view fields[5];
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find(';', start);
      if (end == absl::string_view::npos) end = text.size();
      const absl::string_view segment = text.substr(start, end - start);
      start = end + 1;
      if (segment.empty()) continue;
      const size_t colon = segment.find(':');
      if (colon == absl::string_view::npos) return Status::InvalidArgument;
      const absl::string_view name = segment.substr(0, colon);
      int index = 0;
      while (index < 5 && kPackageFieldNames[index] != name) ++index;
      if (index == 5) return Status::InvalidArgument;
      fields[index] = segment.substr(colon + 1);
    }
    for (int i = 0; i < 5; ++i) slot->value.fields[i].assign(fields[i].data(), fields[i].size());
    slot->given = true;
    return Status::Ok;
  }
  static Expected<void> Append(std::string* out, absl::string_view key, const SlotType& slot) {
    std::string text;
    for (int i = 0; i < 5; ++i) {
      absl::StrAppend(&text, kPackageFieldNames[i], ":", slot.value.fields[i], ";");
    }
    return AppendStringOption(out, key, text);
  }
};

}  // namespace kinds

}  // namespace
}  // namespace qualcomm
}  // namespace vantro

// The record: one slot per key of the table.
struct VtrQualcommOptionsT {
#define VTR_DECLARE_SLOT(Name, key, Kind, default_value, accept) \
  ::vantro::qualcomm::kinds::Kind::SlotType key;
  VTR_QUALCOMM_OPTIONS_TABLE(VTR_DECLARE_SLOT)
#undef VTR_DECLARE_SLOT
};

namespace vantro {
namespace qualcomm {
namespace {

// Key lookup: an open-addressing table built at compile time. The hash
// reads the length and four bytes; it places all 45 keys without collision,
// so a known key costs one hash and one comparison.
enum KeyIndex : uint8_t {
#define VTR_KEY_INDEX(Name, key, Kind, default_value, accept) kKey##Name,
  VTR_QUALCOMM_OPTIONS_TABLE(VTR_KEY_INDEX)
#undef VTR_KEY_INDEX
  kKeyCount
};

constexpr absl::string_view kKeys[kKeyCount] = {
#define VTR_KEY_TEXT(Name, key, Kind, default_value, accept) #key,
    VTR_QUALCOMM_OPTIONS_TABLE(VTR_KEY_TEXT)
#undef VTR_KEY_TEXT
};

constexpr size_t kKeyTableSize = 128;  // a power of two above twice the key count
constexpr uint8_t kNoKey = 0xFF;

constexpr size_t KeyHash(absl::string_view key) {
  const size_t n = key.size();
  const auto byte = [&](size_t i) {
    return static_cast<size_t>(static_cast<unsigned char>(key[i]));
  };
  return (n * 12 + byte(0) * 12 + byte(n - 1) * 48 + byte(n / 2) * 7 + byte(n - 2)) &
         (kKeyTableSize - 1);
}

struct KeyTable {
  uint8_t slots[kKeyTableSize];
  size_t min_length;
  size_t max_length;
};

constexpr KeyTable BuildKeyTable() {
  KeyTable table{};
  table.min_length = kKeys[0].size();
  table.max_length = kKeys[0].size();
  for (size_t i = 0; i < kKeyTableSize; ++i) table.slots[i] = kNoKey;
  for (uint8_t k = 0; k < kKeyCount; ++k) {
    if (kKeys[k].size() < table.min_length) table.min_length = kKeys[k].size();
    if (kKeys[k].size() > table.max_length) table.max_length = kKeys[k].size();
    size_t slot = KeyHash(kKeys[k]);
    while (table.slots[slot] != kNoKey) slot = (slot + 1) & (kKeyTableSize - 1);
    table.slots[slot] = k;
  }
  return table;
}

constexpr KeyTable kKeyTable = BuildKeyTable();
static_assert(kKeyTable.min_length >= 2, "KeyHash reads two bytes from the end");

// The table index of `key`, or kKeyCount for a key not in the table.
inline uint8_t FindKey(absl::string_view key) {
  if (key.size() < kKeyTable.min_length || key.size() > kKeyTable.max_length) return kKeyCount;
  for (size_t slot = KeyHash(key);; slot = (slot + 1) & (kKeyTableSize - 1)) {
    const uint8_t index = kKeyTable.slots[slot];
    if (index == kNoKey) return kKeyCount;
    if (kKeys[index] == key) return index;
  }
}

// The callback of creation: applies one pair to the record. Unknown keys
// are ignored; the later of two pairs with one key wins.
Status HandleQualcommOptionPair(VtrQualcommOptionsT* options, absl::string_view key,
                                absl::string_view value) {
  switch (FindKey(key)) {
#define VTR_HANDLE_KEY(Name, key, Kind, default_value, accept) \
  case kKey##Name:                                             \
    return kinds::Kind::Parse(value, accept, &options->key);
    VTR_QUALCOMM_OPTIONS_TABLE(VTR_HANDLE_KEY)
#undef VTR_HANDLE_KEY
    default:
      return Status::Ok;
  }
}

// Runs `body`; an allocation failure must not cross the C boundary.
template <typename Body>
VantroStatus NoThrow(Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return kVantroStatusRuntimeFailure;
  }
}

// Parks why a setter refused its value, under this module's location, and
// returns InvalidArgument.
template <typename... Pieces>
VantroStatus RefuseValue(const Pieces&... pieces) noexcept {
  return NoThrow([&]() -> VantroStatus {
    return ToC(
        ToStatus(VANTRO_LOCATED_ERROR(Status::InvalidArgument, absl::StrCat(pieces...)).ToError()));
  });
}

void DeletePayload(void* payload) { delete[] static_cast<char*>(payload); }

const char* TextOr(const Slot<std::string>& slot) {
  return slot.given ? slot.value.c_str() : kEmptyString;
}

}  // namespace

bool SameQualcommOptions(const VtrQualcommOptionsT& a, const VtrQualcommOptionsT& b) {
  bool same = true;
#define VTR_SAME_SLOT(Name, key, Kind, default_value, accept) \
  same = same && SameSlot(a.key, b.key);
  VTR_QUALCOMM_OPTIONS_TABLE(VTR_SAME_SLOT)
#undef VTR_SAME_SLOT
  return same;
}

}  // namespace qualcomm
}  // namespace vantro

using ::vantro::Status;
using ::vantro::qualcomm::NoThrow;
using ::vantro::qualcomm::RefuseValue;

extern "C" {

VantroStatus VtrCreateQualcommOptionsFromToml(const char* payload, VtrQualcommOptionsT** options) {
  if (options == nullptr) return kVantroStatusInvalidArgument;
  return NoThrow([&]() -> VantroStatus {
    auto* record = new (std::nothrow) VtrQualcommOptionsT();
    if (record == nullptr) return kVantroStatusRuntimeFailure;
    const absl::string_view text = payload == nullptr ? absl::string_view() : payload;
    Status status;
    try {
      status = ::vantro::ParseToml(text, [record](absl::string_view key, absl::string_view value) {
        return ::vantro::qualcomm::HandleQualcommOptionPair(record, key, value);
      });
    } catch (...) {
      delete record;
      throw;
    }
    if (status != Status::Ok) {
      delete record;
      return ::vantro::ToC(status);
    }
    *options = record;
    return kVantroStatusOk;
  });
}

void VtrDestroyQualcommOptions(VtrQualcommOptionsT* options) { delete options; }

const char* VtrGetQualcommOptionsIdentifier(void) { return ::vantro::qualcomm::kIdentifier; }

VantroStatus VtrSerializeQualcommOptions(const VtrQualcommOptionsT* options,
                                         const char** identifier, void** payload,
                                         VtrQualcommOptionsPayloadDeleter* payload_deleter) {
  if (options == nullptr || identifier == nullptr || payload == nullptr ||
      payload_deleter == nullptr) {
    return kVantroStatusInvalidArgument;
  }
  return NoThrow([&]() -> VantroStatus {
    namespace kinds = ::vantro::qualcomm::kinds;
    using ::vantro::qualcomm::kVantroSourcePath;
    std::string text;
#define VTR_APPEND_KEY(Name, key, Kind, default_value, accept)                                \
  if (options->key.given) {                                                                   \
    ::vantro::Expected<void> appended = kinds::Kind::Append(&text, #key, options->key);       \
    if (!appended.HasValue()) {                                                               \
      const ::vantro::Error& cause = appended.GetError();                                     \
      return ::vantro::ToC(                                                                   \
          ::vantro::ToStatus(VANTRO_LOCATED_ERROR(cause.status(), cause.message()).ToError())); \
    }                                                                                         \
  }
    VTR_QUALCOMM_OPTIONS_TABLE(VTR_APPEND_KEY)
#undef VTR_APPEND_KEY
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    *identifier = ::vantro::qualcomm::kIdentifier;
    *payload = copy;
    *payload_deleter = &::vantro::qualcomm::DeletePayload;
    return kVantroStatusOk;
  });
}

// Accessors of the scalar, string and unkept kinds, generated from the table.
// A scalar setter refuses a value outside the key's range; the value is
// widened as serialisation writes it (int32 sign-extended, uint32 not).
#define VTR_SCALAR_ACCESSORS(Name, key, CType, default_value, accept)                           \
  VantroStatus VtrQualcommOptionsGet##Name(const VtrQualcommOptionsT* options, CType* value) { \
    if (options == nullptr || value == nullptr) return kVantroStatusInvalidArgument;          \
    *value = options->key.given ? options->key.value : CType(default_value);                  \
    return kVantroStatusOk;                                                                    \
  }                                                                                            \
  VantroStatus VtrQualcommOptionsSet##Name(VtrQualcommOptionsT* options, CType value) {        \
    if (options == nullptr) return kVantroStatusInvalidArgument;                               \
    const int64_t widened = static_cast<int64_t>(value);                                       \
    if (!::vantro::qualcomm::accept.accepts(widened)) {                                        \
      return RefuseValue("Value of option '" #key "' is out of range: ", widened,              \
                         " (accepted: ", ::vantro::qualcomm::accept.range, ").");              \
    }                                                                                          \
    options->key.value = value;                                                                \
    options->key.given = true;                                                                 \
    return kVantroStatusOk;                                                                    \
  }
#define VTR_ACCESSORS_Int32(Name, key, default_value, accept) \
  VTR_SCALAR_ACCESSORS(Name, key, int32_t, default_value, accept)
#define VTR_ACCESSORS_Uint32(Name, key, default_value, accept) \
  VTR_SCALAR_ACCESSORS(Name, key, uint32_t, default_value, accept)
#define VTR_ACCESSORS_Bool(Name, key, default_value, accept) \
  VTR_SCALAR_ACCESSORS(Name, key, bool, default_value, accept)
#define VTR_ACCESSORS_String(Name, key, default_value, accept)                                  \
  VantroStatus VtrQualcommOptionsGet##Name(const VtrQualcommOptionsT* options,                 \
                                           const char** value) {                               \
    if (options == nullptr || value == nullptr) return kVantroStatusInvalidArgument;          \
    *value = ::vantro::qualcomm::TextOr(options->key);                                         \
    return kVantroStatusOk;                                                                    \
  }                                                                                            \
  VantroStatus VtrQualcommOptionsSet##Name(VtrQualcommOptionsT* options, const char* value) {  \
    if (options == nullptr || value == nullptr) return kVantroStatusInvalidArgument;          \
    return NoThrow([&]() -> VantroStatus {                                                     \
      options->key.value = value;                                                              \
      options->key.given = true;                                                               \
      return kVantroStatusOk;                                                                  \
    });                                                                                        \
  }
#define VTR_ACCESSORS_UnkeptBool(Name, key, default_value, accept)               \
  VantroStatus VtrQualcommOptionsSet##Name(VtrQualcommOptionsT* options, bool) { \
    return options == nullptr ? kVantroStatusInvalidArgument : kVantroStatusOk;  \
  }
// The list and the package have one key each; their accessors follow below.
#define VTR_ACCESSORS_Int32List(Name, key, default_value, accept)
#define VTR_ACCESSORS_Package(Name, key, default_value, accept)

#define VTR_ACCESSORS(Name, key, Kind, default_value, accept) \
  VTR_ACCESSORS_##Kind(Name, key, default_value, accept)
VTR_QUALCOMM_OPTIONS_TABLE(VTR_ACCESSORS)
#undef VTR_ACCESSORS

VantroStatus VtrQualcommOptionsGetDumpTensorIds(const VtrQualcommOptionsT* options,
                                                const int32_t** ids, size_t* count) {
  if (options == nullptr || ids == nullptr || count == nullptr) {
    return kVantroStatusInvalidArgument;
  }
  if (!options->dump_tensor_ids.given) {
    *ids = nullptr;
    *count = 0;
    return kVantroStatusOk;
  }
  *ids = options->dump_tensor_ids.value.data();
  *count = options->dump_tensor_ids.value.size();
  return kVantroStatusOk;
}

VantroStatus VtrQualcommOptionsSetDumpTensorIds(VtrQualcommOptionsT* options, const int32_t* ids,
                                                size_t count) {
  if (options == nullptr || ids == nullptr) return kVantroStatusInvalidArgument;
  return NoThrow([&]() -> VantroStatus {
    // No ids is the default: the key reads and serialises as not given. An
    // empty list would be written as "[]", which creation refuses.
    if (count == 0) {
      options->dump_tensor_ids = {};
      return kVantroStatusOk;
    }
    options->dump_tensor_ids.value.assign(ids, ids + count);
    options->dump_tensor_ids.given = true;
    return kVantroStatusOk;
  });
}

VantroStatus VtrQualcommOptionsGetCustomOpPackage(const VtrQualcommOptionsT* options,
                                                  const char** name,
                                                  const char** interface_provider,
                                                  const char** compile_package_path,
                                                  const char** dispatch_package_path,
                                                  const char** target) {
  const char** outs[5] = {name, interface_provider, compile_package_path, dispatch_package_path,
                          target};
  if (options == nullptr) return kVantroStatusInvalidArgument;
  for (const char** out : outs) {
    if (out == nullptr) return kVantroStatusInvalidArgument;
  }
  const auto& slot = options->custom_op_package;
  for (int i = 0; i < 5; ++i) {
    *outs[i] = slot.given ? slot.value.fields[i].c_str() : ::vantro::qualcomm::kEmptyString;
  }
  return kVantroStatusOk;
}

VantroStatus VtrQualcommOptionsSetCustomOpPackage(VtrQualcommOptionsT* options, const char* name,
                                                  const char* interface_provider,
                                                  const char* compile_package_path,
                                                  const char* dispatch_package_path,
                                                  const char* target) {
  const char* values[5] = {name, interface_provider, compile_package_path, dispatch_package_path,
                           target};
  if (options == nullptr) return kVantroStatusInvalidArgument;
  for (const char* value : values) {
    if (value == nullptr) return kVantroStatusInvalidArgument;
  }
  for (const char* value : values) {
    // The payload form cuts fields at ';': a field holding one would come
    // back split into others.
    if (std::strchr(value, ';') != nullptr) {
      return RefuseValue(
          "Field of option 'custom_op_package' contains an unsupported character (;).");
    }
  }
  return NoThrow([&]() -> VantroStatus {
    ::vantro::qualcomm::PackageFields package;
    for (int i = 0; i < 5; ++i) package.fields[i] = values[i];
    options->custom_op_package.value = std::move(package);
    options->custom_op_package.given = true;
    return kVantroStatusOk;
  });
}

}  // extern "C"
