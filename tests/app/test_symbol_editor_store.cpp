#include "app/SymbolEditorStore.h"

#include "model/ByteStream.h"
#include "model/Symbol.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace symbolstore;

namespace {

TSymbol Letter(const QString& text) {
    TSymbol s;
    TPrimitiv p;
    p.FaceName = u"Arial"_s;
    p.Text = text;
    s.Prims = {p};
    return s;
}

QString Hex(const TSymbol& s) {
    QByteArray bytes;
    TByteWriter out(bytes);
    WriteSymbol(out, s);
    return QString::fromLatin1(bytes.toHex());
}

TEST(SymbolEditorStore, RoundTripKeepsGridAndRing) {
    TSymbolEditorSettings s;
    s.GridX = 0.1L;
    s.GridY = 0.02L;
    s.Snap = true;
    s.Remember(Letter(u"Ф"_s));
    s.Remember(Letter(u"x"_s));
    QTemporaryDir dir;
    const QString file = dir.filePath(u"V1/SymbolEditor.ini"_s);
    QString error;
    ASSERT_TRUE(Write(file, s, error)) << error.toStdString();
    const TSymbolEditorSettings back = Read(file);
    EXPECT_EQ(back.GridX, s.GridX);
    EXPECT_EQ(back.GridY, s.GridY);
    EXPECT_TRUE(back.Snap);
    EXPECT_EQ(back.LastInd, 2);
    for (int slot = 0; slot < kRecentSlots; ++slot)
        EXPECT_TRUE(SameSymbol(back.Recent[slot], s.Recent[slot])) << slot;
}

TEST(SymbolEditorStore, RingSkipsKnownSymbolsAndWraps) {
    TSymbolEditorSettings s;
    EXPECT_TRUE(s.Remember(Letter(u"a"_s)));
    EXPECT_FALSE(s.Remember(Letter(u"a"_s))); // confirmed twice, written once
    EXPECT_EQ(s.LastInd, 1);
    for (int i = 0; i < kRecentSlots; ++i)
        s.Remember(Letter(QString::number(i)));
    EXPECT_EQ(s.LastInd, 1); // 8 wrapped to 1
    EXPECT_EQ(s.Recent[0].Prims[0].Text, u"7"_s);
}

TEST(SymbolEditorStore, HostileValuesTakeDefaults) {
    const QString good = Hex(Letter(u"g"_s));
    const qsizetype goodLength = good.size() / 2;
    struct Case {
        const char* Key;
        QString Value;
    };
    const Case cases[] = {
        {"GridX", u"0"_s},
        {"GridX", u"0.001"_s},
        {"GridY", u"1e9999"_s},
        {"GridY", u"abc"_s},
        {"LastInd", u"9"_s},
        {"LastInd", u"-1"_s},
        {"LastSymLen1", QString::number(goodLength + 1)}, // longer than the bytes
        {"LastSymLen1", QString::number(goodLength - 1)}, // shorter than the bytes
        {"LastSymLen1", u"-5"_s},
        {"LastSymLen1", u"99999999999"_s},
        {"LastSym1", good.left(good.size() - 2) + u"zz"_s},        // not hexadecimal
        {"LastSym1", QString(good).replace(20, 2, u"02"_s)},       // version 2
        {"LastSym1", QString(good).replace(64, 8, u"ffffff7f"_s)}, // an element count far too big
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Key + (u"="_s + c.Value).toStdString());
        TIniDocument ini;
        ini.SetValue(u"SymbolEdit"_s, u"LastSym1"_s, good);
        ini.SetValue(u"SymbolEdit"_s, u"LastSymLen1"_s, QString::number(goodLength));
        ini.SetValue(u"SymbolEdit"_s, QString::fromLatin1(c.Key), c.Value);
        const TSymbolEditorSettings s = FromIni(ini);
        EXPECT_EQ(s.GridX, kDefaultGridStep);
        EXPECT_EQ(s.GridY, kDefaultGridStep);
        EXPECT_EQ(s.LastInd, 0);
        if (QByteArray(c.Key).startsWith("LastSym"))
            EXPECT_TRUE(SameSymbol(s.Recent[0], EmptySymbol()));
        else
            EXPECT_EQ(s.Recent[0].Prims.value(0).Text, u"g"_s);
    }
}

} // namespace
