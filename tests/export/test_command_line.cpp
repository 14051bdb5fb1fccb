#include "export/CommandLine.h"

#include "app/FigureFile.h"
#include "tools/HelpModel.h"
#include "window/SuperGrWindow.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {
QStringList Args(std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* a : list)
        out.append(QString::fromUtf8(a));
    return out;
}

QString WriteData(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("data.txt"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("t p q\n");
    for (int i = 0; i < 50; ++i)
        file.write(QByteArray::number(i) + ' ' + QByteArray::number(i * i) + ' ' + QByteArray::number(-i) +
                   '\n');
    return path;
}
} // namespace

TEST(CommandLine, ParsesOptionsInBothForms) {
    QString error;
    auto c = ParseCommandLine(Args({"--export=out.png", "--size", "640x480", "--scale=2", "--scheme=3",
                                    "--columns=1:2,0:3", "a.txt", "b.mat"}),
                              &error);
    ASSERT_TRUE(c) << error.toStdString();
    EXPECT_EQ(c->ExportFile, QStringLiteral("out.png"));
    EXPECT_EQ(c->Width, 640);
    EXPECT_EQ(c->Height, 480);
    EXPECT_EQ(c->Scale, 2);
    EXPECT_EQ(c->Scheme, 3);
    EXPECT_EQ(c->Columns, (QList<std::pair<int, int>>{{1, 2}, {0, 3}}));
    EXPECT_EQ(c->Inputs.size(), 2);
    EXPECT_TRUE(c->Headless());

    auto open = ParseCommandLine(Args({"figure.tvq"}), &error);
    ASSERT_TRUE(open);
    EXPECT_FALSE(open->Headless());
}

TEST(CommandLine, RejectsBadArgumentsWithAReasonInTheProgramsLanguage) {
    const std::initializer_list<const char*> bad[] = {{"--export=out.xyz", "a.txt"},
                                                      {"--export=out.png"},
                                                      {"--size=0x5", "a"},
                                                      {"--size=12", "a"},
                                                      {"--scheme=7", "a"},
                                                      {"--scale=-1", "a"},
                                                      {"--columns=1-2", "a"},
                                                      {"--nope"},
                                                      {"--export"},
                                                      {"--separator=pipe", "a"},
                                                      {"--ignore-errors=maybe", "--eval=1"},
                                                      {"--eval=1", "--export=a.png", "a"}};
    const QRegularExpression russian(QStringLiteral("[а-яё]"));
    for (const auto& args : bad) {
        QString error;
        EXPECT_FALSE(ParseCommandLine(Args(args), &error));
        EXPECT_TRUE(error.contains(russian)) << error.toStdString();
    }
    EXPECT_TRUE(UsageText().startsWith(QStringLiteral("Использование: tarvelo")));
}

TEST(CommandLine, HeadlessExportWritesThePicture) {
    QTemporaryDir dir;
    const QString data = WriteData(dir);
    const QString out = dir.filePath(QStringLiteral("out.png"));
    QString error;
    auto c = ParseCommandLine(
        QStringList{QStringLiteral("--export=") + out, QStringLiteral("--size=300x200"), data}, &error);
    ASSERT_TRUE(c);
    EXPECT_EQ(RunHeadless(*c), 0);
    EXPECT_EQ(QImage(out).size(), QSize(300, 200));

    auto chosen = ParseCommandLine(
        QStringList{QStringLiteral("--export=") + out, QStringLiteral("--columns=1:9"), data}, &error);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(RunHeadless(*chosen), 1); // there is no ninth series

    auto missing = ParseCommandLine(
        QStringList{QStringLiteral("--export=") + out, dir.filePath(QStringLiteral("no.txt"))}, &error);
    ASSERT_TRUE(missing);
    EXPECT_EQ(RunHeadless(*missing), 1);
}

