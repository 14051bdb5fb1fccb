#include "files/NumberFormat.h"

#include "model/Codecs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace numfmt {
namespace {

constexpr int kMaxDecimals = 60; // far beyond the 20 meaningful digits of an extended value

// Mantissa digits with `decimals` after the point and the decimal exponent ("%.*Le").
struct Scientific {
    QByteArray mantissa; // "d.ddd" or "d"
    int exponent = 0;
};

Scientific ToScientific(Extended magnitude, int decimals) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.*Le", decimals, magnitude);
    QByteArray text(buffer);
    const qsizetype e = text.indexOf('e');
    return {text.left(e), std::atoi(text.constData() + e + 1)};
}

QByteArray ExponentText(int exponent, int minDigits, bool alwaysSign) {
    QByteArray digits = QByteArray::number(std::abs(exponent));
    if (digits.size() < minDigits) digits.prepend(QByteArray(minDigits - digits.size(), '0'));
    if (exponent < 0) return '-' + digits;
    return alwaysSign ? '+' + digits : digits;
}

QByteArray ExponentForm(Extended value, int decimals, int minExponentDigits) {
    Scientific s = ToScientific(std::fabs(value), std::clamp(decimals, 0, kMaxDecimals));
    QByteArray out = std::signbit(value) && value != 0 ? QByteArray("-") : QByteArray();
    return out + s.mantissa + 'E' + ExponentText(s.exponent, minExponentDigits, true);
}

// Appends the decimal digits of n.
// Writes the decimal digits of n ending before `end`, at least minDigits of them (leading zeros);
// returns where they start.
char* DigitsBefore(char* end, unsigned __int128 n, int minDigits = 1) {
    // 128-bit division (a library call) only while 64 bits do not hold the rest.
    while (n > UINT64_MAX) {
        *--end = char('0' + int(n % 10));
        n /= 10;
        --minDigits;
    }
    auto small = static_cast<uint64_t>(n);
    do {
        *--end = char('0' + int(small % 10));
        small /= 10;
        --minDigits;
    } while (small != 0 || minDigits > 0);
    return end;
}

// "%.*Lf" without printf, for the values whose scaled mantissa fits 128 bits: the value is
// m * 2^shift with a 64-bit m, so value * 10^decimals rounded half to even is exact integer
// arithmetic. printf of extended values is several times slower, and long tables are written
// value by value.
bool FastFixedForm(Extended value, int decimals, QByteArray& out) {
    static constexpr auto kPowers = [] {
        std::array<uint64_t, 19> powers{1};
        for (size_t i = 1; i < powers.size(); ++i)
            powers[i] = powers[i - 1] * 10;
        return powers;
    }();
    if (decimals < 0 || decimals > 18) return false;
    // The x87 layout: 64-bit mantissa with its integer bit, then sign and 15-bit biased exponent.
    uint64_t mantissa = 0;
    uint16_t signAndExponent = 0;
    std::memcpy(&mantissa, &value, 8);
    std::memcpy(&signAndExponent, reinterpret_cast<const char*>(&value) + 8, 2);
    const int biased = signAndExponent & 0x7FFF;
    const int shift = std::max(biased, 1) - 16383 - 63;
    unsigned __int128 scaled = 0; // value * 10^decimals, rounded
    if (shift >= 0) {
        if (shift > 60) return false;
        scaled = (unsigned __int128)(mantissa) << shift;
        if (scaled > ~(unsigned __int128)(0) / kPowers[decimals]) return false;
        scaled *= kPowers[decimals];
    } else if (-shift <= 125) {
        const int k = -shift;
        const unsigned __int128 product = (unsigned __int128)(mantissa)*kPowers[decimals];
        scaled = product >> k;
        const unsigned __int128 rest = product - (scaled << k), half = (unsigned __int128)(1) << (k - 1);
        if (rest > half || (rest == half && (scaled & 1) != 0)) ++scaled;
    }
    char buffer[64];
    char* const end = buffer + sizeof buffer;
    char* first = end;
    unsigned __int128 whole = scaled;
    if (decimals > 0) {
        first = DigitsBefore(end, scaled % kPowers[decimals], decimals);
        *--first = '.';
        whole = scaled / kPowers[decimals];
    }
    first = DigitsBefore(first, whole);
    if ((signAndExponent & 0x8000) != 0 && scaled != 0) *--first = '-';
    out = QByteArray(first, end - first);
    return true;
}

QByteArray FixedForm(Extended value, int decimals) {
    QByteArray fast;
    if (FastFixedForm(value, decimals, fast)) return fast;
    char buffer[6000]; // the widest extended value has 4933 integer digits
    std::snprintf(buffer, sizeof buffer, "%.*Lf", std::clamp(decimals, 0, kMaxDecimals), value);
    QByteArray text(buffer);
    if (text.startsWith('-') && text.count('0') == text.size() - 1 - (text.contains('.') ? 1 : 0))
        text.remove(0, 1); // no "-0.00"
    return text;
}

// Reads a run of decimal digits; false when none.
bool ReadInt(const QString& text, qsizetype& pos, int& out) {
    const qsizetype start = pos;
    out = 0;
    while (pos < text.size() && text[pos].isDigit() && text[pos].unicode() < 128) {
        out = std::min(out * 10 + (text[pos].unicode() - '0'), 1000);
        ++pos;
    }
    return pos > start;
}

