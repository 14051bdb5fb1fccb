// The figures of the graph information dialog: node total, value extremes, argument steps and the
// table of the steps that occur, grouped by value, with their frequency and share.
#pragma once

#include "model/ost2_Types.h"

#include <QList>
#include <QString>
#include <QStringList>

class TSuperGrWindow;

enum class TStatScope { OneGraph, SelectedGraphs, AllGraphs };

struct TStepGroup {
    Extended Value = 0; // the group's representative step
    int Share = 0;      // percent of the node total
};

struct TStatistics {
    int64_t NodeTotal = 0;
    Extended YMax = 0, YMin = 0;
    bool HasSteps = false;
    Extended StepMax = 0, StepMin = 0;
    QList<TStepGroup> Groups; // the groups with a share of at least 1 %, largest share first
    // The range of the rarer groups (without any: StepMax ... StepMin) and their share.
    Extended RareLow = 0, RareHigh = 0;
    int RestShare = 0;
};

// Computes the figures of the graphs the scope takes; graphIndex matters for OneGraph only (an
// index outside the list takes no graph). Only the graphs' real values are read.
TStatistics ComputeStatistics(const TSuperGrWindow& window, TStatScope scope, int graphIndex);

// The shortest general form with up to 15 significant digits, the point as decimal separator.
QString StatNumberText(Extended value);

// The dialog's texts.
struct TStatisticsTexts {
    QString Nodes = QStringLiteral("0");
    QString YMax = QStringLiteral("0"), YMin = QStringLiteral("0");
    QString StepMax = QStringLiteral("0"), StepMin = QStringLiteral("0");
    QList<QStringList> Rows; // the step table with its heading row; none in the empty state
};
TStatisticsTexts StatisticsTexts(const TStatistics& stats);

// The dialog's state: the choice, the graph list and what the last update showed.
class TStatisticsModel {
public:
    struct TGraphEntry {
        QString Name;
        TColor Color = 0;
    };
    TStatScope Scope = TStatScope::SelectedGraphs;
    int GraphIndex = -1;
    // The graph list is only chosen from with OneGraph.
    bool GraphChoiceEnabled() const { return Scope == TStatScope::OneGraph; }
    // Refills the graph list from the window; selects the first graph when none is selected.
    void Refill(const TSuperGrWindow& window);
    const QList<TGraphEntry>& Graphs() const { return graphs_; }
    // "Обновить": computes and keeps the texts.
    void Update(const TSuperGrWindow& window);
    const TStatisticsTexts& Texts() const { return texts_; }

private:
    QList<TGraphEntry> graphs_;
    TStatisticsTexts texts_;
};
