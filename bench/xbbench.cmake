# xbbench: the whole-process workloads (a plain command-line program).
add_executable(xbbench
  ${CMAKE_CURRENT_LIST_DIR}/xbbench_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xbbench_w5.cpp
)
target_include_directories(xbbench PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(xbbench PRIVATE xb_xbase)
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/xbbench_tables.cpp AND TARGET xb_table)
  target_sources(xbbench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xbbench_tables.cpp)
  target_compile_definitions(xbbench PRIVATE XB_BENCH_TABLES)
  target_link_libraries(xbbench PRIVATE xb_table)
  if(TARGET xb_stdlib_table)
    target_link_libraries(xbbench PRIVATE xb_stdlib_table)
  endif()
  if(TARGET xb_stdlib)
    target_link_libraries(xbbench PRIVATE xb_stdlib)
  endif()
endif()
set_target_properties(xbbench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
