#include "model/Codecs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

TEST(Extended10, RoundTripKeepsAllEightyBits) {
    const Extended values[] = {0.0L, -0.0L, 1.0L, 0.1L, -1.0L / 3.0L, 1e-4940L, 1e4931L,
                               std::numeric_limits<Extended>::denorm_min(), 12345678901234567890.0L};
    for (Extended v : values) {
        auto bytes = codec::EncodeExtended(v);
        Extended back = codec::DecodeExtended(bytes);
        EXPECT_EQ(0, std::memcmp(&v, &back, 10)) << static_cast<double>(v);
    }
    // 0.1 in extended differs from 0.1 in double: the codec must not pass through double.
    EXPECT_NE(codec::DecodeExtended(codec::EncodeExtended(0.1L)), static_cast<Extended>(0.1));
}

TEST(Extended10, KnownByteLayout) {
    // 1.0: mantissa 0x8000000000000000, exponent 0x3FFF.
    auto bytes = codec::EncodeExtended(1.0L);
    const uint8_t expected[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    EXPECT_EQ(0, std::memcmp(bytes.data(), expected, 10));
    auto negTwo = codec::EncodeExtended(-2.0L);
    EXPECT_EQ(negTwo[9], 0xC0);
    EXPECT_EQ(negTwo[8], 0x00);
    Extended nan = codec::DecodeExtended(codec::EncodeExtended(std::numeric_limits<Extended>::quiet_NaN()));
    EXPECT_TRUE(std::isnan(nan));
}

TEST(Cp1251, RoundTripsCyrillicAndSigns) {
    const QString text = QStringLiteral("График №1 — Ёё «тест» €");
    QByteArray bytes = codec::ToCp1251(text);
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0xC3); // Г
    EXPECT_EQ(codec::FromCp1251(bytes), text);
}

TEST(Cp1251, EveryByteDecodesAndUnassignedStaysMarked) {
    for (int b = 1; b < 256; ++b) EXPECT_NE(codec::Cp1251ToUnicode(uint8_t(b)), 0) << b;
    EXPECT_EQ(codec::Cp1251ToUnicode(0x98), 0xFFFD);
    EXPECT_EQ(codec::Cp1251ToUnicode(0xB9), u'№');
    EXPECT_EQ(codec::Cp1251ToUnicode(0xFF), u'я');
    EXPECT_EQ(codec::ToCp1251(QStringLiteral("漢")), QByteArray("?"));
}

TEST(RoundHalfEven, HalvesGoToEven) {
    EXPECT_EQ(RoundHalfEven(0.5L), 0);
    EXPECT_EQ(RoundHalfEven(1.5L), 2);
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(-0.5L), 0);
    EXPECT_EQ(RoundHalfEven(-1.5L), -2);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
    EXPECT_EQ(RoundHalfEven(2.4999L), 2);
    EXPECT_EQ(RoundHalfEven(-2.5001L), -3);
    EXPECT_EQ(RoundHalfEven(1e30L), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RoundHalfEven(-1e30L), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<Extended>::quiet_NaN()), 0);
}

#include "model/ByteStream.h"

TEST(ByteStream, WritesLittleEndianAndReadsBack) {
    QByteArray bytes;
    TByteWriter w(bytes);
    w.Byte(7);
    w.Int32(-2);
    w.UInt16(0x1234);
    w.Ext10(0.1L);
    w.Text(QStringLiteral("Ось"));
    EXPECT_EQ(bytes.size(), 1 + 4 + 2 + 10 + 4 + 3);
    EXPECT_EQ(bytes.mid(1, 4), QByteArray("\xFE\xFF\xFF\xFF", 4));
    EXPECT_EQ(bytes.mid(5, 2), QByteArray("\x34\x12", 2));
    EXPECT_EQ(bytes.mid(17, 4), QByteArray("\x03\x00\x00\x00", 4));

    TByteReader r(bytes);
    EXPECT_EQ(r.Byte(), 7);
    EXPECT_EQ(r.Int32(), -2);
    EXPECT_EQ(r.UInt16(), 0x1234);
    EXPECT_EQ(r.Ext10(), 0.1L);
    EXPECT_EQ(r.Text(), QStringLiteral("Ось"));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_FALSE(r.Failed());
}

TEST(ByteStream, ShortOrHostileInputFailsWithoutReadingPastTheEnd) {
    const QByteArray hugeText("\xFF\xFF\xFF\x7F"
                              "ab",
                              6);
    TByteReader r(hugeText);
    EXPECT_TRUE(r.Text().isEmpty());
    EXPECT_TRUE(r.Failed());
    EXPECT_EQ(r.Int32(), 0); // stays failed

    const QByteArray negative("\xFF\xFF\xFF\xFF", 4);
    TByteReader n(negative);
    n.Text();
    EXPECT_TRUE(n.Failed());

    TByteReader s(QByteArray("\x01\x02", 2));
    EXPECT_EQ(s.Ext10(), 0);
    EXPECT_TRUE(s.Failed());
    TByteReader b(QByteArray("abc"));
    EXPECT_TRUE(b.Bytes(4).isEmpty());
    EXPECT_TRUE(b.Failed());
    TByteReader k(QByteArray("abc"));
    EXPECT_FALSE(k.Skip(-1));
}
