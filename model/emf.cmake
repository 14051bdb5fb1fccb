target_sources(tarvelo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/EmfDevice.h ${CMAKE_CURRENT_LIST_DIR}/EmfDevice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EmfReader.h ${CMAKE_CURRENT_LIST_DIR}/EmfReader.cpp
)
