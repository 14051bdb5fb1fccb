#include "files/SaveGraphsModel.h"

#include "expr/MathFuncs2.h"
#include "files/MatlabFile.h"
#include "files/TextFile.h"
#include "model/Codecs.h"
#include "model/Graph.h"
#include "window/SuperGrWindow.h"

#include <QLocale>
#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace {
const QString kAllGraphs = QStringLiteral("Все графики");

QString CannotBringToOneArgument(const QString& reason) {
    return QStringLiteral("Невозможно выполнить приведение к одному аргументу.\n\r") + reason;
}

QString NoCommonDomain() {
    return QStringLiteral("Выбранные графики не имеют общей области определения.\n\r"
                          "Сохранение без экстраполяции невозможно.");
}

TCheckState Inverted(TCheckState s) {
    return s == TCheckState::Checked ? TCheckState::Unchecked : TCheckState::Checked;
}

// The union of non-decreasing arrays cut to [lo, hi], strictly increasing: merged in pairs, so the
// work grows with the logarithm of the number of arrays. Equal values are taken once.
TDoubleArray CommonArgument(const TDoubleArray2& arguments, Extended lo, Extended hi) {
    std::vector<TDoubleArray> parts;
    for (const TDoubleArray& x : arguments) {
        TDoubleArray part(std::lower_bound(x.cbegin(), x.cend(), lo),
                          std::upper_bound(x.cbegin(), x.cend(), hi));
        part.erase(std::unique(part.begin(), part.end()), part.end());
        parts.push_back(std::move(part));
    }
    while (parts.size() > 1) {
        std::vector<TDoubleArray> merged;
        for (size_t i = 0; i + 1 < parts.size(); i += 2) {
            TDoubleArray both(parts[i].size() + parts[i + 1].size());
            const auto end = std::set_union(parts[i].cbegin(), parts[i].cend(), parts[i + 1].cbegin(),
                                            parts[i + 1].cend(), both.begin());
            both.resize(end - both.begin());
            merged.push_back(std::move(both));
        }
        if (parts.size() % 2 != 0) merged.push_back(std::move(parts.back()));
        parts = std::move(merged);
    }
    return parts.empty() ? TDoubleArray() : parts.front();
}

// Runs work(j) for j in [0, count) on every core.
void ForEachInParallel(qsizetype count, const std::function<void(qsizetype)>& work) {
    std::atomic<qsizetype> next{0};
    const auto run = [&] {
        for (qsizetype j; (j = next++) < count;)
            work(j);
    };
    const qsizetype threads = std::min<qsizetype>(std::max(1u, std::thread::hardware_concurrency()), count);
    std::vector<std::thread> helpers;
    for (qsizetype t = 1; t < threads; ++t)
        helpers.emplace_back(run);
    run();
    for (std::thread& helper : helpers)
        helper.join();
}

bool ValidMatName(const QString& name) {
    return !name.isEmpty() && TMatlabFile::MakeMatName(name) == name;
}

