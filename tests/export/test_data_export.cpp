#include "export/CommandLine.h"
#include "export/DataExport.h"
#include "files/MatlabFile.h"
#include "files/TextFile.h"
#include "tests/common/TestData.h"
#include "tests/common/TestFiles.h"
#include "window/SuperGrWindow.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <limits>

using testutil::Ramp;
using testutil::ReadAll;
using testutil::U;
using testutil::Values;

namespace {
TExportBlock Block(qsizetype rows, qsizetype length) {
    TExportBlock block;
    block.Rows = TDoubleArray2(rows, TDoubleArray(length));
    return block;
}
} // namespace

TEST(DataExport, SheetLimitsCheckColumnsFirst) {
    const QString start = U("Данная версия Microsoft Excel не позоляет сохранять более ");
    const struct {
        qsizetype Rows, Length;
        bool Vertical;
        const char* Tail; // empty: fits
    } cases[] = {
        {16384, 1048576, true, ""},
        {16385, 2, true, "16384 столбцов."},
        {2, 1048577, true, "1048576 строк."},
        {2, 16385, false, "16384 столбцов."},
        {16385, 16385, false, "16384 столбцов."},
    };
    for (const auto& c : cases) {
        const QString expected = *c.Tail ? start + U(c.Tail) : QString();
        EXPECT_EQ(dataexport::SheetLimitMessage({Block(c.Rows, c.Length)}, c.Vertical), expected) << c.Rows;
    }
}

TEST(DataExport, WorkbookReplacesAFileOnlyWhenComplete) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("book.xlsx"));
    testutil::WriteAll(file, "old");
    QString message;
    EXPECT_FALSE(dataexport::WriteWorkbook(file, {Block(16385, 1)}, {}, true, message));
    EXPECT_EQ(ReadAll(file), QByteArray("old"));

    TExportBlock block{{Ramp(3), Values({1, std::numeric_limits<Extended>::infinity(), 1e4000L})}, U("имя")};
    ASSERT_TRUE(dataexport::WriteWorkbook(file, {block, block}, {U("имя"), U("Имя_1")}, false, message))
        << message.toStdString();
    EXPECT_TRUE(ReadAll(file).startsWith("PK"));
    // Graphs without nodes get no sheet; the workbook is still one.
    ASSERT_TRUE(dataexport::WriteWorkbook(file, {TExportBlock{}}, {}, true, message));
    EXPECT_TRUE(ReadAll(file).startsWith("PK"));

    EXPECT_FALSE(
        dataexport::WriteWorkbook(dir.filePath(QStringLiteral("no/book.xlsx")), {block}, {}, true, message));
    EXPECT_EQ(message, U("Не удалось записать файл \"") + dir.filePath(QStringLiteral("no/book.xlsx")) +
                           U("\"!\nПапка не существует."));
}

TEST(DataExport, OneGraphGoesIntoTheFormatOfItsExtension) {
    QTemporaryDir dir;
    TSuperGrWindow window;
    window.AddGraph(U("ток"), false, {}, Values({1, 2}), Values({0.1L, 1e-20L}));
    const TGraph& graph = *window.GraphByIndex(0);
    QString message;
    const QString mat = dir.filePath(QStringLiteral("g.data"));
    ASSERT_TRUE(dataexport::SaveGraphData(graph, mat, message)) << message.toStdString();
    TMatlabFile matFile;
    ASSERT_TRUE(matFile.LoadFromFile(mat));
    EXPECT_EQ(matFile.VariableName(0), QStringLiteral("tok"));

    const QString text = dir.filePath(QStringLiteral("g.TXT"));
    ASSERT_TRUE(dataexport::SaveGraphData(graph, text, message));
    TTextFile textFile;
    ASSERT_TRUE(textFile.LoadFromFile(text));
    TDoubleArray2 columns;
    ASSERT_TRUE(textFile.GetColumns(0, columns));
    EXPECT_EQ(columns, (TDoubleArray2{Values({1, 2}), Values({0.1L, 1e-20L})}));

    EXPECT_TRUE(dataexport::SaveGraphData(graph, dir.filePath(QStringLiteral("g.xlsx")), message));
    EXPECT_FALSE(dataexport::SaveGraphData(graph, dir.filePath(QStringLiteral("no/g.xlsx")), message));
    EXPECT_EQ(message, U("Ошибка при попытке сохранить данные в Excel!\nПапка не существует."));
}

TEST(DataExport, HeadlessExportWritesEachGraphWithItsArgument) {
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data.txt"));
    testutil::WriteAll(data, "1 10 -1\n2 20 -2\n3 30 -3\n4 40 -4\n");
    for (const char* name : {"out.mat", "out.txt"}) {
        const QString out = dir.filePath(U(name));
        QString error;
        auto command = ParseCommandLine(
            QStringList{QStringLiteral("--export=") + out, QStringLiteral("--columns=1:2,1:3"), data},
            &error);
        ASSERT_TRUE(command) << error.toStdString();
        ASSERT_EQ(RunHeadless(*command), 0);
        TDoubleArray2 second;
        if (out.endsWith(QStringLiteral(".mat"))) {
            TMatlabFile file;
            ASSERT_TRUE(file.LoadFromFile(out));
            ASSERT_EQ(file.VariableCount(), 2);
            ASSERT_TRUE(file.GetColumns(1, second));
        } else {
            TTextFile file;
            ASSERT_TRUE(file.LoadFromFile(out));
            ASSERT_EQ(file.VariableCount(), 2);
            ASSERT_TRUE(file.GetColumns(1, second));
        }
        EXPECT_EQ(second, (TDoubleArray2{Values({1, 2, 3, 4}), Values({-1, -2, -3, -4})})) << name;
    }
}
