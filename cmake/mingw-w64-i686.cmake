# Cross-compiling for 32-bit Windows; its programs and tests run in a 32-bit (win32) Wine prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(TESS_WINEARCH win32 CACHE INTERNAL "The Wine prefix kind that runs this build (scripts/wine-env.sh)")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
