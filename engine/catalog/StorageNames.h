/*
** Where a schema's table or view lives in the one SQLite file. Each schema
** has its own namespace of names, SQLite has one: the object created first
** under a name keeps the plain name (so every older file reads as before),
** and another schema's object of that name is stored as the single SQLite
** identifier "OWNER.NAME". User objects never contain the separator, so the
** two forms cannot collide.
*/
#ifndef KESTREL_ENGINE_CATALOG_STORAGENAMES_H
#define KESTREL_ENGINE_CATALOG_STORAGENAMES_H

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace kestrel_engine {

// The separator of a schema-qualified storage name.
constexpr char kStorageSeparator = '.';

// "OWNER.NAME": the storage name of a table or view whose plain name another
// schema holds.
std::string QualifiedStorageName(std::string_view owner, std::string_view name);

// The name Oracle shows for a stored `storage` name owned by `owner`: the
// part after "OWNER." for a qualified one, else the name itself.
std::string_view OracleObjectName(std::string_view storage, std::string_view owner);

// The stored name of `owner`'s table or view `name` (compared as SQLite
// does, without case), from the catalog; empty when the schema has none.
// A plain name the catalog records for no owner counts as `owner`'s only
// when `unowned_too`. Indexes, with `index`, live the same way.
std::string FindStorageName(sqlite3 *db, std::string_view owner, std::string_view name,
                            bool unowned_too = true, bool index = false);

// The name a new table, view or index `name` of `owner` is stored under:
// the plain name when SQLite has no object of it, or the name is already
// `owner`'s (the create then reports ORA-00955); else "OWNER.NAME".
std::string NewStorageName(sqlite3 *db, std::string_view owner, std::string_view name);

// The stored name of `owner`'s sequence `name` in kestrel$sequences (the
// same scheme: plain, or "OWNER.NAME" where the plain name was taken);
// empty when the schema has none.
std::string FindSequenceName(sqlite3 *db, std::string_view owner, std::string_view name);

// The name a new sequence `name` of `owner` is stored under: plain unless
// another schema's sequence or object holds the plain name.
std::string NewSequenceName(sqlite3 *db, std::string_view owner, std::string_view name);

// True when `owner` has a table or view stored under "OWNER.NAME": SQL
// written with plain names (the older rewrite) would reach another
// schema's object of that name.
bool HasQualifiedStorage(sqlite3 *db, std::string_view owner);

// The schema unqualified names resolve in: the definer's inside
// definer's-rights code, else the session's CURRENT_SCHEMA, else its user;
// empty on a connection without sessions (the bare front end).
std::string ResolutionSchema(sqlite3 *db);

}  // namespace kestrel_engine

#endif
