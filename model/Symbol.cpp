#include "model/Symbol.h"

#include "model/Codecs.h"
#include "model/DrawAdapter.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <algorithm>

namespace {

// Bytes 0x80..0xFF; bytes a code page leaves undefined map to the C1 control of the same number, as
// the platform's conversion does, so every byte survives a round trip.
constexpr char16_t kCp1252High[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152,
    0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, 0x00B0, 0x00B1, 0x00B2, 0x00B3,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0,
    0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD,
    0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA,
    0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4,
    0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

constexpr char16_t kCp1253High[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x008A, 0x2039, 0x008C,
    0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x009A, 0x203A, 0x009C, 0x009D, 0x009E, 0x009F, 0x00A0, 0x0385, 0x0386, 0x00A3, 0x00A4, 0x00A5, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x2015, 0x00B0, 0x00B1, 0x00B2, 0x00B3,
    0x0384, 0x00B5, 0x00B6, 0x00B7, 0x0388, 0x0389, 0x038A, 0x00BB, 0x038C, 0x00BD, 0x038E, 0x038F, 0x0390,
    0x0391, 0x0392, 0x0393, 0x0394, 0x0395, 0x0396, 0x0397, 0x0398, 0x0399, 0x039A, 0x039B, 0x039C, 0x039D,
    0x039E, 0x039F, 0x03A0, 0x03A1, 0x00D2, 0x03A3, 0x03A4, 0x03A5, 0x03A6, 0x03A7, 0x03A8, 0x03A9, 0x03AA,
    0x03AB, 0x03AC, 0x03AD, 0x03AE, 0x03AF, 0x03B0, 0x03B1, 0x03B2, 0x03B3, 0x03B4, 0x03B5, 0x03B6, 0x03B7,
    0x03B8, 0x03B9, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BE, 0x03BF, 0x03C0, 0x03C1, 0x03C2, 0x03C3, 0x03C4,
    0x03C5, 0x03C6, 0x03C7, 0x03C8, 0x03C9, 0x03CA, 0x03CB, 0x03CC, 0x03CD, 0x03CE, 0x00FF,
};

// The symbol font: Latin letters stand for Greek ones, and many other bytes for mathematical signs.
// Other bytes below 0x80 keep their own code; other high bytes go to the private-use codes the
// platform gives symbol-font characters, so no two bytes share a character.
struct TSymbolFontEntry {
    uint8_t Byte;
    char16_t Unicode;
};
constexpr TSymbolFontEntry kSymbolFont[] = {
    {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212}, {0x40, 0x2245},
    {0x41, 0x0391}, {0x42, 0x0392}, {0x43, 0x03A7}, {0x44, 0x0394}, {0x45, 0x0395}, {0x46, 0x03A6},
    {0x47, 0x0393}, {0x48, 0x0397}, {0x49, 0x0399}, {0x4A, 0x03D1}, {0x4B, 0x039A}, {0x4C, 0x039B},
    {0x4D, 0x039C}, {0x4E, 0x039D}, {0x4F, 0x039F}, {0x50, 0x03A0}, {0x51, 0x0398}, {0x52, 0x03A1},
    {0x53, 0x03A3}, {0x54, 0x03A4}, {0x55, 0x03A5}, {0x56, 0x03C2}, {0x57, 0x03A9}, {0x58, 0x039E},
    {0x59, 0x03A8}, {0x5A, 0x0396}, {0x5C, 0x2234}, {0x5E, 0x22A5}, {0x61, 0x03B1}, {0x62, 0x03B2},
    {0x63, 0x03C7}, {0x64, 0x03B4}, {0x65, 0x03B5}, {0x66, 0x03C6}, {0x67, 0x03B3}, {0x68, 0x03B7},
    {0x69, 0x03B9}, {0x6A, 0x03D5}, {0x6B, 0x03BA}, {0x6C, 0x03BB}, {0x6D, 0x03BC}, {0x6E, 0x03BD},
    {0x6F, 0x03BF}, {0x70, 0x03C0}, {0x71, 0x03B8}, {0x72, 0x03C1}, {0x73, 0x03C3}, {0x74, 0x03C4},
    {0x75, 0x03C5}, {0x76, 0x03D6}, {0x77, 0x03C9}, {0x78, 0x03BE}, {0x79, 0x03C8}, {0x7A, 0x03B6},
    {0x7E, 0x223C}, {0xA1, 0x03D2}, {0xA2, 0x2032}, {0xA3, 0x2264}, {0xA4, 0x2044}, {0xA5, 0x221E},
    {0xA6, 0x0192}, {0xA7, 0x2663}, {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660}, {0xAB, 0x2194},
    {0xAC, 0x2190}, {0xAD, 0x2191}, {0xAE, 0x2192}, {0xAF, 0x2193}, {0xB0, 0x00B0}, {0xB1, 0x00B1},
    {0xB2, 0x2033}, {0xB3, 0x2265}, {0xB4, 0x00D7}, {0xB5, 0x221D}, {0xB6, 0x2202}, {0xB7, 0x2022},
    {0xB8, 0x00F7}, {0xB9, 0x2260}, {0xBA, 0x2261}, {0xBB, 0x2248}, {0xBC, 0x2026}, {0xC0, 0x2135},
    {0xC1, 0x2111}, {0xC2, 0x211C}, {0xC3, 0x2118}, {0xC4, 0x2297}, {0xC5, 0x2295}, {0xC6, 0x2205},
    {0xC7, 0x2229}, {0xC8, 0x222A}, {0xC9, 0x2283}, {0xCA, 0x2287}, {0xCB, 0x2284}, {0xCC, 0x2282},
    {0xCD, 0x2286}, {0xCE, 0x2208}, {0xCF, 0x2209}, {0xD0, 0x2220}, {0xD1, 0x2207}, {0xD5, 0x220F},
    {0xD6, 0x221A}, {0xD7, 0x22C5}, {0xD8, 0x00AC}, {0xD9, 0x2227}, {0xDA, 0x2228}, {0xDB, 0x21D4},
    {0xDC, 0x21D0}, {0xDD, 0x21D1}, {0xDE, 0x21D2}, {0xDF, 0x21D3}, {0xE0, 0x25CA}, {0xE1, 0x2329},
    {0xE5, 0x2211}, {0xF1, 0x232A}, {0xF2, 0x222B},
};

enum class TCodePage { Cp1251, Cp1252, Cp1253, SymbolFont };

TCodePage CodePageOf(uint8_t charset) {
    switch (charset) {
    case 0:
        return TCodePage::Cp1252;
    case 2:
        return TCodePage::SymbolFont;
    case 161:
        return TCodePage::Cp1253;
    default:
        return TCodePage::Cp1251; // 204, the default set and everything else: the system's own
    }
}

char16_t DecodeByte(TCodePage page, uint8_t b) {
    switch (page) {
    case TCodePage::Cp1251:
        return codec::Cp1251ToUnicode(b);
    case TCodePage::Cp1252:
        return b < 0x80 ? char16_t(b) : kCp1252High[b - 0x80];
    case TCodePage::Cp1253:
        return b < 0x80 ? char16_t(b) : kCp1253High[b - 0x80];
    case TCodePage::SymbolFont:
        for (const TSymbolFontEntry& e : kSymbolFont)
            if (e.Byte == b) return e.Unicode;
        return b < 0x80 ? char16_t(b) : char16_t(0xF000 + b);
    }
    return char16_t(b);
}

const QHash<char16_t, uint8_t>& EncodeTable(TCodePage page) {
    static const auto build = [](TCodePage p) {
        QHash<char16_t, uint8_t> table;
        // Later bytes must not replace the byte of a character that has its own code below.
        for (int b = 255; b >= 0; --b)
            table.insert(DecodeByte(p, uint8_t(b)), uint8_t(b));
        return table;
    };
    static const QHash<char16_t, uint8_t> tables[4] = {build(TCodePage::Cp1251), build(TCodePage::Cp1252),
                                                       build(TCodePage::Cp1253),
                                                       build(TCodePage::SymbolFont)};
    return tables[int(page)];
}

// Smallest stored sizes, to refuse counts that the bytes left cannot hold.
constexpr int64_t kMinElementBytes = 4 * 10 + 4 + 4 + 4 + 4; // without the character-set byte
constexpr int64_t kMinSymbolBytes = 10 + 4 + 4 + 4;          // older form: aspect, alignments, count
constexpr int64_t kMinOldLibrarySymbolBytes = 4 * 4 + 10 + 4 + 4;
constexpr int64_t kMinOldLibraryElementBytes = 4 * 10 + 1 + 4 + 4 + 8 + 4 + 4;

const QByteArray& LibraryHeader() {
    static const QByteArray header = QByteArrayLiteral("Ostrel2 Symbol library file\x0A\x0D");
    return header;
}

QString DefaultFaceName() {
    return QStringLiteral("Times New Roman");
}

// Int32 length and the bytes, decoded in the element's code page.
QString ReadCharsetText(TByteReader& in, uint8_t charset) {
    const int32_t size = in.Int32();
    const QByteArray bytes = in.Bytes(size);
    return in.Failed() ? QString() : DecodeCharsetText(charset, bytes);
}

bool ReadOldLibrary(TByteReader& in, QList<TSymbol>& symbols) {
    const int32_t count = in.Int32();
    if (in.Failed() || count < 0 || count > in.Remaining() / kMinOldLibrarySymbolBytes) return false;
    for (int32_t s = 0; s < count; ++s) {
        TSymbol symbol;
        in.Skip(8);
        symbol.HAlign = in.Int32();
        symbol.VAlign = in.Int32();
        symbol.Aspect = in.Ext10();
        in.Skip(in.Int32()); // the symbol's name is not kept
        const int32_t elements = in.Int32();
        if (in.Failed() || elements < 0 || elements > in.Remaining() / kMinOldLibraryElementBytes)
            return false;
        for (int32_t e = 0; e < elements; ++e) {
            TPrimitiv p;
            p.FaceName = DefaultFaceName();
            p.X1 = in.Ext10();
            p.Y1 = in.Ext10();
            p.X2 = in.Ext10();
            p.Y2 = in.Ext10();
            p.Charset = in.Byte();
            p.Weight = in.Int32();
            p.Italic = in.Int32();
            in.Skip(8);
            p.Text = ReadCharsetText(in, p.Charset);
            in.Skip(4);
            if (in.Failed()) return false;
            symbol.Prims.append(p);
        }
        symbols.append(symbol);
    }
    return !in.Failed();
}

} // namespace

QString DecodeCharsetText(uint8_t charset, const QByteArray& bytes) {
    const TCodePage page = CodePageOf(charset);
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        text[i] = QChar(DecodeByte(page, uint8_t(bytes[i])));
    return text;
}

QByteArray EncodeCharsetText(uint8_t charset, const QString& text) {
    const QHash<char16_t, uint8_t>& table = EncodeTable(CodePageOf(charset));
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        bytes.append(char(table.value(c.unicode(), uint8_t('?'))));
    return bytes;
}

bool CharsetHolds(uint8_t charset, const QString& text) {
    const QHash<char16_t, uint8_t>& table = EncodeTable(CodePageOf(charset));
    return std::all_of(text.begin(), text.end(), [&](QChar c) { return table.contains(c.unicode()); });
}

int CharsetCodePage(uint8_t charset) {
    switch (CodePageOf(charset)) {
    case TCodePage::Cp1251:
        return 1251;
    case TCodePage::Cp1252:
        return 1252;
    case TCodePage::Cp1253:
        return 1253;
    case TCodePage::SymbolFont:
        break;
    }
    return 0;
}

void WriteSymbol(TByteWriter& out, const TSymbol& symbol) {
    out.Ext10(0); // marks the versioned form
    out.Int32(1);
    out.Ext10(symbol.Aspect);
    out.Int32(symbol.HAlign);
    out.Int32(symbol.VAlign);
    out.Int32(int32_t(symbol.Prims.size()));
    for (const TPrimitiv& p : symbol.Prims) {
        out.Ext10(p.X1);
        out.Ext10(p.Y1);
        out.Ext10(p.X2);
        out.Ext10(p.Y2);
        out.Int32(p.Weight);
        out.Int32(p.Italic);
        out.Byte(p.Charset);
        out.Text(p.FaceName);
        const QByteArray text = EncodeCharsetText(p.Charset, p.Text);
        out.Int32(int32_t(text.size()));
        out.Bytes(text);
    }
}

bool ReadSymbol(TByteReader& in, TSymbol& symbol) {
    symbol.Prims.clear();
    TSymbol read;
    const Extended first = in.Ext10();
    if (in.Failed()) return false;
    const bool versioned = first == 0;
    if (versioned) {
        if (in.Int32() != 1 || in.Failed()) {
            // An unknown version: its length is unknown too, so the enclosing read cannot go on.
            in.Fail();
            return false;
        }
        read.Aspect = in.Ext10();
    } else {
        read.Aspect = first;
    }
    read.HAlign = in.Int32();
    read.VAlign = in.Int32();
    const int32_t count = in.Int32();
    const int64_t elementBytes = kMinElementBytes + (versioned ? 1 : 0);
    if (in.Failed() || count < 0 || count > in.Remaining() / elementBytes) {
        in.Fail();
        return false;
    }
    read.Prims.reserve(count);
    for (int32_t i = 0; i < count; ++i) {
        TPrimitiv p;
        p.X1 = in.Ext10();
        p.Y1 = in.Ext10();
        p.X2 = in.Ext10();
        p.Y2 = in.Ext10();
        p.Weight = in.Int32();
        p.Italic = in.Int32();
        p.Charset = versioned ? in.Byte() : 1;
        p.FaceName = in.Text();
        if (p.FaceName.isEmpty()) p.FaceName = DefaultFaceName();
        p.Text = ReadCharsetText(in, p.Charset);
        if (in.Failed()) return false;
        read.Prims.append(p);
    }
    symbol = read;
    return true;
}

void CopySymbol(const TSymbol& source, TSymbol& dest) {
    dest.Aspect = source.Aspect;
    dest.HAlign = source.HAlign;
    dest.VAlign = source.VAlign;
    dest.Prims = source.Prims;
    dest.Prims.detach(); // the copy owns its elements
}

bool SameSymbol(const TSymbol& a, const TSymbol& b) {
    if (a.Aspect != b.Aspect || a.HAlign != b.HAlign || a.VAlign != b.VAlign ||
        a.Prims.size() != b.Prims.size())
        return false;
    for (qsizetype i = 0; i < a.Prims.size(); ++i) {
        const TPrimitiv& p = a.Prims[i];
        const TPrimitiv& q = b.Prims[i];
        if (p.X1 != q.X1 || p.X2 != q.X2 || p.Y1 != q.Y1 || p.Y2 != q.Y2 || p.Weight != q.Weight ||
            p.Italic != q.Italic || p.Charset != q.Charset || p.FaceName != q.FaceName || p.Text != q.Text)
            return false;
    }
    return true;
}

QByteArray WriteSymbolLibrary(const QList<TSymbol>& symbols) {
    QByteArray bytes = LibraryHeader();
    TByteWriter out(bytes);
    out.Int32(1);
    out.Int32(int32_t(symbols.size()));
    for (const TSymbol& s : symbols)
        WriteSymbol(out, s);
    return bytes;
}

bool ReadSymbolLibrary(const QByteArray& bytes, QList<TSymbol>& symbols) {
    QList<TSymbol> read;
    const QByteArray& header = LibraryHeader();
    if (bytes.startsWith(header)) {
        TByteReader in(bytes.constData() + header.size(), bytes.size() - header.size());
        if (in.Int32() != 1 || in.Failed()) return false;
        const int32_t count = in.Int32();
        if (in.Failed() || count < 0 || count > in.Remaining() / kMinSymbolBytes) return false;
        for (int32_t i = 0; i < count; ++i) {
            TSymbol s;
            if (!ReadSymbol(in, s)) return false;
            read.append(s);
        }
    } else {
        TByteReader in(bytes);
        if (!ReadOldLibrary(in, read)) return false;
    }
    symbols = read;
    return true;
}

bool LoadSymbolLibrary(const QString& fileName, QList<TSymbol>& symbols) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    return ReadSymbolLibrary(bytes, symbols);
}

