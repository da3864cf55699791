# The program, gradebook (build/gradebook/gradebook). Included at the end of the top-level list,
# once every module's targets exist.
#
# Its Main calls the grade form (UpdateACTAS_CALIFICACIONES), the grade sheet
# (ReporteACTAS_CALIFICACIONES) and the export (Dlg_Exportacion), each built in a library of its
# own, named below. Until all three libraries exist the program is compiled but not linked;
# everything else of it is built and tested (the tests link stand-ins of the three procedures).
set(GRADEBOOK_PROCEDURE_LIBRARIES update_actas_calificaciones reporte_actas_calificaciones dlg_exportacion)

add_library(gradebook_program OBJECT ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_include_directories(gradebook_program PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(gradebook_program PUBLIC dictionary platform_ui platform_os)

set(GRADEBOOK_MISSING_PROCEDURES "")
foreach(library IN LISTS GRADEBOOK_PROCEDURE_LIBRARIES)
  if(NOT TARGET ${library})
    list(APPEND GRADEBOOK_MISSING_PROCEDURES ${library})
  endif()
endforeach()

if(GRADEBOOK_MISSING_PROCEDURES)
  message(STATUS "The program gradebook is not linked: the libraries ${GRADEBOOK_MISSING_PROCEDURES} are not there yet")
else()
  add_executable(gradebook)
  target_link_libraries(gradebook PRIVATE gradebook_program gradebook_main ${GRADEBOOK_PROCEDURE_LIBRARIES})
  set_target_properties(gradebook PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/gradebook)
endif()
