// Writer, reader and validation of simulated context binaries. All numbers
// are little-endian; see README_context_binary.md for the layout.
#include "sim/qnn/context_binary_format.h"

#include <cstring>
#include <limits>
#include <set>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"

namespace vantro::sim {
namespace {

// Native tensors are allocated when a context is created; a binary may not
// ask for more than this per tensor.
constexpr uint64_t kMaxNativeTensorBytes = uint64_t{1} << 30;

struct OpKindInfo {
  OpKind kind;
  const char* name;
};
constexpr OpKindInfo kOpKinds[] = {
    {OpKind::kCopy, "copy"},
    {OpKind::kAdd, "add"},
    {OpKind::kMul, "mul"},
    {OpKind::kRelu, "relu"},
    {OpKind::kFullyConnected, "fully_connected"},
    {OpKind::kDequantize, "dequantize"},
};

// ----------------------------------------------------------------- writer

class Writer {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void U64(uint64_t v) {
    for (int i = 0; i < 8; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof(bits));
    U32(bits);
  }
  void F64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof(bits));
    U64(bits);
  }
  void Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
  }
  void Str(const std::string& s) {
    U32(static_cast<uint32_t>(s.size()));
    Bytes(s.data(), s.size());
  }
  void Ids(const std::vector<uint32_t>& ids) {
    U32(static_cast<uint32_t>(ids.size()));
    for (uint32_t id : ids) U32(id);
  }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

void WriteTensor(Writer& w, const ContextBinaryTensor& t) {
  w.U32(t.id);
  w.Str(t.name);
  w.U32(t.type);
  w.U32(t.data_format);
  w.U32(t.data_type);
  w.Ids(t.dimensions);
  w.U32(t.encoding_definition);
  w.U32(t.encoding);
  if (t.HasScaleOffset()) {
    w.F32(t.scale);
    w.I32(t.offset);
  } else if (t.HasAxisScaleOffset()) {
    w.I32(t.axis);
    w.U32(static_cast<uint32_t>(t.scale_offsets.size()));
    for (const Qnn_ScaleOffset_t& pair : t.scale_offsets) {
      w.F32(pair.scale);
      w.I32(pair.offset);
    }
  }
  w.U32(t.record_version);
  w.U32(static_cast<uint32_t>(t.dynamic_dimensions.size()));
  w.Bytes(t.dynamic_dimensions.data(), t.dynamic_dimensions.size());
  w.U64(t.data.size());
  w.Bytes(t.data.data(), t.data.size());
}

// ----------------------------------------------------------------- reader

// Bounds-checked reads over the input; the first failure sticks and every
// later read yields zero.
class Reader {
 public:
  Reader(const uint8_t* data, uint64_t size) : data_(data), size_(size) {}

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  uint64_t remaining() const { return size_ - pos_; }
  uint64_t position() const { return pos_; }

  void Fail(std::string reason) {
    if (error_.empty()) error_ = absl::StrCat(reason, " at byte ", pos_);
  }

