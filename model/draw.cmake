target_sources(tarvelo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Polyline.h ${CMAKE_CURRENT_LIST_DIR}/Polyline.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Symbol.h ${CMAKE_CURRENT_LIST_DIR}/Symbol.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DrawAdapter.h ${CMAKE_CURRENT_LIST_DIR}/DrawAdapter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DateFormat.h ${CMAKE_CURRENT_LIST_DIR}/DateFormat.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GraphDraw.h ${CMAKE_CURRENT_LIST_DIR}/GraphDraw.cpp
)
