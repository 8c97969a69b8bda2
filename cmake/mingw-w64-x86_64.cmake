# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads
# variant, so std::thread and std::mutex are there).
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVRIN_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${TAVRIN_MINGW_PREFIX}-gcc-posix ${TAVRIN_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TAVRIN_MINGW_PREFIX}-g++-posix ${TAVRIN_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TAVRIN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAVRIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained programs: no libstdc++, libgcc or winpthread DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine; listing their cases at build time would
# need Wine during the build, so it waits until a test run asks for it.
find_program(TAVRIN_WINE NAMES wine64 wine)
if(TAVRIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVRIN_WINE})
endif()
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
