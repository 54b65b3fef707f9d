# Controller languages other than RAPID: configuration flags, orientation
# conventions and the program writers. Headless: velkari-kin and the tests
# use them as the window does. Included from src/.
target_sources(velkari_core PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/controllers/configflags.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/controllers/orientation.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/controllers/programwriter.cpp
)

# The window's export dialog.
target_sources(velkari_ui PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/controllers/programexportcommands.cpp
)
