// hello: Kestrel's four classes at work. Connects to a database file
// (made on first use; the first logon claims it for its user), creates a
// table, inserts rows, walks a query with MoveNext and GetFieldValue, and
// keeps one row in a COCIRecord to print it with GetString.
//
//   hello [DATABASE-FILE]        (default: hello.db)
#include <stdio.h>

#include <string>

#include <kestrel/Kestrel.h>

namespace {

// Runs a statement other than a query: OpenRecordset executes and commits.
void Execute(COCIConnection &connection, const char *sql) {
  COCIRecordset statement;
  statement.InitRecordset(&connection);
  statement.OpenRecordset(sql);
  statement.CloseRecordset();
}

// A column value as GetFieldValue gave it: text, a whole number, a decimal.
std::string Show(const COleVariant &value) {
  char number[32];
  switch (value.vt) {
    case VT_BSTR:  // single-byte text, as the database holds it
      return std::string(reinterpret_cast<const char *>(value.bstrVal),
                         SysStringByteLen(value.bstrVal));
    case VT_I4:
      snprintf(number, sizeof number, "%d", static_cast<int>(value.lVal));
      return number;
    case VT_R8:
      snprintf(number, sizeof number, "%g", value.dblVal);
      return number;
    default:
      return "?";
  }
}

}  // namespace

int main(int argc, char **argv) {
  const std::string path = argc > 1 ? argv[1] : "hello.db";
  // An SQLite URI with mode=rwc makes the file when it is missing.
  const std::string link = "file:" + path + "?mode=rwc";

  COCIConnection connection;
  if (!connection.Connect(link.c_str(), "scott", "tiger")) {
    fprintf(stderr, "cannot connect: %s\n", COCIException::errMsg());
    return 1;
  }
  printf("Connected to %s as scott.\n", path.c_str());

  try {
    try {
      Execute(connection,
              "CREATE TABLE birds (name VARCHAR2(20), wingspan NUMBER(4,2), "
              "seen NUMBER(6))");
    } catch (const COCIException &) {
      if (COCIException::errCode() != 955) throw;  // 955: the name is taken
      Execute(connection, "DELETE FROM birds");   // a second run starts over
    }
    Execute(connection, "INSERT INTO birds VALUES ('Kestrel', 0.75, 12)");
    Execute(connection, "INSERT INTO birds VALUES ('Peregrine', 1.1, 3)");
    Execute(connection, "INSERT INTO birds VALUES ('Red kite', 1.75, NULL)");

    COCIRecordset query;
    query.InitRecordset(&connection);
    query.OpenRecordset(
        "SELECT name, wingspan, seen FROM birds ORDER BY wingspan");
    const long columns = query.GetFieldCount();
    for (long position = 1; position <= columns; ++position)
      printf("%-12s", query.GetFieldName(position).GetString());
    printf("\n");

    COCIRecord first;  // the first row, kept past the fetch loop
    bool kept = false;
    while (query.MoveNext()) {
      for (long index = 0; index < columns; ++index) {
        COleVariant value;
        // FALSE means NULL: the variant is left as it was (empty).
        const bool present = query.GetFieldValue(index, value);
        printf("%-12s", present ? Show(value).c_str() : "(null)");
        if (!kept) first.Add(value);
      }
      kept = true;
      printf("\n");
    }
    query.CloseRecordset();

    // The record's own text forms: GetString writes each kind its way.
    printf("Smallest, kept in a record: %s, %s m, seen %s times\n",
           first.GetString(0).GetString(), first.GetString(1).GetString(),
           first.GetString(2).GetString());
  } catch (const COCIException &) {
    fprintf(stderr, "error %d: %s\n", COCIException::errCode(),
            COCIException::errMsg());
    connection.DisConnect();
    return 1;
  }
  connection.DisConnect();
  return 0;
}
