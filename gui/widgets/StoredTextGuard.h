// Fields whose text a file stores refuse the characters it cannot store where they are typed or
// pasted, and say why in a tool tip under the field.
#pragma once

#include "model/StoredText.h"

#include <QStyledItemDelegate>
#include <QTextEdit>

class QLineEdit;

// The field refuses what the set's code page cannot hold; the validator lets the owner change the set.
storedtext::TValidator* GuardStoredText(QLineEdit* edit, uint8_t charset = storedtext::kFigureCharset);
// The refusal's message in a tool tip under the field.
void TellRefusal(QWidget* field, const QString& message);

// A multi-line edit of figure text (the caption memo) with the same refusal of keys, input-method
// text and pasted or dropped text.
class TStoredTextEdit : public QTextEdit {
    Q_OBJECT
public:
    using QTextEdit::QTextEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // True, after the message, when the text holds a character the file cannot store.
    bool Refuses(const QString& text);
};

// Table cells of figure text edited in guarded line edits.
class TStoredTextDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};
