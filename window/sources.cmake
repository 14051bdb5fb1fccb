# The graph window model: graph list, coordinates, view animator, mouse tools (move and zoom drag,
# zoom frame, legend drag, node editing), undo and redo, draw policy, figure stream and the one paint
# routine of the figure.
tarvelo_sources(tarvelo_core
    WindowEvents UndoStore DrawPolicy SuperGrWindow Coordinates ViewAnimator WindowProperties
    ShiftCurve MouseTools MoveZoomTool FrameZoomTool LegendDragTool NodeEditing FigureStream
    UndoReplay FigurePaint
)
