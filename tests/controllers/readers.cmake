# Programs of KUKA, FANUC and UR controllers read back (included from the
# folder's tests.cmake).
velkari_test(tst_programreaders controllers/tst_programreaders.cpp LIBS velkari_core)
add_dependencies(tst_programreaders velkari-kin)
