# Pictures of the figure (bitmap, SVG, PDF, EMF), graph data as text, MAT and workbook files, and the
# headless command line: no widgets.
tarvelo_sources(tarvelo_export
    PictureExport DataExport WorkbookWriter CommandLine
)
