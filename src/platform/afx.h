/*
** The framework's core header: the root class, text, exceptions, files
** and archives.
*/
#ifndef KESTREL_AFX_H
#define KESTREL_AFX_H

#include "AfxException.h"
#include "CArchive.h"
#include "CDumpContext.h"
#include "CFile.h"
#include "CMemFile.h"
#include "CObject.h"
#include "CString.h"
#include "windef.h"
#include "winerror.h"

#endif
