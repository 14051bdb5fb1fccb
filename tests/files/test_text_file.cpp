#include "files/NumberFormat.h"
#include "files/TextFile.h"
#include "model/JobProgress.h"
#include "tests/common/TestFiles.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

using testutil::ReadAll;
using testutil::WriteAll;

namespace {

TDoubleArray2 Variable(TTextFile& file, int index) {
    TDoubleArray2 out;
    EXPECT_TRUE(file.GetVariable(index, out));
    return out;
}

class TextFileTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir.filePath(name); }
    // Reads bytes through a real file, the way users do.
    bool Load(const QByteArray& bytes) {
        WriteAll(Path(QStringLiteral("in.txt")), bytes);
        return file.LoadFromFile(Path(QStringLiteral("in.txt")));
    }
    QTemporaryDir dir;
    TTextFile file;
};

} // namespace

TEST_F(TextFileTest, HeadingTablesAndNextVar) {
    ASSERT_TRUE(Load("Measured data\r\n1 2 3\r\n4 5 6\r\n\r\nNext var\r\n\r\n7 8\r\n9 10\r\n"));
    ASSERT_EQ(file.VariableCount(), 2);
    EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(Variable(file, 1), (TDoubleArray2{{7, 8}, {9, 10}}));
    TStrArray text;
    ASSERT_TRUE(file.GetHeaderLines(0, text));
    EXPECT_EQ(text, TStrArray{QStringLiteral("Measured data")});
    // The blank lines on both sides of "Next var" belong to the variable that follows them.
    ASSERT_TRUE(file.GetHeaderLines(1, text));
    EXPECT_EQ(text, (TStrArray{QString(), QStringLiteral("Next var"), QString()}));
    EXPECT_EQ(file.ColumnWidths()[0], (TIntArray{16, 16, 16}));
    EXPECT_EQ(file.ColumnFormats()[1], (TStrArray{QString(), QString()}));
    EXPECT_EQ(file.RowsAsLines(), (QList<bool>{true, true}));
    EXPECT_EQ(file.ErrorCode(), 0);
    EXPECT_TRUE(file.ErrorMessage().isEmpty());
}

TEST_F(TextFileTest, ChangeOfValueCountStartsAVariableWithoutText) {
    ASSERT_TRUE(Load("1 2\n3 4\n5 6 7\n"));
    ASSERT_EQ(file.VariableCount(), 2);
    EXPECT_EQ(Variable(file, 1), (TDoubleArray2{{5, 6, 7}}));
    TStrArray text;
    ASSERT_TRUE(file.GetHeaderLines(1, text));
    EXPECT_TRUE(text.isEmpty());
}

TEST_F(TextFileTest, BlankLinesInsideAndAfterTables) {
    // Inside a table a blank line is a text line of the table; after the last table it is dropped,
    // and so is trailing text without numbers.
    ASSERT_TRUE(Load("  \n1 2\n\n3 4\n\n \ntrailing text\n\n"));
    ASSERT_EQ(file.VariableCount(), 1);
    EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{1, 2}, {3, 4}}));
    EXPECT_EQ(file.HeaderLines()[0], (TStrArray{QStringLiteral("  "), QString()}));
}

TEST_F(TextFileTest, CommaAsDecimalPoint) {
    ASSERT_TRUE(Load("1,5 2,5\n1,5,2\n"));
    ASSERT_EQ(file.VariableCount(), 1); // "1,5,2" is trailing text
    EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{1.5L, 2.5L}}));

    ASSERT_TRUE(Load("x\n1,5,2\n3 4\n"));
    EXPECT_EQ(file.HeaderLines()[0], (TStrArray{QStringLiteral("x"), QStringLiteral("1,5,2")}));

    // With "," among the separators it splits values instead.
    TSeparatorSet separators = TSeparatorSet::Default();
    separators.Add(',');
    file.SetSeparators(separators);
    ASSERT_TRUE(Load("1,5,2\n"));
    EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{1, 5, 2}}));
}

