/*
** Block allocation for the statement arena.
*/
#include "sql/ast/Arena.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace kestrel_engine::sql {

namespace {
constexpr size_t kBlockSize = 8192;
}

Arena::~Arena() {
  while (blocks_ != nullptr) {
    Block *next = blocks_->next;
    free(blocks_);
    blocks_ = next;
  }
}

void *Arena::Allocate(size_t size, size_t align) {
  uintptr_t at = (reinterpret_cast<uintptr_t>(cursor_) + align - 1) & ~(uintptr_t{align} - 1);
  if (cursor_ == nullptr || at + size > reinterpret_cast<uintptr_t>(end_)) {
    Grow(size, align);
    at = (reinterpret_cast<uintptr_t>(cursor_) + align - 1) & ~(uintptr_t{align} - 1);
  }
  cursor_ = reinterpret_cast<char *>(at + size);
  return reinterpret_cast<void *>(at);
}

void Arena::Grow(size_t size, size_t align) {
  size_t want = size + align + sizeof(Block);
  if (want < kBlockSize) want = kBlockSize;
  // A reset arena reuses its first block before asking for another.
  if (blocks_ != nullptr && start_ == nullptr && blocks_->size >= want) {
    start_ = reinterpret_cast<char *>(blocks_ + 1);
    cursor_ = start_;
    end_ = reinterpret_cast<char *>(blocks_) + blocks_->size;
    return;
  }
  Block *block = static_cast<Block *>(malloc(want));
  if (block == nullptr) throw std::bad_alloc();
  block->size = want;
  if (blocks_ != nullptr && start_ == nullptr) {
    // Keep the reusable first block at the tail of the list.
    block->next = blocks_;
  } else {
    used_ += static_cast<size_t>(cursor_ - start_);
    block->next = blocks_;
  }
  blocks_ = block;
  start_ = reinterpret_cast<char *>(block + 1);
  cursor_ = start_;
  end_ = reinterpret_cast<char *>(block) + want;
}

std::string_view Arena::Copy(std::string_view text) {
  if (text.empty()) return {};
  char *to = static_cast<char *>(Allocate(text.size(), 1));
  memcpy(to, text.data(), text.size());
  return {to, text.size()};
}

void Arena::Reset() {
  if (blocks_ == nullptr) return;
  // Free every block but the oldest (the list's last).
  while (blocks_->next != nullptr) {
    Block *next = blocks_->next;
    free(blocks_);
    blocks_ = next;
  }
  start_ = nullptr;
  cursor_ = nullptr;
  end_ = nullptr;
  used_ = 0;
}

}  // namespace kestrel_engine::sql
