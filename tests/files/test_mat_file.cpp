#include "files/MatlabFile.h"

#include "MatBytes.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

#include <zlib.h>

using namespace matbytes;

namespace {

const QString kFixtures = QStringLiteral(TARVELO_FILES_FIXTURES);

TDoubleArray2 Get(TMatlabFile& file, const QString& name, bool expectOk = true) {
    TDoubleArray2 out;
    const int index = file.IndexOfVariable(name);
    EXPECT_GE(index, 0) << name.toStdString();
    EXPECT_EQ(file.GetVariable(index, out), expectOk) << name.toStdString();
    return out;
}

QByteArray Compressed(const QByteArray& element) {
    uLongf length = compressBound(uLong(element.size()));
    QByteArray packed(qsizetype(length), '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &length,
              reinterpret_cast<const Bytef*>(element.constData()), uLong(element.size()),
              Z_DEFAULT_COMPRESSION);
    packed.truncate(qsizetype(length));
    QByteArray out;
    U32(out, 15);
    U32(out, uint32_t(packed.size()));
    return out + packed;
}

QByteArray DoubleMatrix(const QByteArray& name, std::initializer_list<int32_t> dims, const QByteArray& data) {
    const QByteArray nameElement = name.size() <= 4 ? SmallElement(1, name) : Element(1, name);
    return Matrix(Flags(6) + Dims(dims) + nameElement + Element(9, data));
}

// The values every scipy fixture holds at level 5.
void ExpectScipyLevel5(TMatlabFile& file) {
    EXPECT_EQ(Get(file, QStringLiteral("x")), (TDoubleArray2{{1, 4.5L}, {2, 5.5L}, {3, 6.5L}}));
    EXPECT_EQ(Get(file, QStringLiteral("temperature")),
              (TDoubleArray2{{Extended(0.1), Extended(-2.5e-300), Extended(1.7976931348623157e308)}}));
    EXPECT_EQ(Get(file, QStringLiteral("i16")), (TDoubleArray2{{-32768, 0, 32767}}));
    EXPECT_EQ(Get(file, QStringLiteral("u8")), (TDoubleArray2{{0, 200, 255}}));
    EXPECT_EQ(Get(file, QStringLiteral("i32")), (TDoubleArray2{{-2147483648.0L}, {2147483647}}));
    EXPECT_EQ(Get(file, QStringLiteral("txt")), (TDoubleArray2{{'H', 'i'}}));
    EXPECT_EQ(Get(file, QStringLiteral("flag")), (TDoubleArray2{{1, 0, 1}}));
    EXPECT_EQ(Get(file, QStringLiteral("empt")), TDoubleArray2());

    // Infinities and NaN: the matrix comes back with the largest values in their place.
    EXPECT_EQ(Get(file, QStringLiteral("sgl"), false), (TDoubleArray2{{1.5L, 3.4e38L, -3.4e38L, -3.4e38L}}));
    EXPECT_EQ(file.ErrorCode(), 12);
    EXPECT_EQ(file.ErrorMessage(),
              QStringLiteral("Файл содержит бесконечность (Inf) или неопределенность (NaN)."));
    EXPECT_EQ(Get(file, QStringLiteral("dnan"), false),
              (TDoubleArray2{{1, -1.7e308L}, {1.7e308L, -1.7e308L}}));
    EXPECT_EQ(file.ErrorCode(), 12);

    Get(file, QStringLiteral("cplx"), false);
    EXPECT_EQ(file.ErrorCode(), 6);
    EXPECT_EQ(file.ErrorMessage(),
              QStringLiteral("Невозможно выполнить приведение типов (из Complex в Double)."));
    Get(file, QStringLiteral("cube"), false);
    EXPECT_EQ(file.ErrorCode(), 7);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Размерность исходного массива (3) не равна 1 или 2"));
    Get(file, QStringLiteral("st"), false);
    EXPECT_EQ(file.ErrorCode(), 6);
    EXPECT_EQ(file.ErrorMessage(),
              QStringLiteral("Невозможно выполнить приведение типов (из mxStuct_Class в Double)."));
    Get(file, QStringLiteral("cel"), false);
    EXPECT_EQ(file.ErrorMessage(),
              QStringLiteral("Невозможно выполнить приведение типов (из mxCell_Class в Double)."));
    EXPECT_FALSE(file.Vars()[file.IndexOfVariable(QStringLiteral("st"))].Supported);
}

bool ScipyAvailable() {
    return QProcess::execute(QStringLiteral("/usr/bin/python3"),
                             {QStringLiteral("-c"), QStringLiteral("import scipy.io")}) == 0;
}

// Runs a Python snippet with the file name as sys.argv[1] and returns what it printed.
QString Python(const QString& code, const QString& path) {
    QProcess process;
    process.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), code, path});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed() +
           QString::fromUtf8(process.readAllStandardError()).trimmed();
}

} // namespace

