/*
** A statement's binds: OCIBindByPos and OCIBindByName record where each
** placeholder's value lives, and every execution reads the values from
** there into the SQLite statement's parameters. SQLite takes `:name` as a
** named parameter, so each of its parameters is matched to a bind by name;
** that holds for a statement prepared again (another connection, the
** hidden rowid item) and for each statement of an anonymous block.
*/
#include "statement/StatementHandle.h"

#include <algorithm>
#include <string>

#include "handles/Environment.h"
#include "handles/Registry.h"
#include "statement/Placeholders.h"

namespace kestrel_engine {

sword StatementHandle::Bind(ErrorHandle *error, OCIBind **bind, ub4 position,
                            const std::string *name, const BindSource &source) {
  if (bind == nullptr) return Report(error, OraError::Make(21560, "bindp"));
  if (!prepared_) return Report(error, OraError::Make(24337));
  if (const int rc = CheckBindSource(source)) {
    const std::string detail =
        rc == 21560 ? std::string("value_sz")
                    : "external type " + std::to_string(source.type) +
                          " of size " + std::to_string(source.size);
    return Report(error, OraError::Make(rc, detail));
  }
  if (!placeholdersKnown_) {
    placeholders_ = PlaceholderPositions(tokens_, kind_.action == Action::kBlock);
    placeholdersKnown_ = true;
  }
  std::string key;
  if (name != nullptr) {
    key = PlaceholderKey(*name);
    if (key.empty() ||
        std::find(placeholders_.begin(), placeholders_.end(), key) ==
            placeholders_.end()) {
      return Report(error, OraError::Make(1036, *name));
    }
  } else {
    if (position < 1 || position > placeholders_.size()) {
      return Report(error,
                    OraError::Make(1036, "position " + std::to_string(position)));
    }
    key = placeholders_[position - 1];
  }

  BindHandle *holder = nullptr;  // the handle bound to the key now
  for (BindHandle *b : binds_) {
    if (b->key == key) holder = b;
  }
  BindHandle *chosen = nullptr;
  if (*bind != nullptr) {
    Handle *h = Registry::Instance().Find(*bind, OCI_HTYPE_BIND);
    if (h == nullptr || h->parent() != this) return OCI_INVALID_HANDLE;
    chosen = static_cast<BindHandle *>(h);
  } else if (holder != nullptr) {
    chosen = holder;  // binding again replaces the earlier bind
  } else {
    chosen = environment()->Create<BindHandle>(this);
    binds_.push_back(chosen);
  }
  if (holder != nullptr && holder != chosen) holder->key.clear();
  chosen->key = std::move(key);
  chosen->source = source;
  bindOrderValid_ = false;
  *bind = reinterpret_cast<OCIBind *>(static_cast<Handle *>(chosen));
  return OCI_SUCCESS;
}

void StatementHandle::ForgetBinds() {
  // The handles stay with the statement, bound to nothing, so that a
  // caller holding one can bind it again.
  for (BindHandle *b : binds_) b->key.clear();
  bindOrderValid_ = false;
  placeholders_.clear();
  placeholdersKnown_ = false;
}

void StatementHandle::ForgetBind(const Handle *gone) {
  binds_.erase(std::remove(binds_.begin(), binds_.end(), gone), binds_.end());
  bindOrderValid_ = false;
}

bool StatementHandle::ApplyBinds(sqlite3_stmt *statement, ub4 row,
                                 OraError *error) {
  // The statement's own parameters are matched to their binds once, and
  // again only when a bind or the statement changes.
  const bool own = statement == statement_;
  if (own && bindOrderValid_) {
    for (size_t i = 0; i < bindOrder_.size(); ++i) {
      if (const int rc = BindValue(statement, static_cast<int>(i + 1), bindOrder_[i]->source, row,
                                   kind_.action == Action::kDml)) {
        *error = OraError::Make(rc, std::string("bind ") +
                                        sqlite3_bind_parameter_name(statement, static_cast<int>(i + 1)));
        return false;
      }
    }
    return true;
  }
  if (own) bindOrder_.clear();
  const int count = sqlite3_bind_parameter_count(statement);
  for (int i = 1; i <= count; ++i) {
    const char *name = sqlite3_bind_parameter_name(statement, i);
    const BindHandle *found = nullptr;
    for (const BindHandle *b : binds_) {
      if (!b->key.empty() && HasPlaceholderKey(name, b->key)) {
        found = b;
        break;
      }
    }
    if (found == nullptr) {
      *error = OraError::Make(1008, name ? name : "?");
      return false;
    }
    if (own) bindOrder_.push_back(found);
    if (const int rc = BindValue(statement, i, found->source, row)) {
      *error = OraError::Make(rc, std::string("bind ") + name);
      return false;
    }
  }
  bindOrderValid_ = own;
  return true;
}

const BindHandle *StatementHandle::FindBind(const std::string &key) const {
  for (const BindHandle *b : binds_) {
    if (!b->key.empty() && b->key == key) return b;
  }
  return nullptr;
}

OutputTarget StatementHandle::BindTarget(const BindHandle &bind, ub4 row) {
  const BindSource &s = bind.source;
  OutputTarget target{};
  // Elements follow each other at the bind's size, as BindValue reads them.
  target.value = s.value == nullptr ? nullptr
                                    : static_cast<char *>(const_cast<void *>(s.value)) +
                                          static_cast<size_t>(row) * static_cast<size_t>(s.size);
  target.size = s.size;
  target.type = s.type;
  target.indicator = s.indicator == nullptr ? nullptr : const_cast<sb2 *>(s.indicator) + row;
  target.returnLength = s.length == nullptr ? nullptr : const_cast<ub2 *>(s.length) + row;
  return target;
}

}  // namespace kestrel_engine
