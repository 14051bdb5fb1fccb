#include "export/CommandLine.h"

#include "app/FigureFile.h"
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

struct TSettingRange {
    int mathfuncs::TEvalSettings::*Field;
    int Max;
};

// The numbered calculation settings that --eval takes from the command line.
std::optional<TSettingRange> EvalSettingRange(const QString& option) {
    using mathfuncs::TEvalSettings;
    if (option == QLatin1String("--interp-type")) return TSettingRange{&TEvalSettings::InterpType, 6};
    if (option == QLatin1String("--extrap-type")) return TSettingRange{&TEvalSettings::ExtrapType, 3};
    if (option == QLatin1String("--def-diff-type")) return TSettingRange{&TEvalSettings::DiffType, 3};
    return std::nullopt;
}

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
        "                    the extension chooses png, jpg, bmp, svg, pdf or emf\n"
        "  --size=WxH        the window size the picture is painted for (default 800x600)\n"
        "  --scale=N         output scale of the picture (default 1)\n"
        "  --scheme=N        colours: 0 as shown, 1 white background, 2 darkened, 3 black and white\n"
        "  --columns=X:Y,... plot series Y against series X of every data array\n"
        "                    (numbers from 1; X = 0 plots against node numbers)\n"
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
        auto needValue = [&]() -> bool {
            if (!value.isNull()) return true;
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("option '%1' requires an argument").arg(arg);
                return false;
            }
            value = arguments[++i];
            return true;
        };
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            command.Help = true;
        } else if (arg == QLatin1String("-v") || arg == QLatin1String("--version")) {
            command.Version = true;
        } else if (arg == QLatin1String("--export")) {
            if (!needValue()) return std::nullopt;
            command.ExportFile = value;
            if (!PictureFormatFor(value)) {
                *error = QStringLiteral("unknown picture type: '%1' (use png, jpg, bmp, svg, pdf or emf)")
                             .arg(value);
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--eval")) {
            if (!needValue()) return std::nullopt;
            command.Formula = value;
            if (command.Formula.trimmed().isEmpty()) {
                *error = QStringLiteral("--eval needs a formula");
                return std::nullopt;
            }
        } else if (const auto range = EvalSettingRange(arg)) {
            if (!needValue()) return std::nullopt;
            int number = 0;
            if (!ParseInt(value, number) || number < 0 || number > range->Max) {
                *error = QStringLiteral("invalid %1 '%2' (expected 0 to %3)").arg(arg, value).arg(range->Max);
                return std::nullopt;
            }
            command.EvalSettings.*(range->Field) = number;
        } else if (arg == QLatin1String("--ignore-errors")) {
            if (!needValue()) return std::nullopt;
            if (value != QLatin1String("yes") && value != QLatin1String("no")) {
                *error = QStringLiteral("invalid --ignore-errors '%1' (expected yes or no)").arg(value);
                return std::nullopt;
            }
            command.EvalSettings.IgnoreErrors = value == QLatin1String("yes");
        } else if (arg == QLatin1String("--size")) {
            if (!needValue()) return std::nullopt;
            const QStringList parts = value.split(QLatin1Char('x'));
            int w = 0, h = 0;
            if (parts.size() != 2 || !ParseInt(parts[0], w) || !ParseInt(parts[1], h) || w < 1 || h < 1 ||
                w > 20000 || h > 20000) {
                *error = QStringLiteral("invalid size '%1' (expected WxH, e.g. 800x600)").arg(value);
                return std::nullopt;
            }
            command.Width = w;
            command.Height = h;
        } else if (arg == QLatin1String("--scale")) {
            if (!needValue()) return std::nullopt;
            bool ok = false;
            command.Scale = value.toDouble(&ok);
            if (!ok || command.Scale <= 0 || command.Scale > 16) {
                *error =
                    QStringLiteral("invalid scale '%1' (expected a number above 0, at most 16)").arg(value);
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--scheme")) {
            if (!needValue()) return std::nullopt;
            if (!ParseInt(value, command.Scheme) || command.Scheme < 0 || command.Scheme > 3) {
                *error = QStringLiteral("invalid scheme '%1' (expected 0, 1, 2 or 3)").arg(value);
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--columns")) {
            if (!needValue()) return std::nullopt;
            for (const QString& pair : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const QStringList xy = pair.split(QLatin1Char(':'));
                int x = 0, y = 0;
                if (xy.size() != 2 || !ParseInt(xy[0], x) || !ParseInt(xy[1], y) || x < 0 || y < 1) {
                    *error = QStringLiteral("invalid columns '%1' (expected X:Y pairs such as 1:2,1:3)")
                                 .arg(value);
                    return std::nullopt;
                }
                command.Columns.append({x, y});
            }
        } else if (longOption || (arg.startsWith(QLatin1Char('-')) && arg.size() > 1)) {
            *error = QStringLiteral("unrecognized option '%1'").arg(arg);
            return std::nullopt;
        } else {
            command.Inputs.append(arg);
        }
    }
    if (!command.ExportFile.isEmpty() && command.Inputs.isEmpty() && !command.Help && !command.Version) {
        *error = QStringLiteral("--export needs at least one input file");
        return std::nullopt;
    }
    if (!command.ExportFile.isEmpty() && !command.Formula.isEmpty()) {
        *error = QStringLiteral("--export and --eval cannot be combined");
        return std::nullopt;
    }
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
    if (!ExportPicture(window, command.ExportFile, *PictureFormatFor(command.ExportFile),
                       {Extended(command.Scale), command.Scheme}, &error)) {
        PrintError(QStringLiteral("cannot write '%1': %2").arg(command.ExportFile, error));
        return 1;
    }
    return 0;
}
