/*
** One parameter of a recordset's statement: the placeholder it names and
** its value in the external type the client interface binds, kept in a
** buffer of its own that the statement reads at each execution.
*/
#ifndef KESTREL_PARAM_VALUE_H
#define KESTREL_PARAM_VALUE_H

#include <string>
#include <vector>

#include "oaidl.h"
#include "oci.h"

namespace kestrel {

struct Param {
  // The placeholder: its name in upper case without the colon, or, when
  // the name is empty, its 1-based position.
  std::string name;
  ub4 position = 0;

  // What the statement is bound to: the buffer's address and size, the
  // external type, the indicator and (text and bytes) the actual length.
  // A new value that fits the buffer and keeps the type is written in
  // place, so the bind stays valid and re-execution binds nothing again.
  std::vector<unsigned char> bytes;
  ub2 type = SQLT_CHR;
  ub2 length = 0;
  bool useLength = true;  // false for values longer than a length can say
  sb2 indicator = -1;
  // True while the statement is bound to this buffer as it is now.
  bool bound = false;
  // True once bound since the statement was last prepared: the statement
  // keeps a bind for the placeholder until it is prepared again.
  bool attached = false;
};

// Puts `value` into `param` as the type it binds as: text of either kind
// as type 1, the integer kinds and VT_BOOL (1 or 0) as 8-byte integers,
// VT_R4 and VT_R8 as doubles, VT_CY and VT_DECIMAL as VARNUM (exact),
// VT_DATE as an OCIDate, VT_ARRAY|VT_UI1 as bytes (type 23), VT_EMPTY and
// VT_NULL as NULL. Answers 0, or the Oracle error number with `param`
// unchanged: 932 for a kind that cannot be bound, 1841 for an invalid
// date.
int SetParamValue(Param &param, const VARIANT &value);

// The VARNUM bytes (length byte first) of decimal text "[-]digits[.digits]"
// with at most 40 significant digits; false for anything else.
bool VarnumFromDecimalText(const std::string &text, unsigned char out[22]);

}  // namespace kestrel

#endif