TEST(MatFileRead, ScipyLevel5PlainCompressedAndBigEndian) {
    for (const char* name :
         {"scipy_v5.mat", "scipy_v5_compressed.mat", "scipy_v5_be.mat", "scipy_v5_compressed_be.mat"}) {
        SCOPED_TRACE(name);
        TMatlabFile file;
        ASSERT_TRUE(file.LoadFromFile(kFixtures + u'/' + QLatin1String(name)))
            << file.ErrorMessage().toStdString();
        // The 14 elements, then the arrays inside "st" and "cel" by their paths.
        EXPECT_EQ(file.VariableCount(), 17);
        ExpectScipyLevel5(file);
        EXPECT_EQ(Get(file, QStringLiteral("st.b")), (TDoubleArray2{{1, 2}}));
        EXPECT_EQ(Get(file, QStringLiteral("cel{1}")), (TDoubleArray2{{1}}));
        EXPECT_EQ(file.Notes(),
                  QStringList{QStringLiteral("Переменная cel{2} пропущена: класс mxChar_Class.")});
    }
}

TEST(MatFileRead, ArraysInsideStructuresAndCellsAndWideClasses) {
    const struct {
        const char* path;
        TDoubleArray2 values;
    } cases[] = {
        {"data.time", {{0, 0.5L, 1}}},
        {"data.signal", {{1, -1, 2}}},
        {"data.inner.n", {{7}}},
        {"c{1}", {{5}}},
        {"c{2}", {{6, 7}}},
        {"s(1).x", {{1, 2}}},
        {"s(2).x", {{3}}},
        {"i64", {{-9223372036854775807.0L - 1, 9223372036854775807.0L}}},
        {"u64", {{18446744073709551615.0L}}},
        {"sp", {{0, 2}, {3, 0}, {0, 0}}},
    };
    for (const char* name : {"scipy_v5_nested.mat", "scipy_v5_nested_be.mat"}) {
        SCOPED_TRACE(name);
        TMatlabFile file;
        ASSERT_TRUE(file.LoadFromFile(kFixtures + u'/' + QLatin1String(name)))
            << file.ErrorMessage().toStdString();
        for (const auto& c : cases)
            EXPECT_EQ(Get(file, QLatin1String(c.path)), c.values) << c.path;
        EXPECT_EQ(file.Notes(),
                  (QStringList{QStringLiteral("Переменная data.label пропущена: класс mxChar_Class."),
                               QStringLiteral("Переменная c{3} пропущена: класс mxChar_Class.")}));
        EXPECT_EQ(file.IndexOfVariable(QStringLiteral("__function_workspace__")), -1);
    }
}

TEST(MatFileRead, SubsystemDataIsNeverAVariable) {
    QByteArray bytes = Header();
    const QByteArray workspace = DoubleMatrix("__function_workspace__", {1, 1}, QByteArray(8, '\0'));
    bytes += DoubleMatrix("x", {1, 1}, QByteArray(8, '\0'));
    const uint64_t offset = uint64_t(bytes.size());
    std::memcpy(bytes.data() + 116, &offset, 8);
    bytes += DoubleMatrix("y", {1, 1}, QByteArray(8, '\0')) + workspace;
    TMatlabFile file;
    ASSERT_TRUE(file.LoadFromBytes(bytes, QStringLiteral("f.mat")));
    ASSERT_EQ(file.VariableCount(), 1);
    EXPECT_EQ(file.VariableName(0), QStringLiteral("x"));
}

