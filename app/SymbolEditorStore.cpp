#include "app/SymbolEditorStore.h"

#include "app/Settings.h"
#include "model/ByteStream.h"
#include "model/Symbol.h"

#include <QFileInfo>

namespace symbolstore {

namespace {
const QString kSection = QStringLiteral("SymbolEdit");

QString SlotKey(const char* name, int slot) {
    return QLatin1StringView(name) + QString::number(slot + 1);
}

long double GridStep(const TIniDocument& ini, const QString& key) {
    const auto text = ini.Value(kSection, key);
    const auto v = text ? ini::ToReal(*text) : std::nullopt;
    return v && *v >= kMinGridStep && *v <= kMaxGridStep ? *v : kDefaultGridStep;
}

// The slot's symbol when its stored length, its bytes and its stream form all agree.
std::optional<TSymbol> StoredSymbol(const TIniDocument& ini, int slot) {
    const auto lengthText = ini.Value(kSection, SlotKey("LastSymLen", slot));
    const auto bytesText = ini.Value(kSection, SlotKey("LastSym", slot));
    const auto length = lengthText ? ini::ToInt(*lengthText) : std::nullopt;
    if (!length || !bytesText || *length <= 0 || *length > kMaxStoredSymbolBytes ||
        bytesText->size() != qsizetype(*length) * 2)
        return std::nullopt;
    const QByteArray hex = bytesText->toLatin1();
    for (const char c : hex)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    const QByteArray bytes = QByteArray::fromHex(hex);
    TByteReader in(bytes);
    TSymbol symbol;
    if (!ReadSymbol(in, symbol) || in.Remaining() != 0) return std::nullopt;
    return symbol;
}
} // namespace

TSymbol EmptySymbol() {
    TSymbol s;
    s.Aspect = 1;
    s.HAlign = 1;
    s.VAlign = 1;
    return s;
}

TSymbolEditorSettings::TSymbolEditorSettings() {
    Recent.fill(EmptySymbol());
}

bool TSymbolEditorSettings::Remember(const TSymbol& symbol) {
    for (const TSymbol& s : Recent)
        if (SameSymbol(s, symbol)) return false;
    LastInd = LastInd >= 1 && LastInd < kRecentSlots ? LastInd + 1 : 1;
    Recent[LastInd - 1] = symbol;
    return true;
}

TSymbolEditorSettings FromIni(const TIniDocument& ini) {
    TSymbolEditorSettings s;
    s.GridX = GridStep(ini, QStringLiteral("GridX"));
    s.GridY = GridStep(ini, QStringLiteral("GridY"));
    if (const auto grid = ini.Value(kSection, QStringLiteral("Grid")))
        s.Snap = ini::ToInt(*grid).value_or(0) == 1;
    if (const auto last = ini.Value(kSection, QStringLiteral("LastInd"))) {
        const int32_t v = ini::ToInt(*last).value_or(0);
        s.LastInd = v >= 1 && v <= kRecentSlots ? v : 0;
    }
    for (int slot = 0; slot < kRecentSlots; ++slot)
        if (const auto symbol = StoredSymbol(ini, slot)) s.Recent[slot] = *symbol;
    return s;
}

TIniDocument ToIni(const TSymbolEditorSettings& s) {
    TIniDocument ini;
    ini.SetValue(kSection, QStringLiteral("GridX"), ini::FromReal(s.GridX));
    ini.SetValue(kSection, QStringLiteral("GridY"), ini::FromReal(s.GridY));
    ini.SetValue(kSection, QStringLiteral("Grid"), QString::number(s.Snap ? 1 : 0));
    ini.SetValue(kSection, QStringLiteral("LastInd"), QString::number(s.LastInd));
    for (int slot = 0; slot < kRecentSlots; ++slot) {
        if (s.Recent[slot].Prims.isEmpty()) continue; // an empty slot is stored as none
        QByteArray bytes;
        TByteWriter out(bytes);
        WriteSymbol(out, s.Recent[slot]);
        ini.SetValue(kSection, SlotKey("LastSym", slot), QString::fromLatin1(bytes.toHex()));
        ini.SetValue(kSection, SlotKey("LastSymLen", slot), QString::number(bytes.size()));
    }
    return ini;
}

QString StoreFile() {
    return QFileInfo(settings::UserStoreFile()).absolutePath() + QStringLiteral("/SymbolEditor.ini");
}

TSymbolEditorSettings Read(const QString& fileName) {
    if (!QFileInfo::exists(fileName)) return {};
    TIniDocument ini;
    QString error;
    if (!settings::ReadFile(fileName, ini, error)) return {};
    return FromIni(ini);
}

bool Write(const QString& fileName, const TSymbolEditorSettings& settings, QString& error) {
    return settings::WriteIniFile(fileName, ToIni(settings), error);
}

} // namespace symbolstore
