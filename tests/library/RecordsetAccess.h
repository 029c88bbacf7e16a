// Reaches COCIRecordset's private members and helpers for tests.
#ifndef KESTREL_TESTS_RECORDSET_ACCESS_H
#define KESTREL_TESTS_RECORDSET_ACCESS_H

#include "COCIRecordset.h"

class COCIRecordsetTestAccess {
 public:
  static size_t Columns(const COCIRecordset &rs) {
    const size_t n = rs.m_buffers.size();
    // The six per-column tables always agree.
    if (rs.m_indicators.size() != n || rs.m_defines.size() != n ||
        rs.m_types.size() != n || rs.m_sizes.size() != n ||
        rs.m_scales.size() != n)
      return static_cast<size_t>(-1);
    return n;
  }
  static void *Buffer(const COCIRecordset &rs, size_t i) {
    return rs.m_buffers[i];
  }
  static OCIDefine *Define(const COCIRecordset &rs, size_t i) {
    return rs.m_defines[i];
  }
  static sb2 Indicator(const COCIRecordset &rs, size_t i) {
    return rs.m_indicators[i];
  }
  static int Type(const COCIRecordset &rs, size_t i) { return rs.m_types[i]; }
  static int Size(const COCIRecordset &rs, size_t i) { return rs.m_sizes[i]; }
  static int Scale(const COCIRecordset &rs, size_t i) {
    return rs.m_scales[i];
  }
  static OCILobLocator *Lob(const COCIRecordset &rs) { return rs.m_hLob; }
  static size_t ExtraLobs(const COCIRecordset &rs) {
    size_t n = 0;
    for (OCILobLocator *lob : rs.m_lobs) n += lob != nullptr;
    return n;
  }
  static BOOL Opened(const COCIRecordset &rs) { return rs.m_bOpened; }
  static OCIStmt *Stmt(const COCIRecordset &rs) { return rs.m_hStmt; }
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
