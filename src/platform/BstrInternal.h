/*
** Helpers over BSTRs that the rest of the OLE layer shares: duplication
** that keeps the single-byte mark, and reading a BSTR as UTF-16 text
** whichever form it holds.
*/
#ifndef KESTREL_BSTRINTERNAL_H
#define KESTREL_BSTRINTERNAL_H

#include <string>

#include "oleauto.h"

namespace kestrel {

// A copy of src with the same bytes and the same mark; a null src gives
// null and S_OK. E_OUTOFMEMORY when the copy cannot be made.
HRESULT BstrDuplicate(BSTR src, BSTR *out);

// The text as UTF-16: a marked BSTR's bytes are widened from the ANSI code
// page, any other BSTR is taken as its code units. Null gives "".
std::u16string BstrText(BSTR bstr);

// Makes `bstr` what AfxAllocAnsiBstr(bytes, len) would return, in its own
// block, when the block can hold it (a string read row after row keeps
// one block instead of trading it with the allocator each row). False,
// with `bstr` untouched, when it cannot.
bool BstrRefillAnsi(BSTR bstr, const char *bytes, UINT len);

// A new unmarked BSTR holding text, or null when memory runs out.
BSTR BstrFromText(const std::u16string &text);

}  // namespace kestrel

#endif
