# Shared by the per-target toolchain files: Windows, Debian's MinGW-w64, the target's triplet in
# MINGW_TRIPLET. MINGW_THREADS picks the thread model: posix (the default) for the tests, whose
# GoogleTest needs std::mutex; win32 for the program we ship, whose runtime then imports nothing
# that Windows XP lacks (the POSIX one brings GetTickCount64).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT MINGW_THREADS)
  set(MINGW_THREADS posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_THREADS)

set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-${MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-${MINGW_THREADS})
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Tests and tools run under Wine, through our wrapper that pins the private prefix and picks the
# loader of the target's architecture.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
