/*
** BSTR strings. Each is one heap block: a hidden header of two 32-bit
** words (this layer's single-byte mark, then the byte length), the bytes,
** and a NUL code unit. The BSTR points just past the header.
**
** Like OLE Automation, each thread keeps the last small block it freed and
** hands it to its next string that fits: reading a text column row after
** row frees one string and makes the next of about the same size, and the
** kept block spares both trips to the heap.
*/
#include <malloc.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#include "BstrInternal.h"
#include "TextCodec.h"

namespace {

struct Header {
  uint32_t mark;
  uint32_t byteLength;
};
static_assert(sizeof(Header) == 8, "the data must stay 8-byte aligned");

// Set only by AfxAllocAnsiBstr; an ordinary BSTR has 0 here.
constexpr uint32_t kAnsiMark = 0x49534E41u;  // "ANSI"

char *BlockOf(BSTR bstr) {
  return reinterpret_cast<char *>(bstr) - sizeof(Header);
}

Header HeaderOf(BSTR bstr) {
  Header h;
  memcpy(&h, BlockOf(bstr), sizeof h);
  return h;
}

// Blocks larger than this are not kept.
constexpr size_t kKeptMax = 256;

// The thread's kept block and its usable size. Plain thread-local words in
// the initial-exec model, so that reaching them costs one instruction.
__thread char *keptBlock __attribute__((tls_model("initial-exec"))) = nullptr;
__thread size_t keptSize __attribute__((tls_model("initial-exec"))) = 0;
__thread bool keeping __attribute__((tls_model("initial-exec"))) = false;
__thread bool ending __attribute__((tls_model("initial-exec"))) = false;

// Frees the kept block when the thread ends; strings freed after that (by
// other thread-local destructors) go straight back to the heap.
struct KeptBlockOwner {
  ~KeptBlockOwner() {
    free(keptBlock);
    keptBlock = nullptr;
    ending = true;
  }
};
thread_local KeptBlockOwner keptBlockOwner;

char *TakeBlock(size_t total) {
  char *block = keptBlock;
  if (block != nullptr && total <= keptSize) {
    keptBlock = nullptr;
    return block;
  }
  return static_cast<char *>(malloc(total));
}

void GiveBack(char *block) {
  if (keptBlock == nullptr && !ending) {
    const size_t size = malloc_usable_size(block);
    if (size <= kKeptMax) {
      if (!keeping) {
        (void)keptBlockOwner;  // registers the release at thread end
        keeping = true;
      }
      keptBlock = block;
      keptSize = size;
      return;
    }
  }
  free(block);
}

// Allocates a BSTR of byteLength bytes copied from bytes (zeroed when bytes
// is null), followed by a NUL code unit. Null when the length cannot be
// represented or memory runs out.
BSTR Allocate(const void *bytes, uint64_t byteLength, uint32_t mark) {
  if (byteLength > UINT32_MAX - sizeof(Header) - sizeof(OLECHAR))
    return nullptr;
  const size_t total =
      sizeof(Header) + static_cast<size_t>(byteLength) + sizeof(OLECHAR);
  char *block = TakeBlock(total);
  if (block == nullptr) return nullptr;
  const Header h{mark, static_cast<uint32_t>(byteLength)};
  memcpy(block, &h, sizeof h);
  char *data = block + sizeof h;
  if (bytes != nullptr && byteLength > 0)
    memcpy(data, bytes, static_cast<size_t>(byteLength));
  else
    memset(data, 0, static_cast<size_t>(byteLength));
  data[byteLength] = 0;
  data[byteLength + 1] = 0;
  return reinterpret_cast<BSTR>(data);
}

}  // namespace

BSTR SysAllocString(const OLECHAR *psz) {
  if (psz == nullptr) return nullptr;
  uint64_t n = 0;
  while (psz[n] != 0) ++n;
  return Allocate(psz, n * sizeof(OLECHAR), 0);
}

BSTR SysAllocStringLen(const OLECHAR *strIn, UINT ui) {
  return Allocate(strIn, static_cast<uint64_t>(ui) * sizeof(OLECHAR), 0);
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) {
  return Allocate(psz, len, 0);
}

void SysFreeString(BSTR bstrString) {
  if (bstrString != nullptr) GiveBack(BlockOf(bstrString));
}

UINT SysStringLen(BSTR pbstr) {
  return pbstr == nullptr ? 0 : HeaderOf(pbstr).byteLength / sizeof(OLECHAR);
}

UINT SysStringByteLen(BSTR bstr) {
  return bstr == nullptr ? 0 : HeaderOf(bstr).byteLength;
}

BSTR AfxAllocAnsiBstr(const char *bytes, UINT len) {
  return Allocate(bytes, len, kAnsiMark);
}

BOOL AfxIsAnsiBstr(BSTR bstr) {
  return bstr != nullptr && HeaderOf(bstr).mark == kAnsiMark;
}

namespace kestrel {

HRESULT BstrDuplicate(BSTR src, BSTR *out) {
  *out = nullptr;
  if (src == nullptr) return S_OK;
  const Header h = HeaderOf(src);
  *out = Allocate(src, h.byteLength, h.mark);
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

std::u16string BstrText(BSTR bstr) {
  if (bstr == nullptr) return std::u16string();
  const Header h = HeaderOf(bstr);
  if (h.mark == kAnsiMark)
    return WidenUtf8(reinterpret_cast<const char *>(bstr), h.byteLength);
  return std::u16string(bstr, h.byteLength / sizeof(OLECHAR));
}

bool BstrRefillAnsi(BSTR bstr, const char *bytes, UINT len) {
  if (bstr == nullptr) return false;
  char *block = BlockOf(bstr);
  const size_t total = sizeof(Header) + static_cast<size_t>(len) + sizeof(OLECHAR);
  if (len > UINT32_MAX - sizeof(Header) - sizeof(OLECHAR) || malloc_usable_size(block) < total)
    return false;
  const Header h{kAnsiMark, len};
  memcpy(block, &h, sizeof h);
  char *data = block + sizeof h;
  if (len > 0) memmove(data, bytes, len);
  data[len] = 0;
  data[len + 1] = 0;
  return true;
}

BSTR BstrFromText(const std::u16string &text) {
  if (text.size() > UINT32_MAX) return nullptr;
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

}  // namespace kestrel
