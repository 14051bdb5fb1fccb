// The in-place caption editor without widgets: which caption the memo edits, the memo's size and
// place over the graph window, and how its lines go back into the window. Every write goes through
// the window's caption setters, so each is one step of the window's undo history.
#pragma once

#include "model/Font.h"
#include "model/ost2_Types.h"

#include <QStringList>

class TSuperGrWindow;

class TCaptionEditModel {
public:
    // The caption the memo edits; kept between openings, so the editor reopens on the last one.
    bool EditingTop = true;

    QStringList Caption(const TSuperGrWindow& window) const;
    const TFontRec& Font(const TSuperGrWindow& window) const;
    TCaptionAlign Align(const TSuperGrWindow& window) const;

    // Writes the memo's lines into the edited caption (nothing when they are the same).
    void Commit(TSuperGrWindow& window, const QStringList& lines) const;
    void SetFont(TSuperGrWindow& window, const TFontRec& font) const;
    void SetAlign(TSuperGrWindow& window, TCaptionAlign align) const;
    // Empties the edited caption.
    void Clear(TSuperGrWindow& window) const { Commit(window, {}); }
    // Writes the memo's lines and turns to the other caption.
    void Switch(TSuperGrWindow& window, const QStringList& lines);

    // The memo's lines for its text: a final line break starts no line of its own.
    static QStringList LinesOfText(const QString& text);
    // The memo's height for its line count and the height h of "W" in the caption's font: one spare
    // line and a 4-pixel frame.
    static int MemoHeight(int lineCount, int lineHeight) { return (lineCount + 1) * lineHeight + 4; }
    // The memo's top: at the window's top for the top caption, its bottom on the window's bottom edge
    // for the bottom one.
    int MemoTop(int windowHeight, int memoHeight) const { return EditingTop ? 0 : windowHeight - memoHeight; }
};