  bool Need(uint64_t n, const char* what) {
    if (!ok()) return false;
    if (n > remaining()) {
      Fail(absl::StrCat("truncated ", what));
      return false;
    }
    return true;
  }
  uint32_t U32(const char* what) {
    if (!Need(4, what)) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(data_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return v;
  }
  int32_t I32(const char* what) { return static_cast<int32_t>(U32(what)); }
  uint64_t U64(const char* what) {
    if (!Need(8, what)) return 0;
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(data_[pos_ + i]) << (8 * i);
    pos_ += 8;
    return v;
  }
  float F32(const char* what) {
    uint32_t bits = U32(what);
    float v;
    std::memcpy(&v, &bits, sizeof(v));
    return v;
  }
  double F64(const char* what) {
    uint64_t bits = U64(what);
    double v;
    std::memcpy(&v, &bits, sizeof(v));
    return v;
  }
  void Bytes(uint64_t n, std::vector<uint8_t>* out, const char* what) {
    out->clear();
    if (!Need(n, what)) return;
    out->assign(data_ + pos_, data_ + pos_ + n);
    pos_ += n;
  }
  void Str(std::string* out, const char* what) {
    uint32_t n = U32(what);
    out->clear();
    if (!Need(n, what)) return;
    out->assign(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
  }
  // A count of elements that take at least `min_bytes` each: refused when
  // the remaining input cannot hold them, so that a corrupt count never
  // makes us reserve memory.
  uint32_t Count(uint64_t min_bytes, const char* what) {
    uint32_t n = U32(what);
    if (ok() && n > remaining() / min_bytes) {
      Fail(absl::StrCat("implausible ", what, " count ", n));
      return 0;
    }
    return n;
  }
  void Ids(std::vector<uint32_t>* out, const char* what) {
    uint32_t n = Count(4, what);
    out->clear();
    out->reserve(n);
    for (uint32_t i = 0; i < n && ok(); ++i) out->push_back(U32(what));
  }

 private:
  const uint8_t* data_;
  uint64_t size_;
  uint64_t pos_ = 0;
  std::string error_;
};

void ReadTensor(Reader& r, ContextBinaryTensor* t) {
  t->id = r.U32("tensor id");
  r.Str(&t->name, "tensor name");
  t->type = r.U32("tensor type");
  t->data_format = r.U32("tensor data format");
  t->data_type = r.U32("tensor data type");
  r.Ids(&t->dimensions, "tensor dimensions");
  t->encoding_definition = r.U32("encoding definition");
  t->encoding = r.U32("encoding");
  if (t->HasScaleOffset()) {
    t->scale = r.F32("scale");
    t->offset = r.I32("offset");
  } else if (t->HasAxisScaleOffset()) {
    t->axis = r.I32("axis");
    uint32_t n = r.Count(8, "scale-offset pair");
    t->scale_offsets.clear();
    t->scale_offsets.reserve(n);
    for (uint32_t i = 0; i < n && r.ok(); ++i) {
      Qnn_ScaleOffset_t pair;
      pair.scale = r.F32("scale");
      pair.offset = r.I32("offset");
      t->scale_offsets.push_back(pair);
    }
  }
  t->record_version = r.U32("tensor record version");
  uint32_t dynamic = r.Count(1, "dynamic dimension flag");
  r.Bytes(dynamic, &t->dynamic_dimensions, "dynamic dimension flags");
  uint64_t data_size = r.U64("tensor data size");
  r.Bytes(data_size, &t->data, "tensor data");
}

void ReadTensors(Reader& r, std::vector<ContextBinaryTensor>* tensors, const char* what) {
  // The smallest tensor record takes 48 bytes.
  uint32_t n = r.Count(48, what);
  tensors->clear();
  tensors->reserve(n);
  for (uint32_t i = 0; i < n && r.ok(); ++i) {
    tensors->emplace_back();
    ReadTensor(r, &tensors->back());
  }
}

void ReadOp(Reader& r, ContextBinaryOp* op) {
  op->kind = static_cast<OpKind>(r.U32("op kind"));
  r.Ids(&op->inputs, "op input");
  r.Ids(&op->outputs, "op output");
  uint32_t n = r.Count(12, "op parameter");
  op->params.clear();
  op->params.reserve(n);
  for (uint32_t i = 0; i < n && r.ok(); ++i) {
    ContextBinaryParam param;
    r.Str(&param.name, "op parameter name");
    param.value = r.F64("op parameter value");
    op->params.push_back(std::move(param));
  }
}

void ReadGraph(Reader& r, ContextBinaryGraph* g) {
  r.Str(&g->name, "graph name");
  g->info_version = r.U32("graph info version");
  ReadTensors(r, &g->tensors, "graph tensor");
  r.Ids(&g->inputs, "graph input");
  r.Ids(&g->outputs, "graph output");
  uint32_t n = r.Count(16, "op");
  g->ops.clear();
  g->ops.reserve(n);
  for (uint32_t i = 0; i < n && r.ok(); ++i) {
    g->ops.emplace_back();
    ReadOp(r, &g->ops.back());
  }
}

// ------------------------------------------------------------- validation

bool IsFloatType(uint32_t data_type) { return data_type == QNN_DATATYPE_FLOAT_32; }

// Element types the executor reads and writes (as real numbers).
bool IsExecutableType(uint32_t data_type) {
  switch (data_type) {
    case QNN_DATATYPE_FLOAT_32:
    case QNN_DATATYPE_INT_8:
    case QNN_DATATYPE_INT_16:
    case QNN_DATATYPE_INT_32:
    case QNN_DATATYPE_UINT_8:
    case QNN_DATATYPE_UINT_16:
    case QNN_DATATYPE_UINT_32:
    case QNN_DATATYPE_SFIXED_POINT_8:
    case QNN_DATATYPE_SFIXED_POINT_16:
    case QNN_DATATYPE_SFIXED_POINT_32:
    case QNN_DATATYPE_UFIXED_POINT_8:
    case QNN_DATATYPE_UFIXED_POINT_16:
    case QNN_DATATYPE_UFIXED_POINT_32:
    case QNN_DATATYPE_BOOL_8:
      return true;
    default:
      return false;
  }
}

bool IsQuantised(const ContextBinaryTensor& t) {
  return t.HasScaleOffset() || t.HasAxisScaleOffset();
}

bool ElementCount(const ContextBinaryTensor& t, uint64_t* count) {
  uint64_t n = 1;
  for (uint32_t d : t.dimensions) {
    if (d != 0 && n > std::numeric_limits<uint64_t>::max() / d) return false;
    n *= d;
  }
  *count = n;
  return true;
}

std::string TensorLabel(const ContextBinaryTensor& t) {
  return absl::StrFormat("tensor %d (%s)", t.id, t.name);
}

std::string ValidateTensor(const ContextBinaryTensor& t) {
  uint64_t bytes = 0;
  if (!TensorByteSize(t, &bytes)) return TensorLabel(t) + ": size overflows";
  if (t.HasAxisScaleOffset()) {
    if (t.axis < 0 || static_cast<size_t>(t.axis) >= t.dimensions.size()) {
      return TensorLabel(t) + ": quantisation axis out of range";
    } else if (t.scale_offsets.size() != t.dimensions[t.axis]) {
      return TensorLabel(t) + ": scale-offset pair count differs from the axis dimension";
    }
  }
  if (!t.dynamic_dimensions.empty() && t.dynamic_dimensions.size() != t.dimensions.size())
    return TensorLabel(t) + ": dynamic dimension flags differ from the rank";
  if (!t.data.empty()) {
    if (t.type != QNN_TENSOR_TYPE_STATIC)
      return TensorLabel(t) + ": only static tensors carry data";
    if (t.data.size() != bytes)
      return absl::StrFormat("%s: data has %d bytes, the tensor %d", TensorLabel(t),
                             t.data.size(), bytes);
  } else if (t.type == QNN_TENSOR_TYPE_STATIC && bytes != 0) {
    return TensorLabel(t) + ": static tensor without data";
  }
  return {};
}

std::string ValidateOp(const ContextBinaryGraph& g, size_t index, const ContextBinaryOp& op,
                       std::set<uint32_t>* written) {
  const char* name = OpKindName(op.kind);
  if (name == nullptr)
    return absl::StrFormat("op %d: unknown kind %d", index, static_cast<uint32_t>(op.kind));
  std::string where = absl::StrFormat("op %d (%s)", index, name);

  size_t min_in = 1, max_in = 1;
  if (op.kind == OpKind::kAdd || op.kind == OpKind::kMul) min_in = max_in = 2;
  if (op.kind == OpKind::kFullyConnected) min_in = 2, max_in = 3;
  if (op.inputs.size() < min_in || op.inputs.size() > max_in)
    return where + ": wrong number of inputs";
  if (op.outputs.size() != 1) return where + ": wrong number of outputs";

  std::vector<const ContextBinaryTensor*> in;
  for (uint32_t id : op.inputs) {
    const ContextBinaryTensor* t = g.FindTensor(id);
    if (t == nullptr) return absl::StrFormat("%s: unknown input tensor %d", where, id);
    if (t->type == QNN_TENSOR_TYPE_NATIVE && written->count(id) == 0)
      return absl::StrFormat("%s: reads %s before any op writes it", where, TensorLabel(*t));
    in.push_back(t);
  }
  const ContextBinaryTensor* out = g.FindTensor(op.outputs[0]);
  if (out == nullptr) return absl::StrFormat("%s: unknown output tensor %d", where, op.outputs[0]);
  if (out->type == QNN_TENSOR_TYPE_STATIC) return where + ": writes a static tensor";
  for (uint32_t id : g.inputs)
    if (id == out->id) return where + ": writes a graph input";
  written->insert(out->id);

  uint64_t out_bytes = 0, out_count = 0;
  TensorByteSize(*out, &out_bytes);
  ElementCount(*out, &out_count);
  if (op.kind == OpKind::kCopy) {
    uint64_t in_bytes = 0;
    TensorByteSize(*in[0], &in_bytes);
    if (in_bytes != out_bytes) return where + ": input and output sizes differ";
    return {};
  }
  for (const ContextBinaryTensor* t : in)
    if (!IsExecutableType(t->data_type))
      return absl::StrFormat("%s: unsupported data type 0x%04x of %s", where, t->data_type,
                             TensorLabel(*t));
  if (!IsExecutableType(out->data_type))
    return absl::StrFormat("%s: unsupported data type 0x%04x of %s", where, out->data_type,
                           TensorLabel(*out));

  if (op.kind == OpKind::kFullyConnected) {
    const ContextBinaryTensor& w = *in[1];
    if (w.dimensions.size() != 2) return where + ": weights must have rank 2";
    uint64_t units = w.dimensions[0], depth = w.dimensions[1];
    uint64_t in_count = 0;
    ElementCount(*in[0], &in_count);
    if (depth == 0 || in_count % depth != 0)
      return where + ": input size is not a multiple of the weights' depth";
    uint64_t batch = in_count / depth;
    if (batch * units != out_count) return where + ": output size differs from batch x units";
    if (in.size() == 3) {
      uint64_t bias_count = 0;
      ElementCount(*in[2], &bias_count);
      if (bias_count != units) return where + ": bias size differs from the units";
    }
    return {};
  }
  for (const ContextBinaryTensor* t : in) {
    uint64_t count = 0;
    ElementCount(*t, &count);
    if (count != out_count) return where + ": element counts differ";
  }
  if (op.kind == OpKind::kDequantize) {
    if (!IsQuantised(*in[0])) return where + ": input is not quantised";
    if (!IsFloatType(out->data_type)) return where + ": output is not float32";
  }
  return {};
}

std::string ValidateGraph(const ContextBinaryGraph& g) {
  std::string where = absl::StrCat("graph ", g.name);
  std::set<uint32_t> ids;
  for (const ContextBinaryTensor& t : g.tensors) {
    if (!ids.insert(t.id).second) return absl::StrFormat("%s: duplicate tensor id %d", where, t.id);
    std::string reason = ValidateTensor(t);
    if (!reason.empty()) return where + ": " + reason;
    uint64_t bytes = 0;
    TensorByteSize(t, &bytes);
    if (t.type == QNN_TENSOR_TYPE_NATIVE && bytes > kMaxNativeTensorBytes)
      return absl::StrFormat("%s: %s is too large", where, TensorLabel(t));
  }
  // Graph inputs and outputs get their buffers from the client at each
  // execution; a tensor is one or the other, never both, never native or
  // static.
  std::set<uint32_t> io;
  for (const auto* list : {&g.inputs, &g.outputs}) {
    for (uint32_t id : *list) {
      const ContextBinaryTensor* t = g.FindTensor(id);
      if (t == nullptr)
        return absl::StrFormat("%s: unknown %s tensor %d", where,
                               list == &g.inputs ? "input" : "output", id);
      if (t->type == QNN_TENSOR_TYPE_NATIVE || t->type == QNN_TENSOR_TYPE_STATIC)
        return absl::StrFormat("%s: %s is native or static and cannot be a graph %s", where,
                               TensorLabel(*t), list == &g.inputs ? "input" : "output");
      if (!io.insert(id).second)
        return absl::StrFormat("%s: tensor %d listed twice", where, id);
    }
  }
  // Every tensor an op touches must have memory at execution.
  for (const ContextBinaryOp& op : g.ops) {
    for (const auto* list : {&op.inputs, &op.outputs}) {
      for (uint32_t id : *list) {
        const ContextBinaryTensor* t = g.FindTensor(id);
        if (t != nullptr && t->type != QNN_TENSOR_TYPE_NATIVE &&
            t->type != QNN_TENSOR_TYPE_STATIC && io.count(id) == 0)
          return absl::StrFormat("%s: %s is used by an op but is neither a graph input, a "
                                 "graph output, native nor static",
                                 where, TensorLabel(*t));
      }
    }
  }
  std::set<uint32_t> written;
  for (size_t i = 0; i < g.ops.size(); ++i) {
    std::string reason = ValidateOp(g, i, g.ops[i], &written);
    if (!reason.empty()) return where + ": " + reason;
  }
  return {};
}

}  // namespace

const char* OpKindName(OpKind kind) {
  for (const OpKindInfo& info : kOpKinds)
    if (info.kind == kind) return info.name;
  return nullptr;
}

bool OpKindFromName(const std::string& name, OpKind* kind) {
  for (const OpKindInfo& info : kOpKinds) {
    if (name == info.name) {
      *kind = info.kind;
      return true;
    }
  }
  return false;
}

const ContextBinaryTensor* ContextBinaryGraph::FindTensor(uint32_t id) const {
  for (const ContextBinaryTensor& t : tensors)
    if (t.id == id) return &t;
  return nullptr;
}

uint32_t DataTypeByteSize(uint32_t data_type) {
  switch (data_type) {
    case QNN_DATATYPE_INT_8:
    case QNN_DATATYPE_UINT_8:
    case QNN_DATATYPE_SFIXED_POINT_8:
    case QNN_DATATYPE_UFIXED_POINT_8:
    case QNN_DATATYPE_BOOL_8:
      return 1;
    case QNN_DATATYPE_INT_16:
    case QNN_DATATYPE_UINT_16:
    case QNN_DATATYPE_FLOAT_16:
    case QNN_DATATYPE_SFIXED_POINT_16:
    case QNN_DATATYPE_UFIXED_POINT_16:
      return 2;
    case QNN_DATATYPE_INT_32:
    case QNN_DATATYPE_UINT_32:
    case QNN_DATATYPE_FLOAT_32:
    case QNN_DATATYPE_SFIXED_POINT_32:
    case QNN_DATATYPE_UFIXED_POINT_32:
      return 4;
    case QNN_DATATYPE_INT_64:
    case QNN_DATATYPE_UINT_64:
    case QNN_DATATYPE_FLOAT_64:
      return 8;
    default:
      return 0;
  }
}

bool TensorByteSize(const ContextBinaryTensor& tensor, uint64_t* size) {
  uint64_t count = 0;
  if (!ElementCount(tensor, &count)) return false;
  uint64_t element = DataTypeByteSize(tensor.data_type);
  if (element != 0 && count > std::numeric_limits<uint64_t>::max() / element) return false;
  *size = count * element;
  return true;
}

std::string ValidateContextBinary(const ContextBinary& binary) {
  for (const ContextBinaryTensor& t : binary.context_tensors) {
    std::string reason = ValidateTensor(t);
    if (!reason.empty()) return "context " + reason;
  }
  for (const ContextBinaryGraph& g : binary.graphs) {
    std::string reason = ValidateGraph(g);
    if (!reason.empty()) return reason;
  }
  return {};
}

std::vector<uint8_t> WriteContextBinary(const ContextBinary& binary) {
  Writer w;
  w.Bytes(kContextBinaryMagic, sizeof(kContextBinaryMagic));
  w.U32(kContextBinaryFormatVersion);
  w.Str(binary.build_id);
  for (const Qnn_Version_t* v :
       {&binary.api_version.coreApiVersion, &binary.api_version.backendApiVersion}) {
    w.U32(v->major);
    w.U32(v->minor);
    w.U32(v->patch);
  }
  w.U32(binary.soc_model);
  w.U32(static_cast<uint32_t>(binary.context_tensors.size()));
  for (const ContextBinaryTensor& t : binary.context_tensors) WriteTensor(w, t);
  w.U32(static_cast<uint32_t>(binary.graphs.size()));
  for (const ContextBinaryGraph& g : binary.graphs) {
    w.Str(g.name);
    w.U32(g.info_version);
    w.U32(static_cast<uint32_t>(g.tensors.size()));
    for (const ContextBinaryTensor& t : g.tensors) WriteTensor(w, t);
    w.Ids(g.inputs);
    w.Ids(g.outputs);
    w.U32(static_cast<uint32_t>(g.ops.size()));
    for (const ContextBinaryOp& op : g.ops) {
      w.U32(static_cast<uint32_t>(op.kind));
      w.Ids(op.inputs);
      w.Ids(op.outputs);
      w.U32(static_cast<uint32_t>(op.params.size()));
      for (const ContextBinaryParam& p : op.params) {
        w.Str(p.name);
        w.F64(p.value);
      }
    }
  }
  return w.Take();
}

bool ReadContextBinary(const void* bytes, uint64_t size, ContextBinary* binary,
                       std::string* error) {
  auto fail = [error](std::string reason) {
    if (error != nullptr) *error = std::move(reason);
    return false;
  };
  if (bytes == nullptr) return fail("no bytes");
  if (binary == nullptr) return fail("nowhere to read into");
  Reader r(static_cast<const uint8_t*>(bytes), size);
  if (size < sizeof(kContextBinaryMagic) ||
      std::memcmp(bytes, kContextBinaryMagic, sizeof(kContextBinaryMagic)) != 0)
    return fail("not a simulated context binary (bad magic)");
  std::vector<uint8_t> magic;
  r.Bytes(sizeof(kContextBinaryMagic), &magic, "magic");
  uint32_t version = r.U32("format version");
  if (r.ok() && version != kContextBinaryFormatVersion)
    return fail(absl::StrFormat("unsupported format version %d", version));
  r.Str(&binary->build_id, "build id");
  for (Qnn_Version_t* v :
       {&binary->api_version.coreApiVersion, &binary->api_version.backendApiVersion}) {
    v->major = r.U32("api version");
    v->minor = r.U32("api version");
    v->patch = r.U32("api version");
  }
  binary->soc_model = r.U32("soc model");
  ReadTensors(r, &binary->context_tensors, "context tensor");
  uint32_t graphs = r.Count(24, "graph");
  binary->graphs.clear();
  binary->graphs.reserve(graphs);
  for (uint32_t i = 0; i < graphs && r.ok(); ++i) {
    binary->graphs.emplace_back();
    ReadGraph(r, &binary->graphs.back());
  }
  if (!r.ok()) return fail(r.error());
  if (r.remaining() != 0)
    return fail(absl::StrFormat("%d trailing bytes", r.remaining()));
  std::string reason = ValidateContextBinary(*binary);
  if (!reason.empty()) return fail(reason);
  return true;
}

}  // namespace vantro::sim
