#include "export/CommandLine.h"

#include "app/FigureFile.h"
#include "export/DataExport.h"
#include "export/PictureExport.h"
#include "files/AddGraphsModel.h"
#include "model/Notifier.h"

#include <QFileInfo>
#include <cstdio>

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
                *error = QStringLiteral("no series %1:%2 in %3").arg(x).arg(y).arg(array->Caption);
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
} // namespace

QString UsageText() {
    return QStringLiteral(
        "Usage: tarvelo [OPTION]... [FILE]...\n"
        "View and edit 2-D graphs. FILE is a figure (.tvq) or a data file (text or MAT).\n"
        "\n"
        "  --export=OUT      paint the figure into the picture OUT and exit without a window;\n"
        "                    the extension chooses png, jpg, bmp, svg, pdf or emf; or write the\n"
        "                    graphs' data, each graph with its own argument in columns, into a\n"
        "                    text table (txt), a MAT-file (mat) or a workbook (xlsx)\n"
        "  --size=WxH        the window size the picture is painted for (default 800x600)\n"
        "  --scale=N         output scale of the picture (default 1)\n"
        "  --scheme=N        colours: 0 as shown, 1 white background, 2 darkened, 3 black and white\n"
        "  --columns=X:Y,... plot series Y against series X of every data array\n"
        "                    (numbers from 1; X = 0 plots against node numbers)\n"
        "  --separator=S     fields of text data files: auto (default: .csv comma, .tsv tab,\n"
        "                    otherwise as the first lines suggest), comma, semicolon, tab or\n"
        "                    space (blanks, tabs and ';' with a decimal comma allowed)\n"
        "  --eval=FORMULA    print the value of FORMULA over the graphs of the inputs and exit;\n"
        "                    Y(0) is the first graph, Y(1) the second, ...\n"
        "  --interp-type=N   interpolation for --eval: 0 step left, 1 step right, 2 linear (default),\n"
        "                    3 parabolic left, 4 parabolic right, 5 biparabolic, 6 spline\n"
        "  --extrap-type=N   extrapolation for --eval: 0 none, 1 zero (default), 2 step, 3 linear\n"
        "  --def-diff-type=N kind of DIFF for --eval: 0 simple, 1 central interpolated (default),\n"
        "                    2 central averaged, 3 integral inversion\n"
        "  --ignore-errors=yes|no  drop the points where --eval fails instead of failing (default yes)\n"
        "  -h, --help        show this help and exit\n"
        "  -v, --version     show the version and exit\n");
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
    return PictureFormatFor(value) || dataexport::FormatFor(value) ||
           Fail(error, QStringLiteral("unknown export type: '%1' (use png, jpg, bmp, svg, pdf or emf for "
                                      "pictures, txt, mat or xlsx for data)")
                           .arg(value));
}

bool ReadFormula(TCommandLine& command, const QString& value, QString* error) {
    command.Formula = value;
    return !value.trimmed().isEmpty() || Fail(error, QStringLiteral("--eval needs a formula"));
}

bool ReadSize(TCommandLine& command, const QString& value, QString* error) {
    const QStringList parts = value.split(QLatin1Char('x'));
    int w = 0, h = 0;
    if (parts.size() != 2 || !ParseInt(parts[0], w) || !ParseInt(parts[1], h) || w < 1 || h < 1 ||
        w > 20000 || h > 20000)
        return Fail(error, QStringLiteral("invalid size '%1' (expected WxH, e.g. 800x600)").arg(value));
    command.Width = w;
    command.Height = h;
    return true;
}

bool ReadScale(TCommandLine& command, const QString& value, QString* error) {
    bool ok = false;
    command.Scale = value.toDouble(&ok);
    return (ok && command.Scale > 0 && command.Scale <= 16) ||
           Fail(error,
                QStringLiteral("invalid scale '%1' (expected a number above 0, at most 16)").arg(value));
}

bool ReadScheme(TCommandLine& command, const QString& value, QString* error) {
    return (ParseInt(value, command.Scheme) && command.Scheme >= 0 && command.Scheme <= 3) ||
           Fail(error, QStringLiteral("invalid scheme '%1' (expected 0, 1, 2 or 3)").arg(value));
}

