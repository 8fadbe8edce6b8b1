# quillet_add_folder_library(<target> [AUTOMOC] LIBS <libs...>)
# A static library of every source and header in the calling folder: a file added there joins
# it on the next build. Includes are written from the tree's root ("view/QuilletView.h").
function(quillet_add_folder_library name)
  cmake_parse_arguments(L "AUTOMOC" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${sources})
  if(L_AUTOMOC)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_LIBS})
  if(Qt6::Widgets IN_LIST L_LIBS)
    quillet_use_pch(${name} quillet_pch_widgets)
  endif()
endfunction()
