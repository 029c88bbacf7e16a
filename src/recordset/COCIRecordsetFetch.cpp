/*
** COCIRecordset's rows and values: fetching the next row, turning a
** column's buffer into a variant and back, and executing a record's values.
*/
#include <stdint.h>
#include <string.h>

#include <cmath>
#include <string>

#include "COCIException.h"
#include "COCIRecordset.h"
#include "BstrInternal.h"
#include "COleDateTime.h"
#include "error/ErrorRecord.h"
#include "oleauto.h"
#include "record/RecordConvert.h"
#include "recordset/FaultArmed.h"
#include "recordset/StatementState.h"

namespace {

bool IsText(int type) {
  return type == SQLT_CHR || type == SQLT_VCS || type == SQLT_AFC;
}

// What `value = COleVariant(x)` does, without the temporary: release what
// the variant held, then take the new kind and value with every other byte
// zero. A VT_EMPTY, VT_I4 or VT_R8 holds nothing to release, so the call
// into VariantClear is skipped for them, as it would only reset the
// header. The 24 bytes are written as three whole words (the header with
// the kind in its low 16 bits, the value's 8 bytes, zero), not field by
// field, so nothing reads back a partly written word.
static_assert(sizeof(VARIANT) == 24, "a header word and 16 bytes of value");

void Write(COleVariant &value, VARTYPE kind, uint64_t payload) {
  unsigned char *bytes = reinterpret_cast<unsigned char *>(static_cast<VARIANT *>(&value));
  const uint64_t header = kind;
  const uint64_t zero = 0;
  memcpy(bytes, &header, 8);
  memcpy(bytes + 8, &payload, 8);
  memcpy(bytes + 16, &zero, 8);
}

void Replace(COleVariant &value, VARTYPE kind, uint64_t payload) {
  // A string, the commonest thing held, is freed as VariantClear frees it.
  if (value.vt == VT_BSTR)
    SysFreeString(value.bstrVal);
  else if (value.vt != VT_EMPTY && value.vt != VT_I4 && value.vt != VT_R8)
    VariantClear(&value);
  Write(value, kind, payload);
}

void SetLong(COleVariant &value, LONG number) {
  Replace(value, VT_I4, static_cast<uint32_t>(number));
}

void SetDouble(COleVariant &value, double number) {
  uint64_t bits;
  memcpy(&bits, &number, sizeof bits);
  Replace(value, VT_R8, bits);
}

void SetText(COleVariant &value, BSTR text) {
  Replace(value, VT_BSTR, reinterpret_cast<uintptr_t>(text));
}

// Text is handed out as the column's bytes, unconverted: a marked BSTR of
// them, as COleVariant(text, VT_BSTRT) makes it, built straight from the
// define buffer before the old value goes, in the old value's own block
// when that is a string that fits.
int TextToVariant(const char *bytes, COleVariant &value) {
  const UINT length = static_cast<UINT>(strlen(bytes));
  if (value.vt == VT_BSTR && kestrel::BstrRefillAnsi(value.bstrVal, bytes, length)) {
    Write(value, VT_BSTR, reinterpret_cast<uintptr_t>(value.bstrVal));
    return TRUE;
  }
  BSTR text = AfxAllocAnsiBstr(bytes, length);
  if (text == nullptr) AfxThrowMemoryException();
  SetText(value, text);
  return TRUE;
}

// The conversions of the Oracle types are kept out of line (noinline), so
// that GetFieldValue's common paths pay nothing for them.

// A DATE fetched as OCIDate into VT_DATE, to the second.
// OLE's dates begin in year 100: an earlier one throws.
__attribute__((noinline)) void DateToVariant(const void *buffer, COleVariant &value) {
  OCIDate d;
  memcpy(&d, buffer, sizeof d);
  const COleDateTime when(d.OCIDateYYYY, d.OCIDateMM, d.OCIDateDD,
                          d.OCIDateTime.OCITimeHH, d.OCIDateTime.OCITimeMI,
                          d.OCIDateTime.OCITimeSS);
  if (when.GetStatus() != COleDateTime::valid) {
    kestrel::RecordError(932,
                         "ORA-00932: inconsistent datatypes: a date before "
                         "year 100 has no OLE form");
    throw COCIException();
  }
  const DATE date = when;
  uint64_t bits;
  memcpy(&bits, &date, sizeof bits);
  Replace(value, VT_DATE, bits);
}

// OLE's DATE counts days from 1899-12-30 with the time of day as the
// fraction's magnitude, also before that day (-1.25 is 1899-12-29 06:00):
// `seconds` are added on the true time line and the sum put back in that
// form.
DATE AddSeconds(DATE date, double seconds) {
  const double day = date < 0 ? std::ceil(date) : std::floor(date);
  double line = day + std::fabs(date - day) + seconds / 86400.0;
  const double whole = std::floor(line);
  const double time = line - whole;
  return whole < 0 ? whole - time : whole + time;
}

// A TIMESTAMP column, fetched into its descriptor, into VT_DATE: the
// fraction of a second rounded to the millisecond, the finest part OLE's
// dates carry (a SYSTEMTIME's milliseconds).
__attribute__((noinline)) int TimestampFromDescriptor(const kestrel::StatementState &st,
                                                      size_t i, COleVariant &value) {
  if (!st.fetched || st.indicators[i] == -1) return FALSE;
  OCIError *err = st.session->error;
  OCIDateTime *stamp = st.timestamps[i];
  sb2 year = 0;
  ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
  ub4 nanoseconds = 0;
  if (!COCIException::checkErr(
          err, OCIDateTimeGetDate(st.session->env, err, stamp, &year, &month, &day)) ||
      !COCIException::checkErr(err, OCIDateTimeGetTime(st.session->env, err, stamp, &hour,
                                                       &minute, &second, &nanoseconds)))
    throw COCIException();
  const COleDateTime when(year, month, day, hour, minute, second);
  if (when.GetStatus() != COleDateTime::valid) {
    kestrel::RecordError(932,
                         "ORA-00932: inconsistent datatypes: a date before "
                         "year 100 has no OLE form");
    throw COCIException();
  }
  const long milliseconds = static_cast<long>((nanoseconds + 500000u) / 1000000u);
  const DATE date = AddSeconds(when, milliseconds / 1000.0);
  uint64_t bits;
  memcpy(&bits, &date, sizeof bits);
  Replace(value, VT_DATE, bits);
  return TRUE;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return c - 'a' + 10;
}

// A RAW column fetched as hexadecimal text into VT_ARRAY|VT_UI1.
__attribute__((noinline)) void RawToVariant(const char *hex, COleVariant &value) {
  const size_t count = strlen(hex) / 2;
  SAFEARRAY *array =
      SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(count));
  if (array == nullptr) AfxThrowMemoryException();
  unsigned char *bytes = static_cast<unsigned char *>(array->pvData);
  for (size_t i = 0; i < count; ++i)
    bytes[i] = static_cast<unsigned char>(HexDigit(hex[2 * i]) * 16 +
                                          HexDigit(hex[2 * i + 1]));
  Replace(value, VT_ARRAY | VT_UI1, reinterpret_cast<uintptr_t>(array));
}