TEST_F(TextFileTest, BlanksAroundValuesWhenOnlySemicolonsSeparate) {
    file.SetSeparators(TSeparatorSet(QByteArray(";")));
    ASSERT_TRUE(Load(" 1 ;\t2\t; 3\n1 2;3;4\n"));
    EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{1, 2, 3}})); // "1 2" is no number: a text line
    EXPECT_EQ(file.VariableCount(), 1);
}

TEST_F(TextFileTest, MixedSeparatorsAndLineEnds) {
    ASSERT_TRUE(Load("\t1;2  ;\t3 |4\xA6"
                     "5\xB3"
                     "6\xBA"
                     "7;\r\n"));
    EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{1, 2, 3, 4, 5, 6, 7}}));
    for (const QByteArray& text :
         {QByteArray("a\r\n1 2\r\n3 4"), QByteArray("a\n1 2\n3 4\n"), QByteArray("a\r1 2\r3 4\r")}) {
        ASSERT_TRUE(Load(text)) << text.constData();
        EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{1, 2}, {3, 4}}));
        EXPECT_EQ(file.HeaderLines()[0], TStrArray{QStringLiteral("a")});
    }
}

TEST_F(TextFileTest, WhatIsNotANumber) {
    ASSERT_TRUE(Load("1 2 x\n1e 2\ninf 1\n0x1 2\n1 2\n;;;\n"));
    EXPECT_EQ(file.HeaderLines()[0], (TStrArray{QStringLiteral("1 2 x"), QStringLiteral("1e 2"),
                                                QStringLiteral("inf 1"), QStringLiteral("0x1 2")}));
    EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{1, 2}}));
    // Exact extended values, also beyond double precision.
    ASSERT_TRUE(Load("0.1 -1.0000000000000000001 1e-4000\n"));
    EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{0.1L, -1.0000000000000000001L, 1e-4000L}}));
    // Text lines are cp1251.
    ASSERT_TRUE(Load("\xD2\xE5\xEC\xEF\n1\n"));
    EXPECT_EQ(file.HeaderLines()[0], TStrArray{QStringLiteral("Темп")});
}

TEST_F(TextFileTest, FailuresClearEverything) {
    ASSERT_TRUE(Load("1 2\n"));
    EXPECT_FALSE(Load(""));
    EXPECT_EQ(file.ErrorCode(), 3);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Файл \"") + Path(QStringLiteral("in.txt")) +
                                       QStringLiteral("\" не содержит численных данных."));
    EXPECT_EQ(file.VariableCount(), 0);
    EXPECT_FALSE(Load("only text\n\n"));
    EXPECT_EQ(file.ErrorCode(), 3);

    const QString missing = Path(QStringLiteral("missing.txt"));
    EXPECT_FALSE(file.LoadFromFile(missing));
    EXPECT_EQ(file.ErrorCode(), 1);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Файл \"") + missing + QStringLiteral("\" не найден."));
    EXPECT_FALSE(file.LoadFromFile(dir.path()));
    EXPECT_EQ(file.ErrorCode(), 2);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Отказано в доступе."));
}

TEST_F(TextFileTest, ClipboardText) {
    ASSERT_TRUE(file.LoadFromClipboardText(QStringLiteral("Заголовок\r\n1 2\r\n3 4\r\n")));
    EXPECT_EQ(file.FileName(), QStringLiteral("<Clipboard>"));
    EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{1, 2}, {3, 4}}));
    EXPECT_EQ(file.HeaderLines()[0], TStrArray{QStringLiteral("Заголовок")});
    // One line holds its rows as ";"-separated records.
    ASSERT_TRUE(file.LoadFromClipboardText(QStringLiteral("1 2;3 4;5 6")));
    EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{1, 2}, {3, 4}, {5, 6}}));
    EXPECT_FALSE(file.LoadFromClipboardText(QString()));
    EXPECT_EQ(file.ErrorCode(), 3);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Файл \"<Clipboard>\" не содержит численных данных."));

    QGuiApplication::clipboard()->setText(QStringLiteral("1\t2,5\n3\t4"));
    ASSERT_TRUE(file.LoadFromFile(QStringLiteral("<Clipboard>")));
    EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{1, 2.5L}, {3, 4}}));
}

