/*
** COCIRecordset: one SQL statement at a time on a session borrowed from a
** COCIConnection, and the result of a query: for each column an output
** buffer, a null indicator and a define handle, with the column's type
** code, size and scale.
**
** Failures of recordset operations throw COCIException after the status
** and its message were recorded; InitRecordset, CloseRecordset, MoveNext,
** GetFieldSize and GetFieldScale never throw.
**
** The object whose InitRecordset allocated the statement owns it, its
** buffers and its locators. A copy is a view that never releases what it
** shares; only the owner's CloseRecordset does.
*/
#ifndef KESTREL_COCIRECORDSET_H
#define KESTREL_COCIRECORDSET_H

#include <string>
#include <vector>

#include "CArray.h"
#include "COCIConnection.h"
#include "COCIRecord.h"
#include "COleVariant.h"
#include "CString.h"
#include "KestrelExport.h"
#include "oci.h"

class KESTREL_API COCIRecordset {
  friend class COCIRecordsetTestAccess;

 public:
  COCIRecordset();
  COCIRecordset(const COCIRecordset &other);
  COCIRecordset &operator=(const COCIRecordset &other);
  virtual ~COCIRecordset();

  // Statement lifecycle.
  BOOL InitRecordset(COCIConnection *connection);
  BOOL OpenRecordset(CString sql);
  void CloseRecordset();

  // Column description; positions are 1-based.
  long GetFieldCount();
  long GetRSCount();
  CString GetFieldName(const long &position);
  int GetFieldType(const long &position);
  int GetFieldSize(const long &position);
  int GetFieldScale(const long &position);

  // Rows and values; indexes are 0-based.
  int MoveNext();
  int GetFieldValue(const long &index, COleVariant &value);
  int SetFieldValue(const long &index, const COleVariant &value);
  int AddRecord(const COCIRecord &record);
  int UpdateRecord(const COCIRecord &record);
  int GetAllRecord(CArray<COCIRecord, COCIRecord &> &records, int count);
  int GetRecord(COCIRecord &record, int position);
  int GetFieldValue(const CString &name, COleVariant &value);
  int SetFieldValue(const CString &name, const COleVariant &value);

 private:
  void freeResult();
  int queryType();
  int execute(int iterations);
  int allocateCursor();

  // Large-object and bind helpers.
  void bindByPos(int position, void *value, int size, void *indicator,
                 int type);
  void bindByName(char *name, void *value, int size, void *indicator,
                  int type);
  void defineByPos(int position, void *value, int size, void *indicator,
                   int type);
  int writeBlob(const unsigned char *data, unsigned int length);
  int readBlob(unsigned char *buffer, unsigned int length);
  int sizeBlob();

  // True while this object holds a statement it may use.
  bool HasStatement() const;
  // Throws unless this object holds a statement.
  void RequireStatement() const;
  // Checks a status against the connection's error handle; throws on
  // failure.
  void Check(sword status) const;
  // The descriptor of the column at `position` into m_hParam; false (and
  // m_hParam cleared) when it cannot be fetched.
  bool FetchDescriptor(const long &position);
  // Lets go of everything without a client-interface call: an owner deletes
  // its buffers, a view only forgets them.
  void ForgetResult();
  void DefineColumn(int position, int type, int size);
  void DefineBlob(int position);
  int WriteText(int index, const COleVariant &value);

  COCIConnection *m_pConnection;
  OCIStmt *m_hStmt;
  OCIParam *m_hParam;
  BOOL m_bOpened;
  std::string m_strBuffer;
  std::vector<void *> m_buffers;
  std::vector<sb2> m_indicators;
  std::vector<OCIDefine *> m_defines;
  OCILobLocator *m_hLob;
  std::vector<int> m_types;
  std::vector<int> m_sizes;
  std::vector<int> m_scales;

  // Locators of BLOB columns after the first, one slot per column, sized
  // before any define so the slots never move while the statement is
  // defined.
  std::vector<OCILobLocator *> m_lobs;
  // The environment the statement came from: closing makes client calls
  // only while the connection still holds it.
  OCIEnv *m_hStmtEnv;
  // TRUE for the object whose InitRecordset allocated the statement.
  BOOL m_bOwner;
  // TRUE once a fetch has put a row in the buffers.
  BOOL m_bFetched;
};

#endif
