/*
** Fetching rows into the defines. This is the hot path: the defined
** columns are gathered once into a flat list of slots (rebuilt only when
** a define or the description changes), and each row is one step plus one
** conversion per slot, with no allocation and no lookup.
**
** Rows after the first of an array fetch go to the define's buffers at the
** vendor's default strides: the value size for values, one element for
** indicators, lengths and return codes.
*/
#include "statement/StatementHandle.h"

#include "errors/SqliteErrors.h"
#include "handles/Registry.h"
#include "lob/LobLocator.h"
#include "types/TimestampDescriptor.h"
#include "session/Connection.h"

namespace kestrel_engine {

namespace {

OutputTarget ForRow(const OutputTarget &base, ub4 row) {
  OutputTarget t = base;
  t.value = static_cast<unsigned char *>(base.value) +
            static_cast<size_t>(row) * static_cast<size_t>(base.size);
  if (t.indicator) t.indicator += row;
  if (t.returnLength) t.returnLength += row;
  if (t.returnCode) t.returnCode += row;
  return t;
}

}  // namespace

bool StatementHandle::BuildSlots(OraError *error) {
  slots_.clear();
  plainSlots_.clear();
  for (size_t i = 0; i < byPosition_.size(); ++i) {
    DefineHandle *d = byPosition_[i];
    if (d == nullptr) continue;
    if (i >= columns_.size()) {
      *error = OraError::Make(1007, "position " + std::to_string(i + 1));
      return false;
    }
    const ColumnDescription &c = columns_[i];
    // Descriptors: LOB locators and TIMESTAMP descriptors, filled in place.
    const bool locator = d->target.type == SQLT_BLOB || d->target.type == SQLT_CLOB ||
                         d->target.type == SQLT_TIMESTAMP;
    if (d->target.type == SQLT_TIMESTAMP && !IsDateType(c.dataType)) {
      *error = OraError::Make(932, "a TIMESTAMP descriptor needs a DATE or TIMESTAMP column");
      return false;
    }
    if (locator && d->target.type != SQLT_TIMESTAMP && c.dataType != d->target.type) {
      *error = OraError::Make(932, d->target.type == SQLT_BLOB
                                       ? "a BLOB locator needs a BLOB column"
                                       : "a CLOB locator needs a CLOB column");
      return false;
    }
    ColumnTraits traits{c.dataType, c.dataSize};
    // Dates as text take the session's format: the general store does it,
    // the fast text store never looks.
    const bool dateAsText = IsDateType(c.dataType) && connection_ != nullptr &&
                            StoreKindFor(d->target) == StoreKind::kText;
    if (dateAsText) {
      const SessionSettings &settings = connection_->settings();
      traits.dateModel = c.dataType == SQLT_DAT ? &settings.dateModel
                                                : &settings.timestampModel;
    }
    slots_.push_back(Slot{static_cast<int>(i), traits, d, locator,
                          dateAsText ? StoreValue : StoreFor(d->target)});
  }
  bool anyLocator = false;
  aheadTargets_.clear();
  aheadTargets_.reserve(slots_.size());
  aheadPlain_ = true;
  for (const Slot &slot : slots_) {
    anyLocator = anyLocator || slot.locator;
    const OutputTarget &target = slot.define->target;
    const StoreKind kind =
        slot.traits.dateModel != nullptr ? StoreKind::kOther : StoreKindFor(target);
    plainSlots_.push_back(ColumnSlot{slot.column, slot.traits, kind, &target});
    aheadTargets_.push_back(target);
    aheadPlain_ = aheadPlain_ && target.indicator && !target.returnLength && !target.returnCode;
  }
  aheadSlots_ = plainSlots_;
  for (size_t k = 0; k < aheadSlots_.size(); ++k) aheadSlots_[k].target = &aheadTargets_[k];
  if (anyLocator) {
    plainSlots_.clear();
    aheadSlots_.clear();
  }
  slotsDirty_ = false;
  return true;
}

int StatementHandle::StoreTimestamp(sqlite3_value *value, const OutputTarget &t) {
  void *address = *static_cast<void **>(t.value);
  Handle *h = Registry::Instance().Find(address, OCI_DTYPE_TIMESTAMP);
  if (h == nullptr || h->environment() != environment()) return 932;
  TimestampDescriptor *d = static_cast<TimestampDescriptor *>(h);
  d->filled = false;
  if (sqlite3_value_type(value) == SQLITE_NULL) return kStored;
  const char *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
  if (text == nullptr ||
      !ParseStored(std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(value))),
                   &d->value)) {
    return 932;
  }
  d->filled = true;
  return kStored;
}

