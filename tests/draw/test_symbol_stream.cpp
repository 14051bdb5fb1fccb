#include "model/Codecs.h"
#include "model/Symbol.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TPrimitiv Element(const QString& text, uint8_t charset = 204, const QString& face = QStringLiteral("Arial")) {
    TPrimitiv p;
    p.X1 = 0.125L;
    p.Y1 = 0.25L;
    p.X2 = 0.875L;
    p.Y2 = 0.75L;
    p.Weight = 600;
    p.Italic = 1;
    p.Charset = charset;
    p.FaceName = face;
    p.Text = text;
    return p;
}

TSymbol Sample() {
    TSymbol s;
    s.Aspect = 2;
    s.HAlign = 0;
    s.VAlign = 2;
    s.Prims = {Element(QStringLiteral("Ф")),
               Element(QStringLiteral("αβ"), 161, QStringLiteral("Times New Roman"))};
    return s;
}

QByteArray Ext(Extended v) {
    const codec::Ext10 e = codec::EncodeExtended(v);
    return QByteArray(reinterpret_cast<const char*>(e.data()), 10);
}

QByteArray Int(int32_t v) {
    QByteArray b;
    TByteWriter(b).Int32(v);
    return b;
}

QByteArray Written(const TSymbol& s) {
    QByteArray b;
    TByteWriter out(b);
    WriteSymbol(out, s);
    return b;
}

} // namespace

TEST(SymbolStream, ByteLayout) {
    TSymbol s;
    s.Aspect = 2;
    s.HAlign = 0;
    s.VAlign = 2;
    s.Prims = {Element(QStringLiteral("Ф"))};
    QByteArray expected = QByteArray(10, '\0') + Int(1) + Ext(2) + Int(0) + Int(2) + Int(1);
    expected += Ext(0.125L) + Ext(0.25L) + Ext(0.875L) + Ext(0.75L) + Int(600) + Int(1);
    expected +=
        QByteArray(1, char(204)) + Int(5) + QByteArrayLiteral("Arial") + Int(1) + QByteArray(1, char(0xD4));
    EXPECT_EQ(Written(s), expected);
    // An empty symbol: marker, version, aspect, alignments and a zero count.
    EXPECT_EQ(Written(TSymbol{}).size(), 10 + 4 + 10 + 4 + 4 + 4);
}

TEST(SymbolStream, RoundTripComparesEqual) {
    const TSymbol s = Sample();
    const QByteArray bytes = Written(s) + QByteArrayLiteral("next");
    TByteReader in(bytes);
    TSymbol read;
    ASSERT_TRUE(ReadSymbol(in, read));
    EXPECT_TRUE(SameSymbol(read, s));
    EXPECT_EQ(read.Prims[1].Text, QStringLiteral("αβ"));
    EXPECT_EQ(in.Remaining(), 4); // exactly the symbol's bytes were consumed
}

TEST(SymbolStream, OlderFormHasNoCharsetAndDefaultsFace) {
    QByteArray bytes = Ext(1.5L) + Int(2) + Int(0) + Int(1);
    bytes += Ext(0) + Ext(0) + Ext(1) + Ext(1) + Int(400) + Int(0);
    bytes += Int(0) + Int(2) + QByteArray("\xC0\xE1", 2); // no face name; "Аб" in cp1251
    TByteReader in(bytes);
    TSymbol read;
    read.Prims = {Element(QStringLiteral("old"))};
    ASSERT_TRUE(ReadSymbol(in, read));
    EXPECT_EQ(read.Aspect, 1.5L);
    EXPECT_EQ(read.HAlign, 2);
    EXPECT_EQ(read.VAlign, 0);
    ASSERT_EQ(read.Prims.size(), 1);
    EXPECT_EQ(read.Prims[0].Charset, 1);
    EXPECT_EQ(read.Prims[0].FaceName, QStringLiteral("Times New Roman"));
    EXPECT_EQ(read.Prims[0].Text, QStringLiteral("Аб"));
    EXPECT_TRUE(in.AtEnd());
}