TRect FitSymbolRect(const TRect& rect, const TSymbol& symbol, bool vertical, bool fit) {
    TRect r = rect;
    const int64_t w = int64_t(r.Right) - r.Left, h = int64_t(r.Bottom) - r.Top;
    if (!fit || w <= 0 || h <= 0) return r;
    Extended aspect = symbol.Aspect > 0 ? symbol.Aspect : 1; // no proportion of its own: square
    if (vertical) aspect = 1 / aspect;
    const Extended ratio = Extended(w) / Extended(h);
    if (aspect == ratio) return r;
    if (aspect >= ratio) {
        const int32_t fitted = RoundHalfEven(Extended(w) / aspect);
        switch (symbol.VAlign) {
        case 0:
            r.Bottom = r.Top + fitted;
            break;
        case 2:
            r.Top = r.Bottom - fitted;
            break;
        default:
            r.Top = int32_t((int64_t(r.Top) + r.Bottom - fitted) / 2);
            r.Bottom = r.Top + fitted;
        }
    } else {
        const int32_t fitted = RoundHalfEven(Extended(h) * aspect);
        switch (symbol.HAlign) {
        case 0:
            r.Right = r.Left + fitted;
            break;
        case 2:
            r.Left = r.Right - fitted;
            break;
        default:
            r.Left = int32_t((int64_t(r.Left) + r.Right - fitted) / 2);
            r.Right = r.Left + fitted;
        }
    }
    return r;
}

