# The graph window model: graph list, coordinates, view animator, mouse tools (move and zoom drag,
# zoom frame, legend drag, node editing), undo and redo, draw policy, figure stream and the one paint
# routine of the figure.
target_sources(tarvelo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/WindowEvents.h
    ${CMAKE_CURRENT_LIST_DIR}/UndoStore.h ${CMAKE_CURRENT_LIST_DIR}/UndoStore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DrawPolicy.h ${CMAKE_CURRENT_LIST_DIR}/DrawPolicy.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SuperGrWindow.h ${CMAKE_CURRENT_LIST_DIR}/SuperGrWindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Coordinates.h ${CMAKE_CURRENT_LIST_DIR}/Coordinates.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ViewAnimator.h ${CMAKE_CURRENT_LIST_DIR}/ViewAnimator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowProperties.h ${CMAKE_CURRENT_LIST_DIR}/WindowProperties.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShiftCurve.h ${CMAKE_CURRENT_LIST_DIR}/ShiftCurve.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MouseTools.h ${CMAKE_CURRENT_LIST_DIR}/MouseTools.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MoveZoomTool.h ${CMAKE_CURRENT_LIST_DIR}/MoveZoomTool.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FrameZoomTool.h ${CMAKE_CURRENT_LIST_DIR}/FrameZoomTool.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LegendDragTool.h ${CMAKE_CURRENT_LIST_DIR}/LegendDragTool.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NodeEditing.h ${CMAKE_CURRENT_LIST_DIR}/NodeEditing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FigureStream.h ${CMAKE_CURRENT_LIST_DIR}/FigureStream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UndoReplay.h ${CMAKE_CURRENT_LIST_DIR}/UndoReplay.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FigurePaint.h ${CMAKE_CURRENT_LIST_DIR}/FigurePaint.cpp
)