TEST(MatFileRead, ScipyLevel4BothByteOrders) {
    for (const char* name : {"scipy_v4.mat", "scipy_v4_be.mat"}) {
        SCOPED_TRACE(name);
        TMatlabFile file;
        ASSERT_TRUE(file.LoadFromFile(kFixtures + u'/' + QLatin1String(name)))
            << file.ErrorMessage().toStdString();
        ASSERT_EQ(file.VariableCount(), 2);
        EXPECT_EQ(file.VariableName(0), QStringLiteral("x"));
        EXPECT_EQ(Get(file, QStringLiteral("x")), (TDoubleArray2{{1, 4.5L}, {2, 5.5L}, {3, 6.5L}}));
        EXPECT_EQ(Get(file, QStringLiteral("row")), (TDoubleArray2{{0.25L, -8, Extended(1e-310)}}));
    }
}

TEST(MatFileRead, BigEndianTwinsHoldTheSameVariables) {
    for (const char* name : {"scipy_v4", "scipy_v5", "scipy_v5_compressed"}) {
        SCOPED_TRACE(name);
        TMatlabFile little, big;
        ASSERT_TRUE(little.LoadFromFile(kFixtures + u'/' + QLatin1String(name) + QStringLiteral(".mat")));
        ASSERT_TRUE(big.LoadFromFile(kFixtures + u'/' + QLatin1String(name) + QStringLiteral("_be.mat")))
            << big.ErrorMessage().toStdString();
        ASSERT_EQ(big.VariableCount(), little.VariableCount());
        for (int i = 0; i < little.VariableCount(); ++i) {
            const TMatVar &a = little.Variable(i), &b = big.Variable(i);
            SCOPED_TRACE(a.Name.toStdString());
            EXPECT_EQ(b.Name, a.Name);
            EXPECT_EQ(b.Supported, a.Supported);
            EXPECT_EQ(b.RawType, a.RawType);
            EXPECT_EQ(b.RawSize, a.RawSize);
            EXPECT_EQ(b.ElementType, a.ElementType);
            EXPECT_EQ(b.ArrayFlags, a.ArrayFlags);
            EXPECT_EQ(b.ClassId, a.ClassId);
            EXPECT_EQ(b.RealType, a.RealType);
            EXPECT_EQ(b.ImagType, a.ImagType);
            EXPECT_EQ(b.Dims, a.Dims);
            EXPECT_EQ(b.RealData, a.RealData); // structures and cells too, ready to be written back
            EXPECT_EQ(b.ImagData, a.ImagData);
        }
    }
}

TEST(MatFileRead, HandMadeLevel5Elements) {
    QByteArray bytes = Header();
    // Doubles stored as uint8, the way MATLAB saves small integers.
    bytes +=
        Matrix(Flags(6) + Dims({1, 3}) + SmallElement(1, "ab") + Element(2, QByteArray("\x01\x02\xFF", 3)));
    bytes += Element(9, Doubles({1.25, -3}));   // a plain top-level element: 1 x 2, no name
    bytes += Element(8, QByteArray(8, '\x01')); // a plain element of an unknown type
    bytes += Matrix(Flags(6) + Dims({2}) + SmallElement(1, "one") + Element(9, Doubles({7, 8})));
    bytes += Matrix(Flags(6) + Dims({1, 1}) + SmallElement(1, "odd") + Element(11, QByteArray(8, '\0')));
    TMatlabFile file;
    ASSERT_TRUE(file.LoadFromBytes(bytes, QStringLiteral("m.mat"))) << file.ErrorMessage().toStdString();
    ASSERT_EQ(file.VariableCount(), 5);
    EXPECT_EQ(Get(file, QStringLiteral("ab")), (TDoubleArray2{{1, 2, 255}}));
    TDoubleArray2 plain;
    EXPECT_TRUE(file.GetVariable(1, plain));
    EXPECT_EQ(plain, (TDoubleArray2{{1.25L, -3}}));
    EXPECT_EQ(file.VariableName(1), QString());
    EXPECT_EQ(file.Vars()[1].ElementType, 9);
    EXPECT_FALSE(file.GetVariable(2, plain));
    EXPECT_EQ(file.ErrorCode(), 6);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Неизвестный тип данных."));
    EXPECT_EQ(Get(file, QStringLiteral("one")), (TDoubleArray2{{7, 8}})); // one dimension: 1 x n
    TDoubleArray2 columns;
    EXPECT_TRUE(file.GetColumns(0, columns));
    EXPECT_EQ(columns, (TDoubleArray2{{1}, {2}, {255}}));
    EXPECT_FALSE(file.GetColumns(2, columns));
    EXPECT_TRUE(columns.isEmpty());
    Get(file, QStringLiteral("odd"), false);
    EXPECT_EQ(file.ErrorCode(), 6);
    EXPECT_EQ(file.ErrorMessage(),
              QStringLiteral("Невозможно выполнить приведение типов (некорректный внутренний тип)."));
}