// A CLOB column's whole text, read through its locator: the length in
// characters, then one read into room for the widest UTF-8 characters.
// A NULL answers FALSE, as the other types do; an empty CLOB is empty text.
__attribute__((noinline)) int ClobFromLocator(const kestrel::StatementState &st,
                                              size_t i, COleVariant &value) {
  if (!st.fetched || st.indicators[i] == -1) return FALSE;
  OCISvcCtx *svc = st.session->svcCtx;
  OCIError *err = st.session->error;
  OCILobLocator *locator = st.lobs[i];
  ub4 characters = 0;
  if (!COCIException::checkErr(err, OCILobGetLength(svc, err, locator, &characters)))
    throw COCIException();
  constexpr ub4 kWidest = 4;  // bytes of one UTF-8 character, at most
  if (characters > (0xFFFFFFFFu - 1) / kWidest) AfxThrowMemoryException();
  std::string bytes(static_cast<size_t>(characters) * kWidest, '\0');
  ub4 amount = characters;
  if (characters > 0) {
    const sword status = OCILobRead(svc, err, locator, &amount, 1, &bytes[0],
                                    static_cast<ub4>(bytes.size()), nullptr,
                                    nullptr, 0, SQLCS_IMPLICIT);
    if (!COCIException::checkErr(err, status)) throw COCIException();
  }
  BSTR text = AfxAllocAnsiBstr(bytes.data(), characters > 0 ? amount : 0);
  if (text == nullptr) AfxThrowMemoryException();
  SetText(value, text);
  return TRUE;
}

