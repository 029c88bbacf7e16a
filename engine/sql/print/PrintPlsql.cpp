/*
** PL/SQL back to canonical text, on one line: each declaration and
** statement ends with its semicolon and is followed by one space; blocks
** end with END [name]; like Oracle's own.
*/
#include "sql/ast/Plsql.h"
#include "sql/print/Writer.h"

namespace kestrel_engine::sql {

namespace {

class PlWriter {
 public:
  explicit PlWriter(Writer &w) : w_(w) {}

  void Type(const PlType &t) {
    if (t.sql) {
      w_.Type(*t.sql);
      return;
    }
    w_.Name(t.name);
    if (t.attr == 1) w_ << "%TYPE";
    if (t.attr == 2) w_ << "%ROWTYPE";
  }

  void Init(const Expr *init, bool keyword) {
    if (init == nullptr) return;
    w_ << (keyword ? " DEFAULT " : " := ");
    w_.Expr(*init);
  }

  void Params(const List<PlParam> &params) {
    if (params.empty()) return;
    w_ << " (";
    bool first = true;
    for (const PlParam *p : params) {
      if (!first) w_ << ", ";
      first = false;
      w_.Ident(p->name);
      static const char *const kModes[] = {" ", " IN ", " OUT ", " IN OUT "};
      w_ << kModes[p->mode & 3];
      if (p->nocopy) w_ << "NOCOPY ";
      Type(*p->type);
      Init(p->default_value, p->default_keyword);
    }
    w_ << ")";
  }

  void Subprogram(const sql::Subprogram &s) {
    w_ << (s.function ? "FUNCTION " : "PROCEDURE ");
    w_.Name(s.name);
    Params(s.params);
    if (s.returns) {
      w_ << " RETURN ";
      Type(*s.returns);
    }
    if (s.authid) w_ << (s.authid == 1 ? " AUTHID DEFINER" : " AUTHID CURRENT_USER");
    if (s.deterministic) w_ << " DETERMINISTIC";
    if (s.pipelined) w_ << " PIPELINED";
    if (s.parallel_enable) w_ << " PARALLEL_ENABLE";
    if (s.result_cache) w_ << " RESULT_CACHE";
    if (s.body == nullptr) {
      w_ << ";";
      return;
    }
    w_ << " IS ";
    Decls(s.body->decls);
    Body(*s.body);
  }

  void Decls(const List<PlDecl> &decls) {
    for (const PlDecl *d : decls) {
      Decl(*d);
      w_ << " ";
    }
  }

  void Decl(const PlDecl &d) {
    switch (d.kind) {
      case PlDeclKind::kVariable:
        w_.Ident(d.name);
        w_ << (d.constant ? " CONSTANT " : " ");
        Type(*d.type);
        if (d.not_null) w_ << " NOT NULL";
        Init(d.init, d.default_keyword);
        break;
      case PlDeclKind::kException:
        w_.Ident(d.name);
        w_ << " EXCEPTION";
        break;
      case PlDeclKind::kCursor:
        w_ << "CURSOR ";
        w_.Ident(d.name);
        Params(d.params);
        if (d.type) {
          w_ << " RETURN ";
          Type(*d.type);
        }
        if (d.query) {
          w_ << " IS ";
          w_.Query(*d.query);
        }
        break;
      case PlDeclKind::kRecordType: {
        w_ << "TYPE ";
        w_.Ident(d.name);
        w_ << " IS RECORD (";
        bool first = true;
        for (const PlDecl *f : d.fields) {
          if (!first) w_ << ", ";
          first = false;
          w_.Ident(f->name);
          w_ << " ";
          Type(*f->type);
          if (f->not_null) w_ << " NOT NULL";
          Init(f->init, f->default_keyword);
        }
        w_ << ")";
        break;
      }
      case PlDeclKind::kTableType:
      case PlDeclKind::kVarrayType:
        w_ << "TYPE ";
        w_.Ident(d.name);
        if (d.kind == PlDeclKind::kTableType) {
          w_ << " IS TABLE OF ";
        } else {
          w_ << " IS VARRAY(";
          w_.Expr(*d.limit);
          w_ << ") OF ";
        }
        Type(*d.type);
        if (d.not_null) w_ << " NOT NULL";
        if (d.index_by) {
          w_ << " INDEX BY ";
          Type(*d.index_by);
        }
        break;
      case PlDeclKind::kRefCursorType:
        w_ << "TYPE ";
        w_.Ident(d.name);
        w_ << " IS REF CURSOR";
        if (d.type) {
          w_ << " RETURN ";
          Type(*d.type);
        }
        break;
      case PlDeclKind::kSubtype:
        w_ << "SUBTYPE ";
        w_.Ident(d.name);
        w_ << " IS ";
        Type(*d.type);
        if (d.not_null) w_ << " NOT NULL";
        break;
      case PlDeclKind::kPragma:
        w_ << "PRAGMA ";
        w_.Ident(d.name);
        if (!d.args.empty()) {
          w_ << " (";
          w_.Exprs(d.args);
          w_ << ")";
        }
        break;
      case PlDeclKind::kSubprogram:
        Subprogram(*d.sub);
        return;  // ends with its own semicolon
    }
    w_ << ";";
  }