TEST(MatFileRead, CompressedElementsPaddedOrNot) {
    const QByteArray a = DoubleMatrix("a", {1, 1}, Doubles({1}));
    const QByteArray b = DoubleMatrix("bbbbbb", {1, 2}, Doubles({2, 3}));
    QByteArray packedA = Compressed(a);
    ASSERT_NE(packedA.size() % 8, 0); // the test needs an unaligned end
    for (bool padded : {false, true}) {
        QByteArray bytes = Header() + packedA;
        if (padded) Pad8(bytes);
        bytes += Compressed(b) + a;
        TMatlabFile file;
        ASSERT_TRUE(file.LoadFromBytes(bytes, QStringLiteral("c.mat"))) << padded;
        ASSERT_EQ(file.VariableCount(), 3);
        EXPECT_EQ(Get(file, QStringLiteral("bbbbbb")), (TDoubleArray2{{2, 3}}));
        EXPECT_EQ(file.VariableName(2), QStringLiteral("a"));
    }
}

TEST(MatFileRead, Level4Variants) {
    QByteArray bytes = Level4(0, 3, 2, 0, QByteArray("x", 2), Doubles({1, 2, 3, 4, 5, 6}));
    bytes += Level4(10, 1, 2, 0, QByteArray(),
                    QByteArray("\x00\x00\xC0\x3F\x00\x00\x20\xC1", 8));     // single, no name
    bytes += Level4(51, 1, 2, 0, QByteArray("s\0", 2), QByteArray("Hi"));   // uint8 text
    bytes += Level4(0, 1, 1, 1, QByteArray("z\0", 2), Doubles({1, 2}));     // complex
    bytes += Level4(2, 1, 3, 0, QByteArray("sp\0", 3), Doubles({1, 1, 5})); // sparse
    TMatlabFile file;
    ASSERT_TRUE(file.LoadFromBytes(bytes, QStringLiteral("l4.mat"))) << file.ErrorMessage().toStdString();
    ASSERT_EQ(file.VariableCount(), 5);
    EXPECT_EQ(Get(file, QStringLiteral("x")), (TDoubleArray2{{1, 4}, {2, 5}, {3, 6}}));
    TDoubleArray2 single;
    EXPECT_TRUE(file.GetVariable(1, single));
    EXPECT_EQ(single, (TDoubleArray2{{1.5L, -10}}));
    EXPECT_EQ(file.VariableName(1), QString());
    EXPECT_EQ(file.Vars()[2].ClassId, 4);
    EXPECT_EQ(Get(file, QStringLiteral("s")), (TDoubleArray2{{'H', 'i'}}));
    Get(file, QStringLiteral("z"), false);
    EXPECT_EQ(file.ErrorMessage(),
              QStringLiteral("Невозможно выполнить приведение типов (из Complex в Double)."));
    Get(file, QStringLiteral("sp"), false);
    EXPECT_EQ(file.ErrorMessage(),
              QStringLiteral("Невозможно выполнить приведение типов (из mxSparse_Class в Double)."));
}

TEST(MatFileRead, OpenErrors) {
    TMatlabFile file;
    const QString missing = QStringLiteral("/nonexistent/a.mat");
    EXPECT_FALSE(file.LoadFromFile(missing));
    EXPECT_EQ(file.ErrorCode(), 1);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Файл \"/nonexistent/a.mat\" не найден."));
    EXPECT_FALSE(file.LoadFromFile(kFixtures));
    EXPECT_EQ(file.ErrorCode(), 2);
    EXPECT_EQ(file.ErrorMessage(),
              QStringLiteral("Невозможно открыть файл \"") + kFixtures + QStringLiteral("\"."));

    EXPECT_FALSE(file.LoadFromBytes(QByteArray("MATLAB 5.0 MAT"), QStringLiteral("s.mat")));
    EXPECT_EQ(file.ErrorCode(), 3);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Файл \"s.mat\" не является корректным mat-файлом."));

    TDoubleArray2 out;
    EXPECT_FALSE(file.GetVariable(0, out));
    EXPECT_EQ(file.ErrorCode(), 5);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Некорректный индекс переменной (0)"));
    EXPECT_EQ(file.VariableName(-1), QString());
    EXPECT_EQ(file.ErrorCode(), 5);
    TStrArray names{QStringLiteral("x")};
    EXPECT_FALSE(file.GetVariableNames(2, names));
    EXPECT_TRUE(names.isEmpty());
}