// base, base_1, base_2, ... : the first that `taken` does not hold.
QString FirstFree(const QString& base, const std::function<bool(const QString&)>& taken, int maxLength = -1) {
    QString name = maxLength >= 0 ? base.left(maxLength) : base;
    for (int n = 1; taken(name); ++n) {
        const QString suffix = QLatin1Char('_') + QString::number(n);
        name = (maxLength >= 0 ? base.left(maxLength - suffix.size()) : base) + suffix;
    }
    return name;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Options.

QString TSaveGraphsOptions::TextFormat() const {
    switch (NumberStyle) {
    case TNumberStyle::Mask:
        return Mask;
    case TNumberStyle::Floating:
        return QStringLiteral("%e%1.%2").arg(FloatDecimals).arg(ExponentDigits);
    case TNumberStyle::Fixed:
        break;
    }
    return QStringLiteral("%f%1").arg(FixedDecimals);
}

char TSaveGraphsOptions::TextSeparator() const {
    switch (Separator) {
    case TSeparatorKind::Blank:
        return ' ';
    case TSeparatorKind::Tab:
        return '\t';
    case TSeparatorKind::Other:
        break;
    }
    const QString text = OtherSeparator.isEmpty() ? DefaultListSeparator() : OtherSeparator;
    return codec::ToCp1251(text.left(1)).at(0);
}

QString TSaveGraphsOptions::DefaultListSeparator() {
    return QLocale::system().decimalPoint() == QLatin1String(",") ? QStringLiteral(";") : QStringLiteral(",");
}

// ---------------------------------------------------------------------------------------------
// The tree.

QString WindowNodeText(const TSuperGrWindow& window, const QString& fallbackName) {
    if (!window.Caption.isEmpty()) return window.Caption;
    const QString top = window.TopCaption().join(QLatin1Char(' ')).trimmed();
    if (!top.isEmpty()) return top;
    const QString bottom = window.BottomCaption().join(QLatin1Char(' ')).trimmed();
    return bottom.isEmpty() ? fallbackName : bottom;
}

void TSaveGraphsModel::Clear() {
    windows_.clear();
    names_.clear();
}

void TSaveGraphsModel::AddWindow(TSuperGrWindow* window, const QString& fallbackName) {
    if (!window) return;
    for (const TWindowNode& node : windows_)
        if (node.Window == window) return;
    TWindowNode node;
    node.Window = window;
    node.Text = WindowNodeText(*window, fallbackName);
    for (int i = 0; i < window->GraphCount(); ++i)
        node.Graphs.append({window->GraphByIndex(i), TCheckState::Unchecked});
    windows_.append(node);
}

void TSaveGraphsModel::UpdateWindowState(TWindowNode& node) {
    if (node.Graphs.isEmpty()) return;
    node.State = node.Graphs.first().State;
    for (const TGraphNode& g : node.Graphs)
        if (g.State != node.State) node.State = TCheckState::Partly;
}

void TSaveGraphsModel::ClickCheck(int window, int graph) {
    if (window < 0 || window >= windows_.size()) return;
    TWindowNode& node = windows_[window];
    if (graph < 0) {
        node.State = node.State == TCheckState::Unchecked ? TCheckState::Checked : TCheckState::Unchecked;
        for (TGraphNode& g : node.Graphs)
            g.State = node.State;
    } else if (graph < node.Graphs.size()) {
        TCheckState& state = node.Graphs[graph].State;
        state = state == TCheckState::Unchecked ? TCheckState::Checked : TCheckState::Unchecked;
        UpdateWindowState(node);
    }
    RebuildNames();
}

void TSaveGraphsModel::ApplyMenu(TTreeMenuAction action, int window) {
    for (int w = 0; w < windows_.size(); ++w) {
        if (window >= 0 && w != window) continue;
        TWindowNode& node = windows_[w];
        const auto apply = [action](TCheckState& s) {
            s = action == TTreeMenuAction::CheckAll     ? TCheckState::Checked
                : action == TTreeMenuAction::UncheckAll ? TCheckState::Unchecked
                                                        : Inverted(s);
        };
        for (TGraphNode& g : node.Graphs)
            apply(g.State);
        // A partly checked window follows its graphs, whatever the action.
        if (node.Graphs.isEmpty())
            apply(node.State);
        else
            UpdateWindowState(node);
    }
    RebuildNames();
}

bool TSaveGraphsModel::MoveGraph(int fromWindow, int fromGraph, int targetWindow, int targetGraph) {
    if (fromWindow < 0 || fromWindow >= windows_.size() || targetWindow < 0 ||
        targetWindow >= windows_.size())
        return false;
    QList<TGraphNode>& source = windows_[fromWindow].Graphs;
    QList<TGraphNode>& target = windows_[targetWindow].Graphs;
    if (fromGraph < 0 || fromGraph >= source.size() || targetGraph >= target.size()) return false;
    if (fromWindow == targetWindow && fromGraph == targetGraph) return false;
    const TGraphNode moved = source.takeAt(fromGraph);
    int at = targetGraph + 1; // right after the target; a window node: first
    if (fromWindow == targetWindow && fromGraph < at) --at;
    target.insert(at, moved);
    UpdateWindowState(windows_[fromWindow]);
    UpdateWindowState(windows_[targetWindow]);
    RebuildNames();
    return true;
}

bool TSaveGraphsModel::AnyChecked() const {
    return !CheckedGraphs().isEmpty();
}

QList<TGraph*> TSaveGraphsModel::CheckedGraphs() const {
    QList<TGraph*> graphs;
    for (const TWindowNode& node : windows_)
        for (const TGraphNode& g : node.Graphs)
            if (g.State == TCheckState::Checked) graphs.append(g.Graph);
    return graphs;
}

// ---------------------------------------------------------------------------------------------
// The names.

void TSaveGraphsModel::SetCommonArgument(bool common) {
    Options.CommonArgument = common;
    RebuildNames();
}

void TSaveGraphsModel::RebuildNames() {
    if (Options.CommonArgument) {
        names_ = {{kAllGraphs, nullptr, CommonVarName, CommonBookName}};
        wasCommon_ = true;
        return;
    }
    if (wasCommon_ && names_.size() == 1 && names_[0].Label == kAllGraphs) {
        CommonVarName = names_[0].VarName;
        CommonBookName = names_[0].SheetName;
    }
    wasCommon_ = false;
    names_.clear();
    for (TGraph* graph : CheckedGraphs()) {
        names_.append(
            {graph->Name(), graph, TMatlabFile::MakeMatName(graph->Name()), CleanSheetName(graph->Name())});
        MakeUnique(int(names_.size()) - 1, &TNameRow::VarName, true);
        MakeUnique(int(names_.size()) - 1, &TNameRow::SheetName, false);
    }
    if (names_.isEmpty()) names_.append(TNameRow{});
}

void TSaveGraphsModel::MakeUnique(int row, QString TNameRow::*field, bool caseSensitive) {
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const auto taken = [&](const QString& name) {
        for (int r = 0; r < names_.size(); ++r)
            if (r != row && (names_[r].*field).trimmed().compare(name, cs) == 0) return true;
        return false;
    };
    const bool sheet = field == &TNameRow::SheetName;
    QString& name = names_[row].*field;
    name = FirstFree(name.trimmed(), taken, sheet ? kMaxSheetName : -1);
}

void TSaveGraphsModel::SetVarName(int row, const QString& name) {
    if (row >= 0 && row < names_.size()) names_[row].VarName = name;
}

void TSaveGraphsModel::SetSheetName(int row, const QString& name) {
    if (row >= 0 && row < names_.size()) names_[row].SheetName = name;
}

void TSaveGraphsModel::CommitVarName(int row) {
    if (row >= 0 && row < names_.size()) MakeUnique(row, &TNameRow::VarName, true);
}

void TSaveGraphsModel::CommitSheetName(int row) {
    if (row < 0 || row >= names_.size()) return;
    names_[row].SheetName = CleanSheetName(names_[row].SheetName);
    MakeUnique(row, &TNameRow::SheetName, false);
}

QString TSaveGraphsModel::CleanSheetName(const QString& name) {
    QString clean = name.trimmed();
    for (QChar& c : clean)
        if (QStringLiteral("[]:*?/\\").contains(c) || c.category() == QChar::Other_Control) c = u'_';
    while (clean.startsWith(QLatin1Char('\'')))
        clean.remove(0, 1);
    clean = clean.left(kMaxSheetName);
    while (clean.endsWith(QLatin1Char('\'')))
        clean.chop(1);
    return clean.isEmpty() ? QStringLiteral("Лист") : clean;
}

QStringList TSaveGraphsModel::VarNamesFor(const QList<TExportBlock>& blocks) const {
    QStringList out;
    for (int j = 0; j < blocks.size(); ++j) {
        QString name = j < names_.size() ? names_[j].VarName.trimmed() : QString();
        if (name.isEmpty()) name = blocks[j].Name;
        if (!ValidMatName(name)) name = TMatlabFile::MakeMatName(name);
        // The writer keeps one variable per name: a second one would replace the first.
        out.append(FirstFree(name, [&out](const QString& n) { return out.contains(n); }));
    }
    return out;
}

QStringList TSaveGraphsModel::SheetNamesFor(const QList<TExportBlock>& blocks) const {
    QStringList out;
    for (int j = 0; j < blocks.size(); ++j) {
        const QString name =
            CleanSheetName(j < names_.size() && !names_[j].SheetName.trimmed().isEmpty() ? names_[j].SheetName
                                                                                         : blocks[j].Name);
        out.append(FirstFree(
            name, [&out](const QString& n) { return out.contains(n, Qt::CaseInsensitive); }, kMaxSheetName));
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// The blocks.

bool TSaveGraphsModel::BuildBlocks(QList<TExportBlock>& blocks, QString& message) const {
    blocks.clear();
    message.clear();
    for (TGraph* graph : CheckedGraphs()) {
        TExportBlock block;
        block.Rows.resize(2);
        graph->GetXY(block.Rows[0], block.Rows[1]);
        block.Name = graph->Name();
        blocks.append(block);
    }
    if (blocks.isEmpty()) {
        message = QStringLiteral("Нечего сохранять!");
        return false;
    }
    if (!Options.CommonArgument || blocks.size() == 1) return true;

    TExportBlock common;
    common.Name = kAllGraphs;
    const TDoubleArray& firstX = blocks[0].Rows[0];
    const bool sameX = std::all_of(blocks.cbegin(), blocks.cend(),
                                   [&firstX](const TExportBlock& b) { return b.Rows[0] == firstX; });
    if (sameX) {
        common.Rows.append(firstX);
        for (const TExportBlock& b : blocks)
            common.Rows.append(b.Rows[1]);
        blocks = {common};
        return true;
    }
    for (const TExportBlock& b : blocks) {
        const QString quoted = QLatin1Char('"') + b.Name + QLatin1Char('"');
        if (!mathfuncs::IsNonDecreasing(b.Rows[0])) {
            message = CannotBringToOneArgument(QStringLiteral("График ") + quoted +
                                               QStringLiteral(" не является монотонным по аргументу."));
            return false;
        }
        // Interpolation needs two nodes; a graph of fewer cannot be brought onto other arguments.
        if (b.Rows[0].size() < 2) {
            message = CannotBringToOneArgument(QStringLiteral("График ") + quoted +
                                               QStringLiteral(" содержит меньше двух точек."));
            return false;
        }
    }
    const bool extrapolate = Options.ExtrapKind != 0;
    Extended lo = blocks[0].Rows[0].constFirst(), hi = blocks[0].Rows[0].constLast();
    TDoubleArray2 arguments;
    for (const TExportBlock& b : blocks) {
        const TDoubleArray& x = b.Rows[0];
        lo = extrapolate ? std::min(lo, x.constFirst()) : std::max(lo, x.constFirst());
        hi = extrapolate ? std::max(hi, x.constLast()) : std::min(hi, x.constLast());
        arguments.append(x);
    }
    if (hi < lo) {
        message = NoCommonDomain();
        return false;
    }
    const TDoubleArray x = CommonArgument(arguments, lo, hi);
    if (x.isEmpty()) {
        message = NoCommonDomain();
        return false;
    }
    // Only const access from the threads: the arrays are shared with the graphs.
    const QList<TExportBlock>& graphs = blocks;
    std::vector<TDoubleArray> values(graphs.size());
    ForEachInParallel(graphs.size(), [&](qsizetype j) {
        values[j] = mathfuncs::Resample(x, graphs[j].Rows[0], graphs[j].Rows[1], {}, Options.InterpKind,
                                        Options.ExtrapKind);
    });
    common.Rows.append(x);
    for (TDoubleArray& y : values) {
        if (y.size() != x.size()) {
            message = NoCommonDomain();
            return false;
        }
        common.Rows.append(std::move(y));
    }
    blocks = {common};
    return true;
}

// ---------------------------------------------------------------------------------------------
// The writers.

bool TSaveGraphsModel::WriteText(const QString& fileName, const QList<TExportBlock>& blocks,
                                 QString& message) const {
    TTextFile file;
    for (int j = 0; j < blocks.size(); ++j)
        file.SetVariable(-1, blocks[j].Rows, !Options.Vertical);
    file.SetFormat(-1, Options.TextFormat(), Options.Pad ? Options.PadWidth : 0);
    file.SetOutSeparator(Options.TextSeparator());
    const bool ok = file.SaveToFile(fileName, true, false);
    message = file.ErrorMessage();
    return ok;
}

bool TSaveGraphsModel::WriteMat(const QString& fileName, const QList<TExportBlock>& blocks,
                                QString& message) const {
    TMatlabFile file;
    file.Compressed = Options.CompressedMat;
    const QStringList names = VarNamesFor(blocks);
    for (int j = 0; j < blocks.size(); ++j)
        file.SetVariable(names[j], blocks[j].Rows, Options.Vertical);
    const bool ok = file.SaveToFile(fileName, true, false);
    message = file.ErrorMessage();
    return ok;
}
