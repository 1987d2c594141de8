# `dist`: both DLLs and REGISTERING.txt in ${CMAKE_BINARY_DIR}/dist.
# The DLL of the other word size is built in QUORVIX_OTHER_WIN_BUILD
# (configured there on first use with the matching toolchain file); point it
# at an existing build folder of that word size to reuse it.

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(this_arch x64)
  set(other_arch x86)
  set(other_toolchain ${PROJECT_SOURCE_DIR}/cmake/mingw-i686.cmake)
else()
  set(this_arch x86)
  set(other_arch x64)
  set(other_toolchain ${PROJECT_SOURCE_DIR}/cmake/mingw-x86_64.cmake)
endif()
set(QUORVIX_OTHER_WIN_BUILD ${CMAKE_BINARY_DIR}/other-word-size CACHE PATH
    "Build folder of the DLL of the other word size, used by `dist`")

set(dist_dir ${CMAKE_BINARY_DIR}/dist)
add_custom_target(dist
  COMMAND ${CMAKE_COMMAND} -S ${PROJECT_SOURCE_DIR} -B ${QUORVIX_OTHER_WIN_BUILD}
          -DCMAKE_TOOLCHAIN_FILE=${other_toolchain}
          -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
  COMMAND ${CMAKE_COMMAND} --build ${QUORVIX_OTHER_WIN_BUILD} --target quorvix_dll
  COMMAND ${CMAKE_COMMAND} -E make_directory ${dist_dir}/${this_arch}
          ${dist_dir}/${other_arch}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:quorvix_dll> ${dist_dir}/${this_arch}/
  COMMAND ${CMAKE_COMMAND} -E copy ${QUORVIX_OTHER_WIN_BUILD}/quorvix.dll
          ${dist_dir}/${other_arch}/
  # Debug information stays in the build folders.
  COMMAND ${CMAKE_STRIP} --strip-debug ${dist_dir}/${this_arch}/quorvix.dll
          ${dist_dir}/${other_arch}/quorvix.dll
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/REGISTERING.txt
          ${dist_dir}/
  DEPENDS quorvix_dll
  COMMENT "Collecting both DLLs in ${dist_dir}"
  VERBATIM)