TEST(MatFileRead, NumberFormatsThatCannotBeTurnedAreRefused) {
    QByteArray bigEndianHeader = Header();
    bigEndianHeader[126] = 'M';
    bigEndianHeader[127] = 'I';
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"level 4 VAX D-float", Level4(2000, 1, 1, 0, QByteArray("a\0", 2), Doubles({1}))},
        {"level 4 VAX G-float", Level4(3000, 1, 1, 0, QByteArray("a\0", 2), Doubles({1}))},
        {"level 4 Cray", Level4(4000, 1, 1, 0, QByteArray("a\0", 2), Doubles({1}))},
        {"level 4 VAX after a readable matrix",
         Level4(0, 1, 1, 0, QByteArray("a\0", 2), Doubles({1})) +
             Level4(2000, 1, 1, 0, QByteArray("b\0", 2), Doubles({1}))},
        // Values of an unknown type in a big-endian file: their width, and so their order, is unknown.
        {"level 5 big-endian element of type 8",
         bigEndianHeader + QByteArray("\0\0\0\x08\0\0\0\x08", 8) + QByteArray(8, '\x01')},
    };
    for (const auto& c : cases) {
        TMatlabFile file;
        file.SetVariable(QStringLiteral("before"), {{1}}, false);
        EXPECT_FALSE(file.LoadFromBytes(c.bytes, QStringLiteral("r.mat"))) << c.what;
        EXPECT_EQ(file.ErrorCode(), 4) << c.what;
        EXPECT_EQ(file.ErrorMessage(),
                  QStringLiteral("Files with reversed order of the endian indicator is not supported now."))
            << c.what;
        EXPECT_EQ(file.VariableCount(), 0) << c.what;
    }
}

TEST(MatFileNames, MakeMatName) {
    EXPECT_EQ(TMatlabFile::MakeMatName(QStringLiteral("Температура, °C")), QStringLiteral("Temperatura___C"));
    EXPECT_EQ(TMatlabFile::MakeMatName(QStringLiteral("123")), QStringLiteral("var"));
    EXPECT_EQ(TMatlabFile::MakeMatName(QString()), QStringLiteral("var"));
    EXPECT_EQ(TMatlabFile::MakeMatName(QStringLiteral("Ёжик в тумане")), QStringLiteral("YOzhik_v_tumane"));
    EXPECT_EQ(TMatlabFile::MakeMatName(QStringLiteral("ЩЪЬЭЮЯ щъьэюя ХЦЧШ")),
              QStringLiteral("SCHEYUYA_scheyuya_KHTSCHSH"));
    EXPECT_EQ(TMatlabFile::MakeMatName(QStringLiteral("1_ъx-y.2")), QStringLiteral("x_y_2"));
    EXPECT_EQ(TMatlabFile::MakeMatName(QStringLiteral("Объём")), QStringLiteral("Obyom"));
}

