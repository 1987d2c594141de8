# `cmake --install` (Linux): the library under its SONAME, the GTK module in
# a private folder below it (where libquorvix.so looks first), the header,
# pkg-config and CMake package files, the programs with their manual pages,
# and quorvix-ola's systemd unit with the paths of this prefix. The Debian
# packages (debian/) split exactly this.
include(CMakePackageConfigHelpers)

set(QUORVIX_SYSTEMD_UNIT_DIR lib/systemd/system CACHE STRING
    "Folder of systemd's system units, relative to the install prefix")

install(TARGETS quorvix EXPORT QuorvixTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/quorvix.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET quorvix_gtk)
  install(TARGETS quorvix_gtk LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/quorvix)
endif()

configure_file(${PROJECT_SOURCE_DIR}/packaging/quorvix.pc.in
               ${PROJECT_BINARY_DIR}/packaging/quorvix.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/quorvix.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(cmake_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Quorvix)
install(EXPORT QuorvixTargets NAMESPACE Quorvix::
        DESTINATION ${cmake_package_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/QuorvixConfig.cmake.in
  ${PROJECT_BINARY_DIR}/packaging/QuorvixConfig.cmake
  INSTALL_DESTINATION ${cmake_package_dir})
# The SONAME changes with the major version, and so may the entry points.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/packaging/QuorvixConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/packaging/QuorvixConfig.cmake
              ${PROJECT_BINARY_DIR}/packaging/QuorvixConfigVersion.cmake
        DESTINATION ${cmake_package_dir})

set(programs quorvix-sim quorvix-host)
if(TARGET quorvix-ola)
  list(APPEND programs quorvix-ola)
endif()
# The pages in a tree of their own (man1/), which MANPATH can point at.
set(QUORVIX_MAN_TREE ${PROJECT_BINARY_DIR}/packaging/man)
foreach(program IN LISTS programs)
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/man/${program}.1.in
                 ${QUORVIX_MAN_TREE}/man1/${program}.1 @ONLY)
  install(FILES ${QUORVIX_MAN_TREE}/man1/${program}.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

set(QUORVIX_SERVICE_UNIT ${PROJECT_BINARY_DIR}/packaging/quorvix-ola.service)
configure_file(${PROJECT_SOURCE_DIR}/packaging/quorvix-ola.service.in
               ${QUORVIX_SERVICE_UNIT} @ONLY)
if(TARGET quorvix-ola)
  install(FILES ${QUORVIX_SERVICE_UNIT} DESTINATION ${QUORVIX_SYSTEMD_UNIT_DIR})
  # The options a user copies to /etc/quorvix-ola/ (universe, device).
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorvix-ola.conf
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quorvix-ola/examples)
endif()
