/*
** COCIRecordset's column description and output buffers: counting and
** describing the select list, and defining one buffer per column.
*/
#include <string.h>

#include <algorithm>

#include "COCIException.h"
#include "COCIRecordset.h"
#include "error/ErrorRecord.h"
#include "recordset/FaultArmed.h"
#include "recordset/StatementState.h"

namespace {

// Output buffer size and external type by column type code; 0 for codes
// that get no buffer. DATE columns are fetched as OCIDate,
// RAW as hexadecimal text (two digits a byte); BLOB and CLOB columns get
// locators instead, TIMESTAMP columns descriptors.
struct BufferShape {
  int bytes;
  ub2 external;
};

BufferShape ShapeOf(int type, int size) {
  switch (type) {
    case SQLT_CHR:
    case SQLT_VCS:
    case SQLT_AFC:
      return {size + 1, SQLT_STR};
    case SQLT_NUM:
      return {OCI_NUMBER_SIZE, SQLT_VNU};
    case SQLT_INT:
      return {4, SQLT_INT};
    case SQLT_FLT:
      return {8, SQLT_FLT};
    case SQLT_DAT:
      return {static_cast<int>(sizeof(OCIDate)), SQLT_ODT};
    case SQLT_BIN:
      return {2 * size + 1, SQLT_STR};
    default:
      return {0, 0};
  }
}

// The largest position the client interface can name.
constexpr long kLastPosition = 0xFFFFFFFFL;

}  // namespace

long COCIRecordset::GetFieldCount() {
  // Asked once per value read: the state is read here directly.
  const kestrel::StatementState *st = m_pShared.get();
  if (st == nullptr || !st->Usable()) {
    RequireStatement();  // throws
    return 0;
  }
  OCIError *err = st->session->error;
  ub4 count = 0;
  const sword status = OCIAttrGet(st->stmt, OCI_HTYPE_STMT, &count, nullptr,
                                  OCI_ATTR_PARAM_COUNT, err);
  if (!COCIException::checkErr(err, status)) throw COCIException();
  return static_cast<long>(count);
}

long COCIRecordset::GetRSCount() {
  RequireStatement();
  ub4 count = 0;
  Check(OCIAttrGet(m_pShared->stmt, OCI_HTYPE_STMT, &count, nullptr,
                   OCI_ATTR_ROW_COUNT, ErrorHandle()));
  // Rows fetched ahead are not read yet.
  const kestrel::StatementState &st = *m_pShared;
  if (st.batch > 1 && count == st.engineRows) count -= st.held - st.next;
  return static_cast<long>(count);
}

bool COCIRecordset::FetchDescriptor(const long &position) {
  // A position the client interface cannot name is refused as one past the
  // last column is, without narrowing it onto another column.
  if (position < 1 || position > kLastPosition) {
    kestrel::RecordError(24334, "ORA-24334: no descriptor for this position");
    m_hParam = nullptr;
    return false;
  }
  dvoid *param = nullptr;
  const sword status =
      OCIParamGet(m_pShared->stmt, OCI_HTYPE_STMT, ErrorHandle(), &param,
                  static_cast<ub4>(position));
  const bool ok = COCIException::checkErr(ErrorHandle(), status);
  // A failed fetch leaves no descriptor, so nothing reads an earlier one.
  m_hParam = ok ? static_cast<OCIParam *>(param) : nullptr;
  return ok;
}

CString COCIRecordset::GetFieldName(const long &position) {
  RequireStatement();
  if (!FetchDescriptor(position)) throw COCIException();
  OraText *name = nullptr;
  ub4 length = 0;
  Check(OCIAttrGet(m_hParam, OCI_DTYPE_PARAM, &name, &length, OCI_ATTR_NAME,
                   ErrorHandle()));
  // Names of any length are returned whole, up to an embedded NUL.
  if (name == nullptr) length = 0;
  m_strBuffer.assign(reinterpret_cast<const char *>(name), length);
  m_strBuffer.resize(strlen(m_strBuffer.c_str()));
  return CString(m_strBuffer.c_str());
}

int COCIRecordset::GetFieldType(const long &position) {
  RequireStatement();
  if (!FetchDescriptor(position)) throw COCIException();
  ub4 type = 0;
  Check(OCIAttrGet(m_hParam, OCI_DTYPE_PARAM, &type, nullptr,
                   OCI_ATTR_DATA_TYPE, ErrorHandle()));
  return static_cast<int>(type & 0xFFFF);
}

int COCIRecordset::GetFieldSize(const long &position) {
  if (!HasStatement() || !FetchDescriptor(position)) return 0;
  ub4 size = 0;
  const sword status =
      OCIAttrGet(m_hParam, OCI_DTYPE_PARAM, &size, nullptr,
                 OCI_ATTR_DATA_SIZE, ErrorHandle());
  if (!COCIException::checkErr(ErrorHandle(), status)) return 0;
  return static_cast<int>(size & 0xFFFF);
}

int COCIRecordset::GetFieldScale(const long &position) {
  if (!HasStatement() || !FetchDescriptor(position)) return 0;
  sb1 scale = 0;
  const sword status =
      OCIAttrGet(m_hParam, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE,
                 ErrorHandle());
  if (!COCIException::checkErr(ErrorHandle(), status)) return 0;
  return static_cast<int>(scale);
}

