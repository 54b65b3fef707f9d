# Collision checking headless, in the shipped stations read as velkari-kin reads them.
velkari_test(tst_collision collision/tst_collision.cpp ${CMAKE_SOURCE_DIR}/src/tools/stationcell.cpp
             LIBS velkari_core)