int StatementHandle::StoreLocator(const Slot &slot, sqlite3_value *value,
                                  ub4 row) {
  const OutputTarget t = ForRow(slot.define->target, row);
  if (t.returnCode) *t.returnCode = 0;
  if (sqlite3_value_type(value) == SQLITE_NULL) {
    if (t.indicator) *t.indicator = -1;
  } else if (t.indicator) {
    *t.indicator = 0;
  }
  if (slot.define->target.type == SQLT_TIMESTAMP) return StoreTimestamp(value, t);
  OCILobLocator *address = *static_cast<OCILobLocator **>(t.value);
  Handle *h = Registry::Instance().Find(address, OCI_DTYPE_LOB);
  if (h == nullptr || h->environment() != environment()) return 22275;
  LobLocator *locator = static_cast<LobLocator *>(h);
  const ColumnDescription &c = columns_[static_cast<size_t>(slot.column)];
  locator->connection = connection_;
  locator->database = c.database;
  locator->table = c.table;
  locator->column = c.column;
  locator->isNull = sqlite3_value_type(value) == SQLITE_NULL;
  locator->clob = slot.define->target.type == SQLT_CLOB;
  if (locator->clob) {
    const unsigned char *text = sqlite3_value_text(value);
    locator->text.assign(text ? reinterpret_cast<const char *>(text) : "",
                         static_cast<size_t>(sqlite3_value_bytes(value)));
  } else {
    locator->text.clear();
  }
  locator->hasRow = c.rowidColumn >= 0 &&
                    sqlite3_column_type(statement_, c.rowidColumn) != SQLITE_NULL;
  locator->rowid =
      locator->hasRow ? sqlite3_column_int64(statement_, c.rowidColumn) : 0;
  return 0;
}

int StatementHandle::StoreRow(ub4 row) {
  int result = kStored;
  for (const Slot &slot : slots_) {
    sqlite3_value *value = sqlite3_column_value(statement_, slot.column);
    int rc;
    if (row == 0 && !slot.locator) {
      rc = slot.store(value, slot.traits, slot.define->target);
    } else if (slot.locator) {
      rc = StoreLocator(slot, value, row);
    } else {
      rc = slot.store(value, slot.traits, ForRow(slot.define->target, row));
    }
    if (rc != kStored) {
      if (rc != kTruncated) return rc;
      result = kTruncated;
    }
  }
  return result;
}

// After the last row, or a failed step.
sword StatementHandle::EndOfRows(ErrorHandle *error, int step) {
  exhausted_ = true;
  if (step == SQLITE_DONE) {
    sqlite3_reset(statement_);  // let go of the read snapshot
    return OCI_NO_DATA;
  }
  const OraError failure = ErrorFromSqlite(connection_->db(), kind_.type);
  sqlite3_reset(statement_);
  return Report(error, failure);
}

sword StatementHandle::Fetch(ErrorHandle *error, ub4 rows, ub2 orientation) {
  if (!executed_ || !isQuery_ || statement_ == nullptr) {
    return Report(error, OraError::Make(24338));
  }
  if (orientation != OCI_FETCH_NEXT && orientation != OCI_DEFAULT) {
    return Report(error, OraError::Make(24391));
  }
  if (rows == 0) {  // the vendor's way of closing the cursor
    sqlite3_reset(statement_);
    rowPending_ = false;
    exhausted_ = true;
    return OCI_SUCCESS;
  }
  if (slotsDirty_) {
    OraError failure;
    if (!BuildSlots(&failure)) return Report(error, failure);
  }
  bool truncated = false;
  for (ub4 row = 0; row < rows; ++row) {
    if (rowPending_) {
      rowPending_ = false;
    } else {
      if (exhausted_) return OCI_NO_DATA;
      const int rc = sqlite3_step(statement_);
      if (rc != SQLITE_ROW) return EndOfRows(error, rc);
    }
    // Defines that are all values in one loop; locators slot by slot.
    // The later rows of an array fetch go to targets moved on one element
    // a row, rather than to targets worked out anew for each value.
    int stored;
    if (plainSlots_.empty()) {
      stored = StoreRow(row);
    } else if (row == 0) {
      stored = StoreColumns(statement_, plainSlots_.data(), plainSlots_.size());
    } else {
      if (row == 1) {
        for (size_t k = 0; k < aheadTargets_.size(); ++k) aheadTargets_[k] = *plainSlots_[k].target;
      }
      if (aheadPlain_) {  // each with an indicator, none with lengths or codes
        for (OutputTarget &t : aheadTargets_) {
          t.value = static_cast<unsigned char *>(t.value) + t.size;
          ++t.indicator;
        }
      } else {
        for (OutputTarget &t : aheadTargets_) {
          t.value = static_cast<unsigned char *>(t.value) + t.size;
          if (t.indicator) ++t.indicator;
          if (t.returnLength) ++t.returnLength;
          if (t.returnCode) ++t.returnCode;
        }
      }
      stored = StoreColumns(statement_, aheadSlots_.data(), aheadSlots_.size());
    }
    if (stored == kTruncated) {
      truncated = true;
    } else if (stored != kStored) {
      return Report(error, OraError::Make(stored));
    }
    ++rowCount_;
  }
  if (truncated) return Report(error, OraError::Make(1406));
  return OCI_SUCCESS;
}

}  // namespace kestrel_engine
