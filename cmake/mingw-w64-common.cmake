# What the mingw-w64 cross builds share; the architecture's toolchain file
# sets TAVRIN_MINGW_PREFIX and CMAKE_SYSTEM_PROCESSOR, then includes this.
set(CMAKE_SYSTEM_NAME Windows)

# The posix threads variant, so std::thread and std::mutex are there.
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

# Test programs run under Wine, each under the loader of its own
# architecture; listing their cases at build time would need Wine during
# the build, so it waits until a test run asks for it.
find_program(TAVRIN_WINE NAMES ${TAVRIN_WINE_LOADER} PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT TAVRIN_WINE)
  find_program(TAVRIN_WINE NAMES wine64 wine)
endif()
if(TAVRIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVRIN_WINE})
endif()
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
