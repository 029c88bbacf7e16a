/*
** The record's converters between variants, text and byte arrays. They are
** internal to the library (not exported) and keep no state.
*/
#ifndef KESTREL_RECORD_CONVERT_H
#define KESTREL_RECORD_CONVERT_H

#include "CByteArray.h"
#include "CString.h"
#include "oaidl.h"

// The value as text: numbers, currency, dates, booleans, bytes and byte
// arrays rendered; other kinds named or described.
CString VariantToString(const VARIANT &value);

// Builds in `out` (which must arrive empty) the value that text read as
// `kind` gives.
void StringToVariant(const CString &text, unsigned short kind, VARIANT &out);

// A VT_ARRAY|VT_UI1 value holding a copy of the bytes. `out` must arrive
// empty; when the array cannot be made the kind is set and no array held.
void ByteArrayToVariant(const CByteArray &bytes, VARIANT &out);

// Copies the bytes of a VT_ARRAY|VT_UI1 value holding a one-dimensional
// array of one-byte elements; FALSE (bytes untouched) for anything else.
BOOL VariantToByteArray(const VARIANT &value, CByteArray &bytes);

// The 32-bit value of a VT_I4, or of a VT_DECIMAL converted by value
// (rounded half to even) when it fits in 32 bits; FALSE (out untouched)
// otherwise.
BOOL VariantToLong(const VARIANT &value, long &out);

// The text of a BSTR as 8-bit text: single-byte text as the bytes it holds,
// UTF-16 narrowed to the ANSI code page.
CString BstrToText(BSTR bstr);

#endif