TEST(MatFileWrite, SetVariableCleansNamesAndStoresDoubles) {
    TMatlabFile file;
    file.SetVariable(QStringLiteral("a b"), {{1, 2, 3}, {4, 5, 6}}, false);
    file.SetVariable(QStringLiteral("1st"), {{1, 2, 3}, {4, 5, 6}}, true);
    file.SetVariable(QString(), {}, false);
    file.SetVariable(QStringLiteral("_x"), {{1, 2}, {3}}, false); // ragged: the missing value is 0
    file.SetVariable(QStringLiteral("a_b"), {{0.1L}}, false);     // replaces "a b"
    ASSERT_EQ(file.VariableCount(), 4);
    EXPECT_EQ(file.VariableName(0), QStringLiteral("a_b"));
    EXPECT_EQ(file.VariableName(1), QStringLiteral("v1st"));
    EXPECT_EQ(file.VariableName(2), QStringLiteral("v"));
    EXPECT_EQ(file.VariableName(3), QStringLiteral("v_x"));
    EXPECT_EQ(file.Vars()[1].Dims, (TIntArray{3, 2}));
    EXPECT_EQ(file.Vars()[2].Dims, (TIntArray{0, 0}));
    EXPECT_EQ(Get(file, QStringLiteral("a_b")), (TDoubleArray2{{Extended(0.1)}})); // stored as a double
    EXPECT_EQ(Get(file, QStringLiteral("v1st")), (TDoubleArray2{{1, 4}, {2, 5}, {3, 6}}));
    EXPECT_EQ(Get(file, QStringLiteral("v_x")), (TDoubleArray2{{1, 2}, {3, 0}}));
    EXPECT_EQ(file.Vars()[1].RealData, Doubles({1, 2, 3, 4, 5, 6}));
}

TEST(MatFileWrite, ExactBytesOfOneVariable) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("one.mat"));
    TMatlabFile file;
    file.SetVariable(QStringLiteral("a"), {{2}}, false);
    ASSERT_TRUE(file.SaveToFile(path, false, false));
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.startsWith("MATLAB 5.0 MAT-file.\r\nCreated by Ostrel 2 on: "));
    EXPECT_TRUE(bytes.left(116).contains(".                       \r\n\r\n"));
    EXPECT_EQ(bytes.mid(116, 12), QByteArray("\0\0\0\0\0\0\0\0\x00\x01IM", 12));
    const QByteArray expected = Matrix(Flags(6) + Dims({1, 1}) + Element(1, "a") + Element(9, Doubles({2})));
    EXPECT_EQ(bytes.mid(128), expected);
    EXPECT_EQ(bytes.size(), 128 + 72);
}

TEST(MatFileWrite, RoundTripPlainAndCompressed) {
    QTemporaryDir dir;
    for (bool compressed : {false, true}) {
        TMatlabFile source;
        ASSERT_TRUE(source.LoadFromFile(kFixtures + QStringLiteral("/scipy_v5.mat")));
        source.SetVariable(QStringLiteral("added"), {{1.5L, -2}, {1e-300L, 4}}, false);
        source.Compressed = compressed;
        const QString path = dir.filePath(compressed ? QStringLiteral("c.mat") : QStringLiteral("p.mat"));
        ASSERT_TRUE(source.SaveToFile(path, false, false)) << source.ErrorMessage().toStdString();
        EXPECT_EQ(source.ErrorCode(), 0);
        TMatlabFile back;
        ASSERT_TRUE(back.LoadFromFile(path)) << back.ErrorMessage().toStdString();
        EXPECT_EQ(back.VariableCount(), 18);
        ExpectScipyLevel5(back); // structures and cells went back as they came
        EXPECT_EQ(Get(back, QStringLiteral("added")), (TDoubleArray2{{1.5L, -2}, {Extended(1e-300), 4}}));
    }
}

TEST(MatFileWrite, ScipyReadsOurFiles) {
    if (!ScipyAvailable()) GTEST_SKIP() << "python3-scipy is not installed";
    QTemporaryDir dir;
    for (bool compressed : {false, true}) {
        TMatlabFile file;
        file.SetVariable(QStringLiteral("abc"), {{1, 2, 3}, {4, 5, 6}}, false);
        file.SetVariable(QStringLiteral("longer_name"), {{0.1L, -1e300L}}, true);
        TMatlabFile fixture;
        ASSERT_TRUE(fixture.LoadFromFile(kFixtures + QStringLiteral("/scipy_v5.mat")));
        file.Compressed = compressed;
        const QString path = dir.filePath(QStringLiteral("ours.mat"));
        ASSERT_TRUE(file.SaveToFile(path, true, false));
        const QString printed =
            Python(QStringLiteral("import sys, scipy.io\n"
                                  "d = scipy.io.loadmat(sys.argv[1])\n"
                                  "print(sorted(k for k in d if not k.startswith('__')))\n"
                                  "print(d['abc'].tolist(), d['longer_name'].tolist())\n"),
                   path);
        EXPECT_EQ(
            printed,
            QStringLiteral("['abc', 'longer_name']\n[[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]] [[0.1], [-1e+300]]"))
            << compressed;
    }
}