TEST(SymbolStream, UnknownVersionFailsTheEnclosingRead) {
    QByteArray bytes = Written(Sample());
    bytes.replace(10, 4, Int(2));
    TByteReader in(bytes);
    TSymbol read = Sample();
    EXPECT_FALSE(ReadSymbol(in, read));
    EXPECT_TRUE(read.Prims.isEmpty());
    EXPECT_TRUE(in.Failed());
}

TEST(SymbolStream, DamagedStreamsAreRefused) {
    const QByteArray good = Written(Sample());
    // Every truncation fails.
    for (qsizetype n = 0; n < good.size(); ++n) {
        const QByteArray part = good.left(n); // the reader keeps pointers into its bytes
        TByteReader in(part);
        TSymbol read;
        EXPECT_FALSE(ReadSymbol(in, read)) << n;
        EXPECT_TRUE(read.Prims.isEmpty());
    }
    // A count the bytes left cannot hold, and a negative one.
    for (int32_t count : {2'000'000'000, -1, 3}) {
        QByteArray bad = good;
        bad.replace(10 + 4 + 10 + 8, 4, Int(count));
        TByteReader in(bad);
        TSymbol read;
        EXPECT_FALSE(ReadSymbol(in, read)) << count;
    }
    // A text length beyond the end.
    QByteArray bad = good;
    bad.chop(3);
    bad += Int(1000);
    TByteReader in(bad);
    TSymbol read;
    EXPECT_FALSE(ReadSymbol(in, read));
}

TEST(SymbolCharsets, CodePagesOfTheCharacterSets) {
    EXPECT_EQ(DecodeCharsetText(204, QByteArray("\xD4\xE0", 2)), QStringLiteral("Фа"));
    EXPECT_EQ(DecodeCharsetText(1, QByteArray("\xD4", 1)), QStringLiteral("Ф"));
    EXPECT_EQ(DecodeCharsetText(161, QByteArray("\xC1\xE1\xF2\xF9", 4)), QStringLiteral("Ααςω"));
    EXPECT_EQ(DecodeCharsetText(0, QByteArray("\xE9\x80", 2)), QStringLiteral("é€"));
    EXPECT_EQ(DecodeCharsetText(2, QByteArrayLiteral("abgDW1")), QStringLiteral("αβγΔΩ1"));
    EXPECT_EQ(DecodeCharsetText(2, QByteArray("\xB0\xB1\xA5", 3)), QStringLiteral("°±∞"));
    EXPECT_EQ(EncodeCharsetText(161, QStringLiteral("Ωω")), QByteArray("\xD9\xF9", 2));
    EXPECT_EQ(EncodeCharsetText(2, QStringLiteral("αΩ∞")), QByteArray("aW\xA5", 3));
    EXPECT_EQ(EncodeCharsetText(204, QStringLiteral("Ωж")), QByteArray("?\xE6", 2));
    // Every byte survives a round trip in every code page.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    for (uint8_t charset : {0, 1, 2, 161, 204})
        EXPECT_EQ(EncodeCharsetText(charset, DecodeCharsetText(charset, all)), all) << int(charset);
}

TEST(SymbolCompare, EveryFieldCounts) {
    const TSymbol s = Sample();
    EXPECT_TRUE(SameSymbol(s, s));
    auto differs = [&](auto change) {
        TSymbol t;
        CopySymbol(s, t);
        change(t);
        return !SameSymbol(s, t);
    };
    EXPECT_TRUE(differs([](TSymbol& t) { t.Aspect = 3; }));
    EXPECT_TRUE(differs([](TSymbol& t) { t.HAlign = 1; }));
    EXPECT_TRUE(differs([](TSymbol& t) { t.VAlign = 1; }));
    EXPECT_TRUE(differs([](TSymbol& t) { t.Prims.removeLast(); }));
    EXPECT_TRUE(differs([](TSymbol& t) { t.Prims[1].X2 = 0.5L; }));
    EXPECT_TRUE(differs([](TSymbol& t) { t.Prims[0].Y1 = 0; }));
    EXPECT_TRUE(differs([](TSymbol& t) { t.Prims[0].Weight = 400; }));
    EXPECT_TRUE(differs([](TSymbol& t) { t.Prims[0].Italic = 0; }));
    EXPECT_TRUE(differs([](TSymbol& t) { t.Prims[0].Charset = 1; }));
    EXPECT_TRUE(differs([](TSymbol& t) { t.Prims[0].FaceName = QStringLiteral("arial"); }));
    EXPECT_TRUE(differs([](TSymbol& t) { t.Prims[0].Text = QStringLiteral("ф"); }));
    EXPECT_FALSE(differs([](TSymbol&) {}));
}

TEST(SymbolCompare, CopyIsDeep) {
    TSymbol source = Sample();
    TSymbol copy;
    CopySymbol(source, copy);
    source.Prims[0].Text = QStringLiteral("changed");
    EXPECT_EQ(copy.Prims[0].Text, QStringLiteral("Ф"));
    EXPECT_EQ(copy.Aspect, 2);
}

TEST(SymbolLibrary, WrittenAndReadBack) {
    const QList<TSymbol> symbols = {Sample(), TSymbol{}};
    const QByteArray bytes = WriteSymbolLibrary(symbols);
    EXPECT_EQ(bytes.left(29), QByteArray("Ostrel2 Symbol library file\x0A\x0D"));
    EXPECT_EQ(bytes.mid(29, 8), Int(1) + Int(2));
    QList<TSymbol> read;
    ASSERT_TRUE(ReadSymbolLibrary(bytes, read));
    ASSERT_EQ(read.size(), 2);
    EXPECT_TRUE(SameSymbol(read[0], symbols[0]));
    EXPECT_TRUE(SameSymbol(read[1], symbols[1]));
}

TEST(SymbolLibrary, OtherVersionLoadsNothing) {
    QByteArray bytes = WriteSymbolLibrary({Sample()});
    bytes.replace(29, 4, Int(2));
    QList<TSymbol> read = {TSymbol{}};
    EXPECT_FALSE(ReadSymbolLibrary(bytes, read));
    EXPECT_EQ(read.size(), 1); // untouched
}

TEST(SymbolLibrary, DamagedLibrariesAreRefused) {
    const QByteArray good = WriteSymbolLibrary({Sample(), Sample()});
    for (qsizetype n = 29; n < good.size(); n += 7) {
        QList<TSymbol> read;
        EXPECT_FALSE(ReadSymbolLibrary(good.left(n), read)) << n;
        EXPECT_TRUE(read.isEmpty());
    }
    QByteArray huge = good;
    huge.replace(33, 4, Int(1'000'000'000));
    QList<TSymbol> read;
    EXPECT_FALSE(ReadSymbolLibrary(huge, read));
}

namespace {
// One symbol of the older library format with one element.
QByteArray OldLibrary(uint8_t charset, const QByteArray& text) {
    QByteArray b = Int(1);
    b += Int(7) + Int(8) + Int(2) + Int(0) + Ext(0.5L) + Int(4) + QByteArrayLiteral("name") + Int(1);
    b += Ext(0.1L) + Ext(0.2L) + Ext(0.9L) + Ext(0.8L) + QByteArray(1, char(charset)) + Int(700) + Int(1);
    b += Int(0) + Int(0) + Int(int32_t(text.size())) + text + Int(0);
    return b;
}
} // namespace

TEST(SymbolLibrary, OlderFormat) {
    QList<TSymbol> read;
    ASSERT_TRUE(ReadSymbolLibrary(OldLibrary(2, QByteArrayLiteral("ab")), read));
    ASSERT_EQ(read.size(), 1);
    const TSymbol& s = read[0];
    EXPECT_EQ(s.HAlign, 2);
    EXPECT_EQ(s.VAlign, 0);
    EXPECT_EQ(s.Aspect, 0.5L);
    ASSERT_EQ(s.Prims.size(), 1);
    const TPrimitiv& p = s.Prims[0];
    EXPECT_EQ(p.X1, 0.1L);
    EXPECT_EQ(p.Y2, 0.8L);
    EXPECT_EQ(p.Charset, 2);
    EXPECT_EQ(p.Weight, 700);
    EXPECT_EQ(p.Italic, 1);
    EXPECT_EQ(p.FaceName, QStringLiteral("Times New Roman"));
    EXPECT_EQ(p.Text, QStringLiteral("αβ"));
}

TEST(SymbolLibrary, HeaderDifferingInAnyByteGoesToTheOlderReader) {
    const QByteArray good = WriteSymbolLibrary({Sample()});
    for (int i = 0; i < 29; ++i) {
        QByteArray bytes = good;
        bytes[i] = char(bytes[i] ^ 0x20);
        QList<TSymbol> read;
        // Read as the older format, whose count is then the header's first four bytes: far too many.
        EXPECT_FALSE(ReadSymbolLibrary(bytes, read)) << i;
    }
    // An older library whose first bytes happen to start like nothing of the header reads fine.
    QList<TSymbol> read;
    EXPECT_TRUE(ReadSymbolLibrary(OldLibrary(204, QByteArrayLiteral("\xC6")), read));
    EXPECT_EQ(read[0].Prims[0].Text, QStringLiteral("Ж"));
}

TEST(SymbolLibrary, FilesLoadWhatWasWritten) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("lib.bsl"));
    const auto write = [&](const QList<TSymbol>& symbols) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(WriteSymbolLibrary(symbols));
    };
    write({Sample()});
    QList<TSymbol> read;
    ASSERT_TRUE(LoadSymbolLibrary(name, read));
    ASSERT_EQ(read.size(), 1);
    EXPECT_TRUE(SameSymbol(read[0], Sample()));
    write({Sample(), Sample()});
    ASSERT_TRUE(LoadSymbolLibrary(name, read));
    EXPECT_EQ(read.size(), 2);
    EXPECT_FALSE(LoadSymbolLibrary(dir.filePath(QStringLiteral("none.bsl")), read));
    EXPECT_EQ(read.size(), 2);
}

