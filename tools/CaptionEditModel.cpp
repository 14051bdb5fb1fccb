#include "tools/CaptionEditModel.h"

#include "window/SuperGrWindow.h"

QStringList TCaptionEditModel::Caption(const TSuperGrWindow& window) const {
    return EditingTop ? window.TopCaption() : window.BottomCaption();
}

const TFontRec& TCaptionEditModel::Font(const TSuperGrWindow& window) const {
    return EditingTop ? window.TopCaptionFont() : window.BottomCaptionFont();
}

TCaptionAlign TCaptionEditModel::Align(const TSuperGrWindow& window) const {
    return EditingTop ? window.TopCaptionAlign() : window.BottomCaptionAlign();
}

void TCaptionEditModel::Commit(TSuperGrWindow& window, const QStringList& lines) const {
    if (EditingTop)
        window.SetTopCaption(lines);
    else
        window.SetBottomCaption(lines);
}

void TCaptionEditModel::SetFont(TSuperGrWindow& window, const TFontRec& font) const {
    if (EditingTop)
        window.SetTopCaptionFont(font);
    else
        window.SetBottomCaptionFont(font);
}

void TCaptionEditModel::SetAlign(TSuperGrWindow& window, TCaptionAlign align) const {
    if (EditingTop)
        window.SetTopCaptionAlign(align);
    else
        window.SetBottomCaptionAlign(align);
}

void TCaptionEditModel::Switch(TSuperGrWindow& window, const QStringList& lines) {
    Commit(window, lines);
    EditingTop = !EditingTop;
}

QStringList TCaptionEditModel::LinesOfText(const QString& text) {
    if (text.isEmpty()) return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) lines.removeLast();
    return lines;
}
