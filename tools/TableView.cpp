#include "tools/TableView.h"

#include "model/Graph.h"
#include "tools/TableOperations.h"
#include "window/SuperGrWindow.h"

#include <algorithm>
#include <cmath>

namespace {
const QString kNoGraphToWrite = QStringLiteral("Нет графика для записи!");
}

TTableView::~TTableView() {
    ReleaseWindows();
}

bool TTableView::TNode::IsGraph() const {
    return Graph() != nullptr;
}

TGraph* TTableView::TNode::Graph() const {
    return Window && ID >= 0 ? Window->GraphByID(ID) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Windows

void TTableView::AddWindow(TSuperGrWindow& window) {
    if (HookIndex(&window) >= 0) return;
    TWindowEvents& ev = window.Events;
    TSuperGrWindow* w = &window;
    THook& hook = hooks_.emplace_back(THook{w, GraphIDs(window), {}});
    hook.Connections.push_back(
        ev.OnGraphsListChanged.Listen([this, w](TComponent*, const QStringList&) { GraphsListChanged(*w); }));
    hook.Connections.push_back(
        ev.OnChangeGraphData.Listen([this, w](TComponent*, int id) { GraphDataChanged(*w, id); }));
    hook.Connections.push_back(ev.OnChangeGraphStyle.Listen([this, w](TComponent*, int id, int vtype, int) {
        if (shown_ && !writingBack_ && vtype == StyleChange::Color && w->GraphByID(id)) TreeChanged();
    }));
    hook.Connections.push_back(ev.OnDestroy.Listen([this, w](TComponent*) { WindowDestroyed(*w); }));
    if (!selection_.Window && window.GraphCount() > 0) selection_ = {w, window.GraphByIndex(0)->ID};
    LoadSelection();
    TreeChanged();
}

void TTableView::ReleaseWindows() {
    hooks_.clear();
    selection_ = {};
    TreeChanged();
}

QString TTableView::WindowText(int index) const {
    const TSuperGrWindow& w = Window(index);
    if (!w.Caption.isEmpty()) return w.Caption;
    for (const QStringList* lines : {&w.TopCaption(), &w.BottomCaption()}) {
        const QString text = lines->join(QLatin1Char(' '));
        if (!text.trimmed().isEmpty()) return text;
    }
    return QStringLiteral("Рисунок %1").arg(index + 1);
}

QList<int32_t> TTableView::GraphIDs(const TSuperGrWindow& window) {
    QList<int32_t> ids;
    for (int i = 0; i < window.GraphCount(); ++i)
        ids.append(window.GraphByIndex(i)->ID);
    return ids;
}

TTableView::TAnswer TTableView::Question(const QString& text, bool withCancel) const {
    return Ask ? Ask(text, withCancel) : TAnswer::Cancel;
}

void TTableView::Tell(const QString& text) const {
    if (Message) Message(text);
}

int TTableView::HookIndex(const TComponent* sender) const {
    for (size_t i = 0; i < hooks_.size(); ++i)
        if (hooks_[i].Window == sender) return int(i);
    return -1;
}

void TTableView::TreeChanged() {
    if (OnTreeChanged) OnTreeChanged();
}

void TTableView::GraphsListChanged(TSuperGrWindow& window) {
    if (selection_.Window == &window && selection_.ID >= 0 && !selection_.IsGraph()) selection_ = {};
    QList<int32_t>& known = hooks_[HookIndex(&window)].KnownIDs;
    const QList<int32_t> ids = GraphIDs(window);
    for (const int32_t id : ids)
        if (!known.contains(id) && (!selection_.Window || selection_.ID < 0)) selection_ = {&window, id};
    known = ids;
    // The table keeps its unsaved changes while its graph stays chosen.
    if (loadedNode_ != selection_ || !selection_.IsGraph()) LoadSelection();
    TreeChanged();
}

void TTableView::GraphDataChanged(TSuperGrWindow& window, int32_t id) {
    if (!shown_ || writingBack_ || selection_ != TNode{&window, id}) return;
    // Nothing to lose: the table follows the graph.
    if (!Data.HasChanges() ||
        Question(QStringLiteral("Данные текущего графика были изменены.\n\rЗагрузить новые данные?"),
                 false) == TAnswer::Yes) {
        LoadSelection();
        return;
    }
    Data.KeepDataOverSource();
}

void TTableView::WindowDestroyed(TSuperGrWindow& window) {
    hooks_.erase(hooks_.begin() + HookIndex(&window));
    if (selection_.Window == &window) {
        selection_ = {};
        Data.Unload();
    }
    TreeChanged();
}

// ---------------------------------------------------------------------------------------------
// Selection and loading

bool TTableView::Select(TNode node) {
    if (node == selection_) return true;
    if (!ConfirmLeave()) return false;
    selection_ = node;
    LoadSelection();
    return true;
}

TTableView::TNode TTableView::NodeOf(const TGraph* graph) const {
    for (const THook& hook : hooks_)
        if (graph && hook.Window->IndexOfGraph(graph) >= 0) return {hook.Window, graph->ID};
    return {};
}

bool TTableView::SelectGraph(const TGraph* graph) {
    const TNode node = NodeOf(graph);
    return node.Window && Select(node);
}

void TTableView::Show() {
    if (!selection_.Window)
        for (const THook& hook : hooks_)
            if (hook.Window->GraphCount() > 0) {
                selection_ = {hook.Window, hook.Window->GraphByIndex(0)->ID};
                break;
            }
    shown_ = true;
    LoadSelection();
}

bool TTableView::Hide() {
    if (!ConfirmLeave()) return false;
    shown_ = false;
    Data.History.Clear();
    return true;
}

void TTableView::LoadSelection() {
    if (!shown_) return;
    loadedNode_ = selection_;
    Data.Load(selection_.Graph());
}

// ---------------------------------------------------------------------------------------------
// Changes and saving

bool TTableView::ConfirmLeave() {
    if (!Data.HasChanges()) return true;
    switch (Question(QStringLiteral("При переходе к другому графику сделанные изменения\n\rбудут утеряны. "
                                    "Сохранить их в текущем графике?"),
                     true)) {
    case TAnswer::Cancel:
        return false;
    case TAnswer::No:
        Data.ForgetChanges();
        return true;
    case TAnswer::Yes:
        break;
    }
    TGraph* graph = selection_.Graph();
    if (!graph) {
        // The changes stay, so that the user can save them into another graph.
        Tell(kNoGraphToWrite);
        return false;
    }
    return SaveToGraph(graph);
}

namespace {
// The 1-based number of the first row holding a value that is infinite or not a number; 0 for none.
int FirstNonFiniteRow(const TDoubleArray2& columns) {
    int first = 0;
    for (const TDoubleArray& column : columns) {
        const auto bad =
            std::find_if(column.cbegin(), column.cend(), [](Extended v) { return !std::isfinite(v); });
        const int row = bad == column.cend() ? 0 : int(bad - column.cbegin()) + 1;
        if (row > 0 && (first == 0 || row < first)) first = row;
    }
    return first;
}
} // namespace

bool TTableView::SaveToGraph(TGraph* target) {
    if (!target) {
        Tell(kNoGraphToWrite);
        return false;
    }
    if (Data.ColumnCount() < 2) {
        Tell(QStringLiteral("Нет данных для записи!"));
    } else if (const int row = FirstNonFiniteRow(Data.Columns()); row > 0) {
        // The edits stay, so that the user can mend the row.
        Tell(QStringLiteral("В строке %1 таблицы бесконечное или неопределённое значение. "
                            "Данные не записаны в график.")
                 .arg(row));
        return false;
    } else {
        writingBack_ = true;
        const TDoubleArray2& c = Data.Columns();
        target->SetData(c[0], c[1], c.size() > 2 ? c[2] : TDoubleArray());
        writingBack_ = false;
    }
    Data.ForgetChanges();
    return true;
}

void TTableView::CancelAll() {
    if (Question(QStringLiteral("Все последние изменения будут утеряны. Продолжить?"), false) == TAnswer::Yes)
        LoadSelection();
}

bool TTableView::NewGraph(const QString& name) {
    TSuperGrWindow* window = selection_.Window;
    if (!window || name.isEmpty() || !ConfirmLeave()) return false;
    if (!window->AddGraph(name, false, {}, {}, {})) return false;
    // The tree listed the new graph while the old one was still chosen: it follows the choice now.
    selection_ = {window, window->GraphByIndex(window->GraphCount() - 1)->ID};
    LoadSelection();
    TreeChanged();
    return true;
}

bool TTableView::PasteText(const QString& text) {
    const QList<TDoubleArray> lines = tableops::ParsePasteText(text);
    if (!Data.HasTable() && (!tableops::FitsNewGraph(lines) || !NewGraph(QStringLiteral("Clipboard"))))
        return false;
    return tableops::Paste(Data, lines);
}
