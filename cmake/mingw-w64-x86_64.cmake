# Cross-compiling for 64-bit Windows with the posix thread model (GoogleTest needs std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(TESS_WINEARCH win64 CACHE INTERNAL "The Wine prefix kind that runs this build (scripts/wine-env.sh)")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
