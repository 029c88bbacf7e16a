/*
** Which statements end a transaction of their own accord on the database
** server (its implicit commits), so that the connection's transaction
** ends with them as it does there.
*/
#ifndef KESTREL_TRANSACTION_RULES_H
#define KESTREL_TRANSACTION_RULES_H

#include <string>

namespace kestrel {

// True for a statement that commits or rolls back whatever is pending when
// it runs: DDL (CREATE, DROP, ALTER other than ALTER SESSION), COMMIT and
// ROLLBACK other than ROLLBACK TO a savepoint, and a block holding either
// (a COMMIT inside a branch not taken counts too: the transaction is then
// taken as ended, and later statements commit on their own). `type` is
// the statement type the client reports.
bool EndsTransaction(int type, const std::string &sql);

}  // namespace kestrel

#endif