  void Labels(const List<Ident> &labels) {
    for (const Ident *l : labels) {
      w_ << "<<";
      w_.Ident(l);
      w_ << ">> ";
    }
  }

  void Block(const PlBlock &b) {
    Labels(b.labels);
    if (b.declare) {
      w_ << "DECLARE ";
      Decls(b.decls);
    }
    Body(b);
  }

  // [BEGIN statements [EXCEPTION handlers]] END [name];
  void Body(const PlBlock &b) {
    BeginPart(b);
    w_ << "END";
    if (b.end_name) {
      w_ << " ";
      w_.Ident(b.end_name);
    }
    w_ << ";";
  }

  void BeginPart(const PlBlock &b) {
    if (b.has_begin) {
      w_ << "BEGIN ";
      Stmts(b.body);
      if (!b.handlers.empty()) {
        w_ << "EXCEPTION ";
        for (const PlWhen *h : b.handlers) {
          w_ << "WHEN ";
          bool first = true;
          for (const Expr *e : h->exceptions) {
            if (!first) w_ << " OR ";
            first = false;
            w_.Expr(*e);
          }
          w_ << " THEN ";
          Stmts(h->body);
        }
      }
    }
  }

  void Stmts(const List<PlStmt> &list) {
    for (const PlStmt *s : list) {
      Stmt(*s);
      w_ << " ";
    }
  }

  void Targets(const List<Expr> &into) {
    w_ << " INTO ";
    w_.Exprs(into);
  }

  void Using(const List<PlUsing> &args) {
    if (args.empty()) return;
    w_ << " USING ";
    bool first = true;
    for (const PlUsing *u : args) {
      if (!first) w_ << ", ";
      first = false;
      static const char *const kModes[] = {"", "IN ", "OUT ", "IN OUT "};
      w_ << kModes[u->mode & 3];
      w_.Expr(*u->expr);
    }
  }

  void LoopBody(const PlStmt &s) {
    w_ << " LOOP ";
    Stmts(s.body);
    w_ << "END LOOP";
    EndLabel(s);
  }

  void EndLabel(const PlStmt &s) {
    if (s.end_label == nullptr) return;
    w_ << " ";
    w_.Ident(s.end_label);
  }

  void Whens(const PlStmt &s, const char *first_word, const char *next_word) {
    bool first = true;
    for (const PlWhen *w : s.whens) {
      w_ << (first ? first_word : next_word);
      first = false;
      w_.Expr(*w->cond);
      w_ << " THEN ";
      Stmts(w->body);
    }
    if (s.has_else) {
      w_ << "ELSE ";
      Stmts(s.body);
    }
  }

