// The scenario file: a `key = value` text named by VANTRO_SIM_QNN_SCENARIO
// through which a separate process (the runner, a demo script) scripts the
// simulation without linking it. Read at first use and on Reset(); the
// format is described in README.md beside this file. A line that cannot be
// understood is reported on the standard error stream and skipped, so a
// typo shows instead of silently changing nothing.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "absl/strings/ascii.h"
#include "absl/strings/match.h"
#include "absl/strings/str_split.h"
#include "absl/strings/string_view.h"
#include "sim/qnn/sim_state.h"

namespace vantro::sim::internal {
namespace {

constexpr char kScenarioVariable[] = "VANTRO_SIM_QNN_SCENARIO";

std::optional<uint64_t> ParseU64(absl::string_view text) {
  const std::string copy(absl::StripAsciiWhitespace(text));
  if (copy.empty() || copy[0] == '-' || copy[0] == '+') return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(copy.c_str(), &end, 0);
  if (errno != 0 || end == nullptr || *end != '\0') return std::nullopt;
  return static_cast<uint64_t>(value);
}

std::optional<uint32_t> ParseU32(absl::string_view text) {
  const std::optional<uint64_t> value = ParseU64(text);
  if (!value || *value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(*value);
}

std::optional<bool> ParseBool(absl::string_view text) {
  const std::string lower = absl::AsciiStrToLower(absl::StripAsciiWhitespace(text));
  if (lower == "true" || lower == "1" || lower == "on" || lower == "yes") return true;
  if (lower == "false" || lower == "0" || lower == "off" || lower == "no") return false;
  return std::nullopt;
}

std::optional<Qnn_Version_t> ParseVersion(absl::string_view text) {
  const std::vector<absl::string_view> parts = absl::StrSplit(text, '.');
  if (parts.size() != 3) return std::nullopt;
  const auto major = ParseU32(parts[0]);
  const auto minor = ParseU32(parts[1]);
  const auto patch = ParseU32(parts[2]);
  if (!major || !minor || !patch) return std::nullopt;
  return Qnn_Version_t{*major, *minor, *patch};
}

std::vector<absl::string_view> Words(absl::string_view text) {
  return absl::StrSplit(text, absl::ByAnyChar(" \t"), absl::SkipEmpty());
}

// "<identifier> <type> <unit> <value>"
std::optional<ProfileEvent> ParseEvent(absl::string_view text) {
  const std::vector<absl::string_view> words = Words(text);
  if (words.size() != 4) return std::nullopt;
  const auto type = ParseU32(words[1]);
  const auto unit = ParseU32(words[2]);
  const auto value = ParseU64(words[3]);
  if (!type || !unit || !value) return std::nullopt;
  ProfileEvent event;
  event.identifier = std::string(words[0]);
  event.type = *type;
  event.unit = *unit;
  event.value = *value;
  return event;
}

std::vector<Library> LibrariesOf(absl::string_view prefix) {
  if (prefix == "system") return {Library::kSystem};
  if (prefix == "htp") return {Library::kHtp};
  if (prefix == "dsp") return {Library::kDsp};
  if (prefix == "gpu") return {Library::kGpu};
  if (prefix == "ir") return {Library::kIr};
  if (prefix == "lpai") return {Library::kLpai};
  if (prefix == "saver") return {Library::kSaver};
  if (prefix == "backends") {
    return {Library::kHtp, Library::kDsp, Library::kGpu, Library::kIr, Library::kLpai,
            Library::kSaver};
  }
  return {};
}

// Applies one library key to a config; false when key or value is bad.
bool ApplyLibraryKey(LibraryConfig& config, absl::string_view key, absl::string_view value) {
  if (key == "core" || key == "backend") {
    const auto version = ParseVersion(value);
    if (!version) return false;
    (key == "core" ? config.core : config.backend) = *version;
    return true;
  }
  if (key == "build_id") {
    config.build_id = std::string(value);
    return true;
  }
  if (key == "null_build_id" || key == "null_provider") {
    const auto flag = ParseBool(value);
    if (!flag) return false;
    (key == "null_build_id" ? config.null_build_id : config.null_provider) = *flag;
    return true;
  }
  if (key == "provider_count") {
    const auto count = ParseU32(value);
    if (!count) return false;
    config.provider_count = *count;
    return true;
  }
  // Results are QNN's 64-bit result words.
  const auto result = ParseU64(value);
  if (!result) return false;
  if (key == "get_providers_result") {
    config.get_providers_result = *result;
  } else if (key == "initialize_result") {
    config.saver_initialize_result = *result;
  } else {
    return false;
  }
  return true;
}

class Parser {
 public:
  explicit Parser(std::string origin) : origin_(std::move(origin)) {}

  Scenario Parse(std::istream& in) {
    std::string line;
    while (std::getline(in, line)) {
      ++line_number_;
      const absl::string_view text = absl::StripAsciiWhitespace(line);
      if (text.empty() || text[0] == '#') continue;
      const size_t equals = text.find('=');
      if (equals == absl::string_view::npos) {
        Report("expected `key = value`");
        continue;
      }
      const absl::string_view key = absl::StripAsciiWhitespace(text.substr(0, equals));
      const absl::string_view value = absl::StripAsciiWhitespace(text.substr(equals + 1));
      if (!ApplyKey(key, value)) Report("cannot use `" + std::string(text) + "`");
    }
    return std::move(scenario_);
  }

 private:
  bool ApplyKey(absl::string_view key, absl::string_view value) {
    if (key == "fail") return ApplyFailure(value);
    if (key == "capability") {
      const std::vector<absl::string_view> words = Words(value);
      if (words.size() != 2) return false;
      const auto capability = ParseU32(words[0]);
      const auto answer = ParseU64(words[1]);
      if (!capability || !answer) return false;
      scenario_.capabilities[*capability] = *answer;
      return true;
    }
    if (key == "capability_query") return SetFlag(scenario_.capability_query, value);
    if (key == "execution") return SetFlag(scenario_.execution_enabled, value);
    if (key == "call_log") return SetFlag(scenario_.call_log_enabled, value);
    if (key == "binary_info_versions") {
      const std::vector<absl::string_view> words = Words(value);
      if (words.size() != 2) return false;
      const auto binary = ParseU32(words[0]);
      const auto graph = ParseU32(words[1]);
      if (!binary || !graph) return false;
      scenario_.binary_info_versions = std::make_pair(*binary, *graph);
      return true;
    }
    if (absl::StartsWith(key, "platform.")) return ApplyPlatform(key.substr(9), value);
    if (absl::StartsWith(key, "infrastructure.")) {
      return ApplyInfrastructure(key.substr(15), value);
    }
    if (key == "profile.event" || key == "profile.sub_event") return ApplyEvent(key, value);
    const size_t dot = key.find('.');
    if (dot == absl::string_view::npos) return false;
    const std::vector<Library> libraries = LibrariesOf(key.substr(0, dot));
    if (libraries.empty()) return false;
    for (Library library : libraries) {
      auto it = scenario_.libraries.find(library);
      LibraryConfig config =
          it == scenario_.libraries.end() ? DefaultLibraryConfig(library) : it->second;
      if (!ApplyLibraryKey(config, key.substr(dot + 1), value)) return false;
      scenario_.libraries[library] = config;
    }
    return true;
  }

  // "<call> <result> [<occurrence>]"
  bool ApplyFailure(absl::string_view value) {
    const std::vector<absl::string_view> words = Words(value);
    if (words.size() != 2 && words.size() != 3) return false;
    const auto result = ParseU64(words[1]);
    const auto occurrence = words.size() == 3 ? ParseU32(words[2]) : std::optional<uint32_t>(1);
    if (!result || !occurrence) return false;
    scenario_.failures.push_back(ArmedFailure{std::string(words[0]), *result, *occurrence, 0});
    return true;
  }

  bool ApplyPlatform(absl::string_view key, absl::string_view value) {
    PlatformConfig platform = scenario_.platform.value_or(PlatformConfig{});
    if (key == "devices") {
      platform.device_ids.clear();
      for (absl::string_view id : absl::StrSplit(value, ',', absl::SkipWhitespace())) {
        const auto parsed = ParseU32(id);
        if (!parsed) return false;
        platform.device_ids.push_back(*parsed);
      }
    } else if (key == "null_info" || key == "no_device_array") {
      const auto flag = ParseBool(value);
      if (!flag) return false;
      (key == "null_info" ? platform.null_info : platform.no_device_array) = *flag;
    } else {
      return false;
    }
    scenario_.platform = platform;
    return true;
  }

  bool ApplyInfrastructure(absl::string_view key, absl::string_view value) {
    InfrastructureConfig infrastructure =
        scenario_.infrastructure.value_or(InfrastructureConfig{});
    if (key == "null") {
      const auto flag = ParseBool(value);
      if (!flag) return false;
      infrastructure.null_infrastructure = *flag;
    } else if (key == "htp_type") {
      const auto type = ParseU32(value);
      if (!type) return false;
      infrastructure.htp_type = *type;
    } else {
      return false;
    }
    scenario_.infrastructure = infrastructure;
    return true;
  }

  bool ApplyEvent(absl::string_view key, absl::string_view value) {
    const auto event = ParseEvent(value);
    if (!event) return false;
    auto& events = scenario_.profile_events;
    if (!events) events.emplace();
    if (key == "profile.event") {
      events->push_back(*event);
      return true;
    }
    if (events->empty()) return false;  // a sub-event needs an event before it
    events->back().sub_events.push_back(*event);
    return true;
  }

  static bool SetFlag(std::optional<bool>& target, absl::string_view value) {
    const auto flag = ParseBool(value);
    if (!flag) return false;
    target = *flag;
    return true;
  }

  void Report(const std::string& message) const {
    std::fprintf(stderr, "VantroSimQnn: %s:%d: %s\n", origin_.c_str(), line_number_,
                 message.c_str());
  }

  std::string origin_;
  int line_number_ = 0;
  Scenario scenario_;
};

}  // namespace

Scenario ReadScenarioFromEnvironment() {
  const char* path = std::getenv(kScenarioVariable);
  if (path == nullptr || *path == '\0') return Scenario{};
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "VantroSimQnn: cannot read the scenario file %s named by %s\n", path,
                 kScenarioVariable);
    return Scenario{};
  }
  return Parser(path).Parse(in);
}

}  // namespace vantro::sim::internal
