// Parser of context-binary text descriptions: one statement per line,
// whitespace-separated words, "key=value" attributes, "#" comments.
#include "sim/qnn/context_binary_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

#include "absl/strings/ascii.h"
#include "absl/strings/match.h"
#include "absl/strings/numbers.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_split.h"
#include "absl/strings/strip.h"

namespace vantro::sim {
namespace {

struct NamedCode {
  const char* name;
  uint32_t code;
};

constexpr NamedCode kDataTypes[] = {
    {"int8", QNN_DATATYPE_INT_8},
    {"int16", QNN_DATATYPE_INT_16},
    {"int32", QNN_DATATYPE_INT_32},
    {"int64", QNN_DATATYPE_INT_64},
    {"uint8", QNN_DATATYPE_UINT_8},
    {"uint16", QNN_DATATYPE_UINT_16},
    {"uint32", QNN_DATATYPE_UINT_32},
    {"uint64", QNN_DATATYPE_UINT_64},
    {"float16", QNN_DATATYPE_FLOAT_16},
    {"float32", QNN_DATATYPE_FLOAT_32},
    {"float64", QNN_DATATYPE_FLOAT_64},
    {"sfixed8", QNN_DATATYPE_SFIXED_POINT_8},
    {"sfixed16", QNN_DATATYPE_SFIXED_POINT_16},
    {"sfixed32", QNN_DATATYPE_SFIXED_POINT_32},
    {"ufixed8", QNN_DATATYPE_UFIXED_POINT_8},
    {"ufixed16", QNN_DATATYPE_UFIXED_POINT_16},
    {"ufixed32", QNN_DATATYPE_UFIXED_POINT_32},
    {"bool8", QNN_DATATYPE_BOOL_8},
};

constexpr NamedCode kTensorTypes[] = {
    {"app_write", QNN_TENSOR_TYPE_APP_WRITE},   {"app_read", QNN_TENSOR_TYPE_APP_READ},
    {"app_readwrite", QNN_TENSOR_TYPE_APP_READWRITE}, {"native", QNN_TENSOR_TYPE_NATIVE},
    {"static", QNN_TENSOR_TYPE_STATIC},
};

// A failure at one line; the message becomes "line <n>: <reason>".
struct ParseError {
  std::string reason;
};

// Splits a line into words. Double quotes group characters (including
// blanks) and are removed, so `""` is an empty word; "#" outside quotes
// ends the line.
bool SplitWords(absl::string_view line, std::vector<std::string>* words, std::string* error) {
  words->clear();
  std::string word;
  bool in_word = false, quoted = false;
  for (char c : line) {
    if (quoted) {
      if (c == '"') quoted = false;
      else word.push_back(c);
      continue;
    }
    if (c == '#') break;
    if (c == '"') {
      quoted = true;
      in_word = true;
    } else if (absl::ascii_isspace(static_cast<unsigned char>(c))) {
      if (in_word) words->push_back(std::move(word));
      word.clear();
      in_word = false;
    } else {
      word.push_back(c);
      in_word = true;
    }
  }
  if (quoted) {
    *error = "unterminated quote";
    return false;
  }
  if (in_word) words->push_back(std::move(word));
  return true;
}

bool ParseU32(absl::string_view text, uint32_t* out) {
  if (absl::StartsWith(text, "0x") || absl::StartsWith(text, "0X"))
    return absl::SimpleHexAtoi(text.substr(2), out);
  return !text.empty() && text[0] != '-' && text[0] != '+' && absl::SimpleAtoi(text, out);
}

uint32_t U32Attr(absl::string_view key, absl::string_view text) {
  uint32_t v = 0;
  if (!ParseU32(text, &v))
    throw ParseError{absl::StrCat(key, ": not an unsigned 32-bit number: ", text)};
  return v;
}

int32_t I32Attr(absl::string_view key, absl::string_view text) {
  int32_t v = 0;
  if (!absl::SimpleAtoi(text, &v))
    throw ParseError{absl::StrCat(key, ": not a 32-bit integer: ", text)};
  return v;
}

double NumberAttr(absl::string_view key, absl::string_view text) {
  double v = 0;
  if (!absl::SimpleAtod(text, &v) || !std::isfinite(v))
    throw ParseError{absl::StrCat(key, ": not a number: ", text)};
  return v;
}

std::vector<absl::string_view> ListItems(absl::string_view text) {
  std::vector<absl::string_view> items;
  if (text.empty() || text == "[]") return items;
  if (absl::ConsumePrefix(&text, "[") && !absl::ConsumeSuffix(&text, "]"))
    throw ParseError{"unbalanced brackets"};
  for (absl::string_view item : absl::StrSplit(text, ',')) items.push_back(item);
  return items;
}

uint32_t CodeOf(const NamedCode* begin, const NamedCode* end, absl::string_view key,
                absl::string_view text) {
  for (const NamedCode* c = begin; c != end; ++c)
    if (text == c->name) return c->code;
  uint32_t v = 0;
  if (ParseU32(text, &v)) return v;
  throw ParseError{absl::StrCat(key, ": unknown value ", text)};
}

// Appends one value of `data_type` to `data`.
void AppendValue(uint32_t data_type, absl::string_view text, std::vector<uint8_t>* data) {
  auto append = [data](const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    data->insert(data->end(), b, b + n);  // the simulation runs little-endian hosts only
  };
  if (data_type == QNN_DATATYPE_FLOAT_32) {
    float v = static_cast<float>(NumberAttr("data", text));
    append(&v, sizeof(v));
    return;
  }
  if (data_type == QNN_DATATYPE_FLOAT_64) {
    double v = NumberAttr("data", text);
    append(&v, sizeof(v));
    return;
  }
  uint32_t size = DataTypeByteSize(data_type);
  uint32_t kind = data_type >> 8;
  bool is_signed = kind == 0x00 || kind == 0x03;
  if (size == 0 || data_type == QNN_DATATYPE_FLOAT_16)
    throw ParseError{absl::StrFormat("data: values of data type 0x%04x cannot be written",
                                     data_type)};
  if (is_signed) {
    int64_t v = 0;
    if (!absl::SimpleAtoi(text, &v)) throw ParseError{absl::StrCat("data: not an integer: ", text)};
    int64_t lo = size == 8 ? std::numeric_limits<int64_t>::min() : -(int64_t{1} << (8 * size - 1));
    int64_t hi = size == 8 ? std::numeric_limits<int64_t>::max() : (int64_t{1} << (8 * size - 1)) - 1;
    if (v < lo || v > hi) throw ParseError{absl::StrCat("data: out of range: ", text)};
    append(&v, size);
  } else {
    uint64_t v = 0;
    if (text.empty() || text[0] == '-' || !absl::SimpleAtoi(text, &v))
      throw ParseError{absl::StrCat("data: not an unsigned integer: ", text)};
    if (size < 8 && v >> (8 * size) != 0)
      throw ParseError{absl::StrCat("data: out of range: ", text)};
    append(&v, size);
  }
}

using Attributes = std::map<std::string, std::string>;

Attributes SplitAttributes(const std::vector<std::string>& words, size_t first) {
  Attributes attributes;
  for (size_t i = first; i < words.size(); ++i) {
    size_t eq = words[i].find('=');
    if (eq == std::string::npos || eq == 0)
      throw ParseError{absl::StrCat("expected key=value, got ", words[i])};
    std::string key = words[i].substr(0, eq);
    if (!attributes.emplace(key, words[i].substr(eq + 1)).second)
      throw ParseError{absl::StrCat("attribute given twice: ", key)};
  }
  return attributes;
}

// Takes an attribute out of the map; true when it was there.
bool Take(Attributes* attributes, const char* key, std::string* value) {
  auto it = attributes->find(key);
  if (it == attributes->end()) return false;
  *value = it->second;
  attributes->erase(it);
  return true;
}

ContextBinaryTensor ParseTensor(const std::vector<std::string>& words,
                                const std::vector<ContextBinaryTensor>& existing) {
  if (words.size() < 2) throw ParseError{"tensor needs a name"};
  ContextBinaryTensor t;
  t.name = words[1];
  for (const ContextBinaryTensor& other : existing)
    if (other.name == t.name) throw ParseError{absl::StrCat("tensor name used twice: ", t.name)};
  Attributes attrs = SplitAttributes(words, 2);
  std::string v;

  uint32_t next_id = 1;
  for (const ContextBinaryTensor& other : existing)
    next_id = std::max(next_id, other.id + 1);
  t.id = Take(&attrs, "id", &v) ? U32Attr("id", v) : next_id;
  if (Take(&attrs, "dtype", &v))
    t.data_type = CodeOf(std::begin(kDataTypes), std::end(kDataTypes), "dtype", v);
  if (Take(&attrs, "shape", &v))
    for (absl::string_view item : ListItems(v)) t.dimensions.push_back(U32Attr("shape", item));
  if (Take(&attrs, "format", &v)) t.data_format = U32Attr("format", v);

  bool has_scale = Take(&attrs, "scale", &v);
  if (has_scale) t.scale = static_cast<float>(NumberAttr("scale", v));
  if (Take(&attrs, "offset", &v)) {
    if (!has_scale) throw ParseError{"offset without scale"};
    t.offset = I32Attr("offset", v);
  }
  if (has_scale) {
    t.encoding_definition = QNN_DEFINITION_DEFINED;
    t.encoding = QNN_QUANTIZATION_ENCODING_SCALE_OFFSET;
  }
  if (Take(&attrs, "axis", &v)) {
    if (has_scale) throw ParseError{"scale and axis exclude each other"};
    t.axis = I32Attr("axis", v);
    std::string scales, offsets;
    if (!Take(&attrs, "scales", &scales)) throw ParseError{"axis needs scales="};
    std::vector<absl::string_view> scale_items = ListItems(scales);
    std::vector<absl::string_view> offset_items;
    if (Take(&attrs, "offsets", &offsets)) offset_items = ListItems(offsets);
    if (!offset_items.empty() && offset_items.size() != scale_items.size())
      throw ParseError{"scales and offsets differ in length"};
    for (size_t i = 0; i < scale_items.size(); ++i) {
      Qnn_ScaleOffset_t pair;
      pair.scale = static_cast<float>(NumberAttr("scales", scale_items[i]));
      pair.offset = offset_items.empty() ? 0 : I32Attr("offsets", offset_items[i]);
      t.scale_offsets.push_back(pair);
    }
    t.encoding_definition = QNN_DEFINITION_DEFINED;
    t.encoding = QNN_QUANTIZATION_ENCODING_AXIS_SCALE_OFFSET;
  }
  if (Take(&attrs, "encoding_definition", &v))
    t.encoding_definition = U32Attr("encoding_definition", v);
  if (Take(&attrs, "encoding", &v)) t.encoding = U32Attr("encoding", v);

  bool has_data = Take(&attrs, "data", &v);
  if (has_data)
    for (absl::string_view item : ListItems(v)) AppendValue(t.data_type, item, &t.data);
  t.type = has_data ? QNN_TENSOR_TYPE_STATIC : QNN_TENSOR_TYPE_NATIVE;
  if (Take(&attrs, "type", &v))
    t.type = CodeOf(std::begin(kTensorTypes), std::end(kTensorTypes), "type", v);
  if (Take(&attrs, "version", &v)) t.record_version = U32Attr("version", v);
  if (Take(&attrs, "dynamic", &v)) {
    for (absl::string_view item : ListItems(v)) {
      uint32_t flag = U32Attr("dynamic", item);
      if (flag > 1) throw ParseError{"dynamic: flags are 0 or 1"};
      t.dynamic_dimensions.push_back(static_cast<uint8_t>(flag));
    }
  }
  if (!attrs.empty()) throw ParseError{absl::StrCat("unknown tensor attribute ", attrs.begin()->first)};
  return t;
}

uint32_t TensorId(const ContextBinaryGraph& graph, absl::string_view name) {
  for (const ContextBinaryTensor& t : graph.tensors)
    if (t.name == name) return t.id;
  throw ParseError{absl::StrCat("unknown tensor ", name)};
}

std::vector<uint32_t> TensorIds(const ContextBinaryGraph& graph, absl::string_view list) {
  std::vector<uint32_t> ids;
  for (absl::string_view name : ListItems(list)) ids.push_back(TensorId(graph, name));
  return ids;
}

ContextBinaryOp ParseOp(const std::vector<std::string>& words, const ContextBinaryGraph& graph) {
  if (words.size() < 2) throw ParseError{"op needs a kind"};
  ContextBinaryOp op;
  if (!OpKindFromName(words[1], &op.kind)) throw ParseError{absl::StrCat("unknown op ", words[1])};
  Attributes attrs = SplitAttributes(words, 2);
  std::string v;
  if (!Take(&attrs, "inputs", &v)) throw ParseError{"op needs inputs="};
  op.inputs = TensorIds(graph, v);
  if (!Take(&attrs, "outputs", &v)) throw ParseError{"op needs outputs="};
  op.outputs = TensorIds(graph, v);
  for (const auto& [key, value] : attrs) op.params.push_back({key, NumberAttr(key, value)});
  return op;
}

Qnn_Version_t ParseVersion(const std::vector<std::string>& words) {
  if (words.size() != 2) throw ParseError{absl::StrCat(words[0], " takes one version")};
  std::vector<absl::string_view> parts = absl::StrSplit(words[1], '.');
  if (parts.size() != 3) throw ParseError{absl::StrCat(words[0], ": expected major.minor.patch")};
  return {U32Attr(words[0], parts[0]), U32Attr(words[0], parts[1]), U32Attr(words[0], parts[2])};
}

// Inputs and outputs not listed explicitly: the app-writable (and
// read-write) tensors are inputs, the app-readable ones outputs, in order.
void DefaultInputsAndOutputs(ContextBinaryGraph* graph, bool inputs_given, bool outputs_given) {
  for (const ContextBinaryTensor& t : graph->tensors) {
    if (!inputs_given &&
        (t.type == QNN_TENSOR_TYPE_APP_WRITE || t.type == QNN_TENSOR_TYPE_APP_READWRITE))
      graph->inputs.push_back(t.id);
    if (!outputs_given && t.type == QNN_TENSOR_TYPE_APP_READ) graph->outputs.push_back(t.id);
  }
}

}  // namespace

std::string DataTypeName(uint32_t data_type) {
  for (const NamedCode& c : kDataTypes)
    if (c.code == data_type) return c.name;
  return absl::StrFormat("0x%04x", data_type);
}

bool ParseContextBinaryText(absl::string_view text, ContextBinary* binary, std::string* error) {
  *binary = ContextBinary();
  ContextBinaryGraph* graph = nullptr;
  bool inputs_given = false, outputs_given = false;
  int line_number = 0;
  std::vector<std::string> words;
  try {
    for (absl::string_view line : absl::StrSplit(text, '\n')) {
      ++line_number;
      std::string split_error;
      if (!SplitWords(line, &words, &split_error)) throw ParseError{split_error};
      if (words.empty()) continue;
      const std::string& keyword = words[0];
      if (graph == nullptr) {
        if (keyword == "build_id") {
          if (words.size() != 2) throw ParseError{"build_id takes one text"};
          binary->build_id = words[1];
        } else if (keyword == "core_api") {
          binary->api_version.coreApiVersion = ParseVersion(words);
        } else if (keyword == "backend_api") {
          binary->api_version.backendApiVersion = ParseVersion(words);
        } else if (keyword == "soc_model") {
          if (words.size() != 2) throw ParseError{"soc_model takes one number"};
          binary->soc_model = U32Attr("soc_model", words[1]);
        } else if (keyword == "context_tensor") {
          binary->context_tensors.push_back(ParseTensor(words, binary->context_tensors));
        } else if (keyword == "graph") {
          if (words.size() < 2) throw ParseError{"graph needs a name"};
          binary->graphs.emplace_back();
          graph = &binary->graphs.back();
          graph->name = words[1];
          Attributes attrs = SplitAttributes(words, 2);
          std::string v;
          if (Take(&attrs, "info_version", &v)) graph->info_version = U32Attr("info_version", v);
          if (!attrs.empty())
            throw ParseError{absl::StrCat("unknown graph attribute ", attrs.begin()->first)};
          inputs_given = outputs_given = false;
        } else {
          throw ParseError{absl::StrCat("unexpected ", keyword, " outside a graph")};
        }
        continue;
      }
      if (keyword == "tensor") {
        graph->tensors.push_back(ParseTensor(words, graph->tensors));
      } else if (keyword == "op") {
        graph->ops.push_back(ParseOp(words, *graph));
      } else if (keyword == "inputs" || keyword == "outputs") {
        bool& given = keyword == "inputs" ? inputs_given : outputs_given;
        if (given) throw ParseError{absl::StrCat(keyword, " given twice")};
        given = true;
        std::vector<uint32_t>& ids = keyword == "inputs" ? graph->inputs : graph->outputs;
        for (size_t i = 1; i < words.size(); ++i) ids.push_back(TensorId(*graph, words[i]));
      } else if (keyword == "end") {
        if (words.size() != 1) throw ParseError{"end takes nothing"};
        DefaultInputsAndOutputs(graph, inputs_given, outputs_given);
        graph = nullptr;
      } else {
        throw ParseError{absl::StrCat("unexpected ", keyword, " inside a graph")};
      }
    }
    if (graph != nullptr) throw ParseError{absl::StrCat("graph ", graph->name, " lacks its end")};
  } catch (const ParseError& e) {
    *error = absl::StrCat("line ", line_number, ": ", e.reason);
    return false;
  } catch (const std::exception& e) {
    *error = absl::StrCat("line ", line_number, ": ", e.what());
    return false;
  }
  std::string reason = ValidateContextBinary(*binary);
  if (!reason.empty()) {
    *error = reason;
    return false;
  }
  return true;
}

}  // namespace vantro::sim