namespace {

// How many rows each fetch brings. On the embedded engine a fetch call
// costs about as much again as SQLite's step for a row, so rows come in
// batches of up to 64 (64 KiB of buffers at most); the vendor's client
// prefetches rows by itself. One row at a time while a test has a fault
// armed (the fault paths count calls), and for columns read through
// locators or descriptors, which are one per column.
ub4 RowsAhead(const kestrel::StatementState &st) {
  if (!kestrel::EmbeddedEngine() || kestrel::EngineFaultArmed()) return 1;
  size_t rowBytes = 0;
  for (size_t i = 0; i < st.types.size(); ++i) {
    const int type = st.types[i];
    if (type == SQLT_BLOB || type == SQLT_CLOB || type == SQLT_TIMESTAMP) return 1;
    rowBytes += static_cast<size_t>(ShapeOf(type, st.sizes[i]).bytes);
  }
  if (rowBytes == 0) return 1;
  const size_t rows = std::min<size_t>(64, 65536 / rowBytes);
  return rows < 2 ? 1 : static_cast<ub4>(rows);
}

}  // namespace

int COCIRecordset::allocateCursor() {
  const long count = GetFieldCount();
  const size_t n = count > 0 ? static_cast<size_t>(count) : 0;
  // The statement holds no result here (OpenRecordset made sure of it), so
  // the tables are empty and sized once: nothing moves while defined.
  kestrel::StatementState &st = *m_pShared;
  st.defines.resize(n, nullptr);
  st.buffers.resize(n, nullptr);
  st.types.resize(n, 0);
  st.sizes.resize(n, 0);
  st.scales.resize(n, 0);
  st.indicators.resize(n, 0);
  // Every BLOB column after the first keeps its locator here.
  st.lobs.assign(n, nullptr);
  st.timestamps.assign(n, nullptr);
  st.doubles.assign(n, 0);
  if (count < 1) return 1;

  for (long p = 1; p <= count; ++p) {
    const size_t i = static_cast<size_t>(p - 1);
    st.types[i] = GetFieldType(p);
    st.sizes[i] = GetFieldSize(p);
    st.scales[i] = GetFieldScale(p);
  }
  st.batch = RowsAhead(st);
  st.batchIndicators.assign(n * st.batch, 0);
  st.views.assign(n, kestrel::StatementState::View{0, 0, nullptr});
  for (size_t i = 0; i < n; ++i)
    st.views[i].indicators = st.batch > 1 ? &st.batchIndicators[i * st.batch] : &st.indicators[i];
  bool firstBlob = true;
  for (long p = 1; p <= count; ++p) {
    const size_t i = static_cast<size_t>(p - 1);
    // A CLOB is read through its locator, so that a value of any length
    // comes whole (GetFieldValue reads it).
    if (st.types[i] == SQLT_BLOB || st.types[i] == SQLT_CLOB) {
      const bool blob = st.types[i] == SQLT_BLOB;
      OCILobLocator **slot = blob && firstBlob ? &st.lob : &st.lobs[i];
      if (blob) firstBlob = false;
      Check(OCIDescriptorAlloc(st.session->env,
                               reinterpret_cast<dvoid **>(slot),
                               OCI_DTYPE_LOB, 0, nullptr));
      Check(OCIDefineByPos(st.stmt, &st.defines[i], ErrorHandle(),
                           static_cast<ub4>(p), slot, 0,
                           static_cast<ub2>(st.types[i]), &st.indicators[i],
                           nullptr, nullptr, OCI_DEFAULT));
      continue;
    }
    if (st.types[i] == SQLT_TIMESTAMP) {
      OCIDateTime **slot = &st.timestamps[i];
      Check(OCIDescriptorAlloc(st.session->env, reinterpret_cast<dvoid **>(slot),
                               OCI_DTYPE_TIMESTAMP, 0, nullptr));
      Check(OCIDefineByPos(st.stmt, &st.defines[i], ErrorHandle(),
                           static_cast<ub4>(p), slot, 0, SQLT_TIMESTAMP,
                           &st.indicators[i], nullptr, nullptr, OCI_DEFAULT));
      continue;
    }
    BufferShape shape = ShapeOf(st.types[i], st.sizes[i]);
    if (shape.bytes == 0) continue;
    // A NUMBER is fetched as the double GetFieldValue hands out, which the
    // client makes from the NUMBER as OCINumberToReal would. While a test
    // has a fault armed it keeps the NUMBER form, so that the fault paths
    // meet the calls they did.
    if (st.types[i] == SQLT_NUM && !kestrel::EngineFaultArmed()) {
      shape = {static_cast<int>(sizeof(double)), SQLT_FLT};
      st.doubles[i] = 1;
    }
    const size_t stride = static_cast<size_t>(shape.bytes);
    void *buffer = ::operator new(stride * st.batch);
    st.buffers[i] = buffer;
    st.views[i].buffer = reinterpret_cast<uintptr_t>(buffer);
    st.views[i].stride = stride;
    if (shape.external == SQLT_STR) memset(buffer, 0, stride * st.batch);
    sb2 *indicator = st.batch > 1 ? &st.batchIndicators[i * st.batch] : &st.indicators[i];
    Check(OCIDefineByPos(st.stmt, &st.defines[i], ErrorHandle(),
                         static_cast<ub4>(p), buffer, shape.bytes,
                         shape.external, indicator, nullptr, nullptr,
                         OCI_DEFAULT));
  }
  return 1;
}