// Splits a picture at ";" outside quotes.
QStringList Sections(const QString& format) {
    QStringList out;
    QString current;
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u';') {
            out.append(current);
            current.clear();
            continue;
        }
        current.append(c);
    }
    out.append(current);
    return out;
}

QByteArray GroupThousands(const QByteArray& digits) {
    QByteArray out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.append(',');
        out.append(digits[i]);
    }
    return out;
}

// One section of a picture, applied to a non-negative magnitude.
QByteArray Picture(Extended magnitude, const QString& section) {
    QByteArray prefix, suffix;
    int intPlaces = 0, intZeros = 0, fracPlaces = 0, fracZeros = 0, exponentDigits = 0;
    bool point = false, grouping = false, exponent = false, exponentSign = false, anyPlace = false;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype close = section.indexOf(c, i + 1);
            const QString literal = section.mid(i + 1, close < 0 ? -1 : close - i - 1);
            (anyPlace ? suffix : prefix).append(codec::ToCp1251(literal));
            i = close < 0 ? section.size() : close;
        } else if (!exponent && (c == u'0' || c == u'#')) {
            anyPlace = true;
            if (point) {
                ++fracPlaces;
                if (c == u'0') fracZeros = fracPlaces;
            } else {
                ++intPlaces;
                if (c == u'0' || intZeros > 0) ++intZeros;
            }
        } else if (!exponent && c == u'.' && !point) {
            point = true;
            anyPlace = true;
        } else if (!exponent && c == u',' && !point) {
            grouping = true;
        } else if (!exponent && anyPlace && (c == u'E' || c == u'e') && i + 1 < section.size() &&
                   (section[i + 1] == u'+' || section[i + 1] == u'-')) {
            exponent = true;
            exponentSign = section[i + 1] == u'+';
            ++i;
            while (i + 1 < section.size() && section[i + 1] == u'0') {
                ++exponentDigits;
                ++i;
            }
        } else {
            (anyPlace ? suffix : prefix).append(codec::ToCp1251(QString(c)));
        }
    }
    if (!anyPlace) return prefix + suffix;

    QByteArray intPart, fracPart, exponentPart;
    if (exponent) {
        const int leading = std::max(intPlaces, 1);
        Scientific s = ToScientific(magnitude, std::clamp(leading - 1 + fracPlaces, 0, kMaxDecimals));
        QByteArray digits = s.mantissa;
        digits.replace(".", "");
        int exp = s.exponent - (leading - 1);
        if (magnitude == 0) exp = 0;
        intPart = digits.left(leading);
        fracPart = digits.mid(leading);
        exponentPart = QByteArray("E") + ExponentText(exp, exponentDigits, exponentSign);
    } else {
        const QByteArray fixed = FixedForm(magnitude, fracPlaces);
        const qsizetype dot = fixed.indexOf('.');
        intPart = dot < 0 ? fixed : fixed.left(dot);
        fracPart = dot < 0 ? QByteArray() : fixed.mid(dot + 1);
        if (intPart == "0") intPart.clear();
        if (intPart.size() < intZeros) intPart.prepend(QByteArray(intZeros - intPart.size(), '0'));
        if (grouping) intPart = GroupThousands(intPart);
    }
    while (fracPart.size() > fracZeros && fracPart.endsWith('0'))
        fracPart.chop(1);
    QByteArray out = prefix + intPart;
    if (!fracPart.isEmpty()) out += '.' + fracPart;
    if (out.size() == prefix.size()) out += '0'; // "#" of zero still shows a digit
    return out + exponentPart + suffix;
}

QByteArray PictureForm(Extended value, const QString& format) {
    const QStringList sections = Sections(format);
    if (value == 0 && sections.size() >= 3 && !sections[2].isEmpty()) return Picture(0, sections[2]);
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty()) return Picture(-value, sections[1]);
    QByteArray text = Picture(std::fabs(value), sections[0]);
    // A negative value shown by the positive section keeps its sign, unless it rounded to zero.
    if (value < 0 && std::any_of(text.begin(), text.end(), [](char c) { return c >= '1' && c <= '9'; }))
        text.prepend('-');
    return text;
}

} // namespace

QByteArray Format(Extended value, const QString& format) {
    if (std::isnan(value)) return QByteArrayLiteral("NAN");
    if (std::isinf(value)) return value > 0 ? QByteArrayLiteral("INF") : QByteArrayLiteral("-INF");
    if (format.isEmpty()) return ExponentForm(value, 14, 4);
    if (format.startsWith(QLatin1String("%f"))) {
        qsizetype pos = 2;
        int decimals = 0;
        if (ReadInt(format, pos, decimals) && pos == format.size()) return FixedForm(value, decimals);
    } else if (format.startsWith(QLatin1String("%e"))) {
        qsizetype pos = 2;
        int decimals = 0, exponentDigits = 0;
        if (ReadInt(format, pos, decimals) && pos < format.size() && format[pos] == u'.' &&
            ReadInt(format, ++pos, exponentDigits) && pos == format.size())
            return ExponentForm(value, decimals, exponentDigits);
    }
    return PictureForm(value, format);
}

} // namespace numfmt
