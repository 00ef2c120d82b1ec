# Resources of the Windows program (app/resources/tamrel.rc): the manifest and
# the icon. The icon is drawn by tools/app_icon in the native tree, so a
# cross build needs that tree built first (scripts/build.sh does so).
if(WIN32)
  set(TAMREL_ICON ${TAMREL_GENERATED_DIR}/tamrel.ico)
  target_include_directories(tamrel_app PRIVATE $<$<COMPILE_LANGUAGE:RC>:${TAMREL_GENERATED_DIR}>)
  set_source_files_properties(app/resources/tamrel.rc PROPERTIES
    OBJECT_DEPENDS "${TAMREL_ICON};${CMAKE_SOURCE_DIR}/app/resources/tamrel.manifest")
  if(NOT EXISTS ${TAMREL_ICON})
    message(STATUS "${TAMREL_ICON} is made by the native tree: build it before the program")
  endif()
endif()
