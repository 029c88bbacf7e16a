# The public headers as applications see them: every header in one folder
# named kestrel, so that an application writes #include <kestrel/Kestrel.h>
# with only the folder above it on its include path. The headers include
# each other with quotes, which look beside the including header first, so
# their generic names (oci.h, windef.h, afx.h) never reach the
# application's own include path nor are shadowed by files on it.
#
# The list is shared by the install rules; in the build tree the headers
# are copied to <build>/include/kestrel for subprojects and the examples.
set(kestrel_private_platform_headers
  BstrInternal.h
  DecimalMath.h
  NumberText.h
  TextCodec.h)
file(GLOB kestrel_public_headers CONFIGURE_DEPENDS
  "${PROJECT_SOURCE_DIR}/include/*.h")
file(GLOB kestrel_platform_headers CONFIGURE_DEPENDS
  "${PROJECT_SOURCE_DIR}/src/platform/*.h")
foreach(header IN LISTS kestrel_platform_headers)
  get_filename_component(name "${header}" NAME)
  if(NOT name IN_LIST kestrel_private_platform_headers)
    list(APPEND kestrel_public_headers "${header}")
  endif()
endforeach()

set(KESTREL_STAGED_INCLUDEDIR "${PROJECT_BINARY_DIR}/include")
foreach(header IN LISTS kestrel_public_headers)
  get_filename_component(name "${header}" NAME)
  configure_file("${header}" "${KESTREL_STAGED_INCLUDEDIR}/kestrel/${name}" COPYONLY)
endforeach()
target_include_directories(kestrel INTERFACE
  $<BUILD_INTERFACE:${KESTREL_STAGED_INCLUDEDIR}>)