// A DATE or RAW column's value; nothing for the others.
__attribute__((noinline)) void OracleTypeToVariant(int type,
                                                   const void *buffer,
                                                   COleVariant &value) {
  switch (type) {
    case SQLT_DAT:
      DateToVariant(buffer, value);
      break;
    case SQLT_BIN:
      RawToVariant(static_cast<const char *>(buffer), value);
      break;
    default:
      break;
  }
}

// A NUMBER read as VT_I4 when it is a whole number within 32 bits, else
// as VT_R8 with its value.
void NumberToVariant(double number, int scale, COleVariant &value) {
  // Within the range the conversion is defined, and it gives the number
  // back exactly when the number is whole.
  if (scale <= 0 && number >= -2147483648.0 && number <= 2147483647.0) {
    const LONG whole = static_cast<LONG>(number);
    if (static_cast<double>(whole) == number) {
      SetLong(value, whole);
      return;
    }
  }
  SetDouble(value, number);
}

// A NUMBER's value by the client's conversion; throws what it reports.
__attribute__((noinline)) double ClientNumber(
    const kestrel::StatementState &st, const void *buffer) {
  double number = 0;
  OCIError *err = st.session->error;
  const sword status =
      OCINumberToReal(err, static_cast<const OCINumber *>(buffer),
                      sizeof number, &number);
  if (!COCIException::checkErr(err, status)) throw COCIException();
  return number;
}

// NUMBER's range: magnitudes from 1e-130 to below 1e126.
constexpr double kNumberOverflow = 1e126;
constexpr double kNumberUnderflow = 1e-130;

// A NUMBER column's value fetched as a double, as the client's NUMBER
// would give it: NUMBER has no negative zero and its range is narrower
// than a double's (a value beyond it, which only a program writing the
// file past the engine can leave, is ORA-01426 as the NUMBER fetch gives
// it; one below it reads as zero, as the NUMBER form keeps it).
double AsNumber(double value) {
  const double magnitude = std::fabs(value);
  if (magnitude < kNumberUnderflow) return 0.0;
  if (!(magnitude < kNumberOverflow)) {
    kestrel::RecordError(1426, "ORA-01426: numeric overflow");
    throw COCIException();
  }
  return value;
}

// The same while a test has a fault armed: through the client's NUMBER,
// so that the conversion's call is made as before.
__attribute__((noinline)) double ClientNumberOfDouble(
    const kestrel::StatementState &st, double value) {
  OCINumber number;
  OCIError *err = st.session->error;
  if (!COCIException::checkErr(
          err, OCINumberFromReal(err, &value, sizeof value, &number)))
    throw COCIException();
  return ClientNumber(st, &number);
}

// The largest position the client interface can name.
constexpr long kLastPosition = 0xFFFFFFFFL;

bool Fetched(sword status) {
  return status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
}

// The next of the rows fetched ahead into view, fetching more when none
// is left; each row answers as a fetch of that one row would: a row with
// a value cut to its buffer is ORA-01406, and the error or the end that
// stopped the fetch comes after the rows before it.
__attribute__((noinline)) sword FetchAhead(kestrel::StatementState &st) {
  OCIError *err = st.session->error;
  if (st.next >= st.held) {
    if (st.ending != OCI_SUCCESS) {
      const sword ending = st.ending;
      st.ending = OCI_SUCCESS;
      if (ending == OCI_ERROR)
        kestrel::RecordError(st.endCode, st.endText.c_str());
      else if (ending != OCI_NO_DATA)
        COCIException::checkErr(err, ending);
      return ending;
    }
    const sword status = OCIStmtFetch(st.stmt, err, st.batch, OCI_FETCH_NEXT, OCI_DEFAULT);
    st.ending = status == OCI_SUCCESS_WITH_INFO ? OCI_SUCCESS : status;
    if (status == OCI_ERROR) {
      // Read before the next call clears it.
      sb4 code = 0;
      char text[kestrel::kErrorMessageSize] = {0};
      OCIErrorGet(err, 1, nullptr, &code, reinterpret_cast<OraText *>(text), sizeof text,
                  OCI_HTYPE_ERROR);
      text[sizeof text - 1] = '\0';
      st.endCode = code;
      st.endText = text;
      // A value cut to its buffer stops no row: each such row says so.
      if (code == 1406) st.ending = OCI_SUCCESS;
    }
    st.cut = status == OCI_ERROR && st.endCode == 1406;
    // The rows that came: what the statement's count moved by.
    ub4 rows = st.engineRows;
    if (status != OCI_INVALID_HANDLE &&
        OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, err) !=
            OCI_SUCCESS) {
      rows = st.engineRows;
    }
    st.held = rows - st.engineRows;
    st.engineRows = rows;
    st.next = 0;
    if (st.held == 0) {
      if (st.ending == OCI_SUCCESS) st.ending = OCI_NO_DATA;
      return FetchAhead(st);
    }
  }
  const ub4 k = st.next++;
  st.row = k;
  if (st.cut) {
    for (size_t i = 0; i < st.buffers.size(); ++i) {
      const sb2 indicator = st.Indicator(i);
      if (st.buffers[i] != nullptr && (indicator > 0 || indicator == -2)) {
        kestrel::RecordError(1406, "ORA-01406: fetched column value was truncated");
        return OCI_ERROR;
      }
    }
  }
  st.fetched = true;
  return OCI_SUCCESS;
}