// Compressed on both cores in slices of a megabyte, the element is still one zlib stream with one
// checksum, which our reader and scipy's check.
TEST(MatFileWrite, ACompressedVariableOfManySlicesReadsBack) {
    TDoubleArray2 columns(2, TDoubleArray(400000));
    for (int i = 0; i < 400000; ++i) {
        columns[0][i] = i;
        columns[1][i] = double(i % 977) / 7; // shrinks, but not to nothing
    }
    TMatlabFile file;
    file.SetVariable(QStringLiteral("v"), columns, false);
    file.Compressed = true;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.mat"));
    ASSERT_TRUE(file.SaveToFile(path, true, false)) << file.ErrorMessage().toStdString();
    TMatlabFile back;
    ASSERT_TRUE(back.LoadFromFile(path)) << back.ErrorMessage().toStdString();
    EXPECT_EQ(Get(back, QStringLiteral("v")), columns);
    if (!ScipyAvailable()) return;
    EXPECT_EQ(
        Python(QStringLiteral("import sys, scipy.io\n"
                              "v = scipy.io.loadmat(sys.argv[1])['v']\n"
                              "print(v.shape, v[1].tolist() == [i % 977 / 7 for i in range(400000)])\n"),
               path),
        QStringLiteral("(2, 400000) True"));
}

TEST(MatFileWrite, SaveErrors) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("e.mat"));
    TMatlabFile file;
    EXPECT_FALSE(file.SaveToFile(path, true, true));
    EXPECT_EQ(file.ErrorCode(), 10);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Число переменных равно 0. Сохранение невозможно."));
    file.SetVariable(QStringLiteral("a"), {{1}}, false);
    ASSERT_TRUE(file.SaveToFile(path, false, false));
    EXPECT_FALSE(file.SaveToFile(path, false, false));
    EXPECT_EQ(file.ErrorCode(), 9);
    EXPECT_EQ(file.ErrorMessage(),
              QStringLiteral("Файл с именем \"") + path + QStringLiteral("\" уже существует."));
    file.SetVariable(QStringLiteral("b"), {{2}}, false);
    ASSERT_TRUE(file.SaveToFile(path, true, true));
    TMatlabFile backup;
    ASSERT_TRUE(backup.LoadFromFile(dir.filePath(QStringLiteral("e.bak"))));
    EXPECT_EQ(backup.VariableCount(), 1);

    // A level-4 sparse matrix has no level-5 form here: nothing is written.
    TMatlabFile sparse;
    ASSERT_TRUE(sparse.LoadFromBytes(Level4(2, 1, 3, 0, QByteArray("sp\0", 3), Doubles({1, 1, 5})),
                                     QStringLiteral("s")));
    const QString sparsePath = dir.filePath(QStringLiteral("sparse.mat"));
    EXPECT_FALSE(sparse.SaveToFile(sparsePath, true, false));
    EXPECT_EQ(sparse.ErrorCode(), 99);
    EXPECT_EQ(sparse.ErrorMessage(),
              QStringLiteral("Попытка сохранить временно не поддерживающиеся данные."));
    EXPECT_FALSE(QFile::exists(sparsePath));
}

TEST(MatFile, ColumnsComeAsTheFileKeepsThem) {
    // A 2 x 3 matrix, stored column by column: rows {1, 3, 5} and {2, 4, 6}.
    QByteArray bytes = Header();
    bytes += Matrix(Flags(6) + Dims({2, 3}) + SmallElement(1, "m") + Element(9, Doubles({1, 2, 3, 4, 5, 6})));
    TMatlabFile file;
    ASSERT_TRUE(file.LoadFromBytes(bytes, QStringLiteral("m.mat"))) << file.ErrorMessage().toStdString();
    TDoubleArray2 rows, columns;
    ASSERT_TRUE(file.GetVariable(0, rows));
    ASSERT_TRUE(file.GetColumns(0, columns));
    EXPECT_EQ(rows, (TDoubleArray2{{1, 3, 5}, {2, 4, 6}}));
    EXPECT_EQ(columns, (TDoubleArray2{{1, 2}, {3, 4}, {5, 6}}));
}
