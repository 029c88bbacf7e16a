/*
** The process-wide error record behind COCIException::errCode() and
** errMsg(): one code and one message, written under a lock so that threads
** each driving their own connection never race on it. What a reader sees
** is only meaningful when the application serialises its calls.
*/
#ifndef KESTREL_ERROR_RECORD_H
#define KESTREL_ERROR_RECORD_H

#include <stddef.h>

namespace kestrel {

// The message store's size, terminator included.
constexpr size_t kErrorMessageSize = 512;

// Records OCI_SUCCESS ("OCI_SUCCESS", code 0).
void RecordSuccess();
// Records `code` with `message` (cut to the store).
void RecordError(int code, const char *message);
// Records `code` and leaves the message as it is.
void RecordCode(int code);

int RecordedCode();
// The message store itself: the same address for the life of the process.
char *RecordedMessage();

}  // namespace kestrel

#endif
