// Composite symbols: small pictures made of text elements, their stream form, comparison, copy,
// drawing and the symbol library files.
#pragma once

#include "model/ByteStream.h"
#include "model/ost2_Types.h"

#include <QByteArray>
#include <QList>
#include <QString>

class TDrawAdapter;

// Writes the current stream form (extended 0.0, version 1, then the symbol).
void WriteSymbol(TByteWriter& out, const TSymbol& symbol);
// Reads the current or the older form (without a version). False, with an empty element list, on a
// damaged stream, a count beyond the bytes left or an unknown version.
bool ReadSymbol(TByteReader& in, TSymbol& symbol);

// Deep copy of every field.
void CopySymbol(const TSymbol& source, TSymbol& dest);
// Equal aspect, alignments and elements (texts and face names compared case-sensitively).
bool SameSymbol(const TSymbol& a, const TSymbol& b);

// Symbol library files: "bsl" (read and written) and the older "bsf" (read only). Loading fails
// without touching `symbols` when the file cannot be read or is damaged; a library of another
// version loads nothing. The library window saves the bytes of WriteSymbolLibrary.
bool LoadSymbolLibrary(const QString& fileName, QList<TSymbol>& symbols);
// The same on bytes in memory.
bool ReadSymbolLibrary(const QByteArray& bytes, QList<TSymbol>& symbols);
QByteArray WriteSymbolLibrary(const QList<TSymbol>& symbols);

// Element texts are stored in the code page of the element's character set (204 and the default
// set: cp1251; 161: cp1253; 0: cp1252; 2, the symbol font: its letters are Greek) and held as
// Unicode in memory, so they draw with any font that has the characters.
QString DecodeCharsetText(uint8_t charset, const QByteArray& bytes);
QByteArray EncodeCharsetText(uint8_t charset, const QString& text);
// Whether the code page of the character set has every character of the text.
bool CharsetHolds(uint8_t charset, const QString& text);
// The Windows code page of a character set (1251, 1252 or 1253); 0 for the symbol font's own set.
int CharsetCodePage(uint8_t charset);

// Draws the symbol into rect in the given colour (a system colour is resolved first). A rotation
// whose tenths round to non-zero draws it upwards; with fit the frame keeps the symbol's aspect
// inside rect, placed by HAlign and VAlign. An aspect of 0 or below counts as 1.
void DrawSymbol(TDrawAdapter& dc, const TRect& rect, const TSymbol& symbol, Extended rotation, bool fit,
                TColor color);
// Where and in which size one element is written: the text's reference point (top-left of its cell,
// or bottom-left when it runs upwards), the font's cell height and average character width.
struct TSymbolElementPlacement {
    int X = 0, Y = 0;
    int Height = 0;
    int AverageWidth = 0;
    int Length = 0; // the box's extent along the text
    bool Upwards = false;
    QString Text; // a blank for an empty element
};
QList<TSymbolElementPlacement> PlaceSymbolElements(const TRect& rect, const TSymbol& symbol,
                                                   Extended rotation, bool fit);

// The rectangle the frame occupies after fitting (the rect itself without fit or when the rect has
// no width or height).
TRect FitSymbolRect(const TRect& rect, const TSymbol& symbol, bool vertical, bool fit);
