// The logic of the add-graphs dialog without widgets: a tree of files, their arrays and the arrays'
// data series, the choice of arguments and plotted series, the preview and the building of graphs
// into a graph window. The dialog only shows this model and forwards the user's choices.
#pragma once

#include "files/DelimitedText.h"
#include "model/BackgroundJob.h"
#include "model/ost2_Types.h"
#include "window/SuperGrWindow.h"

#include <QString>
#include <QStringList>

#include <functional>

// Questions and messages of the model; the dialog answers with message boxes, tests answer directly.
struct TAddGraphsAsker {
    virtual ~TAddGraphsAsker() = default;
    virtual bool AskYesNo(const QString& caption, const QString& text) = 0;
    virtual void ShowMessage(const QString& text) = 0;
};

// The data of an array node: one numeric matrix of a file, stored series by series.
struct TArrayNodeData {
    TDoubleArray2 Series;         // each entry is one series (a column or a row of the file)
    TStrArray Header;             // text lines before the data (a MAT variable: its name)
    bool SeriesInColumns = false; // the series are the file's columns
    int32_t SeriesLength = 0;
    int32_t SeriesCount = 0;
    int32_t CommonArg = -1; // index of the common argument series, -1 for node numbers
    int32_t Strategy = 0;   // argument strategy 0 .. 4
    // Per column of the file: the header's name (empty for none) and whether it holds dates and
    // times; they name and mark the series while the series are the columns.
    QStringList Names;
    QList<bool> DateSeries;
};

// The data of a series node: how its argument is made and where its graph goes.
struct TSeriesNodeData {
    int32_t SeriesIndex = 0;
    int32_t ArgMode = -2;     // -2 the array's common argument, -1 node numbers, k series k
    int32_t TargetGraph = -1; // -1 a new graph, else the list index of a graph to replace
    bool RelativeArg = false;
    Extended ArgScale = 1;
    Extended ArgOffset = 0;
    bool ArgIsDateTime = false;
    Extended ArgUnitDays = 1; // days per argument unit
    bool ArgOtherUnit = false;
    bool UseStartDate = false;
    Extended StartDate = 0; // days since 30 December 1899
    bool EqualScale = false;
};

// State of a series node.
enum TSeriesState : int { ssNotPlotted = 0, ssArgument = 1, ssPlotted = 2 };

struct TSeriesNode {
    QString Caption;
    int State = ssNotPlotted;
    TSeriesNodeData Data;
};

struct TArrayNode {
    QString Caption;
    TArrayNodeData Data;
    QList<TSeriesNode> Series;
};

struct TFileNode {
    QString Caption; // the source's full name
    QList<TArrayNode> Arrays;
};

// A source read off the GUI thread, waiting to enter the tree on it.
struct TSourceReading {
    TFileNode Node;
    // What the reading has to tell, in order: a message, or (Array >= 0) the question whether that
    // array, which held Inf or NaN, is kept.
    struct TNote {
        QString Caption, Text;
        int Array = -1;
    };
    QList<TNote> Notes;
    // A MAT-file that could not be read: the question whether to read it as text.
    QString TextInstead;
    bool Cancelled = false;
};

// A node of the tree: a file (Array and Series -1), an array (Series -1) or a series.
struct TNodeRef {
    int File = -1;
    int Array = -1;
    int Series = -1;
    int Level() const { return File < 0 ? -1 : Array < 0 ? 0 : Series < 0 ? 1 : 2; }
    bool operator==(const TNodeRef&) const = default;
};

class TAddGraphsModel {
public:
    // The target is the graph window graphs are added to; it must outlive the model.
    TAddGraphsModel(TSuperGrWindow& target, TAddGraphsAsker& asker);

