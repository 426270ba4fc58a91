# Source files are picked up by folder. Inside a subsystem folder, a file
# whose name ends in _window, _dialog or _qt is window code (Qt); every other
# .cpp belongs to the plain C++ library of that folder. Program entry points
# (main.cpp, *_main.cpp) are never part of a library.
function(collect_sources out_core out_qt)
  file(GLOB all CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  set(core "")
  set(qt "")
  foreach(f IN LISTS all)
    get_filename_component(name "${f}" NAME_WE)
    if(name STREQUAL "main" OR name MATCHES "_main$")
      continue()
    elseif(name MATCHES "_(window|dialog|qt)$")
      list(APPEND qt "${f}")
    else()
      list(APPEND core "${f}")
    endif()
  endforeach()
  set(${out_core} "${core}" PARENT_SCOPE)
  set(${out_qt} "${qt}" PARENT_SCOPE)
endfunction()

# subsystem_library(<name> SOURCES <files...> LINKS <targets...>)
# A static library when there are sources, else an interface library, so a
# folder can be linked by name before its first file exists.
function(subsystem_library name)
  cmake_parse_arguments(arg "" "" "SOURCES;LINKS" ${ARGN})
  if(arg_SOURCES)
    add_library(${name} STATIC ${arg_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${arg_LINKS})
    # Only window code runs moc; the plain C++ libraries never see Qt.
    if("Qt6::Widgets" IN_LIST arg_LINKS)
      set_target_properties(${name} PROPERTIES AUTOMOC ON)
    endif()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${arg_LINKS})
  endif()
endfunction()
