#include "files/DelimitedText.h"
#include "files/TextFile.h"
#include "tests/common/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <random>

namespace {

// Missing values read as NaN; "NaN" keeps them apart from numbers in the comparisons below.
QString Text(const TDoubleArray& column) {
    QStringList out;
    for (Extended v : column)
        out.append(std::isnan(v) ? QStringLiteral("NaN") : QString::number(double(v), 'g', 17));
    return out.join(u' ');
}

class DelimitedTextTest : public ::testing::Test {
protected:
    bool Load(const QByteArray& bytes, const char* name = "in.txt",
              TFieldSeparator separator = TFieldSeparator::Auto) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        testutil::WriteAll(path, bytes);
        file.FieldSeparator = separator;
        return file.LoadFromFile(path);
    }
    QStringList Columns() {
        TDoubleArray2 columns;
        EXPECT_TRUE(file.GetColumns(0, columns));
        QStringList out;
        for (const TDoubleArray& column : columns)
            out.append(Text(column));
        return out;
    }
    QTemporaryDir dir;
    TTextFile file;
};

} // namespace

TEST(DelimitedSniff, ChoosesTheConsistentReading) {
    struct Case {
        const char* text;
        TFieldSeparator expected;
        bool bothConsistent;
    } cases[] = {
        {"1,2\n2,5\n", TFieldSeparator::Whitespace, true}, // 1.2 and 2.5, or two columns
        {"1,5 2,5\n3,5 4\n", TFieldSeparator::Whitespace, false},
        {"1,5;2,5\n3;4\n", TFieldSeparator::Whitespace, true},
        {"t;v\n1,5;2,5\n2,5;\n3;4\n", TFieldSeparator::Semicolon, false},
        {"x,y\n1.5,2\n", TFieldSeparator::Comma, false},
        {"date\tclose\n2000-01-03\t1.5\n", TFieldSeparator::Tab, false},
        {"a,b,c\n1,2,3\n4,5,6\n", TFieldSeparator::Comma, false},
        {"1 2 3\n\nNext var\n\n4 5\n", TFieldSeparator::Whitespace, false},
        {"just words\n", TFieldSeparator::Whitespace, false},
        // Decimal commas in tables of two widths: split at the commas, a line holds fewer numbers.
        {"1,5 2,5\n1,5 2,5\n1,5 2,5\n1,5 2,5\n1,5 2,5\n1,5 2,5\n1,5 2,5\n1,5 2,5\n1,5 2,5\n1,5 2,5 3,5\n",
         TFieldSeparator::Whitespace, false},
    };
    for (const Case& c : cases) {
        bool both = false;
        EXPECT_EQ(delimited::Sniff(c.text, qsizetype(std::strlen(c.text)), &both), c.expected) << c.text;
        EXPECT_EQ(both, c.bothConsistent) << c.text;
    }
}

TEST(DelimitedDates, IsoAndDayFirstInDaysSince1899) {
    struct Case {
        const char* text;
        bool ok;
        Extended days;
    } cases[] = {
        {"2000-01-03", true, 36528},
        {"2000-01-03 14:05:00", true, 36528 + Extended(14 * 3600 + 5 * 60) / 86400},
        {"2000-01-03T14:05:00Z", true, 36528 + Extended(14 * 3600 + 5 * 60) / 86400},
        {"2000-01-03T14:05:00+03:00", true, 36528 + Extended(14 * 3600 + 5 * 60) / 86400},
        {"03.01.2000", true, 36528},
        {"3.1.2000 6:00", true, 36528.25L},
        {"1899-12-29 06:00", true, -1.25L}, // before the epoch the time counts forward
        {"1900-03-01", true, 61},
        {"2000-02-30", false, 0},
        {"2000-13-01", false, 0},
        {"2000-01-03 25:00", false, 0},
        {"03.01.00", false, 0},
        {"2000-01-03x", false, 0},
    };
    for (const Case& c : cases) {
        Extended days = 0;
        EXPECT_EQ(delimited::ParseDateTime(c.text, c.text + std::strlen(c.text), days), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(days, c.days) << c.text;
        }
    }
}

TEST(DelimitedFields, NumbersMissingDatesAndText) {
    struct Case {
        const char* text;
        bool commaIsPoint;
        delimited::TFieldKind kind;
    } cases[] = {
        {" 1.5 ", false, delimited::TFieldKind::Number}, {"1,5", true, delimited::TFieldKind::Number},
        {"1,5", false, delimited::TFieldKind::Text},     {"", false, delimited::TFieldKind::Missing},
        {"NA", false, delimited::TFieldKind::Missing},   {"nan", false, delimited::TFieldKind::Missing},
        {"-", false, delimited::TFieldKind::Missing},    {"NULL", false, delimited::TFieldKind::Missing},
        {"#N/A", false, delimited::TFieldKind::Missing}, {"1e99999", false, delimited::TFieldKind::Missing},
        {"AAPL", false, delimited::TFieldKind::Text},    {"2000-01-03", false, delimited::TFieldKind::Date},
        {"-1-2", false, delimited::TFieldKind::Text},
    };
    for (const Case& c : cases) {
        Extended value = 0;
        EXPECT_EQ(delimited::ParseField(c.text, c.text + std::strlen(c.text), c.commaIsPoint, value), c.kind)
            << c.text;
    }
}

