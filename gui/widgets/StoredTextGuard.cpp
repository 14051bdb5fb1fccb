#include "gui/widgets/StoredTextGuard.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QToolTip>

storedtext::TValidator* GuardStoredText(QLineEdit* edit, uint8_t charset) {
    auto* validator = new storedtext::TValidator(charset, edit);
    edit->setValidator(validator);
    QObject::connect(edit, &QLineEdit::inputRejected, edit,
                     [edit, validator] { TellRefusal(edit, validator->Refusal()); });
    return validator;
}

void TellRefusal(QWidget* field, const QString& message) {
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), message, field);
}

void TStoredTextEdit::keyPressEvent(QKeyEvent* event) {
    if (Refuses(event->text())) return event->accept();
    QTextEdit::keyPressEvent(event);
}

void TStoredTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (Refuses(event->commitString())) return event->accept();
    QTextEdit::inputMethodEvent(event);
}

void TStoredTextEdit::insertFromMimeData(const QMimeData* source) {
    if (source->hasText() && Refuses(source->text())) return;
    QTextEdit::insertFromMimeData(source);
}

bool TStoredTextEdit::Refuses(const QString& text) {
    // Line breaks and tabs are the memo's own; every line is stored as figure text.
    QString stored = text;
    stored.remove(QLatin1Char('\r')).remove(QLatin1Char('\n')).remove(QChar::ParagraphSeparator);
    const QString refused = storedtext::Unstorable(storedtext::kFigureCharset, stored);
    if (refused.isEmpty()) return false;
    TellRefusal(this, storedtext::RefusalMessage(storedtext::kFigureCharset, refused));
    return true;
}

QWidget* TStoredTextDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) GuardStoredText(edit);
    return editor;
}
