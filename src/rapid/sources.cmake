# RAPID data utility. Included from src/.

# Reading and writing RAPID declarations needs no window.
target_sources(velkari_core PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/rapid/rapidparser.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/rapid/rapidmodule.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/rapid/rapidmodulereader.cpp
)

target_sources(velkari_ui PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/rapid/formabbutility.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/rapid/formabbutility.ui
    ${CMAKE_CURRENT_SOURCE_DIR}/rapid/rapidmodulecommands.cpp
)
