#include "export/CommandLine.h"

#include "app/FigureFile.h"
#include "app/MainWindowState.h"
#include "export/DataExport.h"
#include "export/PictureExport.h"
#include "files/AddGraphsModel.h"
#include "model/Notifier.h"
#include "window/FigureStream.h"

#include <QFileInfo>
#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
void PrintError(const QString& text) {
    std::fprintf(stderr, "tarvelo: %s\n", text.toUtf8().constData());
}

// Headless answers: open what can be opened, and print every message. A variable that cannot be
// read is reported and passed over; a file of which nothing can be read stops the run.
class TConsoleAsker : public TAddGraphsAsker {
public:
    bool AskYesNo(const QString&, const QString&) override { return true; }
    void ShowMessage(const QString& text) override { PrintError(text); }
};

bool ParseInt(const QString& text, int& out) {
    bool ok = false;
    out = text.toInt(&ok);
    return ok;
}

// Plots only the chosen pairs of series in every array of the model.
bool ChooseColumns(TAddGraphsModel& model, const QList<std::pair<int, int>>& columns, QString* error) {
    const QList<TNodeRef> nodes = model.NodesInTreeOrder();
    for (const TNodeRef& node : nodes) {
        if (node.Level() != 1) continue;
        const TArrayNode* array = model.ArrayOf(node);
        for (int s = 0; s < array->Series.size(); ++s)
            model.SetState({node.File, node.Array, s}, ssNotPlotted);
        for (const auto& [x, y] : columns) {
            if (x < 0 || x > array->Series.size() || y < 1 || y > array->Series.size()) {
                *error = QStringLiteral("нет ряда %1:%2 в \"%3\"").arg(x).arg(y).arg(array->Caption);
                return false;
            }
            const TNodeRef series{node.File, node.Array, y - 1};
            model.SetSelection({series});
            model.SetArgMode(x - 1);
            model.SetState(series, ssPlotted);
        }
    }
    return true;
}

bool IsFigureFile(const QString& fileName) {
    return QFileInfo(fileName).suffix().compare(figurefile::DefaultSuffix(), Qt::CaseInsensitive) == 0;
}
} // namespace

QString UsageText() {
    return QStringLiteral(
        "Использование: tarvelo [ПАРАМЕТР]... [ФАЙЛ]...\n"
        "Просмотр и редактирование двумерных графиков. ФАЙЛ — рисунок (.tvq) или файл данных\n"
        "(текстовый или MAT).\n"
        "\n"
        "  --export=ФАЙЛ     нарисовать рисунок в файл и выйти без окна; расширение выбирает\n"
        "                    png, jpg, bmp, svg, pdf или emf; либо записать данные графиков,\n"
        "                    каждый со своим аргументом по столбцам, в текстовую таблицу (txt),\n"
        "                    MAT-файл (mat) или книгу (xlsx); либо сохранить рисунок Tarvelo\n"
        "                    (tvq) со всеми графиками\n"
        "  --size=ШxВ        размер окна, для которого рисуется рисунок (по умолчанию 800x600)\n"
        "  --scale=N         масштаб вывода рисунка (по умолчанию 1)\n"
        "  --scheme=N        цвета: 0 как есть, 1 белый фон, 2 белый фон с затемнением цветов,\n"
        "                    3 чёрно-белый\n"
        "  --columns=X:Y,... строить ряд Y от ряда X каждого массива данных\n"
        "                    (номера с 1; X = 0 — от номеров узлов)\n"
        "  --separator=S     разделитель полей текстовых файлов: auto (по умолчанию: .csv -\n"
        "                    запятая, .tsv — табуляция, иначе по первым строкам), comma,\n"
        "                    semicolon, tab или space (пробелы, табуляции и ';' с десятичной\n"
        "                    запятой)\n"
        "  --eval=ФОРМУЛА    вывести значение формулы над графиками входных файлов и выйти;\n"
        "                    Y(0) — первый график, Y(1) — второй, ...\n"
        "  --interp-type=N   интерполяция для --eval: 0 ступенька влево, 1 ступенька вправо,\n"
        "                    2 линейная (по умолчанию), 3 параболическая влево,\n"
        "                    4 параболическая вправо, 5 бипараболическая, 6 сплайн\n"
        "  --extrap-type=N   экстраполяция для --eval: 0 нет, 1 нулём (по умолчанию),\n"
        "                    2 ступенька, 3 линейная\n"
        "  --def-diff-type=N вид DIFF для --eval: 0 простая, 1 центральная с интерполяцией\n"
        "                    (по умолчанию), 2 центральная усреднённая, 3 обращение интеграла\n"
        "  --ignore-errors=yes|no  отбрасывать точки, где --eval не вычисляется, вместо ошибки\n"
        "                    (по умолчанию yes)\n"
        "  -h, --help        показать эту справку и выйти\n"
        "  -v, --version     показать версию и выйти\n");
}

