# Header-only libraries for the Windows cross build. Their Debian config
# files point into the host's /usr/include, which must not reach the
# mingw-w64 compiler, so the headers are staged in the build tree and
# offered through a config file of our own.
set(_tavrin_deps ${CMAKE_BINARY_DIR}/cross-deps)

if(NOT CLI11_DIR AND EXISTS /usr/include/CLI/CLI.hpp)
  file(COPY /usr/include/CLI DESTINATION ${_tavrin_deps}/include)
  file(WRITE ${_tavrin_deps}/cmake/CLI11/CLI11Config.cmake
    "if(NOT TARGET CLI11::CLI11)\n"
    "  add_library(CLI11::CLI11 INTERFACE IMPORTED)\n"
    "  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES \"${_tavrin_deps}/include\")\n"
    "endif()\n")
  set(CLI11_DIR ${_tavrin_deps}/cmake/CLI11 CACHE PATH "CLI11 headers staged for the cross build" FORCE)
endif()

if(NOT nlohmann_json_DIR AND EXISTS /usr/include/nlohmann/json.hpp)
  file(COPY /usr/include/nlohmann DESTINATION ${_tavrin_deps}/include)
  file(WRITE ${_tavrin_deps}/cmake/nlohmann_json/nlohmann_jsonConfig.cmake
    "if(NOT TARGET nlohmann_json::nlohmann_json)\n"
    "  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)\n"
    "  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES \"${_tavrin_deps}/include\")\n"
    "endif()\n")
  file(WRITE ${_tavrin_deps}/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake
    "set(PACKAGE_VERSION 3.11.2)\nset(PACKAGE_VERSION_COMPATIBLE TRUE)\n")
  set(nlohmann_json_DIR ${_tavrin_deps}/cmake/nlohmann_json CACHE PATH "nlohmann-json headers staged for the cross build" FORCE)
endif()