    // ---- Texts ----
    static QString Caption();       // the dialog's caption
    static QString NoDataCaption(); // the data group's caption while the tree is empty
    static QStringList StrategyCaptions();
    static QStringList UnitCaptions(); // "в днях" .. "другая единица измерения в секундах"
    enum { UnitDays, UnitHours, UnitMinutes, UnitSeconds, UnitOther };
    // "Всего N массив." / "массива." / "массивов."
    static QString SummaryText(int arrayCount);
    // Today at 00:00 in days since 30 December 1899.
    static Extended Today();
    // A number for an edit field, with 18 significant digits: short numbers stay short, and the last
    // bit of a value computed from a typed one does not show.
    static QString NumberText(Extended value);

    // ---- The tree ----
    const QList<TFileNode>& Files() const { return files_; }
    bool IsEmpty() const { return files_.isEmpty(); }
    int NodeCount() const;
    // Nodes in tree order: a file, then each of its arrays followed by the array's series.
    QList<TNodeRef> NodesInTreeOrder() const;
    TNodeRef NodeAt(int treeIndex) const;
    int TreeIndexOf(const TNodeRef& ref) const;
    bool IsValid(const TNodeRef& ref) const;
    const TArrayNode* ArrayOf(const TNodeRef& ref) const;
    const TSeriesNode* SeriesOf(const TNodeRef& ref) const;

    // ---- Loading ----
    // Files are read through RunJob, which the dialog runs off the GUI thread with progress and
    // cancel; the tree changes afterwards, here.
    TJobRun RunJob = RunJobInline;
    // What the progress says while a file (or, without a name, all text sources) is read.
    static QString ReadingText(const QString& name);
    // Loads each source in turn ("<Clipboard>" reads the clipboard's text); afterwards, when nothing
    // is selected, selects the node at min(3, count - 1). Read failures are reported and skipped; a
    // cancel leaves the tree as it was before the call.
    void LoadSources(const QStringList& names);
    // Loads one source; false when nothing of it entered the tree.
    bool LoadSource(const QString& name);
    // How text sources are split into fields ("Разделитель"); Auto lets each source decide.
    TFieldSeparator FieldSeparator() const { return separator_; }
    // Reads the text sources of the tree again with the new separator, in their places; a cancel
    // keeps the old separator and readings.
    void SetFieldSeparator(TFieldSeparator separator);
    static QStringList SeparatorCaptions(); // Auto .. Semicolon, in the order of TFieldSeparator
    // Empties the tree, the selection and the preview.
    void Clear();

    // ---- Selection (the focused node is the first selected one in tree order) ----
    void SetSelection(const QList<TNodeRef>& nodes);
    const QList<TNodeRef>& Selection() const { return selection_; }
    TNodeRef Focused() const;
    // The arrays the selection stands for: selected arrays, the parents of selected series and the
    // arrays of selected files.
    QList<TNodeRef> SelectedArrays() const;
    QList<TNodeRef> SelectedSeries() const;

    // ---- Series states ----
    // Clicking the state image: a plotted series becomes not plotted, anything else plotted.
    void ToggleState(const TNodeRef& series);
    void SetState(const TNodeRef& series, int state);
    // The tool buttons and popup menu: every series of the selected arrays; arguments only with
    // includeArguments.
    void SelectAllSeries(bool includeArguments);
    void DeselectAllSeries(bool includeArguments);
    void InvertSeries(bool includeArguments);

    // ---- Array settings (every selected array) ----
    void SetSeriesInColumns(bool inColumns);
    void SetStrategy(int strategy);
    void SetCommonArg(int commonArg);
    // "[" columns "x" rows "]" of the file.
    static QString SizeText(const TArrayNodeData& data);
    // "номера узлов", then "столбец 1" .. or "строка 1" ..
    static QStringList CommonArgItems(const TArrayNodeData& data);

