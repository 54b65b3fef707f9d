# External links: the robot data server on the loopback address and the LAN
# link to a robot controller. The LAN number encoding and the reading of the
# controller's replies have no Qt dependency, the data server's request reader
# needs only Qt Core: they live in the core; the server and the window need
# Qt Network.
# The joint-limit gate belongs to the kinematics; it is listed here because
# the links are the first of its users.
target_sources(velkari_core PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/kinematics/jointlimits.h
    ${CMAKE_CURRENT_SOURCE_DIR}/kinematics/jointlimits.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/links/lannumber.h
    ${CMAKE_CURRENT_SOURCE_DIR}/links/lannumber.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/links/lanreply.h
    ${CMAKE_CURRENT_SOURCE_DIR}/links/lanreply.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/links/serverrequest.h
    ${CMAKE_CURRENT_SOURCE_DIR}/links/serverrequest.cpp
)
target_sources(velkari_ui PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/links/serverlistener.h
    ${CMAKE_CURRENT_SOURCE_DIR}/links/serverlistener.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/links/lancontrol.h
    ${CMAKE_CURRENT_SOURCE_DIR}/links/lancontrol.cpp
)
target_link_libraries(velkari_ui PUBLIC Qt5::Network)
