# `installer`: quorvix-setup-<version>.exe with NSIS (makensis, Debian
# package nsis), from the two Release DLLs that `dist` collects.

find_program(QUORVIX_MAKENSIS makensis)
set(installer_file ${CMAKE_BINARY_DIR}/quorvix-setup-${PROJECT_VERSION}.exe)
if(QUORVIX_MAKENSIS)
  add_custom_target(installer
    COMMAND ${PROJECT_SOURCE_DIR}/packaging/windows/build.sh ${PROJECT_VERSION}
            ${dist_dir} ${installer_file}
    COMMENT "Building ${installer_file}"
    VERBATIM)
else()
  add_custom_target(installer
    COMMAND ${CMAKE_COMMAND} -E echo
            "makensis is missing: install the Debian package nsis"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
add_dependencies(installer dist)
