# Plots of a sequence. The numbers and their CSV are headless (the
# command-line check writes the same table); the dock with its QCustomPlot
# lives with the windows.
target_sources(velkari_core PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/plots/plotdata.cpp)
target_sources(velkari_ui PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/plots/plotsview.cpp)
target_link_libraries(velkari_ui PUBLIC QCustomPlot::QCustomPlot)
