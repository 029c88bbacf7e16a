/*
** The Windows scalar types and macros the library's code is written with,
** at their Windows widths: LONG, ULONG and DWORD are exactly 32 bits even
** though the C++ long is 64 bits on this platform.
*/
#ifndef KESTREL_WINDEF_H
#define KESTREL_WINDEF_H

#include <stddef.h>
#include <stdint.h>

typedef int BOOL;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef char CHAR;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef int INT;
typedef unsigned int UINT;
typedef float FLOAT;
typedef double DOUBLE;
typedef void *PVOID;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef char TCHAR; /* the framework's ANSI build */
typedef char *LPTSTR;
typedef const char *LPCTSTR;

/* OLE text is UTF-16 on every platform. */
typedef char16_t OLECHAR;
typedef OLECHAR *LPOLESTR;
typedef const OLECHAR *LPCOLESTR;

/* Pointer-sized integers. Sizes and indexes of the framework's collection
   classes are passed as INT_PTR; counts in archives as DWORD_PTR. */
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t DWORD_PTR;
typedef size_t SIZE_T;

typedef DWORD LCID;
#define LANG_USER_DEFAULT 0x0400
#define LOCALE_USER_DEFAULT 0x0400

typedef LONG HRESULT;
typedef LONG SCODE;
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#endif