bool ReadColumns(TCommandLine& command, const QString& value, QString* error) {
    for (const QString& pair : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList xy = pair.split(QLatin1Char(':'));
        int x = 0, y = 0;
        if (xy.size() != 2 || !ParseInt(xy[0], x) || !ParseInt(xy[1], y) || x < 0 || y < 1)
            return Fail(
                error,
                QStringLiteral("invalid columns '%1' (expected X:Y pairs such as 1:2,1:3)").arg(value));
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
    return Fail(
        error,
        QStringLiteral("invalid separator '%1' (expected auto, comma, semicolon, tab or space)").arg(value));
}

template <int mathfuncs::TEvalSettings::*Field, int Max>
bool ReadSetting(TCommandLine& command, const QString& value, QString* error) {
    int number = 0;
    if (!ParseInt(value, number) || number < 0 || number > Max)
        return Fail(error, QStringLiteral("invalid value '%1' (expected 0 to %2)").arg(value).arg(Max));
    command.EvalSettings.*Field = number;
    return true;
}

bool ReadIgnoreErrors(TCommandLine& command, const QString& value, QString* error) {
    if (value != QLatin1String("yes") && value != QLatin1String("no"))
        return Fail(error, QStringLiteral("invalid --ignore-errors '%1' (expected yes or no)").arg(value));
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
        return Fail(error, QStringLiteral("--export needs at least one input file"));
    if (!command.ExportFile.isEmpty() && !command.Formula.isEmpty())
        return Fail(error, QStringLiteral("--export and --eval cannot be combined"));
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
                    *error = QStringLiteral("option '%1' requires an argument").arg(arg);
                    return std::nullopt;
                }
                value = arguments[++i];
            }
            if (!option->Read(command, value, error)) return std::nullopt;
        } else if (longOption || (arg.startsWith(QLatin1Char('-')) && arg.size() > 1)) {
            *error = QStringLiteral("unrecognized option '%1'").arg(arg);
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

    TSuperGrWindow window;
    window.ApplyDefaultLook();
    window.AnimatedZoom = window.AnimatedMove = window.AnimatedUndo = false;
    window.SetClientSize(command.Width, command.Height);

    TConsoleAsker asker;
    TAddGraphsModel model(window, asker);
    model.PreviewShown = false;
    model.SetFieldSeparator(command.Separator);
    for (const QString& input : command.Inputs) {
        if (!QFileInfo::exists(input)) {
            PrintError(QStringLiteral("cannot open '%1': no such file").arg(input));
            return 1;
        }
        const figurefile::TReadResult figure = figurefile::Read(input);
        if (figure.Status == figurefile::TReadStatus::Ok) {
            QString error;
            if (!figurefile::Load(window, input, &error)) {
                PrintError(QStringLiteral("%1: %2").arg(input, error));
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
        std::fputs(text.toUtf8().constData(), stdout);
        return code == 0 ? 0 : 1;
    }
    if (window.GraphCount() == 0) {
        PrintError(QStringLiteral("nothing to plot"));
        return 1;
    }

    QString error;
    if (const std::optional<TExportFormat> format = dataexport::FormatFor(command.ExportFile)) {
        // The export dialog's choices, but each graph with its own argument.
        TSaveGraphsModel exporter;
        exporter.AddWindow(&window, QString());
        exporter.ApplyMenu(TTreeMenuAction::CheckAll, -1);
        exporter.SetCommonArgument(false);
        QList<TExportBlock> blocks;
        if (!exporter.BuildBlocks(blocks, error) ||
            !dataexport::WriteBlocks(exporter, *format, command.ExportFile, blocks, error)) {
            PrintError(QStringLiteral("cannot write '%1': %2").arg(command.ExportFile, error));
            return 1;
        }
        return 0;
    }
    if (!ExportPicture(window, command.ExportFile, *PictureFormatFor(command.ExportFile),
                       {Extended(command.Scale), command.Scheme}, &error,
                       QFileInfo(command.Inputs.first()).fileName())) {
        PrintError(QStringLiteral("cannot write '%1': %2").arg(command.ExportFile, error));
        return 1;
    }
    return 0;
}
