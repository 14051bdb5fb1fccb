// The table view component: the graph windows it lists (listening to their events until they are
// released), the tree node chosen in its window, the table of the chosen graph and
// the way edits reach a graph: only by saving them into it, which is one undo step of that
// graph's window. The questions and messages go through the handlers the window installs.
#pragma once

#include "tools/TableModel.h"
#include "window/WindowEvents.h"

#include <QList>
#include <QString>

#include <functional>
#include <vector>

class TGraph;
class TSuperGrWindow;

class TTableView {
public:
    TTableView() = default;
    ~TTableView();
    TTableView(const TTableView&) = delete;
    TTableView& operator=(const TTableView&) = delete;

    enum class TAnswer { Yes, No, Cancel };
    // A question with the caption "Внимание": Yes/No, or Yes/No/Cancel (Cancel without a handler).
    std::function<TAnswer(const QString& text, bool withCancel)> Ask;
    std::function<void(const QString& text)> Message;
    // The windows, their graphs, names or colours changed.
    std::function<void()> OnTreeChanged;

    TTableData Data;

    // ---- Windows ----
    // Lists the window's graphs and follows its changes; a window already listed is ignored.
    void AddWindow(TSuperGrWindow& window);
    // Stops listening to the windows and forgets them.
    void ReleaseWindows();
    int WindowCount() const { return int(hooks_.size()); }
    TSuperGrWindow& Window(int index) const { return *hooks_[index].Window; }
    // The window's caption, else the first line of its top or bottom caption, else its number.
    QString WindowText(int index) const;

    // ---- A node of the tree: a window (ID -1) or a graph of it ----
    struct TNode {
        TSuperGrWindow* Window = nullptr;
        int32_t ID = -1;
        bool operator==(const TNode&) const = default;
        bool IsGraph() const;
        TGraph* Graph() const;
    };
    TNode Selection() const { return selection_; }
    // Moves the selection after ConfirmLeave; false when the user chose to stay.
    bool Select(TNode node);
    // The graph's node; false when the graph is not listed.
    bool SelectGraph(const TGraph* graph);
    TNode NodeOf(const TGraph* graph) const;

    // ---- The window's visibility ----
    // Chooses the first graph when nothing is chosen and loads the selection.
    void Show();
    // False when the user chose to stay.
    bool Hide();
    // Loads the selected graph into the table (nothing while hidden).
    void LoadSelection();

    // ---- Changes and saving ----
    // Asks whether to save the changes into the shown graph before they would be lost; false
    // when the user cancels, or answers Yes while no graph can take them or the table is refused.
    bool ConfirmLeave();
    // Writes the table into the graph (one undo step of its window) and forgets the marks. A table
    // holding an infinite or undefined value is refused with a message and keeps its edits: false.
    bool SaveToGraph(TGraph* target);
    // "Отменить все": reloads the shown graph after asking.
    void CancelAll();
    // An empty graph named `name` in the selected node's window, then shown; false when the user
    // stays or no window is chosen.
    bool NewGraph(const QString& name);
    // Pastes clipboard text; without a table first a graph "Clipboard" when the text fits one.
    bool PasteText(const QString& text);

private:
    struct THook {
        TSuperGrWindow* Window = nullptr;
        QList<int32_t> KnownIDs; // the graphs listed in the tree
        std::vector<TEventConnection> Connections;
    };
    static QList<int32_t> GraphIDs(const TSuperGrWindow& window);
    TAnswer Question(const QString& text, bool withCancel) const;
    void Tell(const QString& text) const;
    int HookIndex(const TComponent* sender) const;
    void GraphsListChanged(TSuperGrWindow& window);
    void GraphDataChanged(TSuperGrWindow& window, int32_t id);
    void WindowDestroyed(TSuperGrWindow& window);
    void TreeChanged();

    std::vector<THook> hooks_;
    TNode selection_;
    TNode loadedNode_; // what the table holds
    bool shown_ = false;
    bool writingBack_ = false;
};