TEST_F(DelimitedTextTest, TheAmbiguousFileInBothReadings) {
    ASSERT_TRUE(Load("1,2\n2,5\n"));
    EXPECT_EQ(file.UsedSeparator(), TFieldSeparator::Whitespace);
    EXPECT_TRUE(file.SeparatorAmbiguous());
    EXPECT_EQ(Columns(), QStringList{QStringLiteral("1.2 2.5")});
    ASSERT_TRUE(Load("1,2\n2,5\n", "in.txt", TFieldSeparator::Comma));
    EXPECT_EQ(Columns(), (QStringList{QStringLiteral("1 2"), QStringLiteral("2 5")}));
    // The extension chooses the comma without asking the lines.
    ASSERT_TRUE(Load("1,2\n2,5\n", "in.csv"));
    EXPECT_EQ(file.UsedSeparator(), TFieldSeparator::Comma);
    EXPECT_EQ(Columns().size(), 2);
}

TEST_F(DelimitedTextTest, QuotesHeaderNamesAndTextColumns) {
    ASSERT_TRUE(Load("\xEF\xBB\xBF"
                     "Survey 2026\r\n"
                     "name,\"x, cm\",comment,y\r\n"
                     "\"Smith, J.\",1,\"said \"\"hi\"\"\",2\r\n"
                     "Brown,2,\"two\r\nlines\",3\r\n"
                     "Lee,3,,4\r\n",
                     "survey.csv"));
    ASSERT_EQ(file.VariableCount(), 1);
    EXPECT_EQ(Columns(), (QStringList{QStringLiteral("1 2 3"), QStringLiteral("2 3 4")}));
    EXPECT_EQ(file.ColumnNames(0), (QStringList{QStringLiteral("x, cm"), QStringLiteral("y")}));
    TStrArray header;
    ASSERT_TRUE(file.GetHeaderLines(0, header));
    EXPECT_EQ(header, (TStrArray{QStringLiteral("Survey 2026"), QStringLiteral("name,\"x, cm\",comment,y")}));
}

TEST_F(DelimitedTextTest, MissingValuesKeepOneTable) {
    ASSERT_TRUE(Load("x,y,z\n1,2,NA\n2,,-\n3,null,7\n4,5,8\n", "gaps.csv"));
    ASSERT_EQ(file.VariableCount(), 1);
    EXPECT_EQ(Columns(), (QStringList{QStringLiteral("1 2 3 4"), QStringLiteral("2 NaN NaN 5"),
                                      QStringLiteral("NaN NaN 7 8")}));
}

TEST_F(DelimitedTextTest, SemicolonsWithDecimalCommas) {
    ASSERT_TRUE(Load("t;v\n1,5;2,5\n2,5;\n3;4\n"));
    EXPECT_EQ(file.UsedSeparator(), TFieldSeparator::Semicolon);
    EXPECT_EQ(Columns(), (QStringList{QStringLiteral("1.5 2.5 3"), QStringLiteral("2.5 NaN 4")}));
    EXPECT_EQ(file.ColumnNames(0), (QStringList{QStringLiteral("t"), QStringLiteral("v")}));
}

TEST_F(DelimitedTextTest, SpreadsheetSemicolonsInACsvFile) {
    // Split at the commas, every line would have two fields too, with one number in them.
    ASSERT_TRUE(Load("d;v\n01.03.2026;-5,0\n02.03.2026;-3,5\n", "excel.csv"));
    EXPECT_EQ(file.UsedSeparator(), TFieldSeparator::Semicolon);
    EXPECT_EQ(Columns(), (QStringList{QStringLiteral("46082 46083"), QStringLiteral("-5 -3.5")}));
}

TEST_F(DelimitedTextTest, DateColumnsAreMarked) {
    ASSERT_TRUE(Load("date\tticker\tclose\n2000-01-03\tX\t1.5\n2000-01-05\tX\t2\n", "prices.tsv"));
    EXPECT_EQ(Columns(), (QStringList{QStringLiteral("36528 36530"), QStringLiteral("1.5 2")}));
    EXPECT_EQ(file.DateColumns(0), (QList<bool>{true, false}));
}

TEST_F(DelimitedTextTest, NothingNumericIsRefused) {
    EXPECT_FALSE(Load("a,b\nc,d\n", "words.csv"));
    EXPECT_EQ(file.ErrorCode(), 3);
    EXPECT_EQ(file.VariableCount(), 0);
}

