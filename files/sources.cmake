# Data files: text and MAT readers and writers, and the add-graphs dialog's model.
target_sources(tarvelo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ost2_FileClasses.h
    ${CMAKE_CURRENT_LIST_DIR}/NumberParser.h ${CMAKE_CURRENT_LIST_DIR}/NumberParser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NumberFormat.h ${CMAKE_CURRENT_LIST_DIR}/NumberFormat.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SafeSave.h ${CMAKE_CURRENT_LIST_DIR}/SafeSave.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextFile.h ${CMAKE_CURRENT_LIST_DIR}/TextFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MatlabFile.h ${CMAKE_CURRENT_LIST_DIR}/MatlabFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AddGraphsModel.h ${CMAKE_CURRENT_LIST_DIR}/AddGraphsModel.cpp
)
