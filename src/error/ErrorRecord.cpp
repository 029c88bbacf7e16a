/*
** The process-wide error record: the code and message of the last status
** the library looked at, guarded by one lock. Recording success, which
** happens several times per fetched row, skips the lock when the record
** already says exactly that.
*/
#include "error/ErrorRecord.h"

#include <string.h>

#include <atomic>
#include <mutex>

namespace kestrel {

namespace {

constexpr char kSuccess[] = "OCI_SUCCESS";

// The record. Writers hold the lock; the code is atomic so that errCode()
// never races with a writer; the message is read through a raw pointer by
// the application, which serialises when it wants a meaningful answer.
struct Record {
  std::mutex lock;
  std::atomic<int> code{0};
  // True while code is 0 and the message reads "OCI_SUCCESS": the one
  // case a writer may skip. Cleared before any other write begins.
  std::atomic<bool> success{false};
  char message[kErrorMessageSize] = {0};
};

// Constant-initialised: usable before and after every other static.
Record g_record;

Record &TheRecord() { return g_record; }

}  // namespace

void RecordSuccess() {
  Record &r = TheRecord();
  if (r.success.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> hold(r.lock);
  r.code.store(0, std::memory_order_relaxed);
  memcpy(r.message, kSuccess, sizeof kSuccess);
  r.success.store(true, std::memory_order_release);
}

void RecordError(int code, const char *message) {
  Record &r = TheRecord();
  std::lock_guard<std::mutex> hold(r.lock);
  r.success.store(false, std::memory_order_relaxed);
  r.code.store(code, std::memory_order_relaxed);
  const size_t length = strnlen(message, kErrorMessageSize - 1);
  memcpy(r.message, message, length);
  r.message[length] = '\0';
}

void RecordCode(int code) {
  Record &r = TheRecord();
  std::lock_guard<std::mutex> hold(r.lock);
  r.success.store(false, std::memory_order_relaxed);
  r.code.store(code, std::memory_order_relaxed);
}

int RecordedCode() {
  return TheRecord().code.load(std::memory_order_relaxed);
}

char *RecordedMessage() { return TheRecord().message; }

}  // namespace kestrel