TEST_F(DelimitedTextTest, AWideHeaderOverShortRowsIsRefused) {
    QByteArray text = QByteArray(30000, ',') + "x\n";
    for (int i = 0; i < 1000; ++i)
        text += "1\n";
    EXPECT_FALSE(Load(text, "wide.csv"));
    EXPECT_EQ(file.ErrorCode(), 99);
    EXPECT_EQ(file.VariableCount(), 0);
}

TEST_F(DelimitedTextTest, ThreadsAgreeWithOneThread) {
    QByteArray text("t,v\n");
    for (int i = 0; i < 300000; ++i) // over 2 MB: a part for each thread
        text +=
            QByteArray::number(i) + (i % 7 == 0 ? QByteArray(",\n") : "," + QByteArray::number(i * 2) + "\n");
    const auto read = [&](int threads) {
        file.ThreadCount = threads;
        TDoubleArray2 columns;
        EXPECT_TRUE(Load(text, "big.csv"));
        EXPECT_TRUE(file.GetColumns(0, columns));
        return columns;
    };
    const TDoubleArray2 two = read(2), one = read(1);
    ASSERT_EQ(two.size(), 2);
    ASSERT_EQ(one.size(), 2);
    EXPECT_EQ(two[0], one[0]);
    ASSERT_EQ(two[1].size(), 300000);
    ASSERT_EQ(one[1].size(), 300000);
    for (int i = 0; i < 300000; ++i)
        ASSERT_EQ(std::isnan(two[1][i]) ? -1 : two[1][i], std::isnan(one[1][i]) ? -1 : one[1][i]) << i;
}

// The sample files of the shapes users bring: each reads as one table of its numeric columns.
TEST_F(DelimitedTextTest, SampleFiles) {
    const struct {
        const char* name;
        TFieldSeparator separator;
        const char* names; // joined by "|"
        QList<bool> dates;
        qsizetype rows;
    } cases[] = {
        {"prices_gaps.csv",
         TFieldSeparator::Comma,
         "Date|Open|High|Low|Close|Volume",
         {true, false, false, false, false, false},
         60},
        {"survey_header.csv", TFieldSeparator::Comma, "Age|Height, cm|Weight, kg", {false, false, false}, 25},
        {"weather_semicolon.csv",
         TFieldSeparator::Semicolon,
         "Дата|Температура|Давление",
         {true, false, false},
         31},
        {"instrument.tsv", TFieldSeparator::Tab, "time|voltage|current", {true, false, false}, 120},
    };
    for (const auto& c : cases) {
        file.FieldSeparator = TFieldSeparator::Auto;
        ASSERT_TRUE(file.LoadFromFile(QStringLiteral(TARVELO_FILES_FIXTURES "/csv/") + QLatin1String(c.name)))
            << c.name << file.ErrorMessage().toStdString();
        EXPECT_EQ(file.UsedSeparator(), c.separator) << c.name;
        EXPECT_EQ(file.ColumnNames(0), QString::fromUtf8(c.names).split(u'|')) << c.name;
        EXPECT_EQ(file.DateColumns(0), c.dates) << c.name;
        TDoubleArray2 columns;
        ASSERT_TRUE(file.GetColumns(0, columns));
        EXPECT_EQ(columns[0].size(), c.rows) << c.name;
    }
}

// Random runs of separators, quotes, line ends, digits and words: a table of equal columns or
// error 3, never anything else.
TEST(DelimitedRandomText, AlwaysOneConsistentTableOrNoData) {
    std::mt19937 random(16);
    const char* const pieces[] = {",",    ";",   "\t", "\"", "\"\"",       "\n", "\r\n", "\r",      "1",
                                  "-2.5", "3,5", "x",  "NA", "2000-01-03", " ",  "\xFF", "1e99999", "."};
    for (int round = 0; round < 3000; ++round) {
        QByteArray text;
        const int length = int(random() % 40);
        for (int i = 0; i < length; ++i)
            text += pieces[random() % std::size(pieces)];
        for (TFieldSeparator separator :
             {TFieldSeparator::Auto, TFieldSeparator::Comma, TFieldSeparator::Semicolon}) {
            TTextFile file;
            file.FieldSeparator = separator;
            const bool ok = file.LoadFromBytes(text, QStringLiteral("r.csv"));
            ASSERT_EQ(ok, file.VariableCount() > 0) << text.toStdString();
            if (!ok) {
                ASSERT_EQ(file.ErrorCode(), 3) << text.toStdString();
                continue;
            }
            TDoubleArray2 columns;
            ASSERT_TRUE(file.GetColumns(0, columns));
            for (const TDoubleArray& column : columns)
                ASSERT_EQ(column.size(), columns.first().size()) << text.toStdString();
            if (file.UsedSeparator() != TFieldSeparator::Whitespace) {
                EXPECT_EQ(file.ColumnNames(0).size(), columns.size());
                EXPECT_EQ(file.DateColumns(0).size(), columns.size());
            }
        }
    }
}