TEST(SymbolFit, AlignmentsAndAspects) {
    TSymbol s;
    s.Aspect = 2;
    const TRect square{0, 0, 100, 100};
    // Horizontal, the vertical alignment places the symbol; vertical, the working aspect is 1/2, the
    // symbol is narrower than the target and the horizontal alignment places it.
    const struct {
        bool Vertical;
        int Align;
        TRect Fitted;
    } cases[] = {
        {false, 1, {0, 25, 100, 75}}, {false, 0, {0, 0, 100, 50}}, {false, 2, {0, 50, 100, 100}},
        {true, 0, {0, 0, 50, 100}},   {true, 1, {25, 0, 75, 100}}, {true, 2, {50, 0, 100, 100}},
    };
    for (const auto& c : cases) {
        (c.Vertical ? s.HAlign : s.VAlign) = c.Align;
        EXPECT_EQ(FitSymbolRect(square, s, c.Vertical, true), c.Fitted) << c.Vertical << " " << c.Align;
    }
    // Centring truncates towards zero; rounding of the size is half to even.
    s.Aspect = 4;
    s.VAlign = 1;
    EXPECT_EQ(FitSymbolRect(TRect{-11, -11, -1, 10}, s, false, true), (TRect{-11, -1, -1, 1}));
    // Without fit, or an equal aspect, the rectangle stays.
    EXPECT_EQ(FitSymbolRect(square, s, false, false), square);
    s.Aspect = 1;
    EXPECT_EQ(FitSymbolRect(square, s, false, true), square);
}

