# One static library per folder, linking exactly the folders cmake/layers.txt
# allows. Each library's include root holds a link to its own folder only,
# so an include of a folder that is not linked fails to build.

# A change of the arrows reconfigures the build.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/layers.txt)
file(STRINGS ${CMAKE_SOURCE_DIR}/cmake/layers.txt tabulon_layer_lines REGEX "^[a-z]")
foreach(line IN LISTS tabulon_layer_lines)
  string(REGEX MATCH "^([^:]+):(.*)$" matched "${line}")
  string(STRIP "${CMAKE_MATCH_2}" uses)
  separate_arguments(uses UNIX_COMMAND "${uses}")
  set(TABULON_LAYER_${CMAKE_MATCH_1} "${uses}")
  set(TABULON_LAYER_KNOWN_${CMAKE_MATCH_1} TRUE)
endforeach()

# tools/jetwriter -> tabulon_tools_jetwriter
function(tabulon_layer_target folder out)
  string(REPLACE "/" "_" name "${folder}")
  set(${out} tabulon_${name} PARENT_SCOPE)
endfunction()

# An include root that holds <folder>/ and nothing else.
function(tabulon_layer_include_root folder out)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# The folders `folder` may use, as library targets.
function(tabulon_layer_uses folder out)
  if(NOT TABULON_LAYER_KNOWN_${folder})
    message(FATAL_ERROR "${folder} is not in cmake/layers.txt")
  endif()
  set(targets)
  foreach(use IN LISTS TABULON_LAYER_${folder})
    tabulon_layer_target(${use} target)
    list(APPEND targets ${target})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# tabulon_library(<folder> <sources>...): the folder's static library.
function(tabulon_library folder)
  tabulon_layer_target(${folder} target)
  tabulon_layer_include_root(${folder} root)
  tabulon_layer_uses(${folder} uses)
  if(ARGN)
    add_library(${target} STATIC ${ARGN})
    target_include_directories(${target} PUBLIC ${root})
    # What a library uses stays its own: a user of it gets only the folders
    # its own row of layers.txt names on its include path.
    target_link_libraries(${target} PRIVATE ${uses})
    tabulon_apply_options(${target})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${root})
    target_link_libraries(${target} INTERFACE ${uses})
  endif()
endfunction()

# tabulon_layer_link(<target> <folder>): links an executable of `folder` to
# what the folder may use, with the folder itself as include root.
function(tabulon_layer_link target folder)
  tabulon_layer_include_root(${folder} root)
  tabulon_layer_uses(${folder} uses)
  target_include_directories(${target} PRIVATE ${root})
  target_link_libraries(${target} PRIVATE ${uses})
endfunction()
