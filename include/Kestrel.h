/*
** Kestrel: everything an application needs — the four classes and the
** framework value types they use.
*/
#ifndef KESTREL_H
#define KESTREL_H

#include "afx.h"
#include "afxdisp.h"
#include "afxtempl.h"

#include "COCIConnection.h"
#include "COCIException.h"
#include "COCIRecord.h"
#include "COCIRecordset.h"

#endif
