// The symbol library window without widgets: the symbols of the open library, the selected one,
// loading, saving, deleting, adding the editor's symbol, and the layout of the cells.
#pragma once

#include "model/ost2_Types.h"

#include <QList>
#include <QString>

class TSymbolLibraryModel {
public:
    const QList<TSymbol>& Symbols() const { return FSymbols; }
    int Selected() const { return FSelected; }
    // Any index: one that holds no symbol selects nothing (-1).
    void Select(int index);
    bool CanPick() const { return FSelected >= 0; }

    // Replaces the list by the file's symbols ("bsl" or the older "bsf"); false with a message, the
    // list unchanged, when the file cannot be read or is damaged.
    bool Load(const QString& fileName, QString& error);
    bool Save(const QString& fileName, QString& error) const;
    void DeleteSelected();
    // Whether adding would replace: the symbol came from the library and a cell is selected.
    bool WouldReplace(bool fromLibrary) const { return fromLibrary && FSelected >= 0; }
    // Replaces the selected symbol with replace, else appends the symbol and selects it.
    void Add(const TSymbol& symbol, bool replace);

    // Cells of the given width (plus a pixel between) across a grid of the given width less 20
    // pixels for its scroll bar; at least one.
    static int ColumnCount(int gridWidth, int cellWidth);

private:
    QList<TSymbol> FSymbols;
    int FSelected = -1;
};