  void Stmt(const PlStmt &s) {
    Labels(s.labels);
    switch (s.kind) {
      case PlStmtKind::kNull: w_ << "NULL"; break;
      case PlStmtKind::kAssign:
        w_.Expr(*s.target);
        w_ << " := ";
        w_.Expr(*s.expr);
        break;
      case PlStmtKind::kCall: w_.Expr(*s.target); break;
      case PlStmtKind::kIf:
        Whens(s, "IF ", "ELSIF ");
        w_ << "END IF";
        break;
      case PlStmtKind::kCase:
        w_ << "CASE ";
        if (s.expr) {
          w_.Expr(*s.expr);
          w_ << " ";
        }
        Whens(s, "WHEN ", "WHEN ");
        w_ << "END CASE";
        EndLabel(s);
        break;
      case PlStmtKind::kLoop:
        w_ << "LOOP ";
        Stmts(s.body);
        w_ << "END LOOP";
        EndLabel(s);
        break;
      case PlStmtKind::kWhile:
        w_ << "WHILE ";
        w_.Expr(*s.expr);
        LoopBody(s);
        break;
      case PlStmtKind::kForRange:
      case PlStmtKind::kForall:
        w_ << (s.kind == PlStmtKind::kForall ? "FORALL " : "FOR ");
        w_.Ident(s.name);
        w_ << (s.reverse ? " IN REVERSE " : " IN ");
        if (s.forall != 0) {
          w_ << (s.forall == 1 ? "INDICES OF " : "VALUES OF ");
          w_.Expr(*s.target);
          if (s.expr) w_ << " BETWEEN ";
        }
        if (s.expr) {
          w_.Expr(*s.expr);
          w_ << (s.forall ? " AND " : " .. ");
          w_.Expr(*s.upper);
        }
        if (s.kind == PlStmtKind::kForRange) {
          LoopBody(s);
        } else {
          if (s.bulk) w_ << " SAVE EXCEPTIONS";
          w_ << " ";
          w_.Statement(*s.sql);
        }
        break;
      case PlStmtKind::kForCursor:
        w_ << "FOR ";
        w_.Ident(s.name);
        w_ << " IN ";
        if (s.query) {
          w_ << "(";
          w_.Query(*s.query);
          w_ << ")";
        } else {
          w_.Expr(*s.target);
        }
        LoopBody(s);
        break;
      case PlStmtKind::kExit:
      case PlStmtKind::kContinue:
        w_ << (s.kind == PlStmtKind::kExit ? "EXIT" : "CONTINUE");
        if (s.name) {
          w_ << " ";
          w_.Ident(s.name);
        }
        if (s.expr) {
          w_ << " WHEN ";
          w_.Expr(*s.expr);
        }
        break;
      case PlStmtKind::kGoto:
        w_ << "GOTO ";
        w_.Ident(s.name);
        break;
      case PlStmtKind::kReturn:
        w_ << "RETURN";
        if (s.expr) {
          w_ << " ";
          w_.Expr(*s.expr);
        }
        break;
      case PlStmtKind::kRaise:
        w_ << "RAISE";
        if (s.expr) {
          w_ << " ";
          w_.Expr(*s.expr);
        }
        break;
      case PlStmtKind::kSql: w_.Statement(*s.sql); break;
      case PlStmtKind::kOpen:
      case PlStmtKind::kOpenFor:
        w_ << "OPEN ";
        w_.Expr(*s.target);
        if (s.kind == PlStmtKind::kOpenFor) {
          w_ << " FOR ";
          if (s.query) {
            w_.Query(*s.query);
          } else {
            w_.Expr(*s.expr);
          }
          Using(s.using_args);
        }
        break;
      case PlStmtKind::kFetch:
        w_ << "FETCH ";
        w_.Expr(*s.target);
        if (s.bulk) w_ << " BULK COLLECT";
        Targets(s.into);
        if (s.upper) {
          w_ << " LIMIT ";
          w_.Expr(*s.upper);
        }
        break;
      case PlStmtKind::kClose:
        w_ << "CLOSE ";
        w_.Expr(*s.target);
        break;
      case PlStmtKind::kExecute:
        w_ << "EXECUTE IMMEDIATE ";
        w_.Expr(*s.expr);
        if (s.bulk) w_ << " BULK COLLECT";
        if (!s.into.empty()) Targets(s.into);
        Using(s.using_args);
        if (!s.returning_into.empty()) {
          w_ << " RETURNING";
          Targets(s.returning_into);
        }
        break;
      case PlStmtKind::kBlock:
        Block(*s.block);
        return;  // ends with its own semicolon
      case PlStmtKind::kPipeRow:
        w_ << "PIPE ROW (";
        w_.Expr(*s.expr);
        w_ << ")";
        break;
    }
    w_ << ";";
  }

