// "Выбор символа": a table of the printable codes of a character set in a chosen font.
#pragma once

#include <QDialog>

class QComboBox;
class QTableWidget;

// The font families offered for a character set: the installed families with its writing system.
QStringList FontFamiliesFor(uint8_t charset);

class TCharacterPickerDialog : public QDialog {
    Q_OBJECT
public:
    explicit TCharacterPickerDialog(QWidget* parent = nullptr);
    // Opens on the font and character set given; the picked character with the chosen font and
    // character set, or an empty text when the user cancelled.
    QString Pick(QString& faceName, uint8_t& charset);

private:
    void FillFonts(const QString& keep);
    void FillTable();
    uint8_t Charset() const;

    QComboBox* FFont;
    QComboBox* FCharset;
    QTableWidget* FTable;
};
