target_sources(cifrovex_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/unlevel.h ${CMAKE_CURRENT_LIST_DIR}/unlevel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unrezultaty.h ${CMAKE_CURRENT_LIST_DIR}/unrezultaty.cpp
)
