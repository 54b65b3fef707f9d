# Sequences: text and file reading and the path analysis are headless (the
# command-line check links them); the player with its widgets and images
# lives with the windows.
target_sources(velkari_core PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/sequences/sequenceparser.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/sequences/pathanalysis.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/sequences/programtext.cpp
)
target_sources(velkari_ui PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/sequences/paths.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/sequences/player.qrc
)
