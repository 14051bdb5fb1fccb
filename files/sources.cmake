# Data files: text and MAT readers and writers, the add-graphs dialog's model and the export of graphs.
tarvelo_sources(tarvelo_core
    ost2_FileClasses NumberParser Pow5Table NumberFormat SafeSave MappedFile DelimitedText TextFile MatlabFile AddGraphsModel
    SaveGraphsModel
)
