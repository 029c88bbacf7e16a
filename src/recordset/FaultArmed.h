/*
** Whether the embedded engine has a test's failure armed. The value path
** skips client calls whose answer it already holds (the column count), and
** makes them again while a failure is armed, so that an injected failure
** is met where it always was. Against another client library nothing can
** be armed.
*/
#ifndef KESTREL_FAULT_ARMED_H
#define KESTREL_FAULT_ARMED_H

#ifdef KESTREL_ENGINE_FAULTS
#include "kestrel_engine_fault.h"
#endif

namespace kestrel {

// True when the library runs on the embedded engine rather than the
// vendor's client library.
inline bool EmbeddedEngine() {
#ifdef KESTREL_ENGINE_FAULTS
  return true;
#else
  return false;
#endif
}

inline bool EngineFaultArmed() {
#ifdef KESTREL_ENGINE_FAULTS
  return kestrel_fault_armed() != 0;
#else
  return false;
#endif
}

}  // namespace kestrel

#endif
