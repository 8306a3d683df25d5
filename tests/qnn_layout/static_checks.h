// The lines of a <group>_facts.inc as compile-time assertions on the QNN
// headers included before: a record size, alignment, field offset or type,
// constant or function type that differs from QNN's published headers fails
// the build. Each failure names the record and field; the template it
// reports carries our value or type first and the published one second.
#ifndef VANTRO_TESTS_QNN_LAYOUT_STATIC_CHECKS_H_
#define VANTRO_TESTS_QNN_LAYOUT_STATIC_CHECKS_H_

#include <cstdarg>
#include <cstddef>
#include <type_traits>
#include <utility>

namespace qnn_layout {

// Clang names the template arguments of a failed static_assert's condition;
// GCC names them only for a failure inside the template, hence a second
// assertion there, and a distinct instantiation a check (Check, from
// __COUNTER__) so that GCC names them at every failure.
#if defined(__clang__)
#define VANTRO_QNN_LAYOUT_ASSERT_IN_TEMPLATE(condition, message) static_assert(true, "")
#else
#define VANTRO_QNN_LAYOUT_ASSERT_IN_TEMPLATE(condition, message) static_assert(condition, message)
#endif

template <long long Declared, long long Published, int Check>
struct SameValue {
  VANTRO_QNN_LAYOUT_ASSERT_IN_TEMPLATE(Declared == Published,
                                       "declared (first) differs from published (second)");
  static constexpr bool value = Declared == Published;
};

template <typename Declared, typename Published, int Check>
struct SameType {
  VANTRO_QNN_LAYOUT_ASSERT_IN_TEMPLATE((std::is_same<Declared, Published>::value),
                                       "declared type (first) differs from published (second)");
  static constexpr bool value = std::is_same<Declared, Published>::value;
};

constexpr bool SameText(const char* a, const char* b) {
  return *a == *b && (*a == '\0' || SameText(a + 1, b + 1));
}

}  // namespace qnn_layout

#define VANTRO_QNN_LAYOUT_EXPANDED_TEXT(macro) VANTRO_QNN_LAYOUT_TEXT(macro)
#define VANTRO_QNN_LAYOUT_TEXT(tokens) #tokens

#define VANTRO_QNN_RECORD(record, size, align)                                     \
  static_assert(qnn_layout::SameValue<sizeof(record), size, __COUNTER__>::value,   \
                #record ": size");                                                 \
  static_assert(qnn_layout::SameValue<alignof(record), align, __COUNTER__>::value, \
                #record ": alignment");

// A record published as "typedef struct _Tag Name": other headers name the tag.
#define VANTRO_QNN_RECORD_TAG(record, tag)                                    \
  static_assert(qnn_layout::SameType<record, struct tag, __COUNTER__>::value, \
                #record ": is struct " #tag);

// The .inc reaches the versioned table member through its macro; here the
// macro must name the member and type of these facts.
#define VANTRO_QNN_VERSIONED_MEMBER(record, macro, member, ...)                                  \
  static_assert(qnn_layout::SameText(VANTRO_QNN_LAYOUT_EXPANDED_TEXT(macro), #member),           \
                #macro " is " #member);                                                          \
  static_assert(qnn_layout::SameType<decltype(record::member), __VA_ARGS__, __COUNTER__>::value, \
                #record "." #member ": type");

// The type comes last and whole: function types hold commas.
#define VANTRO_QNN_FIELD(record, path, offset, ...)                                        \
  static_assert(qnn_layout::SameValue<offsetof(record, path), offset, __COUNTER__>::value, \
                #record "." #path ": offset");                                             \
  static_assert(qnn_layout::SameType<decltype(std::declval<record&>().path), __VA_ARGS__,  \
                                     __COUNTER__>::value,                                  \
                #record "." #path ": type");

#define VANTRO_QNN_CONSTANT(name, published)                                              \
  static_assert(                                                                          \
      qnn_layout::SameValue<static_cast<long long>(name), published, __COUNTER__>::value, \
      #name ": value");

#define VANTRO_QNN_FUNCTION(name, ...) \
  static_assert(qnn_layout::SameType<name, __VA_ARGS__, __COUNTER__>::value, #name ": type");

#endif  // VANTRO_TESTS_QNN_LAYOUT_STATIC_CHECKS_H_
