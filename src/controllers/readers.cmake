# Programs of KUKA, FANUC and UR controllers read back (included from the
# folder's sources.cmake): headless, in the core.
target_sources(velkari_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/programreading.cpp
    ${CMAKE_CURRENT_LIST_DIR}/krlreader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lsreader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/urscriptreader.cpp
)
