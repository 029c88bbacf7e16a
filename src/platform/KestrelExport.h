/*
** Marks what the shared library exports. Everything else in it is built
** with hidden visibility, so only the public classes, the framework value
** types and the OLE Automation functions are seen by applications.
*/
#ifndef KESTREL_EXPORT_H
#define KESTREL_EXPORT_H

#if defined(_WIN32)
#define KESTREL_API __declspec(dllexport)
#else
#define KESTREL_API __attribute__((visibility("default")))
#endif

#endif