TEST_F(TextFileTest, VariableAccessErrors) {
    ASSERT_TRUE(Load("1 2\n"));
    TDoubleArray2 matrix{{9}};
    EXPECT_FALSE(file.GetVariable(3, matrix));
    EXPECT_TRUE(matrix.isEmpty());
    EXPECT_EQ(file.ErrorCode(), 5);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Некорректный индекс переменной (3)"));
    EXPECT_FALSE(file.GetVariable(-1, matrix));
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Некорректный индекс переменной (-1)"));
    TStrArray text{QStringLiteral("x")};
    EXPECT_FALSE(file.GetHeaderLines(1, text));
    EXPECT_TRUE(text.isEmpty());
}

TEST_F(TextFileTest, SetVariableAndFormats) {
    file.SetVariable(-1, {{1, 2, 3}, {4, 5, 6}}, false);
    file.SetVariable(7, {{1, 2}, {3, 4}, {5, 6}}, true);
    file.SetVariable(0, {}, false); // an empty matrix changes nothing
    file.SetVariable(0, {{}}, false);
    ASSERT_EQ(file.VariableCount(), 2);
    EXPECT_EQ(Variable(file, 0), (TDoubleArray2{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(Variable(file, 1), (TDoubleArray2{{1, 3, 5}, {2, 4, 6}}));
    EXPECT_EQ(file.RowsAsLines(), (QList<bool>{false, false}));
    EXPECT_EQ(file.ColumnWidths()[1], (TIntArray{16, 16, 16}));

    EXPECT_TRUE(file.SetFormat(-1, QStringLiteral("%f1"), 5));
    EXPECT_EQ(file.ColumnFormats()[0], (TStrArray(3, QStringLiteral("%f1"))));
    EXPECT_EQ(file.ColumnWidths()[1], (TIntArray{5, 5, 5}));
    // Replacing keeps the flag and resets formats and widths.
    file.SetRowsAsLines(0, true);
    file.SetVariable(0, {{8, 9}}, false);
    EXPECT_TRUE(file.RowsAsLines()[0]);
    EXPECT_EQ(file.ColumnFormats()[0], (TStrArray{QString(), QString()}));
    EXPECT_EQ(file.ColumnWidths()[0], (TIntArray{16, 16}));

    EXPECT_FALSE(file.SetFormat(2, QString(), 16));
    EXPECT_EQ(file.ErrorCode(), 5);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Переменная с индексом 2 не найдена."));
    EXPECT_FALSE(file.SetFormat(-2, QString(), 16)); // not "every variable"
    EXPECT_EQ(file.ErrorCode(), 5);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Переменная с индексом -2 не найдена."));
    EXPECT_EQ(file.ColumnWidths()[1], (TIntArray{5, 5, 5}));
}

// Fixed-point columns are written as printf writes them, whatever the magnitude and the decimals,
// including the halves (0.125 at two decimals) and the values next to them.
TEST(NumberFormat, FixedPointMatchesPrintf) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> exponent(-25, 25);
    QList<Extended> values{0.125L, 0.375L, 2.5L, -0.5L, 1e-30L, 9.9999999999999999999e18L, 1.8e19L, 4e37L};
    for (int i = 0; i < 20000; ++i)
        values.append((i % 2 ? -1 : 1) * std::pow(10.0L, Extended(exponent(random))));
    char buffer[6000];
    for (const Extended v : values)
        for (int decimals = 0; decimals <= 18; decimals += 1 + int(random() % 4)) {
            std::snprintf(buffer, sizeof buffer, "%.*Lf", decimals, v);
            QByteArray expected(buffer);
            if (expected.startsWith('-') && expected.count('0') + expected.count('.') == expected.size() - 1)
                expected.remove(0, 1);
            ASSERT_EQ(numfmt::Format(v, QStringLiteral("%f%1").arg(decimals)), expected) << double(v);
        }
}

TEST(NumberFormat, ColumnFormats) {
    EXPECT_EQ(numfmt::Format(1.5L, QString()), "1.50000000000000E+0000");
    EXPECT_EQ(numfmt::Format(-2.5e-10L, QString()), "-2.50000000000000E-0010");
    EXPECT_EQ(numfmt::Format(0.0L, QString()), "0.00000000000000E+0000");
    EXPECT_EQ(numfmt::Format(1e300L * 1e300L, QString()), "1.00000000000000E+0600");
    EXPECT_EQ(numfmt::Format(3.14159L, QStringLiteral("%f2")), "3.14");
    EXPECT_EQ(numfmt::Format(-0.001L, QStringLiteral("%f2")), "0.00");
    EXPECT_EQ(numfmt::Format(2.5L, QStringLiteral("%f0")), "2");
    EXPECT_EQ(numfmt::Format(1234.5L, QStringLiteral("%e3.2")), "1.234E+03"); // ties to even
    EXPECT_EQ(numfmt::Format(-1234.56L, QStringLiteral("%e1.4")), "-1.2E+0003");
    EXPECT_EQ(numfmt::Format(1234567.891L, QStringLiteral("#,##0.00")), "1,234,567.89");
    EXPECT_EQ(numfmt::Format(0.5L, QStringLiteral("#.##")), ".5");
    EXPECT_EQ(numfmt::Format(7.0L, QStringLiteral("000.0#")), "007.0");
    EXPECT_EQ(numfmt::Format(-7.26L, QStringLiteral("0.0")), "-7.3");
    EXPECT_EQ(numfmt::Format(12345.0L, QStringLiteral("0.00E+00")), "1.23E+04");
    EXPECT_EQ(numfmt::Format(0.00012L, QStringLiteral("0.0E-0")), "1.2E-4");
    EXPECT_EQ(numfmt::Format(5.0L, QStringLiteral("0.0 'V'")), "5.0 V");
    EXPECT_EQ(numfmt::Format(-5.0L, QStringLiteral("0.0;(0.0)")), "(5.0)");
    EXPECT_EQ(numfmt::Format(0.0L, QStringLiteral("0.0;(0.0);'zero'")), "zero");
    EXPECT_EQ(numfmt::Format(std::numeric_limits<Extended>::infinity(), QString()), "INF");
    EXPECT_EQ(numfmt::Format(-std::numeric_limits<Extended>::infinity(), QStringLiteral("%f2")), "-INF");
    EXPECT_EQ(numfmt::Format(std::numeric_limits<Extended>::quiet_NaN(), QString()), "NAN");
}

TEST_F(TextFileTest, SaveWritesRowsColumnsAndSeparators) {
    file.SetVariable(-1, {{1.5L, -2}, {3, 4}}, false); // written by columns
    file.SetVariable(-1, {{0.25L}}, false);
    file.SetRowsAsLines(1, true);
    ASSERT_TRUE(file.SetFormat(0, QStringLiteral("%f1"), 5));
    file.SetOutSeparator(';');
    const QString out = Path(QStringLiteral("out.txt"));
    ASSERT_TRUE(file.SaveToFile(out, false, false));
    EXPECT_EQ(ReadAll(out), "  1.5;  3.0\r\n -2.0;  4.0\r\n\r\nNext var\r\n\r\n2.50000000000000E-0001\r\n");
    EXPECT_EQ(file.ErrorCode(), 0);
}

TEST_F(TextFileTest, ColumnsOfRaggedRowsStopAtEachRowsEnd) {
    file.SetVariable(-1, {{1, 2, 3}, {4}}, false);
    ASSERT_TRUE(file.SetFormat(0, QStringLiteral("%f0"), 0));
    const QString out = Path(QStringLiteral("out.txt"));
    ASSERT_TRUE(file.SaveToFile(out, false, false));
    EXPECT_EQ(ReadAll(out), "1 4\r\n2\r\n3\r\n");
}

TEST_F(TextFileTest, SaveAndReadBack) {
    const TDoubleArray2 first{{1.5L, -2.25e-10L, 12345}, {0, 7, -8}};
    const TDoubleArray2 second{{0.125L, 3}};
    file.SetVariable(-1, first, true);
    file.SetVariable(-1, second, false);
    const QString out = Path(QStringLiteral("out.txt"));
    ASSERT_TRUE(file.SaveToFile(out, false, false));
    TTextFile back;
    ASSERT_TRUE(back.LoadFromFile(out));
    ASSERT_EQ(back.VariableCount(), 2);
    EXPECT_EQ(Variable(back, 0), first);
    EXPECT_EQ(Variable(back, 1), (TDoubleArray2{{0.125L}, {3}}));
    EXPECT_EQ(back.HeaderLines()[1], (TStrArray{QString(), QStringLiteral("Next var"), QString()}));
}

TEST_F(TextFileTest, SaveErrorsAndBackups) {
    const QString out = Path(QStringLiteral("data.txt"));
    const QString bak = Path(QStringLiteral("data.bak"));
    EXPECT_FALSE(file.SaveToFile(out, true, true));
    EXPECT_EQ(file.ErrorCode(), 10);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Число переменных равно 0. Сохранение невозможно."));

    file.SetVariable(-1, {{1}}, false);
    ASSERT_TRUE(file.SetFormat(-1, QStringLiteral("%f0"), 0));
    WriteAll(out, "old");
    EXPECT_FALSE(file.SaveToFile(out, false, true));
    EXPECT_EQ(file.ErrorCode(), 9);
    EXPECT_EQ(file.ErrorMessage(),
              QStringLiteral("Файл с именем \"") + out + QStringLiteral("\" уже существует."));
    EXPECT_EQ(ReadAll(out), "old");

    ASSERT_TRUE(file.SaveToFile(out, true, true));
    EXPECT_EQ(ReadAll(out), "1\r\n");
    EXPECT_EQ(ReadAll(bak), "old");
    file.SetVariable(0, {{2}}, false);
    ASSERT_TRUE(file.SetFormat(-1, QStringLiteral("%f0"), 0));
    ASSERT_TRUE(file.SaveToFile(out, true, false)); // no backup: the .bak stays as it was
    EXPECT_EQ(ReadAll(out), "2\r\n");
    EXPECT_EQ(ReadAll(bak), "old");

    // A .bak that cannot be deleted stops the save before anything is lost.
    QFile::remove(bak);
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("data.bak/inside")));
    EXPECT_FALSE(file.SaveToFile(out, true, true));
    EXPECT_EQ(file.ErrorCode(), 2);
    EXPECT_EQ(file.ErrorMessage(),
              QStringLiteral("Невозможно удалить bak-файл: \"") + bak + QStringLiteral("\"."));
    EXPECT_EQ(ReadAll(out), "2\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList{QStringLiteral("data.txt")}); // no temporary left

    const QString nowhere = Path(QStringLiteral("no/such/folder.txt"));
    EXPECT_FALSE(file.SaveToFile(nowhere, true, true));
    EXPECT_EQ(file.ErrorCode(), 2);
    EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Невозможно создать файл \"") + nowhere +
                                       QStringLiteral("\".\nПапка не существует."));
}

