/*
** The vendor's message texts for the error numbers this engine reports, and
** the "ORA-NNNNN: text" form of a message.
*/
#include "errors/OraError.h"

#include <cstdio>

namespace kestrel_engine {

namespace {

struct Text {
  int code;
  const char *text;
};

// Sorted by number; "%s" marks where the detail goes.
constexpr Text kTexts[] = {
    {1, "unique constraint (%s) violated"},
    {54, "resource busy and acquire with NOWAIT specified or timeout expired"},
    {201, "control file version %s"},
    {600, "internal error code, arguments: [%s]"},
    {900, "invalid SQL statement"},
    {904, "%s: invalid identifier"},
    {909, "invalid number of arguments"},
    {911, "invalid character"},
    {913, "too many values"},
    {918, "column ambiguously defined"},
    {922, "missing or invalid option"},
    {931, "missing identifier"},
    {932, "inconsistent datatypes"},
    {933, "SQL command not properly ended"},
    {934, "group function is not allowed here"},
    {938, "not enough arguments for function"},
    {942, "table or view does not exist"},
    {947, "not enough values"},
    {903, "invalid table name"},
    {955, "name is already used by an existing object"},
    {980, "synonym translation is no longer valid"},
    {990, "missing or invalid privilege"},
    {1045, "user %s lacks CREATE SESSION privilege; logon denied"},
    {1432, "public synonym to be dropped does not exist"},
    {1434, "private synonym to be dropped does not exist"},
    {1435, "user does not exist"},
    {1732, "data manipulation operation not legal on this view"},
    {1749, "you may not GRANT/REVOKE privileges to/from yourself"},
    {1775, "looping chain of synonyms"},
    {2376, "invalid or redundant resource"},
    {2377, "invalid profile limit %s"},
    {2378, "duplicate resource name %s"},
    {2379, "profile %s already exists"},
    {2380, "profile %s does not exist"},
    {2381, "cannot drop %s profile"},
    {2382, "profile %s has users assigned, cannot drop without CASCADE"},
    {1005, "null password given; logon denied"},
    {1007, "variable not in select list"},
    {1008, "not all variables bound"},
    {1012, "not logged on"},
    {1013, "user requested cancel of current operation"},
    {1017, "invalid username/password; logon denied"},
    {1031, "insufficient privileges"},
    {1036, "illegal variable name/number"},
    {1086, "savepoint '%s' never established in this session or is invalid"},
    {1400, "cannot insert NULL into (%s)"},
    {1406, "fetched column value was truncated"},
    {1418, "specified index does not exist"},
    {1426, "numeric overflow"},
    {1427, "single-row subquery returns more than one row"},
    {1428, "argument '%s' is out of range"},
    {1436, "CONNECT BY loop in user data"},
    {1455, "converting column overflows integer datatype"},
    {1465, "invalid hex number"},
    {1476, "divisor is equal to zero"},
    {1481, "invalid number format model"},
    {1489, "result of string concatenation is too long"},
    {1722, "invalid number"},
    {1760, "illegal argument for function"},
    {1821, "date format not recognized"},
    {1830, "date format picture ends before converting entire input string"},
    {1839, "date not valid for month specified"},
    {1840, "input value not long enough for date format"},
    {1841, "(full) year must be between -4713 and +9999, and not be 0"},
    {1843, "not a valid month"},
    {1846, "not a valid day of the week"},
    {1847, "day of month must be between 1 and last day of month"},
    {1848, "day of year must be between 1 and 365 (366 for leap year)"},
    {1849, "hour must be between 1 and 12"},
    {1850, "hour must be between 0 and 23"},
    {1851, "minutes must be between 0 and 59"},
    {1852, "seconds must be between 0 and 59"},
    {1853, "seconds in day must be between 0 and 86399"},
    {1854, "julian date must be between 1 and 5373484"},
    {1855, "AM/A.M. or PM/P.M. required"},
    {1856, "BC/B.C. or AD/A.D. required"},
    {1858, "a non-numeric character was found where a numeric was expected"},
    {1861, "literal does not match format string"},
    {1862, "the numeric value does not match the length of the format item"},
    {1873, "the leading precision of the interval is too small"},
    {1898, "too many precision specifiers"},
    {1899, "bad precision specifier"},
    {1917, "user or role '%s' does not exist"},
    {1918, "user '%s' does not exist"},
    {1919, "role '%s' does not exist"},
    {1920, "user name '%s' conflicts with another user or role name"},
    {1921, "role name '%s' conflicts with another user or role name"},
    {1922, "CASCADE must be specified to drop '%s'"},
    {1927, "cannot REVOKE privileges you did not grant"},
    {1932, "ADMIN option not granted for role '%s'"},
    {1934, "circular role grant detected"},
    {1940, "cannot drop a user that is currently connected"},
    {1951, "ROLE '%s' not granted to '%s'"},
    {1952, "system privileges not granted to '%s'"},
    {2003, "invalid USERENV parameter"},
    {2091, "transaction rolled back"},
    {2224, "EXECUTE privilege not allowed for tables"},
    {2225, "only EXECUTE and DEBUG privileges are valid for procedures"},
    {2248, "invalid option for ALTER SESSION"},
    {2283, "cannot alter starting sequence number"},
    {2289, "sequence does not exist"},
    {2290, "check constraint (%s) violated"},
    {2291, "integrity constraint (%s) violated - parent key not found"},
    {2292, "integrity constraint (%s) violated - child record found"},
    {3001, "unimplemented feature"},
    {4042, "procedure, function, package, or package body does not exist"},
    {4063, "%s has errors"},
    {4002, "INCREMENT must be a non-zero integer"},
    {4004, "MINVALUE must be less than MAXVALUE"},
    {4006, "START WITH cannot be less than MINVALUE"},
    {4007, "MINVALUE cannot be made to exceed the current value"},
    {4008, "START WITH cannot be more than MAXVALUE"},
    {4009, "MAXVALUE cannot be made to be less than the current value"},
    {4010, "the number of values to CACHE must be greater than 1"},
    {4013, "number to CACHE must be less than one cycle"},
    {3114, "not connected to ORACLE"},
    {6550, "PL/SQL: %s"},
    {8002, "sequence %s"},
    {8004, "sequence %s and cannot be instantiated"},
    {12154, "TNS:could not resolve the connect identifier specified"},
    {12705, "Cannot access NLS data files or invalid environment specified"},
    {12722, "regular expression internal error"},
    {12725, "unmatched parentheses in regular expression"},
    {12726, "unmatched bracket in regular expression"},
    {12727, "invalid back reference in regular expression"},
    {12728, "invalid range in regular expression"},
    {12729, "invalid character class in regular expression"},
    {12733, "regular expression is too long"},
    {16000, "database or pluggable database open for read-only access"},
    {21560, "argument %s is null, invalid, or out of range"},
    {22275, "invalid LOB locator specified"},
    {22922, "nonexistent LOB value"},
    {22925, "operation would exceed maximum size allowed for a LOB value"},
    {24309, "already connected to a server"},
    {24313, "user already authenticated"},
    {24315, "illegal attribute type"},
    {24333, "zero iteration count"},
    {24334, "no descriptor for this position"},
    {24337, "statement handle not prepared"},
    {24338, "statement handle not executed"},
    {24391, "invalid fetch operation"},
    {24801, "illegal parameter value in OCI lob function"},
    {25001, "cannot create this trigger type on views"},
    {25002, "cannot create INSTEAD OF triggers on tables"},
    {25004, "WHEN clause is not allowed in INSTEAD OF triggers"},
    {28000, "the account is locked"},
    {28001, "the password has expired"},
    {28008, "invalid old password"},
    {28221, "REPLACE not specified"},
    {30001, "trim set should have only one character"},
    {30006, "resource busy; acquire with WAIT timeout expired"},
    {30076, "invalid extract field for extract source"},
    {30493, "The percentile value should be a number between 0 and 1."},
    {30494, "The argument [%s] of WIDTH_BUCKET function is NULL or invalid."},
    // PL/SQL
    {1001, "invalid cursor"},
    {1403, "no data found"},
    {1422, "exact fetch returns more than requested number of rows"},
    {4043, "object %s does not exist"},
    {6500, "PL/SQL: storage error"},
    {6502, "PL/SQL: numeric or value error%s"},
    {6503, "PL/SQL: Function returned without value"},
    {6504, "PL/SQL: Return types of Result Set variables or query do not match"},
    {6510, "PL/SQL: unhandled user-defined exception"},
    {6511, "PL/SQL: cursor already open"},
    {6512, "at %s"},
    {6535, "statement string in %s is NULL or 0 length"},
    {6592, "CASE not found while executing CASE statement"},
    {24344, "success with compilation error"},
    {36, "maximum number of recursive SQL levels (%s) exceeded"},
    {6572, "Function %s has out arguments"},
    {6575, "Package or function %s is in an invalid state"},
    {4067, "not executed, %s does not exist"},
    {14551, "cannot perform a DML operation inside a query"},
    {14552, "cannot perform a DDL, commit or rollback inside a query or DML"},
    {21000, "error number argument to raise_application_error of %s is out of range"},
    // Triggers
    {36, "maximum number of recursive SQL levels (%s) exceeded"},
    {2065, "illegal option for ALTER SYSTEM"},
    {4080, "trigger '%s' does not exist"},
    {4077, "WHEN clause cannot be used with table level triggers"},
    {4081, "trigger '%s' already exists"},
    {4084, "cannot change NEW values for this trigger type"},
    {4088, "error during execution of trigger '%s'"},
    {4098, "trigger '%s' is invalid and failed re-validation"},
    {4091, "table %s is mutating, trigger/function may not see it"},
};

std::string Prefix(int code) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "ORA-%05d: ", code);
  return buffer;
}

}  // namespace

const char *OraErrorText(int code) {
  for (const Text &t : kTexts) {
    if (t.code == code) return t.text;
  }
  return "error %s";
}

OraError OraError::Make(int code, std::string_view detail) {
  OraError error;
  error.code = code;
  std::string text = OraErrorText(code);
  const size_t mark = text.find("%s");
  if (mark != std::string::npos) {
    text.replace(mark, 2, detail);
  } else if (!detail.empty()) {
    text.append(" (").append(detail).append(")");
  }
  error.message = Prefix(code) + text;
  return error;
}

OraError OraError::Verbatim(int code, std::string_view message) {
  OraError error;
  error.code = code;
  error.message.assign(message);
  return error;
}

}  // namespace kestrel_engine
