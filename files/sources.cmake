# Data files: text and MAT readers and writers, and the add-graphs dialog's model.
tarvelo_sources(tarvelo_core
    ost2_FileClasses NumberParser NumberFormat SafeSave DelimitedText TextFile MatlabFile AddGraphsModel
)
