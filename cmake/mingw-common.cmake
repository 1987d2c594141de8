# Shared part of the mingw-w64 toolchain files; expects QUORVIX_MINGW_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QUORVIX_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${QUORVIX_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${QUORVIX_MINGW_TRIPLE}-windres)
set(QUORVIX_WIDL ${QUORVIX_MINGW_TRIPLE}-widl CACHE FILEPATH "IDL compiler")

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each DLL and test program stands alone: no libgcc or libstdc++ DLLs beside
# it on the user's machine.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
