# Resources of the Windows program (app/resources/tamrel.rc): the manifest,
# the icon and the version, which comes from the project's own version. The
# icon is drawn by tools/app_icon in the native tree, so a cross build needs
# that tree built first (scripts/build.sh does so).
if(WIN32)
  set(TAMREL_ICON ${TAMREL_GENERATED_DIR}/tamrel.ico)
  set(TAMREL_RESOURCE_DIR ${CMAKE_BINARY_DIR}/resources)
  configure_file(${CMAKE_SOURCE_DIR}/app/resources/tamrel.manifest.in ${TAMREL_RESOURCE_DIR}/tamrel.manifest @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/app/resources/version.h.in ${TAMREL_RESOURCE_DIR}/version.h @ONLY)
  target_include_directories(tamrel_app PRIVATE
    $<$<COMPILE_LANGUAGE:RC>:${TAMREL_GENERATED_DIR}> $<$<COMPILE_LANGUAGE:RC>:${TAMREL_RESOURCE_DIR}>)
  set_source_files_properties(app/resources/tamrel.rc PROPERTIES
    OBJECT_DEPENDS "${TAMREL_ICON};${TAMREL_RESOURCE_DIR}/tamrel.manifest;${TAMREL_RESOURCE_DIR}/version.h")
  if(NOT EXISTS ${TAMREL_ICON})
    message(STATUS "${TAMREL_ICON} is made by the native tree: build it before the program")
  endif()
endif()
