# Figure stream, graph records and undo replay.
target_sources(tarvelo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/FigureStream.h ${CMAKE_CURRENT_LIST_DIR}/FigureStream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UndoReplay.h ${CMAKE_CURRENT_LIST_DIR}/UndoReplay.cpp
    ${CMAKE_SOURCE_DIR}/model/GraphRecord.h ${CMAKE_SOURCE_DIR}/model/GraphRecord.cpp
)
