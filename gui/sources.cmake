# Every widget: one folder per window or dialog, and the custom widgets they share.
target_sources(tarvelo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/widgets/TitleStrip.h ${CMAKE_CURRENT_LIST_DIR}/widgets/TitleStrip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphwindow/GraphWindowWidget.h
    ${CMAKE_CURRENT_LIST_DIR}/graphwindow/GraphWindowWidget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphwindow/Cursors.h ${CMAKE_CURRENT_LIST_DIR}/graphwindow/Cursors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/addgraphs/AddGraphsDialog.h ${CMAKE_CURRENT_LIST_DIR}/addgraphs/AddGraphsDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filtration/FiltrationDialog.h ${CMAKE_CURRENT_LIST_DIR}/filtration/FiltrationDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainwindow/MainWindow.h ${CMAKE_CURRENT_LIST_DIR}/mainwindow/MainWindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainwindow/resources/mainwindow.qrc
)
