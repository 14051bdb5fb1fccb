// The calculator's input line without widgets: its undo and redo, the keypad's typing, the argument
// hint, the completion lists and the bracket marks.
#pragma once

#include "window/SuperGrWindow.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// One state of the input line.
struct TInputState {
    QString Text;
    int Caret = 0;
    int SelLength = 0; // the selection runs from Caret, forwards
    bool operator==(const TInputState&) const = default;
};

// Undo and redo of the input line: every change not made by them pushes the previous state.
class TInputUndo {
public:
    const TInputState& Current() const { return FCurrent; }
    // A change of the text; the caret and selection before it are those last tracked.
    void Changed(const TInputState& now);
    void TrackCaret(int caret, int selLength);
    bool CanUndo() const { return !FUndo.isEmpty(); }
    bool CanRedo() const { return !FRedo.isEmpty(); }
    // The restored state; the current one when there is nothing to undo (redo).
    TInputState Undo();
    TInputState Redo();

private:
    TInputState FCurrent;
    QList<TInputState> FUndo, FRedo;
};

namespace calcinput {

// A sign, digit or graph button: its caption typed at the caret over the selection.
TInputState TypeText(const TInputState& s, const QString& text);
// A function button: "name()" with the caret inside, or "name(selection)" after it.
TInputState TypeFunction(const TInputState& s, const QString& name);

// The argument descriptions of the call whose argument list holds the caret, the caret's one to be
// shown in bold; none outside a known call or past its listed arguments.
struct TArgumentHint {
    QStringList Parts;
    int Current = 0;
};
std::optional<TArgumentHint> ArgumentHint(const QString& text, int caret);

// The completion list: the rows for RAND's distribution or DIFF's kind.
enum class TCompletionKind { None, Distribution, DiffKind };
struct TCompletion {
    TCompletionKind Kind = TCompletionKind::None;
    int Start = 0; // where the completed text begins: right after the bracket or the comma
    QStringList Rows;
};
// The list that opens for the character just typed before the caret; Kind None for no list.
TCompletion CompletionAfterTyping(const QString& text, int caret);
// The distribution rows left by the text typed since the bracket; none hides the list.
QStringList DistributionRows(const QString& typed);
// The input after a row is applied, caret after the inserted text (for RAND after ", ").
TInputState ApplyCompletion(const TInputState& s, const TCompletion& c, int row);

// The position of the bracket that matches the one at pos, by nesting; -1 for none.
int MatchingBracket(const QString& text, int pos);

} // namespace calcinput

// The bracket marks: a frame around a typed bracket pair, or a line under the span of a bracket the
// caret was moved to, each erased by its own period on the timer.
class TBracketMarks {
public:
    enum class TKind { None, Frame, Underline };
    struct TMark {
        TKind Kind = TKind::None;
        int From = -1, To = -1; // bracket positions; To is -1 for an unmatched bracket
    };
    explicit TBracketMarks(std::unique_ptr<TWindowTimer> timer);
    const TMark& Mark() const { return FMark; }
    int FramePeriod = 500;
    int UnderlinePeriod = 1000;
    // A bracket typed at pos: a frame when it has a match.
    void Typed(const QString& text, int pos);
    // The caret moved with an arrow key: the bracket just passed (or beside the caret) gets its line.
    void CaretMoved(const QString& text, int caret, bool right);
    void Clear();
    std::function<void()> OnChange;

private:
    void Show(TMark mark, int period);
    std::unique_ptr<TWindowTimer> FTimer;
    TMark FMark;
};