namespace {
// base + round(offset), kept far inside the integer range: element boxes far outside the frame come
// from damaged files and must not overflow.
int At(int base, Extended offset) {
    constexpr int64_t kLimit = 1 << 28;
    return int(std::clamp<int64_t>(int64_t(base) + RoundHalfEven(offset), -kLimit, kLimit));
}
} // namespace

QList<TSymbolElementPlacement> PlaceSymbolElements(const TRect& rect, const TSymbol& symbol,
                                                   Extended rotation, bool fit) {
    const bool upwards = RoundHalfEven(rotation * 10) != 0;
    const TRect r = FitSymbolRect(rect, symbol, upwards, fit);
    const Extended w = Extended(r.Right) - r.Left, h = Extended(r.Bottom) - r.Top;
    QList<TSymbolElementPlacement> out;
    if (w <= 0 || h <= 0) return out; // a target without area shows nothing
    for (const TPrimitiv& p : symbol.Prims) {
        TSymbolElementPlacement e;
        e.Text = p.Text.isEmpty() ? QStringLiteral(" ") : p.Text;
        e.Upwards = upwards;
        const Extended n = e.Text.size();
        if (!upwards) {
            const int x1 = At(r.Left, w * p.X1), y1 = At(r.Top, h * p.Y1);
            const int x2 = At(r.Left, w * p.X2), y2 = At(r.Top, h * p.Y2);
            e.Height = y2 - y1;
            e.AverageWidth = RoundHalfEven((x2 - x1) / n);
            e.Length = x2 - x1;
            e.X = x1;
            e.Y = y1;
        } else {
            const int a1 = At(r.Top, h * p.X1), a2 = At(r.Top, h * p.X2);
            const int c1 = At(r.Left, w * p.Y1), c2 = At(r.Left, w * p.Y2);
            e.Height = c2 - c1;
            e.AverageWidth = RoundHalfEven((a2 - a1) / n);
            e.Length = a2 - a1;
            e.X = At(r.Left, w * p.Y1);
            e.Y = At(r.Top, h * (1 - p.X1));
        }
        out.append(e);
    }
    return out;
}

