# Wii remote jogging: the window and the remote backends. Included from src/.
target_sources(velkari_ui PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/wii/wii.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/wii/wii.ui
    ${CMAKE_CURRENT_SOURCE_DIR}/wii/wiiremote.cpp
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
            ${CMAKE_CURRENT_SOURCE_DIR}/wii/wiiremote_xwiimote.cpp)
        target_include_directories(velkari_ui PRIVATE ${XWIIMOTE_INCLUDE_DIR})
        target_link_libraries(velkari_ui PUBLIC ${XWIIMOTE_LIBRARY})
        target_compile_definitions(velkari_ui PRIVATE VELKARI_HAVE_XWIIMOTE)
        message(STATUS "Wii remotes through libxwiimote")
    else()
        message(STATUS "libxwiimote not found (apt-get install libxwiimote-dev): "
                       "the Wii window will find no remote")
    endif()
endif()