QString ProgramVersion() {
    return QStringLiteral("0.1.0");
}

QString VersionText() {
    return QStringLiteral("tarvelo ") + ProgramVersion() + QLatin1Char('\n');
}

namespace {
// An option that takes a value: it reads the value into the command, or says what is wrong.
struct TValueOption {
    const char* Name;
    bool (*Read)(TCommandLine& command, const QString& value, QString* error);
};

bool Fail(QString* error, const QString& text) {
    *error = text;
    return false;
}

bool ReadExport(TCommandLine& command, const QString& value, QString* error) {
    command.ExportFile = value;
    return PictureFormatFor(value) || dataexport::FormatFor(value) || IsFigureFile(value) ||
           Fail(error, QStringLiteral("неизвестный тип экспорта \"%1\" (рисунки: png, jpg, bmp, svg, pdf "
                                      "или emf; данные: txt, mat или xlsx; рисунок Tarvelo: tvq)")
                           .arg(value));
}

bool ReadFormula(TCommandLine& command, const QString& value, QString* error) {
    command.Formula = value;
    return !value.trimmed().isEmpty() || Fail(error, QStringLiteral("для --eval нужна формула"));
}

bool ReadSize(TCommandLine& command, const QString& value, QString* error) {
    const QStringList parts = value.split(QLatin1Char('x'));
    int w = 0, h = 0;
    if (parts.size() != 2 || !ParseInt(parts[0], w) || !ParseInt(parts[1], h) || w < 1 || h < 1 ||
        w > 20000 || h > 20000)
        return Fail(error, QStringLiteral("неверный размер \"%1\" (нужно ШxВ, например 800x600)").arg(value));
    command.Width = w;
    command.Height = h;
    return true;
}

bool ReadScale(TCommandLine& command, const QString& value, QString* error) {
    bool ok = false;
    command.Scale = value.toDouble(&ok);
    return (ok && command.Scale > 0 && command.Scale <= 16) ||
           Fail(error,
                QStringLiteral("неверный масштаб \"%1\" (нужно число больше 0 и не больше 16)").arg(value));
}

bool ReadScheme(TCommandLine& command, const QString& value, QString* error) {
    return (ParseInt(value, command.Scheme) && command.Scheme >= 0 && command.Scheme <= 3) ||
           Fail(error, QStringLiteral("неверная цветовая схема \"%1\" (нужно 0, 1, 2 или 3)").arg(value));
}

bool ReadColumns(TCommandLine& command, const QString& value, QString* error) {
    for (const QString& pair : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList xy = pair.split(QLatin1Char(':'));
        int x = 0, y = 0;
        if (xy.size() != 2 || !ParseInt(xy[0], x) || !ParseInt(xy[1], y) || x < 0 || y < 1)
            return Fail(
                error,
                QStringLiteral("неверные столбцы \"%1\" (нужны пары X:Y, например 1:2,1:3)").arg(value));
        command.Columns.append({x, y});
    }
    return true;
}

bool ReadSeparator(TCommandLine& command, const QString& value, QString* error) {
    static const std::pair<const char*, TFieldSeparator> kNames[] = {
        {"auto", TFieldSeparator::Auto},           {"comma", TFieldSeparator::Comma},
        {"semicolon", TFieldSeparator::Semicolon}, {"tab", TFieldSeparator::Tab},
        {"space", TFieldSeparator::Whitespace},
    };
    for (const auto& [name, separator] : kNames)
        if (value == QLatin1String(name)) {
            command.Separator = separator;
            return true;
        }
    return Fail(error,
                QStringLiteral("неверный разделитель \"%1\" (нужно auto, comma, semicolon, tab или space)")
                    .arg(value));
}

template <int mathfuncs::TEvalSettings::*Field, int Max>
bool ReadSetting(TCommandLine& command, const QString& value, QString* error) {
    int number = 0;
    if (!ParseInt(value, number) || number < 0 || number > Max)
        return Fail(error, QStringLiteral("неверное значение \"%1\" (нужно от 0 до %2)").arg(value).arg(Max));
    command.EvalSettings.*Field = number;
    return true;
}

bool ReadIgnoreErrors(TCommandLine& command, const QString& value, QString* error) {
    if (value != QLatin1String("yes") && value != QLatin1String("no"))
        return Fail(error,
                    QStringLiteral("неверное значение --ignore-errors \"%1\" (нужно yes или no)").arg(value));
    command.EvalSettings.IgnoreErrors = value == QLatin1String("yes");
    return true;
}

using mathfuncs::TEvalSettings;
constexpr TValueOption kValueOptions[] = {
    {"--export", ReadExport},
    {"--eval", ReadFormula},
    {"--size", ReadSize},
    {"--scale", ReadScale},
    {"--scheme", ReadScheme},
    {"--columns", ReadColumns},
    {"--separator", ReadSeparator},
    {"--interp-type", ReadSetting<&TEvalSettings::InterpType, 6>},
    {"--extrap-type", ReadSetting<&TEvalSettings::ExtrapType, 3>},
    {"--def-diff-type", ReadSetting<&TEvalSettings::DiffType, 3>},
    {"--ignore-errors", ReadIgnoreErrors},
};

const TValueOption* FindValueOption(const QString& name) {
    for (const TValueOption& option : kValueOptions)
        if (name == QLatin1String(option.Name)) return &option;
    return nullptr;
}

// The combinations of options that make no run.
bool CheckCombination(const TCommandLine& command, QString* error) {
    if (!command.ExportFile.isEmpty() && command.Inputs.isEmpty() && !command.Help && !command.Version)
        return Fail(error, QStringLiteral("для --export нужен хотя бы один входной файл"));
    if (!command.ExportFile.isEmpty() && !command.Formula.isEmpty())
        return Fail(error, QStringLiteral("--export и --eval нельзя использовать вместе"));
    return true;
}
} // namespace

