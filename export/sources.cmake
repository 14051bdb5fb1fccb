# Pictures of the figure (bitmap, SVG, PDF, EMF) and the headless command line: no widgets.
target_sources(tarvelo_export PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/PictureExport.h ${CMAKE_CURRENT_LIST_DIR}/PictureExport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommandLine.h ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp
)
