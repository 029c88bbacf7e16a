/*
** COCIRecordset's whole-row and by-name members: a row into a record, the
** remaining rows into an array of records, columns found by name, and the
** refused UpdateRecord.
*/
#include <ctype.h>
#include <string.h>

#include <string>
#include <vector>

#include "COCIException.h"
#include "COCIRecordset.h"
#include "error/ErrorRecord.h"
#include "recordset/StatementState.h"

namespace {

bool SameIgnoringCase(const std::string &a, const char *b) {
  const size_t n = strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (toupper(static_cast<unsigned char>(a[i])) !=
        toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

long COCIRecordset::FindColumn(const CString &name) {
  const long count = GetFieldCount();
  std::string wanted(name.GetString(), static_cast<size_t>(name.GetLength()));
  // A name in double quotes is compared exactly, as the client interface
  // describes a quoted identifier; any other without regard to case.
  const bool quoted =
      wanted.size() >= 2 && wanted.front() == '"' && wanted.back() == '"';
  if (quoted) wanted = wanted.substr(1, wanted.size() - 2);
  for (long position = 1; position <= count; ++position) {
    const CString described = GetFieldName(position);
    const bool match = quoted ? wanted == described.GetString()
                              : SameIgnoringCase(wanted, described.GetString());
    if (match) return position - 1;
  }
  return -1;
}

int COCIRecordset::GetFieldValue(const CString &name, COleVariant &value) {
  const long index = FindColumn(name);
  if (index < 0) return FALSE;
  return GetFieldValue(index, value);
}

int COCIRecordset::SetFieldValue(const CString &name,
                                 const COleVariant &value) {
  const long index = FindColumn(name);
  if (index < 0) return FALSE;
  return SetFieldValue(index, value);
}

void COCIRecordset::ReadRow(COCIRecord &record) {
  const size_t n = m_pShared->types.size();
  // Read aside first, so a failed conversion leaves `record` as it was. A
  // NULL column, or one without a conversion, stays VT_EMPTY.
  std::vector<COleVariant> values(n);
  for (size_t i = 0; i < n; ++i)
    GetFieldValue(static_cast<long>(i), values[i]);
  record.SetSize(static_cast<INT_PTR>(n));
  for (size_t i = 0; i < n; ++i)
    record[static_cast<INT_PTR>(i)] = values[i];
}

int COCIRecordset::GetRecord(COCIRecord &record, int position) {
  // Rows only move forward: a position behind the current row is refused.
  if (position < 0 || !HasStatement() || m_pShared->types.empty())
    return FALSE;
  for (int moved = 0; moved < position; ++moved)
    if (!MoveNext()) return FALSE;
  if (!m_pShared->fetched) return FALSE;
  ReadRow(record);
  return TRUE;
}

int COCIRecordset::GetAllRecord(CArray<COCIRecord, COCIRecord &> &records,
                                int count) {
  if (!HasStatement() || m_pShared->types.empty()) return FALSE;
  for (int read = 0; count <= 0 || read < count; ++read) {
    const sword status = FetchRow();
    if (status == OCI_NO_DATA) return TRUE;
    if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO)
      return FALSE;
    COCIRecord row;
    ReadRow(row);
    records.Add(row);
  }
  return TRUE;
}

int COCIRecordset::UpdateRecord(const COCIRecord &) {
  // A recordset knows no key of the row it read, so it cannot say which
  // row to change; an UPDATE statement through OpenRecordset can.
  kestrel::RecordError(3001,
                       "ORA-03001: unimplemented feature: UpdateRecord "
                       "cannot tell which row to change; run an UPDATE "
                       "statement instead");
  return FALSE;
}
