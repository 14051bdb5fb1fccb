#include "files/NumberParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Parsed {
    bool ok = false;
    Extended value = 0;
    size_t consumed = 0;
};

Parsed Parse(const std::string& text, unsigned flags = numparse::kPointOnly) {
    Parsed out;
    const char* stop = nullptr;
    out.ok = numparse::ParseExtended(text.data(), text.data() + text.size(), out.value, &stop, flags);
    out.consumed = size_t(stop - text.data());
    return out;
}

bool SameBits(Extended a, Extended b) {
    return std::memcmp(&a, &b, 10) == 0;
}

// "<mantissa><marker><exponent>", built with snprintf (g++ 12 warns falsely on string concatenation).
std::string WithExponent(const std::string& mantissa, const char* marker, int exponent) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%s%d", marker, exponent);
    std::string out = mantissa;
    out.append(suffix);
    return out;
}

// Compares the parser with strtold in the C locale on a whole decimal string.
void ExpectMatchesReference(const std::string& text) {
    const Parsed parsed = Parse(text);
    const char* stop = nullptr;
    EXPECT_EQ(numparse::IsExtended(text.data(), text.data() + text.size(), &stop), parsed.ok) << text;
    EXPECT_EQ(size_t(stop - text.data()), parsed.consumed) << text;
    char* end = nullptr;
    const Extended reference = numparse::ReferenceStrtold(text.c_str(), &end);
    if (std::isinf(reference)) {
        EXPECT_FALSE(parsed.ok) << text;
        return;
    }
    ASSERT_TRUE(parsed.ok) << text;
    EXPECT_EQ(parsed.consumed, text.size()) << text;
    EXPECT_TRUE(SameBits(parsed.value, reference)) << text;
}

// Decimal digits of a non-negative integer, most significant first, for exact halfway points.
struct DecimalInt {
    std::vector<int> digits{0};
    void Multiply(int factor) {
        int carry = 0;
        for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
            const int product = *it * factor + carry;
            *it = product % 10;
            carry = product / 10;
        }
        while (carry > 0) {
            digits.insert(digits.begin(), carry % 10);
            carry /= 10;
        }
    }
    static DecimalInt From(unsigned __int128 value) {
        DecimalInt out;
        out.digits.clear();
        do {
            out.digits.insert(out.digits.begin(), int(value % 10));
            value /= 10;
        } while (value != 0);
        return out;
    }
    std::string Text() const {
        std::string out;
        for (int d : digits)
            out += char('0' + d);
        return out;
    }
};

// The exact decimal form of the point halfway between x = mantissa * 2^exponent and its upper neighbour.
std::string HalfwayAbove(Extended x) {
    int exponent = 0;
    const Extended fraction = std::frexp(x, &exponent); // x = fraction * 2^exponent, fraction in [0.5, 1)
    const uint64_t mantissa = uint64_t(std::ldexp(fraction, 64));
    exponent -= 64;
    // (2 * mantissa + 1) * 2^(exponent - 1)
    DecimalInt value = DecimalInt::From((unsigned __int128)mantissa * 2 + 1);
    int power = exponent - 1;
    int decimalExponent = 0;
    for (; power > 0; --power)
        value.Multiply(2);
    for (; power < 0; ++power) {
        value.Multiply(5);
        --decimalExponent;
    }
    return WithExponent(value.Text(), "e", decimalExponent);
}

} // namespace

TEST(NumberParser, PlainForms) {
    EXPECT_TRUE(SameBits(Parse("1.5").value, 1.5L));
    EXPECT_TRUE(SameBits(Parse("0.1").value, 0.1L)); // not the double 0.1
    EXPECT_TRUE(SameBits(Parse("-2.5E-3").value, -2.5e-3L));
    EXPECT_TRUE(SameBits(Parse("+7e+2").value, 700.0L));
    EXPECT_TRUE(SameBits(Parse(".5").value, 0.5L));
    EXPECT_TRUE(SameBits(Parse("5.").value, 5.0L));
    EXPECT_TRUE(SameBits(Parse("000123.4500").value, 123.45L));
    EXPECT_TRUE(SameBits(Parse("12345678901234567890").value, 12345678901234567890.0L));
    const Parsed negativeZero = Parse("-0.0e999999999");
    EXPECT_TRUE(negativeZero.ok);
    EXPECT_TRUE(std::signbit(negativeZero.value));
    EXPECT_EQ(negativeZero.value, 0.0L);
}

TEST(NumberParser, StopsWhereTheNumberEnds) {
    EXPECT_EQ(Parse("1e").consumed, 1u); // an exponent needs digits
    EXPECT_EQ(Parse("1e+").consumed, 1u);
    EXPECT_EQ(Parse("2.5x").consumed, 3u);
    EXPECT_EQ(Parse("0x10").consumed, 1u); // no hex forms
    EXPECT_EQ(Parse("1,5").consumed, 1u);  // "," only when asked for
    const Parsed comma = Parse("1,5", numparse::kCommaIsPoint);
    EXPECT_EQ(comma.consumed, 3u);
    EXPECT_TRUE(SameBits(comma.value, 1.5L));
    for (const char* text : {"", "-", "+", ".", "-.", "e5", "inf", "nan", "INF", " 1", "+-1"}) {
        const Parsed parsed = Parse(text);
        EXPECT_FALSE(parsed.ok) << text;
        EXPECT_EQ(parsed.consumed, 0u) << text;
    }
}

