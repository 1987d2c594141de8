# GoogleTest and GoogleMock for the Windows test programs, built from the
# sources that Debian's googletest package installs: there is no mingw build
# of them to link, and nothing may be downloaded. Defines GTest::gtest,
# GTest::gtest_main, GTest::gmock and GTest::gmock_main; each is built only
# when a program links it.
set(QUORVIX_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest's sources (Debian package googletest)")
if(NOT EXISTS ${QUORVIX_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${QUORVIX_GOOGLETEST_SOURCE}: "
                      "install the googletest package (tools/install-deps.sh)")
endif()

set(INSTALL_GTEST OFF)
set(BUILD_GMOCK ON)
# SYSTEM: their headers warn in no program of ours.
add_subdirectory(${QUORVIX_GOOGLETEST_SOURCE}
                 ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Warnings are errors for our code only: a new compiler's notes on
# GoogleTest's own sources must not fail the build. Our port header (see
# there) goes first, for GoogleTest's own sources and for the programs.
foreach(library gtest gtest_main gmock gmock_main)
  target_include_directories(${library} BEFORE PUBLIC
                             ${CMAKE_CURRENT_LIST_DIR}/mingw-googletest)
  get_target_property(options ${library} COMPILE_OPTIONS)
  if(options)
    list(REMOVE_ITEM options -Werror)
    set_target_properties(${library} PROPERTIES COMPILE_OPTIONS "${options}")
  endif()
endforeach()
