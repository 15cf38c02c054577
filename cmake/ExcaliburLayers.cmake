# The plug-in's layers: platform, then hostlink, then widgets and receiver,
# then panel, then plugin. Each layer is a library that links only the layers
# below it, and each sees only its own folders and those of the layers it
# links: its include root in the build folder holds links to its folders
# alone. An include that climbs the layers therefore fails to compile, and a
# call that climbs them fails to link.
function(excalibur_layer_folders target)
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  file(MAKE_DIRECTORY ${root})
  foreach(folder IN LISTS ARGN)
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