// One row into the statement's buffers. The end of the rows leaves the
// error record as it was; a failure is recorded so that it can be told
// from the end.
sword FetchNext(kestrel::StatementState &st) {
  if (st.batch > 1) {
    // The usual case: the next of the rows fetched ahead, whole.
    if (st.next < st.held && !st.cut) {
      st.row = st.next++;
      st.fetched = true;
      return OCI_SUCCESS;
    }
    return FetchAhead(st);
  }
  OCIError *err = st.session->error;
  const sword status =
      OCIStmtFetch(st.stmt, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
  if (Fetched(status))
    st.fetched = true;
  else if (status != OCI_NO_DATA)
    COCIException::checkErr(err, status);
  return status;
}

}  // namespace

sword COCIRecordset::FetchRow() {
  if (!HasStatement()) return OCI_INVALID_HANDLE;
  return FetchNext(*m_pShared);
}

int COCIRecordset::MoveNext() {
  kestrel::StatementState *st = m_pShared.get();
  if (st == nullptr || !st->Usable()) return FALSE;
  return Fetched(FetchNext(*st)) ? TRUE : FALSE;
}

int COCIRecordset::GetFieldValue(const long &index, COleVariant &value) {
  if (index < 0) return FALSE;
  // A described query's column count is its table's size, which is what
  // the statement answers: the call is skipped unless a test armed a
  // failure it must meet. Its check's record of success is kept.
  const kestrel::StatementState *held = m_pShared.get();
  const bool direct = held != nullptr && held->Usable() &&
                      !held->types.empty() && !kestrel::EngineFaultArmed();
  long count;
  if (direct) {
    kestrel::RecordSuccess();
    count = static_cast<long>(held->types.size());
  } else {
    count = GetFieldCount();
  }
  const kestrel::StatementState &st = *m_pShared;
  if (index >= count || static_cast<size_t>(index) >= st.types.size())
    return FALSE;
  const size_t i = static_cast<size_t>(index);
  const int type = st.types[i];
  const void *buffer = st.Buffer(i);
  const sb2 indicator = st.Indicator(i);
  // The commonest values first: a text or a NUMBER fetched as a double,
  // present and whole (what the checks below would let through).
  if (indicator == 0 && buffer != nullptr) {
    if (IsText(type)) return TextToVariant(static_cast<const char *>(buffer), value);
    if (type == SQLT_NUM && direct && st.fetched && st.doubles[i]) {
      double number;
      memcpy(&number, buffer, sizeof number);
      NumberToVariant(AsNumber(number), st.scales[i], value);
      return TRUE;
    }
  }
  if (type == SQLT_CLOB) return ClobFromLocator(st, i, value);
  if (type == SQLT_TIMESTAMP) return TimestampFromDescriptor(st, i, value);
  if (buffer == nullptr) return TRUE;  // no conversion for this type
  if (indicator == -1) return FALSE;
  // A value cut to its buffer is refused rather than handed out as if it
  // were whole.
  if (indicator > 0 || indicator == -2) {
    kestrel::RecordError(1406, "ORA-01406: fetched column value was truncated");
    throw COCIException();
  }

  if (IsText(type)) return TextToVariant(static_cast<const char *>(buffer), value);
  // The other buffers hold no value until a row was fetched.
  if (!st.fetched) return FALSE;
  switch (type) {
    case SQLT_NUM: {
      double number = 0;
      if (st.doubles[i]) {
        memcpy(&number, buffer, sizeof number);
        number = direct ? AsNumber(number) : ClientNumberOfDouble(st, number);
        NumberToVariant(number, st.scales[i], value);
        return TRUE;
      }
      // The NUMBER form (kept while a test had a fault armed at the open)
      // is read by the client.
      number = ClientNumber(st, buffer);
      NumberToVariant(number, st.scales[i], value);
      return TRUE;
    }
    case SQLT_INT: {
      int32_t integer = 0;
      memcpy(&integer, buffer, sizeof integer);
      SetLong(value, static_cast<LONG>(integer));
      return TRUE;
    }
    case SQLT_FLT: {
      double real = 0;
      memcpy(&real, buffer, sizeof real);
      SetDouble(value, real);
      return TRUE;
    }
    default:
      // The Oracle types, apart from the switch so that its cases stay the
      // three above.
      OracleTypeToVariant(type, buffer, value);
      return TRUE;
  }
}

