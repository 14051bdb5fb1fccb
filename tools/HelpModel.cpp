#include "tools/HelpModel.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <algorithm>

// Resources are initialised outside any namespace.
static void InitManualResources() {
    Q_INIT_RESOURCE(manual);
}

namespace helpmodel {
namespace {
const char* const kChapterFiles[] = {
    "index.md",       "start.md",      "mainwindow.md", "tools.md",       "calculator.md",
    "expressions.md", "properties.md", "files.md",      "commandline.md",
};

QString ResourcePath(const QString& file) {
    return QStringLiteral(":/manual/") + file;
}

struct TWindowPlace {
    const char* ClassName;
    const char* File;
    const char* Heading;
};
const TWindowPlace kWindowPlaces[] = {
    {"TMainWindow", "mainwindow.md", ""},
    {"TAddGraphsDialog", "files.md", "Добавление графиков из файлов"},
    {"TSaveGraphsDialog", "files.md", "Экспорт данных"},
    {"TFiltrationDialog", "tools.md", "Фильтрация"},
    {"TStatisticsDialog", "tools.md", "Информация по графикам"},
    {"TTableViewWindow", "tools.md", "Табличный просмотр"},
    {"TThinDialog", "tools.md", "Табличный просмотр"},
    {"TGraphNameDialog", "tools.md", "Табличный просмотр"},
    {"TFindPointDialog", "tools.md", "Табличный просмотр"},
    {"TAutoMarkersDialog", "tools.md", "Маркеры"},
    {"TBindingWizardDialog", "tools.md", "Мастер привязки графиков"},
    {"TScalesPanel", "tools.md", "Масштаб и привязка"},
    {"TShiftCurveDialog", "tools.md", "Кривая смещения узлов"},
    {"TCaptionToolBar", "tools.md", "Подписи к рисунку"},
    {"TLegendDialog", "tools.md", "Легенда"},
    {"TPrintPreviewForm", "tools.md", "Печать"},
    {"TPrintMarginsForm", "tools.md", "Печать"},
    {"TNameRequestForm", "tools.md", "Печать"},
    {"TCalculatorWindow", "calculator.md", ""},
    {"TGraphListWindow", "properties.md", "Свойства графиков"},
    {"TGraphPropertiesDialog", "properties.md", "Свойства графика"},
    {"TSettingsDialog", "properties.md", "Параметры программы"},
    {"TSymbolEditorDialog", "properties.md", "Редактор символов"},
    {"TSymbolLibraryDialog", "properties.md", "Редактор символов"},
    {"TCharacterPickerDialog", "properties.md", "Редактор символов"},
};

// A row of the reference's tables that describes a function: "| `NAME(...)` | ..." or "| `NAME` | ...".
const QRegularExpression& FunctionRow() {
    static const QRegularExpression row(QStringLiteral("^\\|\\s*`([A-Z][A-Z0-9]*)[`(]"),
                                        QRegularExpression::MultilineOption);
    return row;
}

bool IsNameChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// The line without the marks of Markdown (list bullets, code, emphasis, headings, tables, links),
// shortened to what a list of results can show.
QString PlainLine(QString line) {
    static const QRegularExpression bullet(QStringLiteral("^\\s*(-|\\d+\\.)\\s+"));
    static const QRegularExpression marks(QStringLiteral("[`*#|]|\\]\\([^)]*\\)|\\["));
    line.remove(bullet);
    line.replace(marks, QStringLiteral(" "));
    line = line.simplified();
    const int longest = 160;
    if (line.size() > longest) line = line.left(longest - 1) + QChar(0x2026);
    return line;
}
} // namespace

QList<TChapter> Chapters() {
    QList<TChapter> chapters;
    for (const char* file : kChapterFiles) {
        const QString name = QString::fromUtf8(file);
        const QString source = ChapterSource(name);
        const qsizetype end = source.indexOf(QLatin1Char('\n'));
        QString title = source.left(end < 0 ? source.size() : end);
        if (title.startsWith(QLatin1String("# "))) title = title.mid(2).trimmed();
        chapters.append({name, title});
    }
    return chapters;
}

QString ContentsFile() {
    return QStringLiteral("index.md");
}

QString ExpressionsFile() {
    return QStringLiteral("expressions.md");
}

QString ChapterSource(const QString& file) {
    InitManualResources();
    QFile resource(ResourcePath(file));
    if (!resource.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(resource.readAll());
}

QUrl ChapterUrl(const QString& file) {
    return QUrl(QStringLiteral("qrc:/manual/") + file);
}

QString FileOfUrl(const QUrl& url) {
    const QString path = url.path();
    if (!path.startsWith(QLatin1String("/manual/"))) return {};
    return path.mid(8);
}

TPlace PlaceOfWindow(const QString& className) {
    for (const TWindowPlace& place : kWindowPlaces)
        if (className == QLatin1String(place.ClassName))
            return {QString::fromUtf8(place.File), QString::fromUtf8(place.Heading)};
    return {ContentsFile(), {}};
}

QStringList WindowClasses() {
    QStringList names;
    for (const TWindowPlace& place : kWindowPlaces)
        names.append(QString::fromLatin1(place.ClassName));
    return names;
}

bool IsDocumentedFunction(const QString& name) {
    static const QStringList names = [] {
        QStringList found;
        QRegularExpressionMatchIterator it = FunctionRow().globalMatch(ChapterSource(ExpressionsFile()));
        while (it.hasNext())
            found.append(it.next().captured(1));
        return found;
    }();
    return names.contains(name.toUpper());
}

QString FunctionAt(const QString& line, int caret) {
    caret = qBound(0, caret, int(line.size()));
    int start = caret;
    while (start > 0 && IsNameChar(line[start - 1]))
        --start;
    int end = caret;
    while (end < line.size() && IsNameChar(line[end]))
        ++end;
    const QString word = line.mid(start, end - start).toUpper();
    if (IsDocumentedFunction(word)) return word;
    // The call whose argument list holds the caret: the name before the innermost open bracket.
    int depth = 0;
    for (int i = start - 1; i >= 0; --i) {
        if (line[i] == QLatin1Char(')')) {
            ++depth;
        } else if (line[i] == QLatin1Char('(')) {
            if (depth-- > 0) continue;
            int nameStart = i;
            while (nameStart > 0 && IsNameChar(line[nameStart - 1]))
                --nameStart;
            const QString name = line.mid(nameStart, i - nameStart).toUpper();
            if (IsDocumentedFunction(name)) return name;
            depth = 0;
        }
    }
    return {};
}

int HeadingPosition(const QTextDocument& document, const QString& heading) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() > 0 && block.text().trimmed() == heading)
            return block.position();
    return -1;
}

