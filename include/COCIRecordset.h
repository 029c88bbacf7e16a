/*
** COCIRecordset: one SQL statement at a time on a database session taken
** from a COCIConnection, and the result of a query: for each column an
** output buffer, a null indicator and a define handle, with the column's
** type code, size and scale.
**
** Failures of recordset operations throw COCIException after the status
** and its message were recorded; InitRecordset, CloseRecordset, MoveNext,
** GetFieldSize, GetFieldScale and UpdateRecord never throw, and GetRecord
** and GetAllRecord answer FALSE for a failed fetch (a value that fails to
** convert throws, as in GetFieldValue).
**
** Copies share one statement with its buffers, indicators and locators
** (reference-counted). The last holder to go closes it as CloseRecordset
** would; CloseRecordset on any holder closes it for every holder, and the
** others then answer as a recordset never opened. A holder that calls
** InitRecordset, or OpenRecordset while the statement is shared or holds a
** result, lets go of it and gets a statement of its own. A recordset whose
** session ended (DisConnect, or the last connection holding it gone) makes
** no client call on it again.
**
** Parameters. Values reach a statement's placeholders (`:name`, or `:1`,
** `:2`... by position in the text) through SetParam, never through the
** SQL text: OpenRecordset("INSERT INTO t VALUES (:id, :name)") after
** SetParam(":id", ...) and SetParam(":name", ...). A parameter is set by
** position (1-based: the n-th placeholder in the text, a repeated name
** counting each time) or by name (with or without the colon, in any
** case); setting one again replaces its value. Parameters belong to the
** recordset's statement (its copies share them) and stay, for every
** statement it runs, until ClearParams, InitRecordset or CloseRecordset:
** each OpenRecordset and Execute binds all of them, so a parameter the
** statement has no placeholder for fails with ORA-01036 and a placeholder
** with no parameter with ORA-01008, thrown as COCIException like other
** recordset failures. The kinds bound: text of both kinds (VARCHAR2 text;
** the empty text is NULL, as the database has no empty strings), the
** integer kinds, VT_R4 and VT_R8 (BINARY_DOUBLE values; a NaN is refused
** with ORA-01426), VT_CY and VT_DECIMAL (as exact NUMBERs), VT_BOOL (1 or
** 0), VT_DATE (a DATE, to the second), VT_ARRAY|VT_UI1 (bytes, for RAW and
** BLOB columns; none is NULL), VT_EMPTY and VT_NULL (NULL). Any other kind
** is refused by SetParam with ORA-00932.
**
** Prepare compiles a statement once; each Execute binds the parameters'
** current values and runs it again (OpenRecordset is Prepare then
** Execute). A query executed again starts over at its first row. Outside
** a transaction of the connection (BeginTrans) every non-query commits on
** its own, as OpenRecordset always did; inside one, it waits for
** CommitTrans or Rollback.
*/
#ifndef KESTREL_COCIRECORDSET_H
#define KESTREL_COCIRECORDSET_H

#include <memory>
#include <string>
#include <vector>

#include "CArray.h"
#include "COCIConnection.h"
#include "COCIRecord.h"
#include "COleVariant.h"
#include "CString.h"
#include "KestrelExport.h"
#include "oci.h"

namespace kestrel {
struct StatementState;
}

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

  // Parameters and prepared statements (see above). SetParam throws for a
  // position below 1, an empty name, a kind that cannot be bound (932) or
  // an invalid date (1841), or without a statement. Execute throws as
  // OpenRecordset does, and ORA-24337 when nothing was prepared.
  void SetParam(int position, const COleVariant &value);
  void SetParam(const CString &name, const COleVariant &value);
  void ClearParams();
  BOOL Prepare(CString sql);
  BOOL Execute();

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
  // Refused: a recordset cannot tell which row to change (FALSE, with an
  // error recorded).
  int UpdateRecord(const COCIRecord &record);
  // Appends the remaining rows (at most `count` when it is positive), one
  // record each; FALSE on a failed fetch, keeping the rows read so far.
  int GetAllRecord(CArray<COCIRecord, COCIRecord &> &records, int count);
  // The row `position` rows forward from the current one (0: the current
  // row) into `record`, one value per column.
  int GetRecord(COCIRecord &record, int position);
  // The column whose described name matches (without regard to case
  // unless the name is in double quotes); FALSE for an unknown name.
  int GetFieldValue(const CString &name, COleVariant &value);
  int SetFieldValue(const CString &name, const COleVariant &value);

 private:
  int queryType();
  int execute(int iterations, unsigned int mode = 0);
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
  // The session's error and service-context handles; only with a statement.
  OCIError *ErrorHandle() const;
  OCISvcCtx *ServiceContext() const;
  // Checks a status against the session's error handle; throws on failure.
  void Check(sword status) const;
  // Makes sure this holder alone holds a statement with no result, so that
  // preparing it touches no other holder and no defined memory; throws and
  // leaves the object as it was when no statement can be had.
  void OwnStatementWithoutResult();
  // The descriptor of the column at `position` into m_hParam; false (and
  // m_hParam cleared) when it cannot be fetched.
  bool FetchDescriptor(const long &position);
  int WriteText(size_t index, const COleVariant &value);
  // Binds every parameter the statement is not bound to as it is now.
  void BindParams();
  // Runs the prepared statement with its parameters bound.
  int Run();
  // The parameter `name` (already in its key form) or at `position`, set
  // to `value`; throws for a kind that cannot be bound.
  void StoreParam(const std::string &name, int position,
                  const COleVariant &value);
  // Fetches the next row; the status, recorded unless it is a success or
  // the end. OCI_INVALID_HANDLE, unrecorded, without a statement.
  sword FetchRow();
  // The current row's values into `record`, sized to the column count.
  void ReadRow(COCIRecord &record);
  // The 0-based index of the column named `name`, or -1.
  long FindColumn(const CString &name);

  std::shared_ptr<kestrel::StatementState> m_pShared;
  OCIParam *m_hParam;
  // Scratch text for column names and text values.
  std::string m_strBuffer;
};

#endif
