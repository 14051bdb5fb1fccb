#include "gui/symboleditor/CharacterPickerDialog.h"

#include "tools/SymbolEditorModel.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace {
QFontDatabase::WritingSystem WritingSystemOf(uint8_t charset) {
    switch (charset) {
    case 204:
        return QFontDatabase::Cyrillic;
    case 2:
        return QFontDatabase::Symbol;
    case 161:
        return QFontDatabase::Greek;
    case 162:
    case 186:
    case 238:
    case 0:
    case 77:
    case 255:
        return QFontDatabase::Latin;
    case 163:
        return QFontDatabase::Vietnamese;
    case 177:
        return QFontDatabase::Hebrew;
    case 178:
        return QFontDatabase::Arabic;
    case 222:
        return QFontDatabase::Thai;
    case 128:
        return QFontDatabase::Japanese;
    case 129:
    case 130:
        return QFontDatabase::Korean;
    case 134:
        return QFontDatabase::SimplifiedChinese;
    case 136:
        return QFontDatabase::TraditionalChinese;
    default:
        return QFontDatabase::Any;
    }
}
} // namespace

QStringList FontFamiliesFor(uint8_t charset) {
    QStringList families = QFontDatabase::families(WritingSystemOf(charset));
    families.removeDuplicates();
    return families;
}

TCharacterPickerDialog::TCharacterPickerDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Выбор символа"));
    FFont = new QComboBox;
    FCharset = new QComboBox;
    for (const TCharsetEntry& c : kCharsets)
        FCharset->addItem(QString::fromLatin1(c.Name), int(c.Code));
    FTable = new QTableWidget(kPickerRows, kPickerColumns);
    FTable->horizontalHeader()->hide();
    FTable->verticalHeader()->hide();
    FTable->horizontalHeader()->setDefaultSectionSize(28);
    FTable->verticalHeader()->setDefaultSectionSize(28);
    FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FTable->setSelectionMode(QAbstractItemView::SingleSelection);
    FTable->setMinimumSize(16 * 28 + 4, 12 * 28 + 4);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("ОК"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("шрифт")), 0, 0);
    layout->addWidget(FFont, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("кодировка")), 0, 2);
    layout->addWidget(FCharset, 0, 3);
    layout->addWidget(FTable, 1, 0, 1, 4);
    layout->addWidget(buttons, 2, 0, 1, 4);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FTable, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);
    connect(FFont, &QComboBox::currentTextChanged, this, [this] { FillTable(); });
    connect(FCharset, &QComboBox::currentIndexChanged, this, [this] {
        FillFonts(FFont->currentText());
        FillTable();
    });
}

uint8_t TCharacterPickerDialog::Charset() const {
    return uint8_t(FCharset->currentData().toInt());
}

void TCharacterPickerDialog::FillFonts(const QString& keep) {
    const QSignalBlocker block(FFont);
    FFont->clear();
    QStringList families = FontFamiliesFor(Charset());
    if (!keep.isEmpty() && !families.contains(keep)) families.prepend(keep);
    FFont->addItems(families);
    FFont->setCurrentText(keep);
}

void TCharacterPickerDialog::FillTable() {
    QFont font(FFont->currentText());
    font.setPointSize(12);
    FTable->setFont(font);
    for (int row = 0; row < kPickerRows; ++row)
        for (int column = 0; column < kPickerColumns; ++column) {
            auto* item = new QTableWidgetItem(PickerCharacter(Charset(), PickerCode(column, row)));
            item->setTextAlignment(Qt::AlignCenter);
            FTable->setItem(row, column, item);
        }
}

QString TCharacterPickerDialog::Pick(QString& faceName, uint8_t& charset) {
    {
        const QSignalBlocker block(FCharset);
        FCharset->setCurrentIndex(CharsetEntry(charset));
    }
    FillFonts(faceName);
    FillTable();
    if (exec() != QDialog::Accepted || !FTable->currentItem()) return {};
    faceName = FFont->currentText();
    charset = Charset();
    return FTable->currentItem()->text();
}
