# term_bench: the console's screen flush (Google Benchmark).
if(benchmark_FOUND AND TARGET xb_term)
  add_executable(term_bench ${CMAKE_CURRENT_LIST_DIR}/term_bench.cpp)
  target_link_libraries(term_bench PRIVATE xb_term benchmark::benchmark benchmark::benchmark_main)
  set_target_properties(term_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endif()