int FunctionPosition(const QTextDocument& document, const QString& name) {
    const QString upper = name.toUpper();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        if (!text.startsWith(upper)) continue;
        if (text.size() > upper.size() && text[upper.size()] != QLatin1Char('(')) continue;
        const QTextCursor cursor(block);
        const QTextTable* table = cursor.currentTable();
        if (table && table->cellAt(cursor).column() == 0) return block.position();
    }
    return -1;
}

QList<THit> Search(const QString& query) {
    const QStringList words = query.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<THit> hits;
    if (words.isEmpty()) return hits;
    for (const TChapter& chapter : Chapters()) {
        const QStringList lines = ChapterSource(chapter.File).split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            const QString lower = line.toLower();
            const bool all = std::all_of(words.begin(), words.end(),
                                         [&lower](const QString& word) { return lower.contains(word); });
            if (all) hits.append({chapter.File, chapter.Title, PlainLine(line)});
        }
    }
    return hits;
}

QList<TExample> Examples(const QString& markdown) {
    static const QRegularExpression example(QStringLiteral("`([^`]+)` → `([^`]*)`"));
    QList<TExample> examples;
    QRegularExpressionMatchIterator it = example.globalMatch(markdown);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        examples.append({match.captured(1), match.captured(2)});
    }
    return examples;
}

} // namespace helpmodel