TEST(SymbolFit, DegenerateAspectsAndTargets) {
    TSymbol s;
    s.HAlign = 1;
    for (Extended aspect : {0.0L, -3.0L}) {
        s.Aspect = aspect; // drawn as a square
        EXPECT_EQ(FitSymbolRect(TRect{0, 0, 100, 50}, s, false, true), (TRect{25, 0, 75, 50}));
        EXPECT_EQ(FitSymbolRect(TRect{0, 0, 100, 50}, s, true, true), (TRect{25, 0, 75, 50}));
    }
    s.Aspect = 2;
    EXPECT_EQ(FitSymbolRect(TRect{0, 0, 0, 50}, s, false, true), (TRect{0, 0, 0, 50}));
    EXPECT_EQ(FitSymbolRect(TRect{0, 10, 100, 10}, s, false, true), (TRect{0, 10, 100, 10}));
    EXPECT_EQ(FitSymbolRect(TRect{100, 0, 0, 50}, s, false, true), (TRect{100, 0, 0, 50}));
}

TEST(SymbolPlacement, ElementsInTheFittedFrame) {
    TSymbol s;
    s.Aspect = 2;
    s.VAlign = 1;
    TPrimitiv p;
    p.X1 = 0.25L;
    p.Y1 = 0.25L;
    p.X2 = 0.75L;
    p.Y2 = 0.75L;
    p.Text = QStringLiteral("ab");
    TPrimitiv empty = p;
    empty.Text.clear();
    s.Prims = {p, empty};
    // Fitted to rows 25..75 of a 100 × 100 target: the box is x 25..75, y 37..63 (12.5 and 37.5 round to
    // even).
    const QList<TSymbolElementPlacement> h = PlaceSymbolElements({0, 0, 100, 100}, s, 0, true);
    ASSERT_EQ(h.size(), 2);
    EXPECT_EQ(h[0].X, 25);
    EXPECT_EQ(h[0].Y, 37);
    EXPECT_EQ(h[0].Height, 26);
    EXPECT_EQ(h[0].AverageWidth, 25);
    EXPECT_FALSE(h[0].Upwards);
    // An empty element draws one blank as wide as its whole box.
    EXPECT_EQ(h[1].Text, QStringLiteral(" "));
    EXPECT_EQ(h[1].AverageWidth, 50);
    // Rotated: the working aspect is 1/2, the frame is x 25..75 of the square; the text runs up.
    const QList<TSymbolElementPlacement> v = PlaceSymbolElements({0, 0, 100, 100}, s, 90, true);
    EXPECT_TRUE(v[0].Upwards);
    EXPECT_EQ(v[0].Height, 26);       // c2 − c1 over the frame's width 50
    EXPECT_EQ(v[0].AverageWidth, 25); // (a2 − a1) / 2 over its height 100
    EXPECT_EQ(v[0].X, 25 + 12);
    EXPECT_EQ(v[0].Y, 75);
    // A rotation whose tenths round to 0 is horizontal.
    EXPECT_FALSE(PlaceSymbolElements({0, 0, 100, 100}, s, 0.04L, true)[0].Upwards);
}

