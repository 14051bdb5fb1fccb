# Fuzz targets of the figure stream and the figure file. Their readers are compiled into each target
# so that they carry the sanitizer and coverage instrumentation.
set(TARVELO_STREAM_READER_SOURCES
    ${PROJECT_SOURCE_DIR}/model/ByteStream.cpp
    ${PROJECT_SOURCE_DIR}/model/GraphRecord.cpp
    ${PROJECT_SOURCE_DIR}/model/Symbol.cpp
    ${PROJECT_SOURCE_DIR}/window/FigureStream.cpp)
tarvelo_add_fuzzer(fuzz_figure_stream fuzz_figure_stream.cpp ${TARVELO_STREAM_READER_SOURCES})
tarvelo_add_fuzzer(fuzz_figure_file fuzz_figure_file.cpp ${PROJECT_SOURCE_DIR}/app/FigureFile.cpp)
