# Language files and the About box. Included from src/.
# The language files' reader and the texts the window composes live in
# texts/, below every other folder, since readers in models/ word their
# refusals in the chosen language too.
target_sources(velkari_core PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/texts/languagefile.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/texts/uitexts.cpp)
target_sources(velkari_ui PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/language/relabel.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/language/about.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/language/about.ui
    ${CMAKE_CURRENT_SOURCE_DIR}/language/about.qrc
)
