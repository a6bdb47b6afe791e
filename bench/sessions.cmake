# The User Sessions and Shared Resources windows on a big simulated server.
# Included from bench/CMakeLists.txt once Google Benchmark is found.
if(EXISTS ${PROJECT_SOURCE_DIR}/windows/sessions/CMakeLists.txt
   AND EXISTS ${PROJECT_SOURCE_DIR}/windows/shares/CMakeLists.txt)
  add_executable(bench_sessions ${CMAKE_CURRENT_LIST_DIR}/bench_sessions.cpp)
  target_link_libraries(bench_sessions PRIVATE vantor_sessions vantor_shares vantor_simulated
                                               benchmark::benchmark)
endif()
