# The widget-free models of the data tool dialogs.
target_sources(tarvelo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/FiltrationModel.h ${CMAKE_CURRENT_LIST_DIR}/FiltrationModel.cpp
)
