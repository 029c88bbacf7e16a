/*
** Synonyms: names that stand for a table, view, sequence or another
** synonym. A private synonym belongs to its creator; a PUBLIC one (owner
** 'PUBLIC') is seen by every user. They live in kestrel$synonyms, with
** the target as written (its owner, name and database link), and are
** translated when a statement names them (sql/resolve/SqliteCatalog.cpp), so a synonym may outlive its
** target (ORA-00980 when used) or be made before it.
*/
#ifndef KESTREL_ENGINE_CATALOG_SYNONYMS_H
#define KESTREL_ENGINE_CATALOG_SYNONYMS_H

#include "errors/OraError.h"

namespace kestrel_engine {

class Connection;

extern const char kSynonymsTable[];
// The owner PUBLIC synonyms are recorded under.
extern const char kPublicOwner[];

// Creates kestrel$synonyms when missing (inside the caller's transaction).
bool EnsureSynonyms(Connection &connection, OraError *error);

}  // namespace kestrel_engine

#endif
