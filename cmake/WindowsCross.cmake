# What both Windows toolchain files share. KAVRO_MINGW_TRIPLET names the target.
#
# The -posix compilers: their C++ runtime has std::mutex and std::thread, the win32 thread
# model's has not. Programs built here run under wine, which ctest uses as the emulator
# (tests/windows/wine-run keeps it on the prefix and server of the test run).
set(CMAKE_C_COMPILER ${KAVRO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAVRO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KAVRO_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KAVRO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine-run)

# Everything linked in (libgcc, libstdc++, winpthread): the library and the tool import only
# system DLLs, so a host needs nothing beside Kavro_Public.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Windows 7 and later (the file layer deletes through handles: SetFileInformationByHandle). No
# min/max macros from windows.h, and no old winsock.h behind it.
set(KAVRO_WINDOWS_DEFINES "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -DNOMINMAX -DWIN32_LEAN_AND_MEAN")
set(CMAKE_C_FLAGS_INIT "${KAVRO_WINDOWS_DEFINES}")
set(CMAKE_CXX_FLAGS_INIT "${KAVRO_WINDOWS_DEFINES}")
