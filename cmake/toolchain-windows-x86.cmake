# Cross-building for 32-bit Windows with Debian's mingw-w64 (see WindowsCross.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KAVRO_MINGW_TRIPLET i686-w64-mingw32)

include(${CMAKE_CURRENT_LIST_DIR}/WindowsCross.cmake)
