# One static library per layer of the core, with include rules the compiler
# enforces. A layer's headers are reachable only through
#   <build>/include-views/<layer>/<layer>  ->  <source>/<layer>
# and a target gets the view of its own layer and, through linking, of the
# layers below it, never of one above.

set(TAMREL_VIEWS_DIR ${CMAKE_BINARY_DIR}/include-views)

# Gives target the include view of one source folder.
function(tamrel_layer_view target folder)
  set(view ${TAMREL_VIEWS_DIR}/${folder})
  if(NOT EXISTS ${view}/${folder})
    file(MAKE_DIRECTORY ${view})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${view})
  elseif(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE ${view})
  else()
    target_include_directories(${target} PUBLIC ${view})
  endif()
endfunction()

# tamrel_layer(name SOURCES glob... [EXCLUDE file...] [DEPENDS layer...])
# makes tamrel_<name> (tamrel_app_layer for app, whose plain name is the
# program's target) from the sources, linked to the named lower layers.
function(tamrel_layer name)
  cmake_parse_arguments(LAYER "" "" "SOURCES;EXCLUDE;DEPENDS" ${ARGN})
  set(target tamrel_${name})
  if(name STREQUAL "app")
    set(target tamrel_app_layer)
  endif()
  set(globs)
  foreach(glob IN LISTS LAYER_SOURCES)
    list(APPEND globs ${CMAKE_SOURCE_DIR}/${glob})
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${globs})
  foreach(excluded IN LISTS LAYER_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/${excluded})
  endforeach()
  set(scope PUBLIC)
  if(sources)
    add_library(${target} STATIC ${sources})
  else()
    # A layer whose first sources have not arrived yet still has its place.
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  tamrel_layer_view(${target} ${name})
  foreach(dependency IN LISTS LAYER_DEPENDS)
    if(dependency STREQUAL "app")
      target_link_libraries(${target} ${scope} tamrel_app_layer)
    else()
      target_link_libraries(${target} ${scope} tamrel_${dependency})
    endif()
  endforeach()
  if(NOT LAYER_DEPENDS AND NOT name STREQUAL "base")
    target_link_libraries(${target} ${scope} tamrel_base)
  endif()
endfunction()

# Everything a user's machine runs links the compiler's runtime statically:
# Windows has no MinGW runtime to offer.
function(tamrel_static_runtime target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

# Header-only libraries of the build machine (Debian's packages) for both
# trees: only their own folders are linked into a view, so a cross build
# never sees the build machine's C library headers.
function(tamrel_system_headers target)
  set(view ${CMAKE_BINARY_DIR}/system-header-views)
  foreach(header IN LISTS ARGN)
    get_filename_component(folder ${header} DIRECTORY)
    if(NOT EXISTS /usr/include/${header})
      message(FATAL_ERROR "/usr/include/${header} missing: run scripts/setup.sh")
    endif()
    if(NOT EXISTS ${view}/${folder})
      file(MAKE_DIRECTORY ${view})
      file(CREATE_LINK /usr/include/${folder} ${view}/${folder} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} SYSTEM PRIVATE ${view})
endfunction()

# The whole core, for tests and benchmarks, which may use any layer.
add_library(tamrel_core INTERFACE)
