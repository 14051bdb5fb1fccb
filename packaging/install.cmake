# Installing like a desktop application: the program, its menu entry, icons, the figure file type,
# AppStream metadata, the manual page, the user's manual and bash completion; and the Debian package
# of all of it.
include(GNUInstallDirs)

set(TARVELO_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TARVELO_GENERATED_DIR ${CMAKE_BINARY_DIR}/packaging)
set(TARVELO_ICON_SIZES 16 22 24 32 48 64 128 256)

# Build-time tools. The PNG icons are rendered from the SVG drawings rather than committed, so that
# one drawing is the only source and a changed icon cannot leave stale sizes behind.
add_executable(tarvelo_render_icons ${TARVELO_PACKAGING_DIR}/tools/RenderIcons.cpp)
target_link_libraries(tarvelo_render_icons PRIVATE Qt6::Gui Qt6::Svg tarvelo_warnings)
# The manual page and the completion are written from the --help text itself.
add_executable(tarvelo_help_docs ${TARVELO_PACKAGING_DIR}/tools/HelpDocs.cpp)
target_link_libraries(tarvelo_help_docs PRIVATE tarvelo_export tarvelo_warnings)

set(TARVELO_ICONS tarvelo:apps application-x-tarvelo-figure:mimetypes)
set(TARVELO_RENDERED_ICONS)
foreach(entry ${TARVELO_ICONS})
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 icon)
    list(GET entry 1 context)
    set(outputs)
    foreach(size ${TARVELO_ICON_SIZES})
        list(APPEND outputs ${TARVELO_GENERATED_DIR}/icons/${context}/${size}x${size}/${icon}.png)
    endforeach()
    add_custom_command(
        OUTPUT ${outputs}
        COMMAND tarvelo_render_icons ${TARVELO_PACKAGING_DIR}/icons/${icon}.svg
                ${TARVELO_GENERATED_DIR}/icons/${context} ${TARVELO_ICON_SIZES}
        DEPENDS tarvelo_render_icons ${TARVELO_PACKAGING_DIR}/icons/${icon}.svg
        COMMENT "Rendering the ${icon} icon"
        VERBATIM)
    list(APPEND TARVELO_RENDERED_ICONS ${outputs})
    install(FILES ${TARVELO_PACKAGING_DIR}/icons/${icon}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/${context})
    foreach(size ${TARVELO_ICON_SIZES})
        install(FILES ${TARVELO_GENERATED_DIR}/icons/${context}/${size}x${size}/${icon}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/${context})
    endforeach()
endforeach()

# Manual pages are installed compressed, as distributions keep them.
find_program(TARVELO_GZIP gzip REQUIRED)
add_custom_command(
    OUTPUT ${TARVELO_GENERATED_DIR}/tarvelo.1 ${TARVELO_GENERATED_DIR}/tarvelo.1.gz
    COMMAND tarvelo_help_docs man ${TARVELO_GENERATED_DIR}/tarvelo.1
    COMMAND ${TARVELO_GZIP} -9nkf ${TARVELO_GENERATED_DIR}/tarvelo.1
    DEPENDS tarvelo_help_docs
    COMMENT "Writing the manual page from the help text"
    VERBATIM)
add_custom_command(
    OUTPUT ${TARVELO_GENERATED_DIR}/tarvelo.bash
    COMMAND tarvelo_help_docs completion ${TARVELO_PACKAGING_DIR}/tarvelo.bash.in
            ${TARVELO_GENERATED_DIR}/tarvelo.bash
    DEPENDS tarvelo_help_docs ${TARVELO_PACKAGING_DIR}/tarvelo.bash.in
    COMMENT "Writing the bash completion from the help text"
    VERBATIM)
add_custom_target(tarvelo_desktop_files ALL
    DEPENDS ${TARVELO_RENDERED_ICONS} ${TARVELO_GENERATED_DIR}/tarvelo.1.gz ${TARVELO_GENERATED_DIR}/tarvelo.bash)

install(TARGETS tarvelo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TARVELO_PACKAGING_DIR}/tarvelo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TARVELO_PACKAGING_DIR}/tarvelo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${TARVELO_PACKAGING_DIR}/org.ostrel.Tarvelo.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${TARVELO_GENERATED_DIR}/tarvelo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The user's manual (the program shows the same chapters from its resources).
install(FILES ${TARVELO_MANUAL_CHAPTERS} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvelo)
install(FILES ${TARVELO_GENERATED_DIR}/tarvelo.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME tarvelo)

# The Debian package. Its library dependencies come from the linked libraries (dpkg-shlibdeps);
# Qt loads its platform plugins at run time, which no linker sees. The MIME, desktop and icon caches
# are refreshed by the triggers of the packages that own them.
set(CPACK_PACKAGE_NAME tarvelo)
set(CPACK_PACKAGE_VENDOR "Tarvelo developers")
set(CPACK_PACKAGE_CONTACT "Tarvelo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and editor of two-dimensional graphs")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Tarvelo loads curves from text files, MAT-files and the clipboard and shows\n"
    "many graphs in one figure, each with its own scale and offset on both axes,\n"
    "with node editing, undo and redo, a vector expression language and export to\n"
    "text, MAT-files and pictures.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Qt's own dialogs in Russian, and metric twins of the fonts figures name (Arial, Times New Roman).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation")
set(CPACK_GENERATOR DEB)
include(CPack)
