#include "expr/MathFuncs2.h"
#include "tools/HelpModel.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

using namespace helpmodel;

namespace {
TMFData Graph(int number, TDoubleArray x, TDoubleArray y) {
    TMFData graph;
    graph.Code = number;
    graph.X = std::move(x);
    graph.Y = std::move(y);
    return graph;
}

// The two graphs the reference's examples use; as in the calculator, a formula sees only the graphs
// it names.
TMFDataArr ExampleGraphs(const QString& formula) {
    const TMFDataArr all = {Graph(0, {0, 1, 2, 3}, {0, 1, 4, 9}), Graph(1, {0, 2}, {1, 3})};
    TMFDataArr named;
    for (const TMFData& graph : all)
        if (formula.contains(QStringLiteral("(%1)").arg(graph.Code))) named.push_back(graph);
    return named;
}

// A result as the reference prints it: "ошибка N", or the formulas' results separated by "; ",
// a graph as its "argument value" pairs separated by "; ".
QString PrintedResult(const QString& formula) {
    int code = 0;
    const QString text = mathfuncs::EvaluateLineToText(formula, ExampleGraphs(formula),
                                                       mathfuncs::CalculatorDefaults(), &code);
    if (code != 0) return QStringLiteral("ошибка %1").arg(code);
    QStringList parts;
    for (const QString& result : text.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts))
        for (const QString& line : result.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            parts.append(QString(line).replace(QLatin1Char('\t'), QLatin1Char(' ')));
    return parts.join(QStringLiteral("; "));
}

// A chapter as the help window shows it.
std::unique_ptr<QTextDocument> Rendered(const QString& file) {
    auto document = std::make_unique<QTextDocument>();
    document->setMarkdown(ChapterSource(file));
    return document;
}
} // namespace

TEST(HelpModel, EveryExampleGivesItsPrintedResult) {
    int examples = 0;
    for (const TChapter& chapter : Chapters())
        for (const TExample& example : Examples(ChapterSource(chapter.File))) {
            ++examples;
            EXPECT_EQ(PrintedResult(example.Formula), example.Result)
                << chapter.File.toStdString() << ": " << example.Formula.toStdString();
        }
    EXPECT_GT(examples, 100);
}

TEST(HelpModel, EveryFunctionOfTheReferenceHasAnExample) {
    const QString reference = ChapterSource(ExpressionsFile());
    static const QRegularExpression row(QStringLiteral("^\\|\\s*`([A-Z][A-Z0-9]*)[`(]"),
                                        QRegularExpression::MultilineOption);
    QString formulas;
    for (const TExample& example : Examples(reference))
        formulas += example.Formula.toUpper() + QLatin1Char(' ');
    int functions = 0;
    for (QRegularExpressionMatchIterator it = row.globalMatch(reference); it.hasNext(); ++functions) {
        const QString name = it.next().captured(1);
        EXPECT_TRUE(formulas.contains(
            QRegularExpression(QStringLiteral("(^|[^A-Z])") + name + QStringLiteral("([^A-Z0-9]|$)"))))
            << name.toStdString();
    }
    EXPECT_GT(functions, 80);
}

TEST(HelpModel, ChaptersAreEmbeddedWithTitlesAndLinksResolve) {
    const QList<TChapter> chapters = Chapters();
    QStringList files;
    for (const TChapter& chapter : chapters) {
        EXPECT_FALSE(chapter.Title.isEmpty()) << chapter.File.toStdString();
        files.append(chapter.File);
    }
    static const QRegularExpression link(QStringLiteral("\\]\\(([a-z]+\\.md)\\)"));
    const QString contents = ChapterSource(ContentsFile());
    for (const QString& file : files)
        if (file != ContentsFile()) {
            EXPECT_TRUE(contents.contains(QStringLiteral("](") + file + QLatin1Char(')')))
                << file.toStdString();
        }
    for (const QString& file : files)
        for (QRegularExpressionMatchIterator it = link.globalMatch(ChapterSource(file)); it.hasNext();) {
            const QString target = it.next().captured(1);
            EXPECT_TRUE(files.contains(target)) << file.toStdString() << " -> " << target.toStdString();
        }
}

TEST(HelpModel, EveryWindowHasItsSection) {
    for (const QString& name : WindowClasses()) {
        const TPlace place = PlaceOfWindow(name);
        EXPECT_FALSE(ChapterSource(place.File).isEmpty()) << name.toStdString();
        if (!place.Heading.isEmpty()) {
            EXPECT_GE(HeadingPosition(*Rendered(place.File), place.Heading), 0) << name.toStdString();
        }
    }
    EXPECT_EQ(PlaceOfWindow(QStringLiteral("QDialog")).File, ContentsFile());
}

TEST(HelpModel, FindsTheFunctionAtTheCaret) {
    struct TCase {
        const char* Line;
        int Caret;
        const char* Function;
    } const cases[] = {
        {"sin(x)", 1, "SIN"},           // on the name
        {"sin(x)", 3, "SIN"},           // at its end
        {"2*sqrt(y(0)+1)", 11, "SQRT"}, // inside the arguments, after an inner call
        {"diff(y(0),", 10, "DIFF"},     // after a comma
        {"max(1,abs(2+3))", 12, "ABS"}, // the innermost call
        {"y(0)+1", 5, ""},              // no call around it
        {"foo(1)", 4, ""},              // unknown name
        {"1+2", 0, ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(FunctionAt(QString::fromUtf8(c.Line), c.Caret), QString::fromUtf8(c.Function))
            << c.Line << " @" << c.Caret;
}

TEST(HelpModel, FunctionRowsAreFoundInTheShownReference) {
    const std::unique_ptr<QTextDocument> shown = Rendered(ExpressionsFile());
    const QTextDocument& reference = *shown;
    const int sin = FunctionPosition(reference, QStringLiteral("sin"));
    ASSERT_GE(sin, 0);
    EXPECT_TRUE(reference.findBlock(sin).text().startsWith(QLatin1String("SIN(x)")));
    EXPECT_GT(FunctionPosition(reference, QStringLiteral("SELECT")), sin);
    EXPECT_EQ(FunctionPosition(reference, QStringLiteral("NOSUCH")), -1);
}

TEST(HelpModel, SearchFindsLinesWithAllWords) {
    const QList<THit> hits = Search(QStringLiteral("скользящее СРЕДНЕЕ"));
    ASSERT_FALSE(hits.isEmpty());
    for (const THit& hit : hits) {
        EXPECT_TRUE(hit.Excerpt.contains(QStringLiteral("кользящее"), Qt::CaseInsensitive));
        EXPECT_FALSE(hit.Excerpt.contains(QLatin1Char('`')));
        EXPECT_FALSE(hit.Excerpt.startsWith(QLatin1String("- ")));
    }
    EXPECT_TRUE(std::any_of(hits.begin(), hits.end(),
                            [](const THit& hit) { return hit.File == QLatin1String("tools.md"); }));
    EXPECT_TRUE(Search(QStringLiteral("абракадабра")).isEmpty());
    EXPECT_TRUE(Search(QStringLiteral("  ")).isEmpty());
}