TEST_F(TextFileTest, ProgressOnlyForLargeSources) {
    QList<int> reported;
    file.OnProgress = [&](TTextFile* sender, int percent) {
        EXPECT_EQ(sender, &file);
        reported.append(percent);
    };
    ASSERT_TRUE(Load("1 2\n"));
    EXPECT_TRUE(reported.isEmpty());
    QByteArray big;
    for (int i = 0; i < 1000; ++i)
        big += "1 2 3\n";
    file.ProgressThreshold = 1000;
    ASSERT_TRUE(Load(big));
    ASSERT_FALSE(reported.isEmpty());
    EXPECT_EQ(reported.first(), 0);
    EXPECT_EQ(reported.last(), 100);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(reported.size(), 101); // every percentage once
}

// A job counts the bytes it read; a cancelled one loads nothing, whichever reader the text takes.
TEST_F(TextFileTest, JobCountsBytesAndCancelLoadsNothing) {
    for (const QByteArray& text : {QByteArray("1 2\n3 4\n"), QByteArray("a,b\n1,2\n")}) {
        const QString name = Path(text.contains(',') ? QStringLiteral("in.csv") : QStringLiteral("in.txt"));
        WriteAll(name, text);
        file.FieldSeparator = TFieldSeparator::Auto;
        TJobProgress job;
        file.Job = &job;
        ASSERT_TRUE(file.LoadFromFile(name));
        EXPECT_EQ(job.Total(), text.size());
        EXPECT_EQ(job.Done(), text.size());
        job.Cancel();
        EXPECT_FALSE(file.LoadFromFile(name));
        EXPECT_TRUE(file.Cancelled());
        EXPECT_EQ(file.VariableCount(), 0);
        file.Job = nullptr;
    }
}

