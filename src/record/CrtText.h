/*
** Text-to-number readers with the Windows C runtime's behaviour, where the
** framework's long and int are 32 bits: leading blanks and a sign, then the
** longest run of decimal digits; no digits give 0; a number beyond the
** 32-bit range saturates to the 32-bit limit (atol of 3000000000 gives
** 2147483647), never overflowing.
*/
#ifndef KESTREL_CRT_TEXT_H
#define KESTREL_CRT_TEXT_H

#include <stdint.h>

int32_t CrtAtoi(const char *text);
inline int32_t CrtAtol(const char *text) { return CrtAtoi(text); }
double CrtAtof(const char *text);

#endif
