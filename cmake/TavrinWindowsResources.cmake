# Icon, application manifest and version resource of a Windows program.
#   tavrin_windows_resources(target "What the program is" [AS_INVOKER])
# A program asks for administrator rights at start (the port driver opens
# only with them) unless AS_INVOKER is given: then it runs with the rights
# it was started with and asks for them where it needs them.
# The icon is packaging/windows/tavrin.ico, made by tools/windows-icon.sh
# from the PNGs the window's drawing code renders (that needs the host's
# Qt, which a cross build does not have).
function(tavrin_windows_resources target description)
  cmake_parse_arguments(ARG "AS_INVOKER" "" "" ${ARGN})
  if(NOT WIN32)
    return()
  endif()
  if(ARG_AS_INVOKER)
    set(TAVRIN_RC_EXECUTION_LEVEL asInvoker)
    set(TAVRIN_RC_LEVEL_REASON "Runs as invoker: only the commands that reach the keyboard need administrator rights, and they say so.")
  else()
    set(TAVRIN_RC_EXECUTION_LEVEL requireAdministrator)
    set(TAVRIN_RC_LEVEL_REASON "The port driver can only be installed and opened with administrator rights.")
  endif()
  set(dir ${PROJECT_BINARY_DIR}/windows-resources/${target})
  get_target_property(TAVRIN_RC_NAME ${target} OUTPUT_NAME)
  if(NOT TAVRIN_RC_NAME)
    set(TAVRIN_RC_NAME ${target})
  endif()
  set(TAVRIN_RC_DESCRIPTION "${description}")
  set(TAVRIN_RC_ICON ${PROJECT_SOURCE_DIR}/packaging/windows/tavrin.ico)
  set(TAVRIN_RC_MANIFEST ${dir}/${TAVRIN_RC_NAME}.manifest)
  # Four numbers: 1.7G is 1.7.0.0.
  string(REPLACE "." ";" parts "${TAVRIN_VERSION_NUMBER}")
  list(LENGTH parts n)
  while(n LESS 4)
    list(APPEND parts 0)
    math(EXPR n "${n} + 1")
  endwhile()
  list(JOIN parts "." TAVRIN_RC_VERSION_DOTS)
  list(JOIN parts "," TAVRIN_RC_VERSION_COMMAS)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/tavrin.manifest.in ${TAVRIN_RC_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/tavrin.rc.in ${dir}/${TAVRIN_RC_NAME}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${TAVRIN_RC_NAME}.rc)
  set_source_files_properties(${dir}/${TAVRIN_RC_NAME}.rc PROPERTIES
    OBJECT_DEPENDS "${TAVRIN_RC_ICON};${TAVRIN_RC_MANIFEST}")
endfunction()
