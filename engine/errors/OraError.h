/*
** An Oracle error as the engine reports it: the error number and the whole
** message text, "ORA-NNNNN: text". Internal operations fill one of these;
** the exported calls copy it into the caller's error handle.
*/
#ifndef KESTREL_ENGINE_ORAERROR_H
#define KESTREL_ENGINE_ORAERROR_H

#include <string>
#include <string_view>

namespace kestrel_engine {

struct OraError {
  int code = 0;
  std::string message;

  bool failed() const { return code != 0; }

  // The vendor's standard text for `code`, with `detail` put in place of a
  // "%s" in that text, or appended in parentheses when the text has none.
  static OraError Make(int code, std::string_view detail = {});
  // `message` must already read "ORA-NNNNN: ..." (a trigger or function
  // that raised a vendor error itself).
  static OraError Verbatim(int code, std::string_view message);
};

// The vendor's text for an error number, without the "ORA-NNNNN: " prefix.
const char *OraErrorText(int code);

}  // namespace kestrel_engine

#endif
