// Broken and hostile files: each gives its error code and message and never a crash.
#include "files/MatlabFile.h"
#include "files/TextFile.h"

#include "MatBytes.h"

#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

#include <zlib.h>

#include <random>
#include <vector>

using namespace matbytes;

namespace {

const QString kInvalid = QStringLiteral("Файл \"b.mat\" не является корректным mat-файлом.");

QByteArray Fixture(const char* name) {
    QFile file(QStringLiteral(TARVELO_FILES_FIXTURES "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Deflated(const QByteArray& data) {
    uLongf length = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(length), '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(data.constData()),
              uLong(data.size()), Z_DEFAULT_COMPRESSION);
    out.truncate(qsizetype(length));
    return out;
}

QByteArray CompressedElement(const QByteArray& zlibStream) {
    QByteArray out;
    U32(out, 15);
    U32(out, uint32_t(zlibStream.size()));
    return out + zlibStream;
}

// The last byte of the file flipped: in the compressed fixtures, a byte of the last element's zlib checksum.
QByteArray WithLastByteFlipped(QByteArray bytes) {
    bytes[bytes.size() - 1] = char(bytes.back() ^ 0x01);
    return bytes;
}

// 32-bit words in either byte order.
QByteArray Words(const std::vector<uint32_t>& words, bool bigEndian) {
    QByteArray out(qsizetype(words.size()) * 4, '\0');
    for (size_t i = 0; i < words.size(); ++i) {
        char* word = out.data() + 4 * i;
        bigEndian ? qToBigEndian(words[i], word) : qToLittleEndian(words[i], word);
    }
    return out;
}

QByteArray GoodMatrix() {
    return Matrix(Flags(6) + Dims({1, 2}) + SmallElement(1, "v") + Element(9, Doubles({1, 2})));
}

const char* const kFixtureNames[] = {"scipy_v5.mat",    "scipy_v5_compressed.mat",    "scipy_v4.mat",
                                     "scipy_v5_be.mat", "scipy_v5_compressed_be.mat", "scipy_v4_be.mat"};

struct BrokenMat {
    const char* what;
    QByteArray bytes;
};

} // namespace

TEST(BrokenMatFiles, EachGivesErrorThree) {
    const QByteArray good = GoodMatrix();
    QByteArray hugeDims =
        Matrix(Flags(6) + Dims({65536, 65536, 65536}) + SmallElement(1, "h") + Element(9, Doubles({1})));
    QByteArray wrongCount =
        Matrix(Flags(6) + Dims({2, 2}) + SmallElement(1, "w") + Element(9, Doubles({1, 2, 3})));
    QByteArray overflowDims = Matrix(Flags(6) + Dims({0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 4}) +
                                     SmallElement(1, "o") + Element(9, QByteArray()));
    QByteArray negativeDim =
        Matrix(Flags(6) + Dims({-1, 2}) + SmallElement(1, "n") + Element(9, Doubles({1, 2})));
    QByteArray badFlags = Matrix(Element(6, QByteArray(4, '\x06')) + Dims({1, 1}) + SmallElement(1, "f") +
                                 Element(9, Doubles({1})));
    QByteArray dimsNotInt32 = Matrix(Flags(6) + Element(6, QByteArray(8, '\x01')) + SmallElement(1, "d") +
                                     Element(9, Doubles({1})));
    QByteArray nameNotInt8 = Matrix(Flags(6) + Dims({1, 1}) + Element(5, "nm") + Element(9, Doubles({1})));
    QByteArray missingReal = Matrix(Flags(6) + Dims({1, 1}) + SmallElement(1, "m"));
    QByteArray missingImag = Matrix(Flags(6, matfile::kComplexFlag) + Dims({1, 1}) + SmallElement(1, "i") +
                                    Element(9, Doubles({1})));
    QByteArray sizeBeyondMatrix = good;
    sizeBeyondMatrix[4] = char(0x70); // the matrix claims more bytes than the file holds
    QByteArray smallTooBig;
    U32(smallTooBig, 9 | 8u << 16); // a small element cannot hold 8 bytes
    smallTooBig.append(QByteArray(8, '\0'));
    QByteArray hugeTag;
    U32(hugeTag, 9);
    U32(hugeTag, 0xFFFFFFF0u);
    QByteArray innerCompressed = CompressedElement(Deflated(CompressedElement(Deflated(good))));
    QByteArray truncatedStream = CompressedElement(Deflated(good).left(20));
    QByteArray garbageStream = CompressedElement(QByteArray("\x78\x9c garbage that is not deflate"));
    // The inflated data claims a 4 GB element: inflating stops when the stream runs dry.
    QByteArray bombHead;
    U32(bombHead, 14);
    U32(bombHead, 0xFFFFFFF8u);
    QByteArray bomb = CompressedElement(Deflated(bombHead + QByteArray(1 << 20, '\0')));
    QByteArray wrongChecksum = WithLastByteFlipped(CompressedElement(Deflated(good)));
    // The stream inflates to more than the element its tag declares.
    QByteArray beyondElement = CompressedElement(Deflated(good + QByteArray(16, '\0')));
    QByteArray smallCompressed;
    U32(smallCompressed, 15 | 4u << 16);
    smallCompressed.append("\x78\x9c\x03\x00", 4);

    const BrokenMat cases[] = {
        {"header shorter than 128 bytes", Header().left(100)},
        {"no IM at the end of the header", Header().left(126) + "XY"},
        {"tag cut short", Header() + good.left(5)},
        {"element cut short", Header() + good.left(good.size() - 9)},
        {"huge dimensions", Header() + hugeDims},
        {"value count does not match", Header() + wrongCount},
        {"dimension product beyond 64 bits", Header() + overflowDims},
        {"negative dimension", Header() + negativeDim},
        {"array flags of the wrong size", Header() + badFlags},
        {"dimensions not int32", Header() + dimsNotInt32},
        {"name not int8", Header() + nameNotInt8},
        {"real part missing", Header() + missingReal},
        {"imaginary part missing", Header() + missingImag},
        {"size beyond the matrix", Header() + sizeBeyondMatrix},
        {"small element over 4 bytes", Header() + smallTooBig},
        {"tag size beyond the file", Header() + hugeTag},
        {"compressed inside compressed", Header() + innerCompressed},
        {"truncated zlib stream", Header() + truncatedStream},
        {"invalid zlib stream", Header() + garbageStream},
        {"inflated size lies", Header() + bomb},
        {"small compressed element", Header() + smallCompressed},
        {"zlib checksum wrong", Header() + wrongChecksum},
        {"zlib checksum wrong after good elements", WithLastByteFlipped(Fixture("scipy_v5_compressed.mat"))},
        {"big-endian: zlib checksum wrong", WithLastByteFlipped(Fixture("scipy_v5_compressed_be.mat"))},
        {"inflated beyond the element", Header() + beyondElement},
        {"big-endian: cut short", Fixture("scipy_v5_be.mat").chopped(9)},
        {"big-endian: compressed element cut short", Fixture("scipy_v5_compressed_be.mat").chopped(1)},
        {"big-endian: level 4 data cut short", Fixture("scipy_v4_be.mat").chopped(1)},
        {"trailing garbage", Header() + good + "xyz"},
        {"level 4: precision digit 6", Level4(60, 1, 1, 0, "a", Doubles({1}))},
        {"level 4: units digit 3", Level4(3, 1, 1, 0, "a", Doubles({1}))},
        {"level 4: negative type", Level4(-10, 1, 1, 0, "a", Doubles({1}))},
        {"level 4: big-endian digit in a little-endian header", Level4(1000, 1, 1, 0, "a", Doubles({1}))},
        {"level 4: machine digit 5", Level4(5000, 1, 1, 0, "a", Doubles({1}))},
        {"level 4: negative rows", Level4(0, -1, 1, 0, "a", Doubles({1}))},
        {"level 4: data cut short", Level4(0, 2, 2, 0, "a", Doubles({1, 2, 3}))},
        {"level 4: imaginary part cut short", Level4(0, 1, 1, 1, "a", Doubles({1}))},
        {"level 4: huge counts", Level4(0, 0x7FFFFFFF, 0x7FFFFFFF, 0, "a", Doubles({1}))},
        {"level 4: name beyond the file",
         Level4(0, 0, 0, 0, QByteArray(), QByteArray()).left(16) + "\xFF\xFF\x00\x00"},
        {"level 4: header cut short", Level4(0, 1, 1, 0, "a", Doubles({1})) + QByteArray(19, '\0')},
        {"shorter than 20 bytes", QByteArray("\0\0\0\0abc", 7)},
    };
    for (const BrokenMat& c : cases) {
        TMatlabFile file;
        file.SetVariable(QStringLiteral("before"), {{1}}, false);
        EXPECT_FALSE(file.LoadFromBytes(c.bytes, QStringLiteral("b.mat"))) << c.what;
        EXPECT_EQ(file.ErrorCode(), 3) << c.what;
        EXPECT_EQ(file.ErrorMessage(), kInvalid) << c.what;
        EXPECT_EQ(file.VariableCount(), 0) << c.what; // everything read so far is discarded
    }
}

TEST(BrokenMatFiles, EmptyMatrixWithAHugeDimensionMakesNoRows) {
    TMatlabFile file;
    ASSERT_TRUE(file.LoadFromBytes(
        Header() + Matrix(Flags(6) + Dims({0x7FFFFFFF, 0}) + SmallElement(1, "e") + Element(9, QByteArray())),
        QStringLiteral("b.mat")));
    TDoubleArray2 out{{1}};
    EXPECT_TRUE(file.GetVariable(0, out));
    EXPECT_TRUE(out.isEmpty());
}

TEST(BrokenMatFiles, DeeplyNestedBigEndianCell) {
    // A 1 x 1 cell "c" holding a chain of a million matrices, each inside the one before.
    constexpr uint32_t depth = 1000000;
    std::vector<uint32_t> chain;
    for (uint32_t i = 0; i < depth; ++i)
        chain.insert(chain.end(), {14, 8 * (depth - 1 - i)});
    const auto content = [&](bool bigEndian) {
        // Flags of class 1, dimensions 1 x 1, the name as a small element.
        return Words({6, 8, 1, 0, 5, 8, 1, 1, 1 | 1u << 16}, bigEndian) + QByteArray("c\0\0\0", 4) +
               Words(chain, bigEndian);
    };
    QByteArray bytes = Header();
    bytes[126] = 'M';
    bytes[127] = 'I';
    const QByteArray cell = content(true);
    bytes += Words({14, uint32_t(cell.size())}, true) + cell;
    TMatlabFile file;
    ASSERT_TRUE(file.LoadFromBytes(bytes, QStringLiteral("b.mat"))) << file.ErrorMessage().toStdString();
    ASSERT_EQ(file.VariableCount(), 1);
    EXPECT_EQ(file.VariableName(0), QStringLiteral("c"));
    EXPECT_EQ(file.Vars()[0].RealData, content(false)); // kept whole, in little-endian order
}

TEST(BrokenMatFiles, EveryTruncationOfAFixture) {
    for (const char* name : kFixtureNames) {
        const QByteArray whole = Fixture(name);
        ASSERT_FALSE(whole.isEmpty()) << name;
        for (qsizetype length = 0; length < whole.size(); ++length) {
            TMatlabFile file;
            if (!file.LoadFromBytes(whole.left(length), QStringLiteral("b.mat"))) {
                EXPECT_EQ(file.ErrorCode(), 3) << name << ' ' << length;
                EXPECT_EQ(file.ErrorMessage(), kInvalid);
                EXPECT_EQ(file.VariableCount(), 0);
            }
            // A cut between elements is a shorter, valid file; its variables still convert or fail cleanly.
            TDoubleArray2 out;
            for (int i = 0; i < file.VariableCount(); ++i)
                file.GetVariable(i, out);
        }
    }
}

TEST(BrokenMatFiles, RandomByteChangesNeverCrash) {
    std::mt19937 random(11);
    for (const char* name : kFixtureNames) {
        const QByteArray whole = Fixture(name);
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes = whole;
            for (int k = 0; k < 1 + int(random() % 4); ++k)
                bytes[random() % bytes.size()] = char(random());
            TMatlabFile file;
            if (!file.LoadFromBytes(bytes, QStringLiteral("b.mat"))) {
                EXPECT_TRUE(file.ErrorCode() == 3 || file.ErrorCode() == 4) << file.ErrorCode();
                EXPECT_EQ(file.VariableCount(), 0);
            }
            TDoubleArray2 out;
            for (int i = 0; i < file.VariableCount(); ++i)
                file.GetVariable(i, out);
        }
    }
}