  void Create(bool or_replace, uint8_t editionable) {
    w_ << "CREATE ";
    if (or_replace) w_ << "OR REPLACE ";
    if (editionable == 1) w_ << "EDITIONABLE ";
    if (editionable == 2) w_ << "NONEDITIONABLE ";
  }

  void Trigger(const CreateTriggerStmt &t) {
    Create(t.or_replace, t.editionable);
    w_ << "TRIGGER ";
    w_.Name(t.name);
    static const char *const kTiming[] = {" BEFORE ", " AFTER ", " INSTEAD OF ", " FOR "};
    w_ << kTiming[t.timing < 4 ? t.timing : 0];
    bool first = true;
    auto event = [&](const char *word) {
      if (!first) w_ << " OR ";
      first = false;
      w_ << word;
    };
    if (t.events & kOnInsert) event("INSERT");
    if (t.events & kOnUpdate) {
      event("UPDATE");
      if (!t.update_of.empty()) {
        w_ << " OF ";
        bool first_column = true;
        for (const sql::Ident *c : t.update_of) {
          if (!first_column) w_ << ", ";
          first_column = false;
          w_.Ident(c);
        }
      }
    }
    if (t.events & kOnDelete) event("DELETE");
    w_ << " ON ";
    w_.Name(t.table);
    if (t.old_alias || t.new_alias || t.parent_alias) {
      w_ << " REFERENCING";
      auto alias = [&](const char *word, const sql::Ident *a) {
        if (a == nullptr) return;
        w_ << word;
        w_.Ident(a);
      };
      alias(" OLD AS ", t.old_alias);
      alias(" NEW AS ", t.new_alias);
      alias(" PARENT AS ", t.parent_alias);
    }
    if (t.for_each_row) w_ << " FOR EACH ROW";
    if (t.enabled == 1) w_ << " ENABLE";
    if (t.enabled == 2) w_ << " DISABLE";
    if (t.when) {
      w_ << " WHEN (";
      w_.Expr(*t.when);
      w_ << ")";
    }
    w_ << " ";
    if (t.timing == 3) return Compound(t);
    Block(*t.block);
  }

  // COMPOUND TRIGGER declarations, each section, END [name];
  void Compound(const CreateTriggerStmt &t) {
    static const char *const kPoints[] = {"BEFORE STATEMENT", "BEFORE EACH ROW", "AFTER EACH ROW",
                                          "AFTER STATEMENT", "INSTEAD OF EACH ROW"};
    w_ << "COMPOUND TRIGGER ";
    Decls(t.block->decls);
    for (const TriggerSection *section : t.sections) {
      w_ << kPoints[section->point] << " IS ";
      BeginPart(*section->block);
      w_ << "END " << kPoints[section->point] << "; ";
    }
    w_ << "END";
    if (t.block->end_name) {
      w_ << " ";
      w_.Ident(t.block->end_name);
    }
    w_ << ";";
  }

 private:
  Writer &w_;
};

}  // namespace

void Writer::Plsql(const sql::Statement &s) {
  PlWriter pl(*this);
  switch (s.kind) {
    case StmtKind::kPlBlock: pl.Block(*static_cast<const PlBlockStmt &>(s).block); return;
    case StmtKind::kCreateSubprogram: {
      const auto &c = static_cast<const CreateSubprogramStmt &>(s);
      pl.Create(c.or_replace, c.editionable);
      pl.Subprogram(*c.sub);
      return;
    }
    case StmtKind::kCreatePackage: {
      const auto &p = static_cast<const CreatePackageStmt &>(s);
      pl.Create(p.or_replace, p.editionable);
      out += p.body ? "PACKAGE BODY " : "PACKAGE ";
      Name(p.name);
      if (p.authid) out += p.authid == 1 ? " AUTHID DEFINER" : " AUTHID CURRENT_USER";
      out += " IS ";
      pl.Decls(p.block->decls);
      pl.Body(*p.block);
      return;
    }
    case StmtKind::kCreateTrigger: pl.Trigger(static_cast<const CreateTriggerStmt &>(s)); return;
    case StmtKind::kCall: {
      const auto &c = static_cast<const CallStmt &>(s);
      out += "CALL ";
      Expr(*c.call);
      if (c.into) {
        out += " INTO ";
        Expr(*c.into);
      }
      return;
    }
    default: return;
  }
}

}  // namespace kestrel_engine::sql
