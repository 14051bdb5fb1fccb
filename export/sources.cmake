# Pictures of the figure (bitmap, SVG, PDF, EMF) and the headless command line: no widgets.
tarvelo_sources(tarvelo_export
    PictureExport CommandLine
)
