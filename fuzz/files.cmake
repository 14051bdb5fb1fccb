# Fuzz targets of files/. The readers are compiled into each target so that they carry the
# sanitizer and coverage instrumentation (the core library itself is built without it).
set(TARVELO_FILES_READER_SOURCES
    ${PROJECT_SOURCE_DIR}/files/NumberParser.cpp
    ${PROJECT_SOURCE_DIR}/files/NumberFormat.cpp
    ${PROJECT_SOURCE_DIR}/files/SafeSave.cpp
    ${PROJECT_SOURCE_DIR}/files/TextFile.cpp
    ${PROJECT_SOURCE_DIR}/files/MatlabFile.cpp)
tarvelo_add_fuzzer(fuzz_text_file fuzz_text_file.cpp ${TARVELO_FILES_READER_SOURCES})
tarvelo_add_fuzzer(fuzz_mat_file fuzz_mat_file.cpp ${TARVELO_FILES_READER_SOURCES})
tarvelo_add_fuzzer(fuzz_number_parser fuzz_number_parser.cpp ${PROJECT_SOURCE_DIR}/files/NumberParser.cpp)
