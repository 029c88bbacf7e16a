# Warnings for every target of this project (never for a parent's). They
# are errors only where Kestrel is the top-level project: a project that
# add_subdirectory()s Kestrel with a newer compiler must not fail on a
# warning it cannot fix.
option(KESTREL_WARNINGS_AS_ERRORS "Treat compiler warnings as errors"
       ${KESTREL_TOP_LEVEL})
add_library(kestrel_warnings INTERFACE)
target_compile_options(kestrel_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:CXX,C>:-Wall -Wextra -Wpedantic>
  $<$<AND:$<BOOL:${KESTREL_WARNINGS_AS_ERRORS}>,$<COMPILE_LANGUAGE:CXX,C>>:-Werror>)
