/*
** CByteArray: its out-of-line members, which anchor the class's virtual
** table in the library.
*/
#include "CByteArray.h"

CByteArray::CByteArray() = default;
CByteArray::~CByteArray() = default;