int COCIRecordset::WriteText(size_t index, const COleVariant &value) {
  CString text;
  if (value.vt == VT_BSTR)
    text = BstrToText(value.bstrVal);
  else if (value.vt != VT_EMPTY && value.vt != VT_NULL)
    return FALSE;
  // The text and its terminator must fit the column's buffer.
  const kestrel::StatementState &st = *m_pShared;
  const int capacity = st.sizes[index] + 1;
  if (text.GetLength() + 1 > capacity) return FALSE;
  memcpy(st.Buffer(index), text.GetString(),
         static_cast<size_t>(text.GetLength()) + 1);
  return TRUE;
}

namespace {

// A value into a NUMBER column's double buffer, as the NUMBER form takes
// it: integers and reals within its range, negative zero as zero; any
// other value leaves the buffer as it was.
void WriteDouble(void *buffer, const COleVariant &value) {
  double number;
  switch (value.vt) {
    case VT_I2: number = value.iVal; break;
    case VT_I4: number = value.lVal; break;
    case VT_R4: number = value.fltVal; break;
    case VT_R8: number = value.dblVal; break;
    default: return;
  }
  const double magnitude = std::fabs(number);
  if (!(magnitude < kNumberOverflow)) return;
  if (magnitude < kNumberUnderflow) number = 0.0;
  memcpy(buffer, &number, sizeof number);
}

}  // namespace

int COCIRecordset::SetFieldValue(const long &index, const COleVariant &value) {
  // An index no column position can follow is refused (as position 0 is)
  // before the position is computed.
  const bool nameable = index >= 0 && index < kLastPosition;
  const int type = GetFieldType(nameable ? index + 1 : 0);
  const size_t i = static_cast<size_t>(index);
  const kestrel::StatementState &st = *m_pShared;
  if (i >= st.buffers.size() || st.buffers[i] == nullptr) return TRUE;
  void *buffer = st.Buffer(i);
  OCIError *err = st.session->error;
  OCINumber *number = static_cast<OCINumber *>(buffer);

  if (IsText(type)) return WriteText(i, value);
  switch (type) {
    case SQLT_NUM:
      if (st.doubles[i]) {
        WriteDouble(buffer, value);
        break;
      }
      if (value.vt == VT_I2)
        OCINumberFromInt(err, &value.iVal, sizeof value.iVal,
                         OCI_NUMBER_SIGNED, number);
      else if (value.vt == VT_I4)
        OCINumberFromInt(err, &value.lVal, sizeof value.lVal,
                         OCI_NUMBER_SIGNED, number);
      else if (value.vt == VT_R4)
        OCINumberFromReal(err, &value.fltVal, sizeof value.fltVal, number);
      else if (value.vt == VT_R8)
        OCINumberFromReal(err, &value.dblVal, sizeof value.dblVal, number);
      break;
    case SQLT_INT: {
      long integer = 0;
      if (VariantToLong(value, integer)) {
        const int32_t narrow = static_cast<int32_t>(integer);
        memcpy(buffer, &narrow, sizeof narrow);
      }
      break;
    }
    case SQLT_FLT: {
      double real = 0;
      if (value.vt == VT_R4) real = value.fltVal;
      if (value.vt == VT_R8) real = value.dblVal;
      if (value.vt == VT_R4 || value.vt == VT_R8)
        memcpy(buffer, &real, sizeof real);
      break;
    }
    default:
      break;
  }
  return TRUE;
}

int COCIRecordset::AddRecord(const COCIRecord &record) {
  for (int i = 0; i < record.GetSize(); ++i) {
    COleVariant copy(record.GetAt(i));
    if (!SetFieldValue(i, copy)) return FALSE;
  }
  return execute(1);
}
