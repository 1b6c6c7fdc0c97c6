# Cross-building for 64-bit Windows with Debian's mingw-w64 (see WindowsCross.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KAVRO_MINGW_TRIPLET x86_64-w64-mingw32)

include(${CMAKE_CURRENT_LIST_DIR}/WindowsCross.cmake)
