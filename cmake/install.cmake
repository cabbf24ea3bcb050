# Install rules: the libraries (shared with its soname links, static), the
# public header, the zel tool and its manual page, a pkg-config file and a
# CMake package, all in the GNU directories of the chosen prefix.
#
#   find_package(qo_zel CONFIG) gives qo_zel::qo_zel (shared) and
#   qo_zel::qo_zel_static (static, with the C++ runtime and libm among its
#   link needs); pkg-config qo_zel gives the same, Libs.private for --static.
include(CMakePackageConfigHelpers)

set(ZEL_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qo_zel)

install(TARGETS qo_zel qo_zel_static EXPORT qo_zelTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/zel/zel.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zel)
if(TARGET zel)
  install(TARGETS zel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(EXISTS ${PROJECT_SOURCE_DIR}/doc/zel.1)
    install(FILES ${PROJECT_SOURCE_DIR}/doc/zel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endif()

install(EXPORT qo_zelTargets NAMESPACE qo_zel:: DESTINATION ${ZEL_CMAKE_INSTALL_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/qo_zelConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/qo_zelConfig.cmake
                              INSTALL_DESTINATION ${ZEL_CMAKE_INSTALL_DIR})
# The format version (the major number) is what a caller depends on.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qo_zelConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qo_zelConfig.cmake ${PROJECT_BINARY_DIR}/qo_zelConfigVersion.cmake
        DESTINATION ${ZEL_CMAKE_INSTALL_DIR})

# pkg-config: the prefix is found from the file's own place (${pcfiledir}),
# so the file stays right under `cmake --install --prefix`, DESTDIR and a
# moved tree; absolute GNU directories stay absolute.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(ZEL_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH ZEL_PC_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  string(REGEX REPLACE "/$" "" ZEL_PC_PREFIX "${ZEL_PC_PREFIX}")
  set(ZEL_PC_PREFIX "\${pcfiledir}/${ZEL_PC_PREFIX}")
endif()
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(ZEL_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(ZEL_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
list(TRANSFORM ZEL_STATIC_LINK_NEEDS PREPEND "-l" OUTPUT_VARIABLE ZEL_PC_LIBS_PRIVATE)
list(JOIN ZEL_PC_LIBS_PRIVATE " " ZEL_PC_LIBS_PRIVATE)
configure_file(${CMAKE_CURRENT_LIST_DIR}/qo_zel.pc.in ${PROJECT_BINARY_DIR}/qo_zel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qo_zel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