TEST_F(TextFileTest, RowStorageIsTrimmedToTheRowsRead) {
    ASSERT_TRUE(Load(QByteArray(200000, ' ') + "\n1\n2\n3\n"));
    TDoubleArray2 columns;
    ASSERT_TRUE(file.GetColumns(0, columns));
    ASSERT_EQ(columns.size(), 1);
    EXPECT_EQ(columns[0].size(), 3);
    EXPECT_EQ(columns[0].capacity(), 3);
}

TEST_F(TextFileTest, ColumnsOfATableAreSharedAndMatchItsRows) {
    ASSERT_TRUE(Load("1 2 3\n4 5 6\n"));
    TDoubleArray2 columns, again, rows;
    ASSERT_TRUE(file.GetColumns(0, columns));
    ASSERT_TRUE(file.GetColumns(0, again));
    ASSERT_TRUE(file.GetVariable(0, rows));
    EXPECT_EQ(columns, (TDoubleArray2{{1, 4}, {2, 5}, {3, 6}}));
    EXPECT_EQ(rows, (TDoubleArray2{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(columns[1].constData(), again[1].constData()); // no copy per call

    // A matrix set by the caller comes back as given, and its columns transposed.
    file.SetVariable(-1, TDoubleArray2{{7, 8}, {9, 10}}, false);
    ASSERT_TRUE(file.GetColumns(1, columns));
    EXPECT_EQ(columns, (TDoubleArray2{{7, 9}, {8, 10}}));
    EXPECT_FALSE(file.GetColumns(2, columns));
    EXPECT_EQ(file.ErrorCode(), 5);
    EXPECT_TRUE(columns.isEmpty());
}

// Two reads of the same text, however they were split up, give the same variables and texts.
static void ExpectSameVariables(TTextFile& one, TTextFile& other) {
    ASSERT_EQ(one.VariableCount(), other.VariableCount());
    for (int i = 0; i < one.VariableCount(); ++i) {
        TDoubleArray2 a, b;
        ASSERT_TRUE(one.GetVariable(i, a));
        ASSERT_TRUE(other.GetVariable(i, b));
        EXPECT_EQ(a, b) << i;
    }
    EXPECT_EQ(one.HeaderLines(), other.HeaderLines());
}

TEST(TextFileParallel, ThreadsGiveTheSameVariables) {
    // Several MB with tables of changing widths, text and blank lines at random places, so that
    // variables cross the boundaries of the parallel pieces and of the read blocks.
    std::mt19937 random(5);
    QByteArray text;
    while (text.size() < (qsizetype(5) << 20)) {
        const int kind = int(random() % 1000);
        if (kind == 0)
            text += "header line\r\n";
        else if (kind == 1)
            text += "\n";
        else if (kind == 2)
            text += "1 2 3 4\r";
        else
            text += QByteArray::number(int(random())) + ' ' + QByteArray::number(kind) + ".5e-3\n";
    }
    TTextFile single, parallel;
    single.ThreadCount = 1;
    parallel.ThreadCount = 3;
    parallel.BlockSize = 3 << 20; // two blocks, three pieces each
    ASSERT_TRUE(single.LoadFromBytes(text, QStringLiteral("a")));
    ASSERT_TRUE(parallel.LoadFromBytes(text, QStringLiteral("a")));
    ASSERT_GT(single.VariableCount(), 10);
    ExpectSameVariables(single, parallel);
}

TEST(TextFileBlocks, LinesAndLineEndsAcrossSmallBlocks) {
    // A numeric line far longer than a block, CR LF pairs split by block ends, and text between.
    QByteArray text = "head\r\n";
    for (int i = 0; i < 3000; ++i)
        text += QByteArray::number(i) + ' ';
    text += "\r\n";
    for (int row = 0; row < 2000; ++row)
        text += (row % 7 == 0 ? "x\r\n" : "1.5 2.5\r\n");
    TTextFile whole, blocks;
    blocks.BlockSize = 4096;
    blocks.ThreadCount = 2;
    ASSERT_TRUE(whole.LoadFromBytes(text, QStringLiteral("a")));
    ASSERT_TRUE(blocks.LoadFromBytes(text, QStringLiteral("a")));
    ASSERT_GT(whole.VariableCount(), 200);
    TDoubleArray2 first;
    ASSERT_TRUE(blocks.GetVariable(0, first));
    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(first[0].size(), 3000);
    EXPECT_EQ(first[0].last(), 2999);
    ExpectSameVariables(whole, blocks);
}

TEST(TextFileKeptColumns, OnlyKeptColumnsOfLongTablesAreStored) {
    // Tables of one to four columns, long and short, with lines that are text only because of a
    // value in a column that is not kept: the variables stay those of the full reading.
    std::mt19937 random(9);
    const QByteArray oddLines[] = {"1 x 3\n", "1 2 1e5000\n", "4 5 6,5,7\n", "note\n", "\n", "1 2 3 4 5\n"};
    QByteArray text;
    while (text.size() < 300000) {
        if (random() % 40 == 0) {
            text += oddLines[random() % std::size(oddLines)];
            continue;
        }
        const int width = 1 + int(random() % 4);
        const int rows = random() % 3 == 0 ? 1 + int(random() % width) : int(random() % 300);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < width; ++c)
                text += QByteArray::number(int(random() % 100000) - 50000) + (c + 1 < width ? "\t" : "\r\n");
        }
    }
    TTextFile full, kept;
    full.ThreadCount = 1;
    kept.ThreadCount = 2;
    kept.BlockSize = 4096;
    kept.KeptColumns = {2, 0, 7};
    ASSERT_TRUE(full.LoadFromBytes(text, QStringLiteral("a")));
    ASSERT_TRUE(kept.LoadFromBytes(text, QStringLiteral("a")));
    ASSERT_EQ(kept.VariableCount(), full.VariableCount());
    EXPECT_EQ(kept.HeaderLines(), full.HeaderLines());
    int dropped = 0;
    for (int i = 0; i < full.VariableCount(); ++i) {
        TDoubleArray2 all, some;
        ASSERT_TRUE(full.GetColumns(i, all));
        ASSERT_TRUE(kept.GetColumns(i, some));
        ASSERT_EQ(some.size(), all.size()) << i;
        const bool longTable = all.first().size() > all.size();
        for (int c = 0; c < all.size(); ++c) {
            const bool stored = !longTable || c == 0 || c == 2;
            EXPECT_EQ(some[c], stored ? all[c] : TDoubleArray()) << i << ' ' << c;
            dropped += !stored;
        }
    }
    EXPECT_GT(dropped, 50);
}

TEST(TextFileKeptColumns, DelimitedTablesKeepTheirNames) {
    TTextFile file;
    file.FieldSeparator = TFieldSeparator::Auto;
    file.KeptColumns = {1};
    ASSERT_TRUE(file.LoadFromBytes("a,b,c\n1,2,3\n4,5,6\n7,8,9\n10,11,12\n", QStringLiteral("t.csv")));
    TDoubleArray2 columns;
    ASSERT_TRUE(file.GetColumns(0, columns));
    EXPECT_EQ(columns, (TDoubleArray2{{}, {2, 5, 8, 11}, {}}));
    EXPECT_EQ(file.ColumnNames(0),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
}
