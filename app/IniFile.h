// Settings files in the classic INI layout: "[Section]" lines, then "Key=Value" lines, in cp1251 with
// CR LF line ends. Our own reader and writer, so that keys keep their order and values their exact
// form; sections and keys are found without regard to case, the first of equal names counts.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

class TIniDocument {
public:
    // Reads any bytes: lines that are neither a section header nor a key line are skipped, as are
    // key lines before the first section.
    static TIniDocument Parse(const QByteArray& bytes);
    // The sections in their order, a blank line between two sections.
    QByteArray ToBytes() const;

    std::optional<QString> Value(const QString& section, const QString& key) const;
    // Replaces the key's value, or appends the key to its section (appended when it is new).
    void SetValue(const QString& section, const QString& key, const QString& value);
    bool IsEmpty() const { return FSections.isEmpty(); }
    struct TKeyName {
        QString Section, Key;
    };
    // Every key in the order of the file.
    QList<TKeyName> Keys() const;

private:
    struct TEntry {
        QString Key, Value;
    };
    struct TSection {
        QString Name;
        QList<TEntry> Entries;
        QHash<QString, qsizetype> Index; // case-folded key -> entry
    };
    // The section's index, appending it when it is new.
    qsizetype Section(const QString& name);
    QList<TSection> FSections;
    QHash<QString, qsizetype> FIndex; // case-folded name -> section
};

namespace ini {
// A whole decimal number, or hexadecimal with the prefix 0x (up to 32 bits, taken as signed);
// nothing for other text and for values beyond the 32-bit range.
std::optional<int32_t> ToInt(const QString& text);
// A decimal real with "." as separator; nothing for other text and for values that are not finite.
std::optional<long double> ToReal(const QString& text);
// General decimal notation with up to 15 significant digits: "0.95", "1.005", "1E-5".
QString FromReal(long double value);
} // namespace ini