    // ---- Series settings (every selected series) ----
    // The argument list of a series of this array: the common entry, node numbers, then the series.
    QStringList ArgumentItems(const TArrayNode& array) const;
    void SetArgMode(int argMode);
    // A text that is no number stores 1 as scale and 0 as offset.
    void SetArgScaleText(const QString& text);
    void SetArgOffsetText(const QString& text);
    void SetRelativeArg(bool on);
    void SetArgIsDateTime(bool on);
    // unit: UnitDays .. UnitOther; otherSeconds is read for UnitOther only.
    void SetArgUnit(int unit, const QString& otherSeconds);
    static int UnitIndex(const TSeriesNodeData& data);
    void SetUseStartDate(bool on);
    void SetStartDate(Extended days);
    void SetTargetGraph(int target);
    void SetEqualScale(bool on);
    // "Новый график", then the target window's graphs by name.
    QStringList TargetItems() const;

    // ---- Building ----
    // The argument and values of a series exactly as they are plotted.
    bool BuildSeries(const TNodeRef& series, TDoubleArray& x, TDoubleArray& y) const;
    // "Добавить": every plotted series in tree order becomes a new graph or replaces the data of its
    // target graph. Returns the number of graphs made or replaced.
    int Build();
    // Progress of Build in percent of the tree's nodes.
    std::function<void(int percent)> OnBuildProgress;
    // The main window's option: graphs added from a file are selected.
    bool AutoSelectNewGraphs = false;

    // ---- Preview ----
    TSuperGrWindow& Preview() { return preview_; }
    void RebuildPreview();
    // The dialog previews the focused series; a model driven without one (the command line) switches
    // the preview off and spares building a graph of every series it walks through.
    bool PreviewShown = true;
    // A run that knows which columns it plots (the command line) reads only those from text tables;
    // the others come empty and give no graph (TTextFile::KeptColumns).
    QList<int> KeptColumns;
    // Without a window nobody answers the question about Inf and NaN in a MAT-file: they become
    // missing values (their nodes are passed over) and a message says how many and where.
    bool NonFiniteAsMissing = false;

private:
    enum class TLoad { Loaded, Nothing, Cancelled };
    TLoad LoadOne(const QString& name);
    bool ReadOffThread(const QString& name, const TJobWork& work) const;
    // The worker's part: the file read into a node, touching nothing of the model.
    static TSourceReading ReadText(const QString& name, TFieldSeparator separator,
                                   const QList<int>& keptColumns, TJobProgress* progress);
    static TSourceReading ReadMat(const QString& name, bool nonFiniteAsMissing, TJobProgress* progress);
    // The GUI thread's part: the messages and questions; false when no array is left.
    bool Accept(TSourceReading& reading);
    // Adds an array node from a matrix of R lines and C values per line.
    // lines: the matrix's columns (linesAreColumns) or its rows, all of one length; names and
    // dates: per column, for a table read with a header or with dates.
    static void AddArray(TFileNode& file, const QString& caption, const TDoubleArray2& lines,
                         bool linesAreColumns, const TStrArray& header, const QStringList& names = {},
                         const QList<bool>& dates = {});
    static void BuildSeriesNodes(TArrayNode& array);
    // A series plotted against a date column gets a date-time argument.
    static void FollowDateArguments(TArrayNode& array);
    static QString SeriesCaption(const TArrayNodeData& data, int index);
    // The name of a graph made from the series: its header name, else the array's caption.
    QString GraphName(const TNodeRef& series) const;
    static void ApplyStrategy(TArrayNode& array);
    TArrayNode* MutableArray(const TNodeRef& ref);
    TSeriesNode* MutableSeries(const TNodeRef& ref);
    template <typename Change> void ForSelectedSeries(Change change, bool rebuildPreview = true);
    template <typename Change> void ForSeriesOfSelectedArrays(Change change);
    void ConfigurePreview();
    // Every visible graph of the target shows all its data in the plot.
    bool AllInsidePlot() const;
    void DropStaleSelection();

    TSuperGrWindow& target_;
    TAddGraphsAsker& asker_;
    TSuperGrWindow preview_;
    QList<TFileNode> files_;
    QList<TNodeRef> selection_;
    TFieldSeparator separator_ = TFieldSeparator::Auto;
};