TEST(CommandLine, HeadlessExportWritesAFigureThatOpensWithTheInputsGraphs) {
    QTemporaryDir dir;
    const QString data = WriteData(dir);
    const QString figure = dir.filePath(QStringLiteral("out.TVQ"));
    QString error;
    auto c = ParseCommandLine(QStringList{QStringLiteral("--export=") + figure, data}, &error);
    ASSERT_TRUE(c) << error.toStdString();
    ASSERT_EQ(RunHeadless(*c), 0);

    TSuperGrWindow opened;
    TWindowBounds bounds;
    ASSERT_TRUE(figurefile::Load(opened, figure, &error, &bounds)) << error.toStdString();
    EXPECT_EQ(bounds, (TWindowBounds{0, 0, 800, 600}));
    EXPECT_EQ(opened.Caption, QStringLiteral("Untitled.tvq"));
    ASSERT_EQ(opened.GraphCount(), 2);
    EXPECT_EQ(opened.GraphByIndex(0)->YData.value(7), 49);
    EXPECT_EQ(opened.GraphByIndex(1)->YData.value(7), -7);

    // A figure as the input of another export: the same graphs again.
    const QString copy = dir.filePath(QStringLiteral("copy.tvq"));
    auto again = ParseCommandLine(QStringList{QStringLiteral("--export=") + copy, figure}, &error);
    ASSERT_TRUE(again);
    ASSERT_EQ(RunHeadless(*again), 0);
    TSuperGrWindow reopened;
    ASSERT_TRUE(figurefile::Load(reopened, copy, &error));
    EXPECT_EQ(reopened.GraphNames(), opened.GraphNames());

    auto unwritable = ParseCommandLine(
        QStringList{QStringLiteral("--export=") + dir.filePath(QStringLiteral("no/such/dir.tvq")), data},
        &error);
    ASSERT_TRUE(unwritable);
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunHeadless(*unwritable), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("dir.tvq"), std::string::npos);
}

TEST(CommandLine, UnreadableVariablesArePassedOver) {
    // A three-dimensional array cannot be plotted; the matrix beside it can.
    QTemporaryDir dir;
    const QString mat = QStringLiteral(TARVELO_EXAMPLES_DIR "/variables.mat");
    const QString out = dir.filePath(QStringLiteral("out.png"));
    QString error;
    auto c = ParseCommandLine(QStringList{QStringLiteral("--export=") + out, mat}, &error);
    ASSERT_TRUE(c);
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunHeadless(*c), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("(3)"), std::string::npos);
    EXPECT_FALSE(QImage(out).isNull());

    // Text that holds no numbers at all stops the run.
    const QString text = dir.filePath(QStringLiteral("words.txt"));
    QFile words(text);
    ASSERT_TRUE(words.open(QIODevice::WriteOnly));
    words.write("no numbers here\n");
    words.close();
    auto empty = ParseCommandLine(QStringList{QStringLiteral("--export=") + out, text}, &error);
    ASSERT_TRUE(empty);
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunHeadless(*empty), 1);
    testing::internal::GetCapturedStderr();
}

TEST(CommandLine, EvalPrintsTheFormulaOverTheInputs) {
    QTemporaryDir dir;
    const QString data = WriteData(dir);
    QString error;
    EXPECT_FALSE(ParseCommandLine(QStringList{QStringLiteral("--eval=")}, &error));
    EXPECT_FALSE(ParseCommandLine(
        QStringList{QStringLiteral("--eval=1"), QStringLiteral("--export=a.png"), data}, &error));
    auto c = ParseCommandLine(QStringList{QStringLiteral("--eval=2+3"), data}, &error);
    ASSERT_TRUE(c) << error.toStdString();
    EXPECT_TRUE(c->Headless());
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunHeadless(*c), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "5\n");

    // The file's second column against its first is graph 0: p = t².
    auto graph = ParseCommandLine(QStringList{QStringLiteral("--eval=MAX(Y(0))"), data}, &error);
    ASSERT_TRUE(graph);
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunHeadless(*graph), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "2401\n");

    auto bad = ParseCommandLine(QStringList{QStringLiteral("--eval=Y(7)"), data}, &error);
    ASSERT_TRUE(bad);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunHeadless(*bad), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ""); // a script reading the result gets none
    EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::StartsWith("tarvelo: "));
}