namespace {
// A font whose cell is `height` pixels high and which writes `text` over `length` pixels. The
// platform has no request by average character width; stretching the font until the text spans its
// box gives what that request was for, on every font.
QFont ElementFont(const TPrimitiv& p, const QString& text, int height, int length) {
    QFont font(p.FaceName);
    font.setWeight(QFont::Weight(std::clamp(p.Weight, 1, 1000)));
    font.setItalic(p.Italic != 0);
    font.setStyleHint(QFont::Serif);
    if (!QGuiApplication::instance()) {
        font.setPixelSize(std::max(1, height));
        return font;
    }
    // The cell height counts ascent and descent; the platform sizes fonts by their em.
    font.setPixelSize(1000);
    const QFontMetricsF big(font);
    const qreal cell = big.ascent() + big.descent();
    font.setPixelSize(std::max(1, int(std::lround(height * 1000.0 / (cell > 0 ? cell : 1000.0)))));
    if (length > 0) {
        const qreal natural = QFontMetricsF(font).horizontalAdvance(text);
        if (natural > 0) font.setStretch(std::clamp(int(std::lround(100.0 * length / natural)), 1, 4000));
    }
    return font;
}
} // namespace

void DrawSymbol(TDrawAdapter& dc, const TRect& rect, const TSymbol& symbol, Extended rotation, bool fit,
                TColor color) {
    const TDrawAdapter::TTextState saved = dc.TextState();
    dc.SetTextBackground(false);
    dc.SetTextColor(color); // a system colour is resolved by the adapter
    const QList<TSymbolElementPlacement> placements = PlaceSymbolElements(rect, symbol, rotation, fit);
    for (qsizetype i = 0; i < placements.size(); ++i) {
        const TSymbolElementPlacement& e = placements[i];
        if (e.Height <= 0) continue; // an element without height shows nothing
        dc.SetFont(ElementFont(symbol.Prims[i], e.Text, e.Height, e.Length));
        if (e.Upwards)
            dc.TextOutUp(e.X, e.Y, e.Text);
        else
            dc.TextOut(e.X, e.Y, e.Text);
    }
    dc.SetTextState(saved);
}
