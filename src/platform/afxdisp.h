/*
** The framework's OLE Automation value types: variants, dates, currency,
** byte arrays and long binaries, with the OLE functions beneath them.
*/
#ifndef KESTREL_AFXDISP_H
#define KESTREL_AFXDISP_H

#include "afx.h"
#include "afxtempl.h"
#include "CByteArray.h"
#include "CLongBinary.h"
#include "COleCurrency.h"
#include "COleDateTime.h"
#include "COleVariant.h"
#include "oaidl.h"
#include "oleauto.h"

#endif
