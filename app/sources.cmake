# The application shell without widgets: the figure file, the file type registration and the main
# window's state.
tarvelo_sources(tarvelo_core
    FigureFile FileAssociation MainWindowState IniFile Recovery Settings SymbolEditorStore
)
# The figure file type and desktop entry that the program registers are the very files the package
# installs.
qt_add_resources(tarvelo_core tarvelo_desktop_files
    PREFIX /desktop
    BASE ${CMAKE_CURRENT_LIST_DIR}/../packaging
    FILES ${CMAKE_CURRENT_LIST_DIR}/../packaging/tarvelo.desktop ${CMAKE_CURRENT_LIST_DIR}/../packaging/tarvelo.xml
)
