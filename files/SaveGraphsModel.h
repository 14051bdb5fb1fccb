// The graph export dialog without widgets: a tree of windows and their graphs with check marks, the
// choice between each graph's own argument and one common argument, the options of the three file
// formats, the names of the MAT variables and workbook sheets, and the blocks of data that are
// written. The dialog shows this model and forwards the user's choices.
#pragma once

#include "model/ost2_Types.h"

#include <QList>
#include <QString>
#include <QStringList>

class TGraph;
class TSuperGrWindow;

// The states of a tree node's check box.
enum class TCheckState : uint8_t { Unchecked = 1, Checked = 2, Partly = 3 };

enum class TExportFormat { Text = 0, Mat = 1, Workbook = 2 };
enum class TNumberStyle { Mask = 0, Floating = 1, Fixed = 2 };
enum class TSeparatorKind { Blank = 0, Tab = 1, Other = 2 };
enum class TTreeMenuAction { CheckAll, UncheckAll, Invert };

// What is written: row 0 is an argument, the further rows are values of the same length.
struct TExportBlock {
    TDoubleArray2 Rows;
    QString Name; // the graph's name; "Все графики" for the common block
};

struct TSaveGraphsOptions {
    bool Vertical = true;       // one column per block row
    bool CommonArgument = true; // all graphs on one argument
    int InterpKind = 2;         // the interpolation kinds of Resample: linear
    int ExtrapKind = 0;         // none
    TExportFormat Format = TExportFormat::Text;
    TNumberStyle NumberStyle = TNumberStyle::Fixed;
    QString Mask = QStringLiteral("0.########");
    int FloatDecimals = 12; // 1 .. 17
    int ExponentDigits = 4; // 1 .. 4
    int FixedDecimals = 6;  // 0 .. 18
    bool Pad = true;
    int PadWidth = 16; // 0 .. 99
    TSeparatorKind Separator = TSeparatorKind::Blank;
    QString OtherSeparator = DefaultListSeparator();
    bool CompressedMat = true;
    bool ShowWorkbook = false;

    // The column format of the text writer for the chosen number style.
    QString TextFormat() const;
    // The separator byte of the text writer.
    char TextSeparator() const;
    // The list separator of the system's locale: ";" where the decimal separator is a comma.
    static QString DefaultListSeparator();
};

struct TGraphNode {
    TGraph* Graph = nullptr;
    TCheckState State = TCheckState::Unchecked;
};

struct TWindowNode {
    TSuperGrWindow* Window = nullptr;
    QString Text;
    TCheckState State = TCheckState::Unchecked;
    QList<TGraphNode> Graphs;
};

// One data row of the name grids.
struct TNameRow {
    QString Label;           // the graph's name, "Все графики", or empty when nothing is checked
    TGraph* Graph = nullptr; // the graph of a per-graph row
    QString VarName;         // the MAT variable
    QString SheetName;       // the workbook sheet
};

class TSaveGraphsModel {
public:
    // The interpolation kind of each item of the interpolation list.
    static constexpr int kInterpKindOfItem[7] = {0, 1, 2, 3, 4, 6, 5};
    static constexpr int kMaxSheetName = 31;

    TSaveGraphsOptions Options;
    QString CommonVarName = QStringLiteral("tv_data");
    QString CommonBookName = QStringLiteral("Данные Tarvelo");

    void Clear();
    // Adds a window with its graphs, all unchecked; nothing for none or a window added before.
    // fallbackName names the window's node when it has no caption.
    void AddWindow(TSuperGrWindow* window, const QString& fallbackName);
    const QList<TWindowNode>& Windows() const { return windows_; }

    // A click on a check box: graph -1 is the window's own box.
    void ClickCheck(int window, int graph);
    // The tree menu over a window's node or one of its graphs (window -1: over every node).
    void ApplyMenu(TTreeMenuAction action, int window);
    // Drops a graph on a window's node (targetGraph -1: it becomes the first graph there) or right
    // after a graph. False when nothing moves.
    bool MoveGraph(int fromWindow, int fromGraph, int targetWindow, int targetGraph);
    bool AnyChecked() const;
    QList<TGraph*> CheckedGraphs() const;

    // Switching between own and common arguments rebuilds the names.
    void SetCommonArgument(bool common);
    // The names for the checked graphs (or the common block); typed names are given up.
    void RebuildNames();
    const QList<TNameRow>& NameRows() const { return names_; }
    // A name typed into a grid; it is made unique among the other rows when committed.
    void SetVarName(int row, const QString& name);
    void SetSheetName(int row, const QString& name);
    void CommitVarName(int row);
    void CommitSheetName(int row);

    // The blocks to write, or false with the message to show.
    bool BuildBlocks(QList<TExportBlock>& blocks, QString& message) const;
    // The names of the blocks in order: MAT variables valid and distinct, sheets as workbooks take them.
    QStringList VarNamesFor(const QList<TExportBlock>& blocks) const;
    QStringList SheetNamesFor(const QList<TExportBlock>& blocks) const;

    // The writers; false with the writer's message. Both replace the file only when complete.
    bool WriteText(const QString& fileName, const QList<TExportBlock>& blocks, QString& message) const;
    bool WriteMat(const QString& fileName, const QList<TExportBlock>& blocks, QString& message) const;

    // A sheet name a workbook accepts: none of []:*?/\, no apostrophe at either end, at most 31
    // characters, not empty.
    static QString CleanSheetName(const QString& name);

private:
    void UpdateWindowState(TWindowNode& node);
    void MakeUnique(int row, QString TNameRow::*field, bool caseSensitive);

    QList<TWindowNode> windows_;
    QList<TNameRow> names_;
    bool wasCommon_ = true;
};

// The text shown for a window: its caption, the lines above or below the plot, or the fallback.
QString WindowNodeText(const TSuperGrWindow& window, const QString& fallbackName);
