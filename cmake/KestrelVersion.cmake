# Kestrel's one compatibility rule, shared by the shared libraries' SONAME
# and the CMake package's version file:
#   before 1.0, any minor release may break the interface: 0.1.x releases
#   are compatible with each other, 0.2.0 is not; the SONAME is
#   libkestrel.so.0.MINOR and find_package(Kestrel 0.1) accepts 0.1.x only;
#   from 1.0 on, only a major release may break it: the SONAME is
#   libkestrel.so.MAJOR and find_package accepts the same major version.
# Included after the libraries exist; it sets their SOVERSION.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(KESTREL_SOVERSION "0.${PROJECT_VERSION_MINOR}")
  set(KESTREL_PACKAGE_COMPATIBILITY SameMinorVersion)
else()
  set(KESTREL_SOVERSION "${PROJECT_VERSION_MAJOR}")
  set(KESTREL_PACKAGE_COMPATIBILITY SameMajorVersion)
endif()
foreach(library IN ITEMS kestrel kestrel_engine)
  if(TARGET ${library})
    set_target_properties(${library} PROPERTIES SOVERSION "${KESTREL_SOVERSION}")
  endif()
endforeach()
