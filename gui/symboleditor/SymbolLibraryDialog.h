// "Библиотека символов": the symbols of a library file in a grid of cells; loads, saves, deletes,
// takes the editor's symbol in and hands a chosen one to the editor.
#pragma once

#include "tools/SymbolLibrary.h"

#include <QDialog>

class QPushButton;
class QScrollArea;
class TSymbolGrid;

class TSymbolLibraryDialog : public QDialog {
    Q_OBJECT
public:
    explicit TSymbolLibraryDialog(QWidget* parent = nullptr);
    // Adds the working symbol: replaces the selected one when the symbol came from the library and
    // the user agrees, appends it otherwise. Afterwards the working symbol counts as taken from the
    // library.
    void AddSymbol(const TSymbol& working, bool& fromLibrary);
    // Shows the library; true with the chosen symbol in `working` when the user picked one.
    bool Pick(TSymbol& working, bool& fromLibrary);

protected:
    void showEvent(QShowEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void Refresh();
    void Load();
    void Save();

    TSymbolLibraryModel FModel;
    TSymbolGrid* FGrid;
    QScrollArea* FScroll;
    QPushButton* FOk;
    const TSymbol* FWorking = nullptr;
    bool* FFromLibrary = nullptr;
};
