/*
** A VT_DECIMAL's value as a whole number: sign and scale applied, rounded
** half to even, as OLE converts decimals to integers.
*/
#ifndef KESTREL_DECIMAL_VALUE_H
#define KESTREL_DECIMAL_VALUE_H

#include <stdint.h>

#include "oaidl.h"

// False when the value lies outside [min, max] or the scale is invalid.
bool DecimalToWhole(const DECIMAL &dec, int64_t min, int64_t max,
                    int64_t *out);

#endif
