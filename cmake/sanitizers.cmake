# The hardening build: clang with AddressSanitizer, UndefinedBehaviorSanitizer
# and the standard library's own checks. Every program of the tree is
# instrumented, so a host that loads libquorvix.so runs the same runtime.
# The runtime is the shared one: the plug-in links it like any library
# (its -Wl,--no-undefined still holds) and every program finds it by rpath.
option(QUORVIX_SANITIZE "Build with AddressSanitizer and UBSan (clang)" OFF)
# With QUORVIX_SANITIZE, also build the libFuzzer fuzzers; the whole tree
# then carries the fuzzer's coverage hooks, so one tree serves both.
option(QUORVIX_FUZZ "Also build the libFuzzer fuzzers (needs QUORVIX_SANITIZE)" OFF)

if(NOT QUORVIX_SANITIZE)
  if(QUORVIX_FUZZ)
    message(FATAL_ERROR "QUORVIX_FUZZ needs QUORVIX_SANITIZE")
  endif()
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "QUORVIX_SANITIZE needs clang (-DCMAKE_CXX_COMPILER=clang++)")
endif()

set(QUORVIX_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all)
# -O1 and line tables only: stack traces stay exact and this extra tree
# builds in a fraction of the time of -O2 -g.
add_compile_options(${QUORVIX_SANITIZERS} -fno-omit-frame-pointer -O1 -gline-tables-only)
add_compile_definitions(_GLIBCXX_ASSERTIONS)
if(QUORVIX_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libclang_rt.asan-x86_64.so
                OUTPUT_VARIABLE quorvix_asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(quorvix_asan_runtime_dir "${quorvix_asan_runtime}" DIRECTORY)
add_link_options(${QUORVIX_SANITIZERS} -shared-libasan
                 "-Wl,-rpath,${quorvix_asan_runtime_dir}")
