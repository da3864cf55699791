# The program, gradebook (build/gradebook/gradebook). Included at the end of the top-level list,
# once every module's targets exist.
#
# The program's procedures (gradebook_procedures): Main (gradebook_main) and what it calls, the
# grade form (UpdateACTAS_CALIFICACIONES, in gradebook_windows), the grade sheet
# (ReporteACTAS_CALIFICACIONES, in output) and the export (Dlg_Exportacion, in dlg_exportacion).
# Tests of Main give stand-ins of the three instead (gradebook_procedure_doubles).
add_library(gradebook_procedures STATIC ${CMAKE_CURRENT_LIST_DIR}/procedures.cpp)
target_include_directories(gradebook_procedures PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(gradebook_procedures PUBLIC gradebook_main gradebook_windows output dlg_exportacion)

add_library(gradebook_program OBJECT ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_include_directories(gradebook_program PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(gradebook_program PUBLIC dictionary gradebook_procedures platform_ui platform_os)

add_executable(gradebook)
target_link_libraries(gradebook PRIVATE gradebook_program)
set_target_properties(gradebook PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/gradebook)