TEST(SymbolLibrary, MutatedBytesNeverCrashTheReaders) {
    const QByteArray good = WriteSymbolLibrary({Sample(), Sample(), TSymbol{}});
    QByteArray old;
    {
        QByteArray b = Int(1);
        b += Int(7) + Int(8) + Int(2) + Int(0) + Ext(0.5L) + Int(4) + QByteArrayLiteral("name") + Int(1);
        b += Ext(0.1L) + Ext(0.2L) + Ext(0.9L) + Ext(0.8L) + QByteArray(1, char(2)) + Int(700) + Int(1);
        b += Int(0) + Int(0) + Int(2) + QByteArrayLiteral("ab") + Int(0);
        old = b;
    }
    uint32_t state = 12345;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = (round % 2) ? good : old;
        const int changes = 1 + int(next() % 4);
        for (int i = 0; i < changes; ++i)
            bytes[qsizetype(next() % bytes.size())] = char(next());
        if (next() % 3 == 0) bytes.truncate(qsizetype(next() % bytes.size()));
        QList<TSymbol> read;
        accepted += ReadSymbolLibrary(bytes, read) ? 1 : 0;
        const QByteArray tail = bytes.mid(33);
        TByteReader in(tail);
        TSymbol s;
        ReadSymbol(in, s);
    }
    EXPECT_GT(accepted, 0); // mutated texts and numbers still read
}
