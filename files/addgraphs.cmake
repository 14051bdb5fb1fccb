# The add-graphs dialog: its model in the core, the dialog in the widgets library.
target_sources(tarvelo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/AddGraphsModel.h ${CMAKE_CURRENT_LIST_DIR}/AddGraphsModel.cpp
)
target_sources(tarvelo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/AddGraphsDialog.h ${CMAKE_CURRENT_LIST_DIR}/AddGraphsDialog.cpp
)
