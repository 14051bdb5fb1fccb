// What the symbol editor keeps between runs: the grid, the snap switch and the ring of recently
// confirmed symbols, in an INI file of its own beside the program's settings. Every value read is
// checked; a missing or bad one takes its default, a damaged stored symbol leaves its slot empty.
#pragma once

#include "app/IniFile.h"
#include "model/ost2_Types.h"

#include <QString>
#include <array>

namespace symbolstore {

inline constexpr int kRecentSlots = 8;
inline constexpr long double kMinGridStep = 0.01L, kMaxGridStep = 1, kDefaultGridStep = 0.05L;
// Far beyond any symbol a user builds; a longer stored one is refused.
inline constexpr int32_t kMaxStoredSymbolBytes = 1 << 20;

// The empty symbol of a slot that holds none: square and centred.
TSymbol EmptySymbol();

struct TSymbolEditorSettings {
    long double GridX = kDefaultGridStep, GridY = kDefaultGridStep;
    bool Snap = false;
    int32_t LastInd = 0; // the slot written last, 1..8; 0 before the first one
    std::array<TSymbol, kRecentSlots> Recent{};

    TSymbolEditorSettings();
    // Writes the symbol to the slot after the last one written (8 wraps to 1) unless a slot holds the
    // same symbol already. True when it was written.
    bool Remember(const TSymbol& symbol);
};

TSymbolEditorSettings FromIni(const TIniDocument& ini);
TIniDocument ToIni(const TSymbolEditorSettings& settings);

// $XDG_CONFIG_HOME/Ostrel/Tarvelo/V1/SymbolEditor.ini, beside the program's settings.
QString StoreFile();
// The defaults when the file does not exist or cannot be read.
TSymbolEditorSettings Read(const QString& fileName);
// Through a temporary file and a rename; false with a message, the old file kept, on failure.
bool Write(const QString& fileName, const TSymbolEditorSettings& settings, QString& error);

} // namespace symbolstore
