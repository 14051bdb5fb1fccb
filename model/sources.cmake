# The graph model: value types, the graph and its data operations, drawing, symbols, the stream
# record of a graph and the metafile device.
target_sources(tarvelo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ost2_Types.h
    ${CMAKE_CURRENT_LIST_DIR}/Codecs.h ${CMAKE_CURRENT_LIST_DIR}/Codecs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DecimalLog.h ${CMAKE_CURRENT_LIST_DIR}/DecimalLog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ByteStream.h ${CMAKE_CURRENT_LIST_DIR}/ByteStream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Colors.h ${CMAKE_CURRENT_LIST_DIR}/Colors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Font.h ${CMAKE_CURRENT_LIST_DIR}/Font.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FontMetrics.h ${CMAKE_CURRENT_LIST_DIR}/FontMetrics.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Notifier.h ${CMAKE_CURRENT_LIST_DIR}/Notifier.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ColorScheme.h
    ${CMAKE_CURRENT_LIST_DIR}/GraphMapping.h ${CMAKE_CURRENT_LIST_DIR}/GraphMapping.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ViewCache.h
    ${CMAKE_CURRENT_LIST_DIR}/GraphOwner.h
    ${CMAKE_CURRENT_LIST_DIR}/Graph.h ${CMAKE_CURRENT_LIST_DIR}/Graph.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GraphProperties.h ${CMAKE_CURRENT_LIST_DIR}/GraphProperties.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GraphOps.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GraphRecord.h ${CMAKE_CURRENT_LIST_DIR}/GraphRecord.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Polyline.h ${CMAKE_CURRENT_LIST_DIR}/Polyline.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Symbol.h ${CMAKE_CURRENT_LIST_DIR}/Symbol.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DrawAdapter.h ${CMAKE_CURRENT_LIST_DIR}/DrawAdapter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DateFormat.h ${CMAKE_CURRENT_LIST_DIR}/DateFormat.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GraphDraw.h ${CMAKE_CURRENT_LIST_DIR}/GraphDraw.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EmfDevice.h ${CMAKE_CURRENT_LIST_DIR}/EmfDevice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EmfReader.h ${CMAKE_CURRENT_LIST_DIR}/EmfReader.cpp
)
