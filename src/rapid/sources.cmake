# RAPID data utility and Wii remote jogging. Included from src/.

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
    ${CMAKE_CURRENT_SOURCE_DIR}/rapid/wii.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/rapid/wii.ui
    ${CMAKE_CURRENT_SOURCE_DIR}/rapid/wiiremote.cpp
)

# A real remote on Linux goes through the kernel's hid-wiimote driver and
# libxwiimote (Debian: libxwiimote-dev, installed by tools/install-deps.sh).
# Built whenever the library is found; -DVELKARI_XWIIMOTE=OFF leaves it out,
# and without it the Wii window simply keeps searching.
option(VELKARI_XWIIMOTE "Talk to Wii remotes through libxwiimote when it is installed" ON)
if(VELKARI_XWIIMOTE)
    find_path(XWIIMOTE_INCLUDE_DIR xwiimote.h)
    find_library(XWIIMOTE_LIBRARY xwiimote)
    if(XWIIMOTE_INCLUDE_DIR AND XWIIMOTE_LIBRARY)
        target_sources(velkari_ui PRIVATE
            ${CMAKE_CURRENT_SOURCE_DIR}/rapid/wiiremote_xwiimote.cpp)
        target_include_directories(velkari_ui PRIVATE ${XWIIMOTE_INCLUDE_DIR})
        target_link_libraries(velkari_ui PUBLIC ${XWIIMOTE_LIBRARY})
        target_compile_definitions(velkari_ui PRIVATE VELKARI_HAVE_XWIIMOTE)
        message(STATUS "Wii remotes through libxwiimote")
    else()
        message(STATUS "libxwiimote not found (apt-get install libxwiimote-dev): "
                       "the Wii window will find no remote")
    endif()
endif()
