# Language files and the About box. Included from src/.
target_sources(velkari_core PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/language/languagefile.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/language/uitexts.cpp)
target_sources(velkari_ui PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/language/relabel.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/language/about.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/language/about.ui
    ${CMAKE_CURRENT_SOURCE_DIR}/language/about.qrc
)
# relabel.cpp reaches into the control panel's form: its header is generated
# for ui/menuprincipal.cpp in this same target, so uic has nothing to do here.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/language/relabel.cpp
    PROPERTIES SKIP_AUTOUIC ON)
