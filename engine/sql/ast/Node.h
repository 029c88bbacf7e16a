/*
** The syntax tree's building blocks: the node base with its source offset,
** intrusive lists (a node is in at most one list), dotted names and type
** names. Every node lives in the statement's Arena.
*/
#ifndef KESTREL_ENGINE_SQL_AST_NODE_H
#define KESTREL_ENGINE_SQL_AST_NODE_H

#include <stdint.h>

#include <string_view>

namespace kestrel_engine::sql {

struct Node {
  uint32_t pos = 0;      // byte offset of the node's first token in the text
  Node *next = nullptr;  // the following node of the list this one is in
};

template <class T>
struct List {
  T *first = nullptr;
  T *last = nullptr;
  uint32_t size = 0;

  void Append(T *node) {
    node->next = nullptr;
    if (last != nullptr) {
      last->next = node;
    } else {
      first = node;
    }
    last = node;
    ++size;
  }
  bool empty() const { return size == 0; }

  struct Iterator {
    T *at;
    T *operator*() const { return at; }
    Iterator &operator++() {
      at = static_cast<T *>(at->next);
      return *this;
    }
    bool operator!=(const Iterator &other) const { return at != other.at; }
  };
  Iterator begin() const { return {first}; }
  Iterator end() const { return {nullptr}; }
};

// An identifier: unquoted ones folded to upper case, quoted ones as
// written (quotes removed). `quoted` keeps the distinction for printing.
struct Ident : Node {
  std::string_view name;
  bool quoted = false;
};

// A dotted name, a.b.c (up to four parts), with an optional @dblink.
struct Name {
  static constexpr int kMaxParts = 4;
  std::string_view part[kMaxParts];
  bool quoted[kMaxParts] = {};
  uint8_t count = 0;
  std::string_view dblink;  // as written after @, empty when none

  std::string_view Last() const { return count ? part[count - 1] : std::string_view(); }
};

enum class TypeKind : uint8_t {
  kNumber, kFloat, kBinaryFloat, kBinaryDouble, kInteger, kSmallint,
  kDecimal, kReal, kDoublePrecision,
  kVarchar2, kVarchar, kNVarchar2, kChar, kNChar, kLong, kLongRaw, kRaw,
  kClob, kNClob, kBlob, kBfile,
  kDate, kTimestamp, kIntervalYM, kIntervalDS,
  kBoolean, kRowid, kURowid, kXmlType, kJson
};

// A declared type. precision/scale/length are -1 when not given;
// precision -2 is NUMBER(*, s).
struct TypeName : Node {
  TypeKind kind = TypeKind::kNumber;
  int32_t precision = -1;   // NUMBER/FLOAT precision, TIMESTAMP and
                            // INTERVAL fractional seconds, string length
  int32_t scale = -1;       // NUMBER scale; INTERVAL leading precision
  uint8_t length_unit = 0;  // 0 unstated, 1 BYTE, 2 CHAR
  uint8_t time_zone = 0;    // TIMESTAMP: 0 none, 1 WITH TIME ZONE, 2 WITH LOCAL
  int32_t leading = -1;     // INTERVAL leading field precision
  // INTERVAL fields (type or literal qualifier), 0 when not an interval.
  uint8_t from_field = 0;
  uint8_t to_field = 0;
};

enum DateField : uint8_t { kNoField, kYear, kMonth, kDay, kHour, kMinute, kSecond };

}  // namespace kestrel_engine::sql

#endif
