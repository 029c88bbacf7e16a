# Installing Kestrel: the public headers in include/kestrel, the shared
# libraries with their SONAMEs, kestrel-sql, a CMake package
# (find_package(Kestrel CONFIG) gives Kestrel::kestrel) and kestrel.pc.
# Included last from the top level, once every target exists.
option(KESTREL_INSTALL "Generate Kestrel's install rules" ON)
if(NOT KESTREL_INSTALL)
  return()
endif()

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KESTREL_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/Kestrel")
set(KESTREL_INSTALL_HEADERDIR "${CMAKE_INSTALL_INCLUDEDIR}/kestrel")

# Headers: the four classes and the framework and contract headers they
# include (the list is KestrelHeaders.cmake's), all in include/kestrel;
# applications put include/ on their path. The install test compiles every
# installed header alone, so a public header that needs a private one is
# caught.
install(FILES ${kestrel_public_headers}
        DESTINATION "${KESTREL_INSTALL_HEADERDIR}" COMPONENT Development)

# Libraries. Each installed binary finds the libraries beside it or in the
# prefix's library folder, wherever the prefix is.
file(RELATIVE_PATH kestrel_bin_to_lib
     "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}")
set_target_properties(kestrel PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS kestrel EXPORT KestrelTargets
  LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}"
    COMPONENT Runtime NAMELINK_COMPONENT Development
  INCLUDES DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")
if(TARGET kestrel_engine)
  # Linked by the library only; applications never name it.
  install(TARGETS kestrel_engine
    LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}"
      COMPONENT Runtime NAMELINK_SKIP)
endif()
if(TARGET kestrel-sql)
  set_target_properties(kestrel-sql PROPERTIES
    INSTALL_RPATH "$ORIGIN/${kestrel_bin_to_lib}")
  install(TARGETS kestrel-sql
    RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT Runtime)
endif()

# The CMake package.
install(EXPORT KestrelTargets
  NAMESPACE Kestrel::
  FILE KestrelTargets.cmake
  DESTINATION "${KESTREL_INSTALL_CMAKEDIR}"
  COMPONENT Development)
configure_package_config_file(
  "${PROJECT_SOURCE_DIR}/cmake/KestrelConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/KestrelConfig.cmake"
  INSTALL_DESTINATION "${KESTREL_INSTALL_CMAKEDIR}")
# The compatibility rule is KestrelVersion.cmake's, the SONAME's too.
write_basic_package_version_file(
  "${PROJECT_BINARY_DIR}/KestrelConfigVersion.cmake"
  VERSION "${PROJECT_VERSION}"
  COMPATIBILITY ${KESTREL_PACKAGE_COMPATIBILITY})
install(FILES
  "${PROJECT_BINARY_DIR}/KestrelConfig.cmake"
  "${PROJECT_BINARY_DIR}/KestrelConfigVersion.cmake"
  DESTINATION "${KESTREL_INSTALL_CMAKEDIR}" COMPONENT Development)

# pkg-config: paths relative to the .pc file, so that the prefix given to
# `cmake --install --prefix` holds.
foreach(kind IN ITEMS LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(KESTREL_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(KESTREL_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
file(RELATIVE_PATH KESTREL_PC_TO_PREFIX
     "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
string(REGEX REPLACE "/$" "" KESTREL_PC_TO_PREFIX "${KESTREL_PC_TO_PREFIX}")
configure_file("${PROJECT_SOURCE_DIR}/cmake/kestrel.pc.in"
               "${PROJECT_BINARY_DIR}/kestrel.pc" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/kestrel.pc"
        DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig" COMPONENT Development)
