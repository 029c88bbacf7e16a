/*
** The allocation arena of one parsed statement: nodes, folded names and the
** token array live in a list of blocks that are freed together, so parsing
** makes no heap allocation per token or per node.
*/
#ifndef KESTREL_ENGINE_SQL_AST_ARENA_H
#define KESTREL_ENGINE_SQL_AST_ARENA_H

#include <stddef.h>

#include <new>
#include <string_view>
#include <type_traits>

namespace kestrel_engine::sql {

class Arena {
 public:
  Arena() = default;
  Arena(const Arena &) = delete;
  Arena &operator=(const Arena &) = delete;
  ~Arena();

  void *Allocate(size_t size, size_t align);

  // Nodes are never destroyed one by one: only trivially destructible
  // types may live here.
  template <class T>
  T *New() {
    static_assert(std::is_trivially_destructible_v<T>, "arena types own nothing");
    return new (Allocate(sizeof(T), alignof(T))) T();
  }
  template <class T>
  T *NewArray(size_t count) {
    static_assert(std::is_trivially_destructible_v<T>, "arena types own nothing");
    T *items = static_cast<T *>(Allocate(sizeof(T) * count, alignof(T)));
    for (size_t i = 0; i < count; ++i) new (items + i) T();
    return items;
  }
  std::string_view Copy(std::string_view text);

  // Forgets everything allocated; keeps the first block for the next
  // statement, so a reused arena allocates nothing for small statements.
  void Reset();
  size_t BytesUsed() const { return used_ + static_cast<size_t>(cursor_ - start_); }

 private:
  struct Block {
    Block *next;
    size_t size;
  };
  void Grow(size_t size, size_t align);

  Block *blocks_ = nullptr;
  char *start_ = nullptr;
  char *cursor_ = nullptr;
  char *end_ = nullptr;
  size_t used_ = 0;
};

}  // namespace kestrel_engine::sql

#endif
