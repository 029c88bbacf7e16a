/*
** The OLE Automation functions for builds without Windows: BSTR strings,
** safe arrays and variant operations, with OLE's names, signatures and
** result codes.
*/
#ifndef KESTREL_OLEAUTO_H
#define KESTREL_OLEAUTO_H

#include "KestrelExport.h"
#include "oaidl.h"
#include "winerror.h"

/* BSTR: UTF-16 code units after a 32-bit byte-length prefix, followed by a
   NUL code unit. A null BSTR counts as empty text. */
KESTREL_API BSTR SysAllocString(const OLECHAR *psz);
KESTREL_API BSTR SysAllocStringLen(const OLECHAR *strIn, UINT ui);
KESTREL_API BSTR SysAllocStringByteLen(LPCSTR psz, UINT len);
KESTREL_API void SysFreeString(BSTR bstrString);
KESTREL_API UINT SysStringLen(BSTR pbstr);
KESTREL_API UINT SysStringByteLen(BSTR bstr);

/* Safe arrays. A failed or oversized creation (an element kind this subset
   does not hold, no dimensions, or more than 2 GiB of data) returns null.
   Null arguments give E_INVALIDARG, except that, as in OLE, destroying a
   null array succeeds and copying one gives a null copy. Indices are given
   in the order of the bounds passed at creation; the first varies fastest
   in memory. BSTR and VARIANT elements are copied deeply in and out. */
KESTREL_API SAFEARRAY *SafeArrayCreate(VARTYPE vt, UINT cDims,
                                       SAFEARRAYBOUND *rgsabound);
KESTREL_API HRESULT SafeArrayDestroy(SAFEARRAY *psa);
KESTREL_API HRESULT SafeArrayCopy(SAFEARRAY *psa, SAFEARRAY **ppsaOut);
KESTREL_API HRESULT SafeArrayPutElement(SAFEARRAY *psa, LONG *rgIndices,
                                        void *pv);
KESTREL_API HRESULT SafeArrayGetElement(SAFEARRAY *psa, LONG *rgIndices,
                                        void *pv);
KESTREL_API HRESULT SafeArrayAccessData(SAFEARRAY *psa, void **ppvData);
KESTREL_API HRESULT SafeArrayUnaccessData(SAFEARRAY *psa);
KESTREL_API HRESULT SafeArrayGetLBound(SAFEARRAY *psa, UINT nDim,
                                       LONG *plLbound);
KESTREL_API HRESULT SafeArrayGetUBound(SAFEARRAY *psa, UINT nDim,
                                       LONG *plUbound);
KESTREL_API UINT SafeArrayGetDim(SAFEARRAY *psa);
KESTREL_API UINT SafeArrayGetElemsize(SAFEARRAY *psa);
KESTREL_API SAFEARRAY *SafeArrayCreateVector(VARTYPE vt, LONG lLbound,
                                             ULONG cElements);
KESTREL_API HRESULT SafeArrayGetVartype(SAFEARRAY *psa, VARTYPE *pvt);

/* Variants. */

/* VariantChangeType flags. VARIANT_ALPHABOOL makes VT_BOOL to VT_BSTR give
   "True"/"False" rather than "-1"/"0"; the others are accepted and have no
   effect in this subset. */
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_LOCALBOOL 0x10

KESTREL_API void VariantInit(VARIANTARG *pvarg);
KESTREL_API HRESULT VariantClear(VARIANTARG *pvarg);
KESTREL_API HRESULT VariantCopy(VARIANTARG *pvargDest,
                                const VARIANTARG *pvargSrc);
KESTREL_API HRESULT VariantChangeType(VARIANTARG *pvargDest,
                                      const VARIANTARG *pvarSrc,
                                      USHORT wFlags, VARTYPE vt);
KESTREL_API HRESULT VariantChangeTypeEx(VARIANTARG *pvargDest,
                                        const VARIANTARG *pvarSrc,
                                        LCID lcid, USHORT wFlags,
                                        VARTYPE vt);

/* This layer's own extension: single-byte text kept unconverted in a BSTR
   (a variant built with kind VT_BSTRT). Such a BSTR carries a mark in its
   hidden header that only this layer reads; every copy keeps it, and
   nothing else sets it. */
KESTREL_API BSTR AfxAllocAnsiBstr(const char *bytes, UINT len);
KESTREL_API BOOL AfxIsAnsiBstr(BSTR bstr);

#endif
