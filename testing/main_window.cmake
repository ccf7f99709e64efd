target_sources(cifrovex_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/unmain.h ${CMAKE_CURRENT_LIST_DIR}/unmain.cpp
)
