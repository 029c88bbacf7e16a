/*
** COCIRecordset's parameters: setting values for a statement's
** placeholders by position or by name, clearing them, and binding them
** before each execution.
*/
#include <ctype.h>

#include "COCIException.h"
#include "COCIRecordset.h"
#include "error/ErrorRecord.h"
#include "recordset/StatementState.h"

namespace {

[[noreturn]] void Refuse(int code) {
  switch (code) {
    case 1036:
      kestrel::RecordError(1036, "ORA-01036: illegal variable name/number");
      break;
    case 1841:
      kestrel::RecordError(
          1841,
          "ORA-01841: (full) year must be between -4713 and +9999, and not be 0");
      break;
    default:
      kestrel::RecordError(932, "ORA-00932: inconsistent datatypes");
      break;
  }
  throw COCIException();
}

}  // namespace

void COCIRecordset::SetParam(int position, const COleVariant &value) {
  RequireStatement();
  if (position < 1) Refuse(1036);
  StoreParam(std::string(), position, value);
}

void COCIRecordset::SetParam(const CString &name, const COleVariant &value) {
  RequireStatement();
  // The key: upper case with its colon, so that `id`, `:id` and `:ID`
  // name the same placeholder.
  const char *text = name.GetString();
  if (*text == ':') ++text;
  if (*text == '\0') Refuse(1036);
  std::string key(":");
  for (; *text != '\0'; ++text)
    key += static_cast<char>(toupper(static_cast<unsigned char>(*text)));
  StoreParam(key, 0, value);
}

void COCIRecordset::StoreParam(const std::string &name, int position,
                               const COleVariant &value) {
  kestrel::StatementState &st = *m_pShared;
  // Positions set in order sit at their own index: a new value for one
  // needs no search.
  const size_t at = static_cast<size_t>(position) - 1;
  if (name.empty() && position > 0 && at < st.params.size() &&
      st.params[at]->name.empty() && st.params[at]->position == static_cast<ub4>(position)) {
    if (const int rc = kestrel::SetParamValue(*st.params[at], value)) Refuse(rc);
    return;
  }
  for (const std::unique_ptr<kestrel::Param> &p : st.params) {
    if (p->name == name && p->position == static_cast<ub4>(position)) {
      if (const int rc = kestrel::SetParamValue(*p, value)) Refuse(rc);
      return;
    }
  }
  auto added = std::make_unique<kestrel::Param>();
  added->name = name;
  added->position = static_cast<ub4>(position);
  if (const int rc = kestrel::SetParamValue(*added, value)) Refuse(rc);
  st.params.push_back(std::move(added));
}

void COCIRecordset::ClearParams() {
  if (!m_pShared) return;
  kestrel::StatementState &st = *m_pShared;
  // The statement may still be bound to their buffers (also after a
  // prepare that failed): those are kept until it is prepared again, which
  // the next execution does.
  for (std::unique_ptr<kestrel::Param> &p : st.params)
    if (p->attached) st.retired.push_back(std::move(p));
  st.params.clear();
}

void COCIRecordset::BindParams() {
  kestrel::StatementState &st = *m_pShared;
  OCIError *err = ErrorHandle();
  for (const std::unique_ptr<kestrel::Param> &held : st.params) {
    kestrel::Param &p = *held;
    if (p.bound) continue;
    OCIBind *bind = nullptr;
    const bool sized = p.type == SQLT_CHR || p.type == SQLT_BIN;
    ub2 *length = sized && p.useLength ? &p.length : nullptr;
    const sb4 size = static_cast<sb4>(p.bytes.size());
    if (p.name.empty()) {
      Check(OCIBindByPos(st.stmt, &bind, err, p.position, p.bytes.data(), size,
                         p.type, &p.indicator, length, nullptr, 0, nullptr,
                         OCI_DEFAULT));
    } else {
      Check(OCIBindByName(st.stmt, &bind, err,
                          reinterpret_cast<const OraText *>(p.name.data()),
                          static_cast<sb4>(p.name.size()), p.bytes.data(),
                          size, p.type, &p.indicator, length, nullptr, 0,
                          nullptr, OCI_DEFAULT));
    }
    p.bound = true;
    p.attached = true;
  }
}
