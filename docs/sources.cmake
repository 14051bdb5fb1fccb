# The manual: every chapter is embedded in the program, where the help window reads it, so that
# help works from the build tree and from an install alike.
file(GLOB TARVELO_MANUAL_CHAPTERS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.md)
set(manual_entries "")
foreach(chapter ${TARVELO_MANUAL_CHAPTERS})
    get_filename_component(chapter_name ${chapter} NAME)
    string(APPEND manual_entries "        <file alias=\"${chapter_name}\">${chapter}</file>\n")
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/manual.qrc CONTENT
     "<RCC>\n    <qresource prefix=\"/manual\">\n${manual_entries}    </qresource>\n</RCC>\n")
target_sources(tarvelo_core PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/manual.qrc)