std::optional<TCommandLine> ParseCommandLine(const QStringList& arguments, QString* error) {
    TCommandLine command;
    for (int i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        QString value;
        const bool longOption = arg.startsWith(QLatin1String("--"));
        if (longOption && arg.contains(QLatin1Char('='))) {
            value = arg.section(QLatin1Char('='), 1);
            arg = arg.section(QLatin1Char('='), 0, 0);
        }
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            command.Help = true;
        } else if (arg == QLatin1String("-v") || arg == QLatin1String("--version")) {
            command.Version = true;
        } else if (const TValueOption* option = FindValueOption(arg)) {
            if (value.isNull()) {
                if (i + 1 >= arguments.size()) {
                    *error = QStringLiteral("у параметра \"%1\" должно быть значение").arg(arg);
                    return std::nullopt;
                }
                value = arguments[++i];
            }
            if (!option->Read(command, value, error)) return std::nullopt;
        } else if (longOption || (arg.startsWith(QLatin1Char('-')) && arg.size() > 1)) {
            *error = QStringLiteral("неизвестный параметр \"%1\"").arg(arg);
            return std::nullopt;
        } else {
            command.Inputs.append(arg);
        }
    }
    if (!CheckCombination(command, error)) return std::nullopt;
    return command;
}

int RunHeadless(const TCommandLine& command) {
    if (command.Help) {
        std::fputs(UsageText().toUtf8().constData(), stdout);
        return 0;
    }
    if (command.Version) {
        std::fputs(VersionText().toUtf8().constData(), stdout);
        return 0;
    }
    SetMessageHandler([](const QString& text) { PrintError(text); });
#ifdef __GLIBC__
    // The reading's large buffers go back to the system when freed, before the graphs need memory:
    // glibc would otherwise raise its mapping threshold and keep them in the heap.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif

    TSuperGrWindow window;
    window.ApplyDefaultLook();
    window.Caption = mainstate::DefaultFileName(); // as the program names a new figure
    window.AnimatedZoom = window.AnimatedMove = window.AnimatedUndo = false;
    window.SetClientSize(command.Width, command.Height);

    TConsoleAsker asker;
    TAddGraphsModel model(window, asker);
    model.PreviewShown = false;
    model.NonFiniteAsMissing = true;
    model.SetFieldSeparator(command.Separator);
    // Only the columns a graph uses are kept.
    for (const auto& [x, y] : command.Columns) {
        if (x > 0) model.KeptColumns.append(x - 1);
        model.KeptColumns.append(y - 1);
    }
    for (const QString& input : command.Inputs) {
        if (!QFileInfo::exists(input)) {
            PrintError(QStringLiteral("не удаётся открыть \"%1\": файл не найден").arg(input));
            return 1;
        }
        const figurefile::TReadResult figure = figurefile::Read(input);
        if (figure.Status == figurefile::TReadStatus::Ok) {
            // The stream just read is loaded as it is: reading the file again would inflate it twice.
            if (!TFigureStream::Load(window, figure.Stream)) {
                PrintError(QStringLiteral("%1: %2").arg(input, figurefile::NotAFigureMessage()));
                return 1;
            }
            window.AnimatedZoom = window.AnimatedMove = window.AnimatedUndo = false;
            window.SetClientSize(command.Width, command.Height);
            continue;
        }
        if (figure.Status == figurefile::TReadStatus::Damaged) {
            PrintError(QStringLiteral("%1: %2").arg(input, figure.Message));
            return 1;
        }
        model.Clear();
        if (!model.LoadSource(input)) return 1;
        if (!command.Columns.isEmpty()) {
            QString error;
            if (!ChooseColumns(model, command.Columns, &error)) {
                PrintError(error);
                return 1;
            }
        }
        model.Build();
        model.Clear(); // the series not plotted go now, before the painting needs memory
    }
    if (!command.Formula.isEmpty()) {
        TMFDataArr graphs;
        for (int i = 0; i < window.GraphCount(); ++i) {
            TMFData data;
            data.Code = i;
            window.GraphByIndex(i)->GetXY(data.X, data.Y);
            data.Sorted = mathfuncs::IsNonDecreasing(data.X);
            graphs.append(data);
        }
        int code = 0;
        const QString text =
            mathfuncs::EvaluateLineToText(command.Formula, graphs, command.EvalSettings, &code);
        if (code != 0) {
            PrintError(text.trimmed());
            return 1;
        }
        std::fputs(text.toUtf8().constData(), stdout);
        return 0;
    }
    if (window.GraphCount() == 0) {
        PrintError(QStringLiteral("нет графиков для вывода"));
        return 1;
    }

    QString error;
    if (IsFigureFile(command.ExportFile)) {
        // The window's client size stands for the main window's, which a headless run has not.
        if (!figurefile::Write(window, {0, 0, command.Width, command.Height}, command.ExportFile, &error)) {
            PrintError(QStringLiteral("не удаётся записать \"%1\": %2").arg(command.ExportFile, error));
            return 1;
        }
        return 0;
    }
    if (const std::optional<TExportFormat> format = dataexport::FormatFor(command.ExportFile)) {
        // The export dialog's choices, but each graph with its own argument.
        TSaveGraphsModel exporter;
        exporter.AddWindow(&window, QString());
        exporter.ApplyMenu(TTreeMenuAction::CheckAll, -1);
        exporter.SetCommonArgument(false);
        QList<TExportBlock> blocks;
        if (!exporter.BuildBlocks(blocks, error) ||
            !dataexport::WriteBlocks(exporter, *format, command.ExportFile, blocks, error)) {
            PrintError(QStringLiteral("не удаётся записать \"%1\": %2").arg(command.ExportFile, error));
            return 1;
        }
        return 0;
    }
    if (!ExportPicture(window, command.ExportFile, *PictureFormatFor(command.ExportFile),
                       {Extended(command.Scale), command.Scheme}, &error,
                       QFileInfo(command.Inputs.first()).fileName())) {
        PrintError(QStringLiteral("не удаётся записать \"%1\": %2").arg(command.ExportFile, error));
        return 1;
    }
    return 0;
}
