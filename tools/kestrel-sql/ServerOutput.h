/*
** DBMS_OUTPUT as SQL*Plus shows it: SET SERVEROUTPUT ON enables the
** session's buffer, and after each statement the lines put there are read
** back through the client interface (GET_LINE with OUT binds, until its
** status says the buffer is empty) and printed, wrapped to LINESIZE as
** SET SERVEROUTPUT's FORMAT says.
*/
#ifndef KESTREL_SQL_SERVER_OUTPUT_H
#define KESTREL_SQL_SERVER_OUTPUT_H

#include <functional>
#include <string>
#include <vector>

#include "Settings.h"
#include "oci.h"

namespace kestrel_sql {

// Runs DBMS_OUTPUT.ENABLE(size) (size 0: NULL, no limit) or DISABLE;
// false with `error` set when the call failed.
bool SwitchServerOutput(OCIEnv *environment, OCISvcCtx *service, OCIError *error,
                        bool on, long size, std::string *message);

// Reads every complete line of the session's buffer, handing each to
// `line`; false with `message` set when a call failed.
bool ReadServerOutput(OCIEnv *environment, OCISvcCtx *service, OCIError *error,
                      const std::function<void(const std::string &)> &line,
                      std::string *message);

// One buffered line as printed within `width` columns (0: as it is): an
// empty line stays one empty line.
std::vector<std::string> WrapOutputLine(const std::string &line, size_t width,
                                        OutputWrap wrap);

}  // namespace kestrel_sql

#endif