TEST(NumberParser, RangeLimits) {
    EXPECT_FALSE(Parse("1e5000").ok); // overflow is not a number
    EXPECT_TRUE(std::isinf(Parse("-1e5000").value));
    EXPECT_FALSE(Parse("1.2e4932").ok);
    for (const char* text : {"1.2e4932", "0.0012e4935", "9999e4929", "1.1e4932", "-1e4932", "1e-99999999"})
        ExpectMatchesReference(text);
    EXPECT_TRUE(SameBits(Parse("1.18973149535723176502e+4932").value, std::numeric_limits<Extended>::max()));
    EXPECT_TRUE(
        SameBits(Parse("3.6451995318824746025e-4951").value, std::numeric_limits<Extended>::denorm_min()));
    EXPECT_EQ(Parse("1e-5000").value, 0.0L); // below the smallest subnormal
    EXPECT_TRUE(Parse("1e-5000").ok);
    ExpectMatchesReference("1.8225997659412373012e-4951"); // halfway to the smallest subnormal
    ExpectMatchesReference("2.5e-4951");
}

TEST(NumberParser, HalfwayCasesRoundToEven) {
    // 2^64 + 1 lies halfway between 2^64 and 2^64 + 2: ties go to the even mantissa.
    EXPECT_TRUE(SameBits(Parse("18446744073709551617").value, 18446744073709551616.0L));
    EXPECT_TRUE(SameBits(Parse("18446744073709551619").value, 18446744073709551620.0L));
    EXPECT_TRUE(SameBits(Parse("18446744073709551617.000000000000000000001").value, 18446744073709551618.0L));
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(1.0, 2.0);
    for (int i = 0; i < 3000; ++i) {
        const int scale = int(random() % 600) - 300;
        const Extended x = std::ldexp(
            static_cast<Extended>(unit(random)) + std::ldexp(Extended(random() % 2048), -63), scale);
        const std::string half = HalfwayAbove(x);
        ExpectMatchesReference(half);
        // Just below and just above the halfway point.
        const std::string digits = half.substr(0, half.find('e'));
        const int exponent = std::stoi(half.substr(half.find('e') + 1));
        std::string below = digits; // digits - 1, then nines
        for (auto it = below.rbegin(); it != below.rend(); ++it) {
            if (*it != '0') {
                --*it;
                break;
            }
            *it = '9';
        }
        ExpectMatchesReference(WithExponent(below + "99999999", "e", exponent - 8));
        ExpectMatchesReference(WithExponent(digits + "00001", "e", exponent - 5));
    }
}

TEST(NumberParser, MatchesStrtoldOnRandomStrings) {
    std::mt19937_64 random(20261209);
    const auto digits = [&](int count) {
        std::string out;
        for (int i = 0; i < count; ++i)
            out += char('0' + random() % 10);
        return out;
    };
    for (int i = 0; i < 250000; ++i) {
        // 1 … 40 significant digits, the point anywhere, exponents small, large and extreme.
        const int count = 1 + int(random() % (i % 4 == 0 ? 40 : 20));
        std::string text = (random() % 4 == 0) ? "-" : "";
        std::string mantissa = digits(count);
        const size_t point = random() % (mantissa.size() + 1);
        if (random() % 3 != 0) mantissa.insert(mantissa.begin() + std::ptrdiff_t(point), '.');
        if (mantissa == ".") mantissa = "0.5";
        text += mantissa;
        switch (random() % 5) {
        case 0:
            break;
        case 1:
            text = WithExponent(text, "e", int(random() % 60) - 30);
            break;
        case 2:
            text = WithExponent(text, "E", int(random() % 700) - 350);
            break;
        case 3:
            text = WithExponent(text, "e", int(random() % 9900) - 4950);
            break;
        default:
            text = WithExponent(text, "e+", int(random() % 40));
            break;
        }
        ExpectMatchesReference(text);
        if (HasFailure()) break;
    }
}

TEST(NumberParser, NineteenDigitsBeyondTheExactPowersMatchStrtold) {
    // Mantissas that fit 64 bits with exponents past 10^27, where the 128-bit powers of five decide.
    std::mt19937_64 random(28);
    for (int i = 0; i < 200000; ++i) {
        const uint64_t mantissa = random() >> (random() % 64);
        const int exponent = int(random() % 800) - 400;
        ExpectMatchesReference(WithExponent(std::to_string(mantissa), "e", exponent));
        if (HasFailure()) break;
    }
    ExpectMatchesReference("18446744073709551615e350"); // the largest mantissa at the table's ends
    ExpectMatchesReference("18446744073709551615e-350");
    ExpectMatchesReference("1e-351");
}
