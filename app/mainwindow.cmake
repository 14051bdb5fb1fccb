# The main window: its widget-free state in the core, the window, its resources and the title strip
# of the small dialogs in the widgets library.
target_sources(tarvelo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/MainWindowState.h ${CMAKE_CURRENT_LIST_DIR}/MainWindowState.cpp
)
target_sources(tarvelo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/MainWindow.h ${CMAKE_CURRENT_LIST_DIR}/MainWindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TitleStrip.h ${CMAKE_CURRENT_LIST_DIR}/TitleStrip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/resources/mainwindow.qrc
)
