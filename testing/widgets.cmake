# The main window's own controls: option grid, status bar, hint tracking.
target_sources(cifrovex_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/option_grid.h ${CMAKE_CURRENT_LIST_DIR}/option_grid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/problem_pane.h ${CMAKE_CURRENT_LIST_DIR}/problem_pane.cpp
    ${CMAKE_CURRENT_LIST_DIR}/status_bar.h ${CMAKE_CURRENT_LIST_DIR}/status_bar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hint_tracker.h ${CMAKE_CURRENT_LIST_DIR}/hint_tracker.cpp
    ${CMAKE_CURRENT_LIST_DIR}/access_keys.h ${CMAKE_CURRENT_LIST_DIR}/access_keys.cpp
)
