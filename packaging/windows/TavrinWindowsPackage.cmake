# The Windows release archive, through CPack's ZIP generator:
#   cpack --config build-win32/CPackConfig.cmake -G ZIP   (tools/package-windows.sh)
# tavrin-<version>-win32.zip from the i686 build, -win64.zip from x86_64:
# the programs and the README in one folder. No driver files: they come
# with the keyboard and are copied beside the program by its owner.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TAVRIN_WINDOWS_ARCHIVE win64)
else()
  set(TAVRIN_WINDOWS_ARCHIVE win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VERSION ${TAVRIN_VERSION})
set(CPACK_PACKAGE_VENDOR "Tavrin")
set(CPACK_PACKAGE_FILE_NAME tavrin-${TAVRIN_VERSION}-${TAVRIN_WINDOWS_ARCHIVE})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