TEST(BrokenTextFiles, HostileBytesReadAsText) {
    TTextFile file;
    // NUL bytes, lone carriage returns, 8-bit garbage and a 1 MB line without numbers.
    EXPECT_FALSE(file.LoadFromBytes(QByteArray("\0\0\xFF\xFE\r\r\n", 7), QStringLiteral("t")));
    EXPECT_EQ(file.ErrorCode(), 3);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Файл \"t\" не содержит численных данных."));
    ASSERT_TRUE(
        file.LoadFromBytes(QByteArray(1 << 20, 'x') + QByteArray("\n1\0 2\n3 4", 9), QStringLiteral("t")));
    TDoubleArray2 out;
    ASSERT_TRUE(file.GetVariable(0, out));
    EXPECT_EQ(out, (TDoubleArray2{{3, 4}}));
    EXPECT_EQ(file.HeaderLines()[0].size(), 2);
    // A line of 200000 numbers and numbers beyond the extended range.
    QByteArray wide;
    for (int i = 0; i < 200000; ++i)
        wide += "1 ";
    ASSERT_TRUE(file.LoadFromBytes(wide + "\n1e99999 2\n", QStringLiteral("t")));
    ASSERT_TRUE(file.GetVariable(0, out));
    EXPECT_EQ(out.first().size(), 200000);
    EXPECT_EQ(file.VariableCount(), 1); // the overflowing line is trailing text
}
