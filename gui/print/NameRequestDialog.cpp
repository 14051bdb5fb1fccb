#include "gui/print/NameRequestDialog.h"

#include "gui/widgets/TitleStrip.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TAskUser MessageBoxAsker(QWidget* parent) {
    return [parent](const QString& caption, const QString& text, QMessageBox::StandardButtons buttons) {
        return QMessageBox::question(parent, caption, text, buttons);
    };
}

TStripDialog::TStripDialog(const QString& title, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(title);
    auto* frame = new QFrame;
    frame->setFrameShape(QFrame::Box);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(1, 1, 1, 1);
    inner->setSpacing(0);
    FStrip = new TTitleStrip(title);
    inner->addWidget(FStrip);
    FBody = new QVBoxLayout;
    FBody->setContentsMargins(8, 8, 8, 8);
    inner->addLayout(FBody);
    connect(FStrip, &TTitleStrip::CloseClicked, this, &QDialog::reject);
}

TNameRequestForm::TNameRequestForm(QWidget* parent) : TStripDialog(u"Запрос имени"_s, parent) {
    FPrompt = new QLabel(u"Введите новое имя:"_s);
    FName = new QLineEdit;
    FName->setMinimumWidth(280);
    FOk = new QPushButton(u"ОК"_s);
    auto* cancel = new QPushButton(u"Отмена"_s);
    FOk->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(FOk);
    buttons->addWidget(cancel);
    Body()->addWidget(FPrompt);
    Body()->addWidget(FName);
    Body()->addLayout(buttons);
    connect(FName, &QLineEdit::textChanged, this,
            [this](const QString& text) { FOk->setEnabled(!text.isEmpty()); });
    connect(FOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<QString> TNameRequestForm::Ask(const QString& prompt) {
    FPrompt->setText(prompt);
    FName->clear();
    FOk->setEnabled(false);
    FName->setFocus();
    if (exec() != QDialog::Accepted) return std::nullopt;
    return FName->text();
}
