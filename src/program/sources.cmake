# The program editor's model: lines, undoable edits, files and the analysis
# per line. Headless: the dock draws it, the tests and benchmarks drive it.
target_sources(velkari_core PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/program/program.h
    ${CMAKE_CURRENT_SOURCE_DIR}/program/program.cpp
)
