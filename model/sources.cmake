# The graph model: value types, the graph and its data operations, drawing, symbols, the stream
# record of a graph and the metafile device.
tarvelo_sources(tarvelo_core
    ost2_Types UnsetList.h EventListeners.h JobProgress.h BackgroundJob ParallelDeflate Codecs DecimalLog ByteStream Colors Font FontMetrics
    Notifier ColorScheme GraphMapping DetailIndex ViewCache GraphOwner Graph GraphProperties GraphOps GraphRecord
    Polyline Symbol StoredText
    DrawAdapter DateFormat GraphDraw EmfDevice EmfReader
)
