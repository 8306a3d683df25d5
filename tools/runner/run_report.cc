#include "tools/runner/run_report.h"

#include <algorithm>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "nlohmann/json.hpp"
#include "tools/runner/tensor_values.h"

namespace vantro::runner {
namespace {

std::string QuantizationText(const Quantization& q) {
  switch (q.kind) {
    case Quantization::Kind::kNone:
      return "";
    case Quantization::Kind::kScaleOffset:
      return absl::StrFormat(" scale=%g offset=%d", q.scales.at(0), q.offsets.at(0));
    case Quantization::Kind::kAxisScaleOffset:
      return absl::StrFormat(" axis=%d scales=%s offsets=%s", q.axis, absl::StrJoin(q.scales, ","),
                             absl::StrJoin(q.offsets, ","));
  }
  return "";
}

std::string TensorLine(const char* role, size_t index, const TensorReport& t, size_t name_width) {
  std::string line = absl::StrFormat(
      "%-6s %d  %-*s  %s %s%s  %d bytes, buffer type %d", role, index, static_cast<int>(name_width),
      t.spec.name, DataTypeName(t.spec.qnn_data_type), ShapeText(t.spec.dimensions),
      QuantizationText(t.spec.quantization), t.buffer_size, t.buffer_type);
  if (t.spec.is_dump_output) absl::StrAppend(&line, ", dump output (the plug-in writes it)");
  if (!t.source.empty())
    absl::StrAppend(&line, role[0] == 'i' ? ", from " : ", written to ", t.source);
  return line;
}

nlohmann::json TensorJson(const TensorReport& t, size_t preview) {
  nlohmann::json j;
  j["name"] = t.spec.name;
  j["data_type"] = DataTypeName(t.spec.qnn_data_type);
  j["shape"] = t.spec.dimensions;
  j["bytes"] = t.buffer_size;
  j["buffer_type"] = t.buffer_type;
  j["offered_buffer_types"] = t.offered_buffer_types;
  j["dump_output"] = t.spec.is_dump_output;
  j["dequantized"] = IsQuantized(t.spec);
  if (!t.source.empty()) j["source"] = t.source;
  j["element_count"] = t.values.size();
  const size_t shown = std::min(preview, t.values.size());
  j["values"] = std::vector<double>(t.values.begin(), t.values.begin() + shown);
  return j;
}

}  // namespace

std::string PreviewText(const std::vector<double>& values, size_t preview) {
  const size_t shown = std::min(preview, values.size());
  std::vector<std::string> words;
  for (size_t i = 0; i < shown; ++i) words.push_back(absl::StrFormat("%g", values[i]));
  std::string text = absl::StrCat("[", absl::StrJoin(words, ", "));
  if (shown < values.size()) {
    absl::StrAppend(&text, shown > 0 ? ", " : "", "... (+", values.size() - shown, " more)");
  }
  return absl::StrCat(text, "]");
}

std::string ReportText(const RunReport& r, size_t preview) {
  std::string text;
  absl::StrAppend(&text, "plug-in: ", r.vendor, " (", r.plugin_path, ")\n  ", r.build_id, "\n");
  absl::StrAppendFormat(&text, "model:   %s (%d bytes), graph \"%s\"\n", r.model_path, r.model_size,
                        r.graph);
  size_t width = 1;
  for (const auto* list : {&r.inputs, &r.outputs}) {
    for (const TensorReport& t : *list) width = std::max(width, t.spec.name.size());
  }
  for (size_t i = 0; i < r.inputs.size(); ++i) {
    absl::StrAppend(&text, TensorLine("input", i, r.inputs[i], width), "\n");
  }
  for (size_t i = 0; i < r.outputs.size(); ++i) {
    absl::StrAppend(&text, TensorLine("output", i, r.outputs[i], width), "\n");
  }
  const LatencySummary& l = r.latency;
  absl::StrAppendFormat(&text, "invokes: %d warm-up, %d timed\n", r.warmup, r.iterations);
  absl::StrAppendFormat(&text,
                        "latency per invoke (us): min %.1f  median %.1f  p99 %.1f  "
                        "(mean %.1f, max %.1f)\n",
                        l.min_us, l.median_us, l.p99_us, l.mean_us, l.max_us);
  for (const auto* list : {&r.inputs, &r.outputs}) {
    for (const TensorReport& t : *list) {
      if (t.spec.is_dump_output) continue;
      absl::StrAppendFormat(&text, "%s %-*s = %s%s\n", list == &r.inputs ? "in " : "out",
                            static_cast<int>(width), t.spec.name, PreviewText(t.values, preview),
                            IsQuantized(t.spec) ? " (dequantised)" : "");
    }
  }
  if (r.expect_path.has_value()) {
    if (r.expect.passed()) {
      absl::StrAppendFormat(&text, "expect %s: %d output%s, %d value%s: all match\n",
                            *r.expect_path, r.expect.outputs_checked,
                            r.expect.outputs_checked == 1 ? "" : "s", r.expect.values_checked,
                            r.expect.values_checked == 1 ? "" : "s");
    } else {
      absl::StrAppendFormat(&text, "expect %s: MISMATCH\n", *r.expect_path);
      for (const std::string& m : r.expect.mismatches) absl::StrAppend(&text, "  ", m, "\n");
    }
  }
  return text;
}

std::string ReportJson(const RunReport& r, size_t preview) {
  nlohmann::json j;
  j["plugin"] = {{"path", r.plugin_path}, {"vendor", r.vendor}, {"build_id", r.build_id}};
  j["model"] = {{"path", r.model_path}, {"size", r.model_size}, {"graph", r.graph}};
  nlohmann::json inputs = nlohmann::json::array();
  for (const TensorReport& t : r.inputs) inputs.push_back(TensorJson(t, preview));
  nlohmann::json outputs = nlohmann::json::array();
  for (const TensorReport& t : r.outputs) outputs.push_back(TensorJson(t, preview));
  j["inputs"] = inputs;
  j["outputs"] = outputs;
  const LatencySummary& l = r.latency;
  j["invokes"] = {{"warmup", r.warmup}, {"timed", r.iterations}};
  j["latency_us"] = {{"min", l.min_us},   {"median", l.median_us}, {"p99", l.p99_us},
                     {"mean", l.mean_us}, {"max", l.max_us},       {"count", l.count}};
  if (r.expect_path.has_value()) {
    j["expect"] = {{"file", *r.expect_path},
                   {"passed", r.expect.passed()},
                   {"outputs_checked", r.expect.outputs_checked},
                   {"values_checked", r.expect.values_checked},
                   {"mismatches", r.expect.mismatches}};
  }
  // Names come from the model and need not be UTF-8: replace, never throw.
  return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace vantro::runner
