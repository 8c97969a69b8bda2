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

# The Windows Installer package, built by tools/package-windows.sh with wixl
# from the installed files. Each architecture is a product of its own: its
# own upgrade code and component codes, fixed for good, so that a newer
# package replaces an older one of the same architecture.
set(TAVRIN_MSI_BUILD "$ENV{TAVRIN_MSI_BUILD}" CACHE STRING
  "Third number of the package's version (Windows Installer upgrades on it)")
if(NOT TAVRIN_MSI_BUILD MATCHES "^[0-9]+$" OR TAVRIN_MSI_BUILD GREATER 65535)
  if(NOT TAVRIN_MSI_BUILD STREQUAL "")
    message(FATAL_ERROR "TAVRIN_MSI_BUILD must be a number from 0 to 65535, not '${TAVRIN_MSI_BUILD}'")
  endif()
  set(TAVRIN_MSI_BUILD 0)
endif()
if(TAVRIN_WINDOWS_ARCHIVE STREQUAL "win64")
  set(TAVRIN_MSI_ARCH x64)
  set(TAVRIN_MSI_BITS 64)
  set(TAVRIN_MSI_WIN64 yes)
  set(TAVRIN_MSI_PROGRAM_FILES ProgramFiles64Folder)
  set(TAVRIN_MSI_UPGRADE_CODE A2C5EE32-6383-441F-B14F-438DE81E172E)
  set(TAVRIN_MSI_GUID_WINDOW 29F7E59B-69DE-4633-8B4F-2FDAB88897DA)
  set(TAVRIN_MSI_GUID_CLI 081B7D54-081B-44DE-B61C-51C6B3C5B03B)
  set(TAVRIN_MSI_GUID_MANUAL 0F46DE09-BDC8-45BD-AA55-BA2F1799597B)
  set(TAVRIN_MSI_GUID_SHORTCUTS D03C53B7-D1BD-461A-9B40-B7C00A44B6E0)
else()
  set(TAVRIN_MSI_ARCH x86)
  set(TAVRIN_MSI_BITS 32)
  set(TAVRIN_MSI_WIN64 no)
  set(TAVRIN_MSI_PROGRAM_FILES ProgramFilesFolder)
  set(TAVRIN_MSI_UPGRADE_CODE 72F4983F-965C-4180-A5B8-D6253CD4F822)
  set(TAVRIN_MSI_GUID_WINDOW EADF32E4-40E0-42A3-9D1B-991F60A16C8B)
  set(TAVRIN_MSI_GUID_CLI 41E6B9FA-1C00-4492-85BC-2FAE17062826)
  set(TAVRIN_MSI_GUID_MANUAL 81FC1CF1-E35B-4988-B6E2-907C08CDD0E0)
  set(TAVRIN_MSI_GUID_SHORTCUTS BFF2CBD0-3916-4729-B609-9C7A41F5C1A6)
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/tavrin.wxs.in ${PROJECT_BINARY_DIR}/msi/tavrin.wxs @ONLY)
# What tools/package-windows.sh and tools/check-msi.sh read: wixl's
# architecture and the package's file name.
file(WRITE ${PROJECT_BINARY_DIR}/msi/msi.env
  "MSI_ARCH=${TAVRIN_MSI_ARCH}\nMSI_NAME=tavrin-${TAVRIN_VERSION}-${TAVRIN_WINDOWS_ARCHIVE}.msi\n"
  "MSI_BUILD=${TAVRIN_MSI_BUILD}\n")
