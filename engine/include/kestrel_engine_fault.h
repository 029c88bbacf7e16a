/*
** Fault injection for tests of code that calls the embedded engine: makes
** a named client-interface function return a chosen status instead of
** doing its work, so that failure paths can be driven against the real
** engine. Not part of the client interface; nothing happens unless a test
** calls it.
**
**   kestrel_fault_inject("OCIStmtExecute", OCI_ERROR, 0, 1, 942);
**     the next OCIStmtExecute returns OCI_ERROR and leaves
**     "ORA-00942: ... (injected)" in the error handle it was given;
**   kestrel_fault_inject("OCIDefineByPos", OCI_ERROR, 2, 1, 0);
**     the third OCIDefineByPos fails (two pass first) with ORA-00600;
**   kestrel_fault_clear();
**     every function behaves normally again.
**
** An injected failure has no other effect: nothing is allocated, freed or
** changed, and output arguments are left as they were. An injected
** OCI_SUCCESS_WITH_INFO is a warning, not a failure: the call does its
** work and then answers the warning where it would have answered
** OCI_SUCCESS. Handles are still checked first, so a call with an invalid
** handle answers OCI_INVALID_HANDLE and does not use up an injection.
*/
#ifndef KESTREL_ENGINE_FAULT_H
#define KESTREL_ENGINE_FAULT_H

#ifdef __cplusplus
extern "C" {
#endif

/* Lets `skip` calls of `function` (its C name, "OCIStmtFetch") through,
   then makes the next `count` calls return `status`. For OCI_ERROR, the
   error handle of the call gets ORA-`error_number` (0 means 600); for a
   warning, only when `error_number` is not 0. A count of 0 disarms the
   function. Returns 0, or -1 for an unknown name. */
__attribute__((visibility("default"))) int kestrel_fault_inject(
    const char *function, int status, unsigned skip, unsigned count,
    int error_number);

/* 1 while any function has a fault armed, else 0: one load, so that a
   caller may skip a call it makes only to meet an injected failure. */
__attribute__((visibility("default"))) int kestrel_fault_armed(void);

/* Disarms every function. */
__attribute__((visibility("default"))) void kestrel_fault_clear(void);

#ifdef __cplusplus
}
#endif

#endif /* KESTREL_ENGINE_FAULT_H */
