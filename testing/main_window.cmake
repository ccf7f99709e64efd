# The main window: its widget in the UI library, its text and layout rules in the core.
target_sources(cifrovex_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/main_texts.h ${CMAKE_CURRENT_LIST_DIR}/main_texts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_layout.h ${CMAKE_CURRENT_LIST_DIR}/main_layout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_session.h ${CMAKE_CURRENT_LIST_DIR}/test_session.cpp
)
target_sources(cifrovex_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/unmain.h ${CMAKE_CURRENT_LIST_DIR}/unmain.cpp
)
