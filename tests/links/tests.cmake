# External links: LAN numbers, the LAN window against a fake controller, and
# the robot data server with real clients, all on 127.0.0.1.
velkari_test(tst_lannumber links/tst_lannumber.cpp LIBS velkari_core)
velkari_test(tst_lancontrol links/tst_lancontrol.cpp GUI LIBS velkari_ui)
velkari_test(tst_serverlistener links/tst_serverlistener.cpp LIBS velkari_ui)

# The shipped Python client is run against a live server when Python is there.
find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_Interpreter_FOUND)
    target_compile_definitions(tst_serverlistener PRIVATE
        VELKARI_PYTHON="${Python3_EXECUTABLE}"
        VELKARI_ROBOT_CLIENT="${CMAKE_SOURCE_DIR}/tools/robot_client.py")
endif()
