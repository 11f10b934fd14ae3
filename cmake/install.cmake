# What `cmake --install` puts under the prefix, and the two ways other builds
# find it there: the CMake package (find_package(mvdb), target mvdb::mvdb)
# and mvdb.pc for pkg-config. Every installed file that names another one
# does so relative to itself, so the prefix can be moved after installing.
include(CMakePackageConfigHelpers)

set(MVDB_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/mvdb)

install(FILES ${PROJECT_SOURCE_DIR}/include/mvdb.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# POSIX: libmvdb.so.X.Y.Z, the soname link libmvdb.so.X and the link
# libmvdb.so. Windows: mvdb.dll in bin/, the MinGW import library
# libmvdb.dll.a in lib/.
install(TARGETS mvdb EXPORT mvdbTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT mvdbTargets NAMESPACE mvdb:: DESTINATION ${MVDB_CMAKE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/package/mvdbConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/package/mvdbConfig.cmake
                              INSTALL_DESTINATION ${MVDB_CMAKE_DIR})
# 0.x releases promise nothing across minor versions, so a request for 0.9
# accepts 0.9.z only; from 1.0 on, any later release of the same major.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(MVDB_COMPATIBILITY SameMinorVersion)
else()
  set(MVDB_COMPATIBILITY SameMajorVersion)
endif()
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/mvdbConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY ${MVDB_COMPATIBILITY})
install(FILES ${PROJECT_BINARY_DIR}/package/mvdbConfig.cmake ${PROJECT_BINARY_DIR}/package/mvdbConfigVersion.cmake
        DESTINATION ${MVDB_CMAKE_DIR})

# pkg-config: the prefix is found from the .pc file's own place.
set(MVDB_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH MVDB_PC_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${MVDB_PKGCONFIG_DIR} ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" MVDB_PC_TO_PREFIX "${MVDB_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/package/mvdb.pc.in ${PROJECT_BINARY_DIR}/package/mvdb.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/mvdb.pc DESTINATION ${MVDB_PKGCONFIG_DIR})

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

if(WIN32)
  set(MVDB_DEF_FILE ${PROJECT_SOURCE_DIR}/src/frame/mvdb.def)
  # The export list, and an import library in the format of Microsoft's
  # linker (cdecl names with their leading underscore, imported by the plain
  # name), made from that list.
  install(FILES ${MVDB_DEF_FILE} DESTINATION ${CMAKE_INSTALL_LIBDIR})
  find_program(MVDB_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14)
  if(MVDB_DLLTOOL)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(MVDB_DLLTOOL_MACHINE i386:x86-64)
    else()
      set(MVDB_DLLTOOL_MACHINE i386)
    endif()
    set(MVDB_MSVC_IMPORT_LIB ${PROJECT_BINARY_DIR}/mvdb.lib)
    add_custom_command(OUTPUT ${MVDB_MSVC_IMPORT_LIB}
                       COMMAND ${MVDB_DLLTOOL} -m ${MVDB_DLLTOOL_MACHINE} -d ${MVDB_DEF_FILE} -l ${MVDB_MSVC_IMPORT_LIB}
                       DEPENDS ${MVDB_DEF_FILE}
                       COMMENT "Making mvdb.lib, the import library for Microsoft's linker")
    add_custom_target(mvdb_msvc_import_lib ALL DEPENDS ${MVDB_MSVC_IMPORT_LIB})
    install(FILES ${MVDB_MSVC_IMPORT_LIB} DESTINATION ${CMAKE_INSTALL_LIBDIR})
  else()
    message(WARNING "llvm-dlltool not found: the install has no mvdb.lib for Microsoft's linker")
  endif()
endif()
