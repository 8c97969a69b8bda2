# The Debian package, through CPack:
#   cpack --config build/CPackConfig.cmake -G DEB     (tools/package.sh does it)

set(TAVRIN_MAINTAINER "The Tavrin developers <developers@tavrin.example>"
  CACHE STRING "The package's maintainer")

# Debian wants a changelog with every package; the date is that of the
# source (SOURCE_DATE_EPOCH) when it is given, so a rebuild is the same.
string(TIMESTAMP TAVRIN_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(changelog.in ${out}/changelog @ONLY)
add_custom_command(OUTPUT ${out}/changelog.gz
  COMMAND ${GZIP} -9nkf ${out}/changelog
  DEPENDS ${out}/changelog
  VERBATIM)
add_custom_target(tavrin_changelog ALL DEPENDS ${out}/changelog.gz)
install(FILES ${out}/changelog.gz DESTINATION ${docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VERSION ${TAVRIN_VERSION})
set(CPACK_PACKAGE_VENDOR "Tavrin")
set(CPACK_PACKAGE_CONTACT ${TAVRIN_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure a POS keyboard's magnetic stripe reader")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)

set(CPACK_DEBIAN_PACKAGE_NAME tavrin)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TAVRIN_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TAVRIN_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET tavrin)
  # The window needs Qt's platform plugins, which libqt6gui6 only recommends.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
# An unprivileged user takes the keyboard port through pkexec and tavrin-port;
# root needs neither.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pkexec")
# CPack puts the summary above this as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Tavrin reads the 128-byte settings EEPROM of a PS/2 point-of-sale keyboard
with a built-in magnetic stripe reader, shows its 78 settings as numbered
items, writes a changed set back, resets the keyboard to its defaults or to
the OPOS preset, and keeps settings in 512-byte files.

The package holds the window (tavrin), the headless tool (tavrin-cli) and
tavrin-port, a small helper that lends the programs the kernel's raw PS/2
keyboard port (serio_raw) for each operation and gives it back to the
keyboard driver when the operation ends; pkexec starts it once per session
with an administrator's consent. While an operation holds the port, for a
few seconds, the keyboard does not type; between operations it types. Both
programs also edit settings files and work with a simulated keyboard
(--simulate).")

include(CPack)
