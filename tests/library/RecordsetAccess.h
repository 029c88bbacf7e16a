// Reaches COCIRecordset's private members and helpers for tests.
#ifndef KESTREL_TESTS_RECORDSET_ACCESS_H
#define KESTREL_TESTS_RECORDSET_ACCESS_H

#include "COCIRecordset.h"
#include "recordset/StatementState.h"

class COCIRecordsetTestAccess {
 public:
  static size_t Columns(const COCIRecordset &rs) {
    if (!rs.m_pShared) return 0;
    const kestrel::StatementState &st = *rs.m_pShared;
    const size_t n = st.buffers.size();
    // The six per-column tables always agree.
    if (st.indicators.size() != n || st.defines.size() != n ||
        st.types.size() != n || st.sizes.size() != n || st.scales.size() != n)
      return static_cast<size_t>(-1);
    return n;
  }
  static void *Buffer(const COCIRecordset &rs, size_t i) {
    return rs.m_pShared->buffers[i];
  }
  static OCIDefine *Define(const COCIRecordset &rs, size_t i) {
    return rs.m_pShared->defines[i];
  }
  static sb2 Indicator(const COCIRecordset &rs, size_t i) {
    return rs.m_pShared->indicators[i];
  }
  static int Type(const COCIRecordset &rs, size_t i) {
    return rs.m_pShared->types[i];
  }
  static int Size(const COCIRecordset &rs, size_t i) {
    return rs.m_pShared->sizes[i];
  }
  static int Scale(const COCIRecordset &rs, size_t i) {
    return rs.m_pShared->scales[i];
  }
  static OCILobLocator *Lob(const COCIRecordset &rs) {
    return rs.m_pShared ? rs.m_pShared->lob : nullptr;
  }
  static size_t ExtraLobs(const COCIRecordset &rs) {
    size_t n = 0;
    if (rs.m_pShared)
      for (OCILobLocator *lob : rs.m_pShared->lobs) n += lob != nullptr;
    return n;
  }
  static bool Opened(const COCIRecordset &rs) { return rs.HasStatement(); }
  static OCIStmt *Stmt(const COCIRecordset &rs) {
    return rs.m_pShared ? rs.m_pShared->stmt : nullptr;
  }
  // How many recordsets hold this one's statement (0 without one).
  static long Holders(const COCIRecordset &rs) {
    return rs.m_pShared.use_count();
  }
  static const std::string &Scratch(const COCIRecordset &rs) {
    return rs.m_strBuffer;
  }

  static void BindByPos(COCIRecordset &rs, int position, void *value,
                        int size, void *indicator, int type) {
    rs.bindByPos(position, value, size, indicator, type);
  }
  static void BindByName(COCIRecordset &rs, const char *name, void *value,
                         int size, void *indicator, int type) {
    std::string copy(name);
    rs.bindByName(&copy[0], value, size, indicator, type);
  }
  static void DefineByPos(COCIRecordset &rs, int position, void *value,
                          int size, void *indicator, int type) {
    rs.defineByPos(position, value, size, indicator, type);
  }
  static int WriteBlob(COCIRecordset &rs, const unsigned char *data,
                       unsigned int length) {
    return rs.writeBlob(data, length);
  }
  static int ReadBlob(COCIRecordset &rs, unsigned char *buffer,
                      unsigned int length) {
    return rs.readBlob(buffer, length);
  }
  static int SizeBlob(COCIRecordset &rs) { return rs.sizeBlob(); }
  static int Execute(COCIRecordset &rs, int iterations) {
    return rs.execute(iterations);
  }
};

#endif
