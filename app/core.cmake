# The figure file and the file type registration (no widgets).
target_sources(tarvelo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/FigureFile.h ${CMAKE_CURRENT_LIST_DIR}/FigureFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileAssociation.h ${CMAKE_CURRENT_LIST_DIR}/FileAssociation.cpp
)
