# Every widget: one folder per window or dialog, and the custom widgets they share.
tarvelo_sources(tarvelo_gui
    widgets/TitleStrip widgets/CompactRows widgets/GraphComboBox widgets/StoredTextGuard jobs/JobRunner graphwindow/GraphWindowWidget graphwindow/Cursors addgraphs/AddGraphsDialog
    filtration/FiltrationDialog
    mainwindow/MainWindow mainwindow/MainWindowActions mainwindow/MainWindowCommands
    mainwindow/StatusPanels mainwindow/Icons mainwindow/resources/mainwindow.qrc settings/SettingsDialog
    statistics/StatisticsDialog automarkers/AutoMarkersDialog savegraphs/SaveGraphsDialog tableview/TableViewWindow
    graphproperties/GraphPropertiesDialog graphlist/GraphListWindow
    bindingwizard/BindingWizardDialog scalespanel/ScalesPanel
    print/Printers print/NameRequestDialog print/PrintMarginsDialog print/PrintDialog calculator/CalculatorWindow
    symboleditor/SymbolCanvas symboleditor/CharacterPickerDialog symboleditor/SymbolLibraryDialog
    symboleditor/SymbolEditorDialog
    help/HelpWindow legend/LegendDialog captions/CaptionEditor shiftcurve/SuperTrackBar2d shiftcurve/ShiftCurveDialog
)
