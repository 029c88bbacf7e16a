/*
** The framework's collection templates: CArray and the element helpers.
*/
#ifndef KESTREL_AFXTEMPL_H
#define KESTREL_AFXTEMPL_H

#include "afx.h"
#include "CArray.h"

#endif
