# Warnings are errors for every target of this project (never for a parent's).
add_library(kestrel_warnings INTERFACE)
target_compile_options(kestrel_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:CXX,C>:-Wall -Wextra -Wpedantic -Werror>)