// --eval computes as the calculator does unless told otherwise: linear interpolation by default.
TEST(CommandLine, EvalUsesTheCalculatorSettings) {
    QTemporaryDir dir;
    const QString data = WriteData(dir);
    const QString between = dir.filePath(QStringLiteral("between.txt"));
    QFile file(between);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("s r\n0.5 0\n1.5 0\n2 1\n");
    file.close();
    QString error;
    auto run = [&](const char* option) {
        QStringList args{QStringLiteral("--eval=Y(2)+Y(0)"), data, between};
        if (option) args.prepend(QString::fromUtf8(option));
        const auto c = ParseCommandLine(args, &error);
        EXPECT_TRUE(c) << error.toStdString();
        testing::internal::CaptureStdout();
        EXPECT_EQ(RunHeadless(*c), 0);
        return testing::internal::GetCapturedStdout();
    };
    const auto c = ParseCommandLine(Args({"--eval=1"}), &error);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->EvalSettings.InterpType, 2);
    EXPECT_EQ(c->EvalSettings.ExtrapType, 1);
    EXPECT_EQ(c->EvalSettings.DiffType, 1);
    EXPECT_TRUE(c->EvalSettings.IgnoreErrors);
    const std::string linear = run(nullptr), steps = run("--interp-type=0");
    EXPECT_NE(linear.find("2.5"), std::string::npos) << linear; // 1.5² between 1 and 4, linearly
    EXPECT_EQ(steps.find("2.5"), std::string::npos) << steps;
    auto other = ParseCommandLine(
        Args({"--extrap-type=3", "--def-diff-type", "0", "--ignore-errors=no", "--eval=1"}), &error);
    ASSERT_TRUE(other) << error.toStdString();
    EXPECT_EQ(other->EvalSettings.ExtrapType, 3);
    EXPECT_EQ(other->EvalSettings.DiffType, 0);
    EXPECT_FALSE(other->EvalSettings.IgnoreErrors);
    for (const char* bad :
         {"--interp-type=7", "--extrap-type=-1", "--def-diff-type=x", "--ignore-errors=maybe"})
        EXPECT_FALSE(ParseCommandLine(Args({bad, "--eval=1"}), &error)) << bad;
}

// CSV goes through the same road; --separator overrides what the file's lines suggest.
TEST(CommandLine, SeparatorChoosesTheReadingOfTextFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pairs.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("1,2\n2,5\n3,4\n");
    file.close();
    const struct {
        const char* separator;
        const char* max;
    } cases[] = {{"--separator=auto", "3.4\n"}, {"--separator=comma", "5\n"}, {"--separator=space", "3.4\n"}};
    for (const auto& c : cases) {
        QString error;
        auto command = ParseCommandLine(
            QStringList{QStringLiteral("--eval=MAX(Y(0))"), QString::fromLatin1(c.separator), path}, &error);
        ASSERT_TRUE(command) << error.toStdString();
        testing::internal::CaptureStdout();
        EXPECT_EQ(RunHeadless(*command), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.max) << c.separator;
    }
    QString error;
    EXPECT_FALSE(ParseCommandLine(Args({"--separator=pipe", "a.csv"}), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(CommandLine, TheManualDescribesEveryOptionOfHelp) {
    const QString chapter = helpmodel::ChapterSource(QStringLiteral("commandline.md"));
    ASSERT_FALSE(chapter.isEmpty());
    static const QRegularExpression option(QStringLiteral("(^|\\s)(--?[a-z][a-z-]*)"));
    int options = 0;
    for (QRegularExpressionMatchIterator it = option.globalMatch(UsageText()); it.hasNext(); ++options) {
        const QString name = it.next().captured(2);
        EXPECT_TRUE(chapter.contains(QLatin1Char('`') + name)) << name.toStdString();
    }
    EXPECT_GE(options, 14);
}
