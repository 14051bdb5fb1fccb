#include "app/IniFile.h"

#include "files/NumberParser.h"
#include "model/Codecs.h"

#include <cmath>

TIniDocument TIniDocument::Parse(const QByteArray& bytes) {
    TIniDocument doc;
    qsizetype current = -1;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) end = bytes.size();
        const QByteArray line = bytes.mid(start, end - start).trimmed();
        start = end + 1;
        if (line.isEmpty() || line.startsWith(';')) continue;
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            if (close >= 0) current = doc.Section(codec::FromCp1251(line.mid(1, close - 1)).trimmed());
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (current < 0 || equals <= 0) continue;
        const QString key = codec::FromCp1251(line.left(equals)).trimmed();
        TSection& section = doc.FSections[current];
        // The first of equal keys counts.
        if (key.isEmpty() || section.Index.contains(key.toCaseFolded())) continue;
        section.Index.insert(key.toCaseFolded(), section.Entries.size());
        section.Entries.append({key, codec::FromCp1251(line.mid(equals + 1)).trimmed()});
    }
    return doc;
}

QByteArray TIniDocument::ToBytes() const {
    QByteArray out;
    for (const TSection& s : FSections) {
        if (!out.isEmpty()) out += "\r\n";
        out += '[' + codec::ToCp1251(s.Name) + "]\r\n";
        for (const TEntry& e : s.Entries)
            out += codec::ToCp1251(e.Key) + '=' + codec::ToCp1251(e.Value) + "\r\n";
    }
    return out;
}

qsizetype TIniDocument::Section(const QString& name) {
    const QString folded = name.toCaseFolded();
    if (const auto found = FIndex.constFind(folded); found != FIndex.constEnd()) return *found;
    FSections.append({name, {}, {}});
    FIndex.insert(folded, FSections.size() - 1);
    return FSections.size() - 1;
}

std::optional<QString> TIniDocument::Value(const QString& section, const QString& key) const {
    const qsizetype s = FIndex.value(section.toCaseFolded(), -1);
    if (s < 0) return std::nullopt;
    const qsizetype e = FSections[s].Index.value(key.toCaseFolded(), -1);
    if (e < 0) return std::nullopt;
    return FSections[s].Entries[e].Value;
}

QList<TIniDocument::TKeyName> TIniDocument::Keys() const {
    QList<TKeyName> keys;
    for (const TSection& s : FSections)
        for (const TEntry& e : s.Entries)
            keys.append({s.Name, e.Key});
    return keys;
}

void TIniDocument::SetValue(const QString& section, const QString& key, const QString& value) {
    // Indexing the list detaches it from the copies that share its data.
    TSection& s = FSections[Section(section)];
    const QString folded = key.toCaseFolded();
    if (const qsizetype e = s.Index.value(folded, -1); e >= 0) {
        s.Entries[e].Value = value;
        return;
    }
    s.Index.insert(folded, s.Entries.size());
    s.Entries.append({key, value});
}

namespace ini {

std::optional<int32_t> ToInt(const QString& text) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t.remove(0, 1);
    }
    const bool hex = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    if (hex) t.remove(0, 2);
    // Digits only: no blanks, signs or prefixes left inside.
    if (t.isEmpty() || t.size() > 20) return std::nullopt;
    for (QChar c : t)
        if (!(c.isDigit() || (hex && QStringLiteral("abcdefABCDEF").contains(c))) || c.unicode() > 127)
            return std::nullopt;
    bool ok = false;
    const qulonglong magnitude = t.toULongLong(&ok, hex ? 16 : 10);
    if (!ok) return std::nullopt;
    if (hex) {
        // Eight hex digits are a 32-bit pattern: 0xFF00000F is the system colour 15.
        if (magnitude > 0xFFFFFFFFull) return std::nullopt;
        const int32_t bits = int32_t(uint32_t(magnitude));
        return negative ? int32_t(0u - uint32_t(bits)) : bits;
    }
    const long long value = negative ? -(long long)magnitude : (long long)magnitude;
    if (magnitude > 0x80000000ull || value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return int32_t(value);
}

std::optional<long double> ToReal(const QString& text) {
    const QByteArray t = text.trimmed().toLatin1();
    if (t.isEmpty() || t.size() > 400) return std::nullopt;
    Extended value = 0;
    const char* stop = nullptr;
    if (!numparse::ParseExtended(t.constData(), t.constData() + t.size(), value, &stop) ||
        stop != t.constData() + t.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString FromReal(long double value) {
    QString text = QString::number(double(value), 'g', 15).toUpper();
    // "1E-05" -> "1E-5", "1E+20" -> "1E20".
    const qsizetype e = text.indexOf(QLatin1Char('E'));
    if (e >= 0) {
        QString exponent = text.mid(e + 1);
        const bool minus = exponent.startsWith(QLatin1Char('-'));
        if (minus || exponent.startsWith(QLatin1Char('+'))) exponent.remove(0, 1);
        while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0')))
            exponent.remove(0, 1);
        text = text.left(e + 1) + (minus ? QStringLiteral("-") : QString()) + exponent;
    }
    return text;
}

} // namespace ini
