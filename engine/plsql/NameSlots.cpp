/*
** Finding a variable by the slot its name node remembers instead of by
** text (FindVariable, in Interpreter.h, tries the slot; this is the
** search that fills it). A name found once is found again at the same
** place whenever the innermost frame comes from the same syntax node: the
** frames out from there are the same scopes, each holding a prefix of
** the same declarations. The search is cached only when every frame it
** passed was sealed (fully declared), so no nearer frame can later gain
** the name; the slot is still checked to exist, as a frame being
** declared may not have reached it yet. Each call's frames are its own,
** so recursion finds its own variables; a call's parameters sit in a
** frame of their own (scoped by the subprogram, sealed before the body
** runs), so they are cached as declarations are.
**
** Within one run of the innermost frame the name is the same variable
** every time, so the node also keeps the variable itself with that
** frame's serial number, unique in the session (the trees are the
** session's own): while that frame is innermost the variable is read
** with no walk at all.
*/
#include "plsql/Interpreter.h"

namespace kestrel_engine::plsql {

Variable *Interpreter::SearchVariable(const sql::Expr &e) {
  if (frames_.empty()) return nullptr;
  Frame *const top = frames_.back().get();
  const std::string_view name = e.name.part[0];
  bool sealed = true;
  uint32_t hops = 0;
  for (Frame *f = top; f != nullptr; f = f->parent, ++hops) {
    sealed = sealed && f->sealed;
    const Symbol *s = f->Find(name);
    if (s == nullptr) continue;
    if (s->kind != Symbol::kVariable) return nullptr;
    if (sealed && top->scope != nullptr) {
      e.found_scope = top->scope;
      e.found_name = name.data();
      e.found_hops = hops;
      e.found_symbol = static_cast<uint32_t>(s - f->symbols.data());
      e.found_var = &f->vars[s->index];
      e.found_frame = top->serial;
    }
    return &f->vars[s->index];
  }
  return nullptr;
}

}  // namespace kestrel_engine::plsql
