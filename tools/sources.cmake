# Widget-free models of the data-tool dialogs.
tarvelo_sources(tarvelo_core StatisticsModel AutoMarkersModel)
