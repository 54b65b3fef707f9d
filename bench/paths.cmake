# The path analysis, sequence reading and the player's own cost per node
# (Google Benchmark; run by hand, not by ctest). Lands in bin/ beside the
# data directories, which it reads as the program does.
add_executable(bench_paths ${CMAKE_CURRENT_LIST_DIR}/bench_paths.cpp)
target_link_libraries(bench_paths PRIVATE velkari_ui benchmark::benchmark Qt5::Core)
add_dependencies(bench_paths velkari_data)
