# Relabelling and the About box. Included from tests/.
velkari_test(tst_language language/tst_language.cpp GUI LIBS velkari_ui)
set_target_properties(tst_language PROPERTIES AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/src/ui)
