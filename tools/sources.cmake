# The widget-free models of the data tool dialogs and of the calculator.
tarvelo_sources(tarvelo_core
    FiltrationModel StatisticsModel AutoMarkersModel PrintLayout GraphPropertiesModel GraphListModel
    TableModel TableOperations TableItemModel TableView CalcMath CalculatorModel SymbolEditorModel
    SymbolLibrary BindingWizardModel ScalesPanelModel LegendModel CaptionEditModel TrackBar2d
    ShiftCurveModel HelpModel
)
