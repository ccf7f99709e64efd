target_sources(cifrovex_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/result_text.h ${CMAKE_CURRENT_LIST_DIR}/result_text.cpp
)
target_sources(cifrovex_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/unlevel.h ${CMAKE_CURRENT_LIST_DIR}/unlevel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unrezultaty.h ${CMAKE_CURRENT_LIST_DIR}/unrezultaty.cpp
)
