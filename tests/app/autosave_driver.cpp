// Edits a figure step by step through the window's own operations and autosaves it, until it is
// killed: the child of the autosave kill test. It starts as the program does, restoring a recovery
// file left by a killed run, and logs one line per event to a side file, each line written after
// the event happened:
//   A <sha1 of the file>     the recovery file restored at the start
//   S <sha1 of the stream>   an autosave took its snapshot
//   D <sha1 of the file>     an autosave was renamed into place completely
//   C                        the figure is about to count as saved (its recovery file goes)
//   X                        an autosave began in the middle of a drag (a fault)
// Usage: autosave_driver FOLDER SIDE_FILE SEED PERIOD_MS
#include "app/Recovery.h"
#include "window/SuperGrWindow.h"

#include <QCryptographicHash>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {
// One write() per line: a kill never leaves half of a line behind it.
class TSideFile {
public:
    explicit TSideFile(const QString& name)
        : FFd(::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600)) {}
    ~TSideFile() { ::close(FFd); }
    bool Ok() const { return FFd >= 0; }
    void Line(char kind, const QByteArray& bytes = {}) {
        QByteArray line(1, kind);
        if (!bytes.isNull()) line += ' ' + QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
        line += '\n';
        if (::write(FFd, line.constData(), size_t(line.size())) != line.size()) std::abort();
    }

private:
    int FFd;
};

TDoubleArray Wave(int n, std::mt19937& random) {
    const Extended phase = Extended(random() % 1000) / 100;
    TDoubleArray values(n);
    for (int i = 0; i < n; ++i)
        values[i] = std::sin(Extended(i) / 17 + phase) * Extended(1 + i % 7);
    return values;
}

TDoubleArray Ramp(int n) {
    TDoubleArray values(n);
    for (int i = 0; i < n; ++i)
        values[i] = i;
    return values;
}

class TEditor {
public:
    TEditor(TSuperGrWindow& window, TSideFile& side, uint32_t seed) : W(window), FSide(side), FRandom(seed) {}

    // One step: a change, an undo or redo, a step of a drag, or rarely a save.
    void Step() {
        if (FDragSteps > 0) {
            FDragPoint = {FDragPoint.X + Pick(9) - 4, FDragPoint.Y + Pick(9) - 4};
            W.MouseMove(ssLeft, FDragPoint.X, FDragPoint.Y);
            if (--FDragSteps == 0)
                W.MouseUp(TSuperGrWindow::TMouseButton::Left, 0, FDragPoint.X, FDragPoint.Y);
            return;
        }
        const int kind = Pick(1000);
        if (kind < 60) {
            W.Undo();
        } else if (kind < 90) {
            W.Redo();
        } else if (kind < 150 && W.GraphCount() > 0) {
            const TRect& plot = W.PlotRect;
            FDragPoint = {plot.Left + 1 + Pick(std::max(1, plot.Right - plot.Left - 2)),
                          plot.Top + 1 + Pick(std::max(1, plot.Bottom - plot.Top - 2))};
            FDragSteps = 2 + Pick(20);
            W.MouseDown(TSuperGrWindow::TMouseButton::Left, ssLeft, FDragPoint.X, FDragPoint.Y);
        } else if (kind < 152) {
            FSide.Line('C');
            W.SetModified(false);
        } else if (kind < 200 || W.GraphCount() == 0) {
            // Now and then a graph large enough that its write takes a while.
            const int n = Pick(50) == 0 ? 100000 + Pick(100000) : 2 + Pick(2000);
            W.AddGraph({}, false, {}, Ramp(n), Wave(n, FRandom));
        } else if (W.GraphCount() > 6) {
            W.DeleteGraph(Pick(W.GraphCount()));
        } else {
            TGraph& g = *W.GraphByIndex(Pick(W.GraphCount()));
            switch (Pick(4)) {
            case 0:
                g.SetColor(Pick(0x1000000));
                break;
            case 1:
                g.SetName(QStringLiteral("график %1").arg(Pick(100)));
                break;
            case 2:
                g.SetLineWidth(Pick(9));
                break;
            default:
                g.SetData(Ramp(g.NodeCount() + 1), Wave(g.NodeCount() + 1, FRandom), {});
                break;
            }
        }
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(FRandom); }

    TSuperGrWindow& W;
    TSideFile& FSide;
    std::mt19937 FRandom;
    int FDragSteps = 0;
    TPoint FDragPoint;
};
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "Usage: autosave_driver FOLDER SIDE_FILE SEED PERIOD_MS\n");
        return 2;
    }
    const QString folder = args[1];
    TSideFile side(args[2]);
    if (!side.Ok()) return 2;

    TSuperGrWindow window;
    window.ApplyDefaultLook();
    window.SetClientSize(640, 480);
    window.AnimatedMove = window.AnimatedZoom = window.AnimatedUndo = false;

    recovery::TAutosave autosave(window, folder, args[4].toLongLong());
    const auto restore = [] { return recovery::TAnswer::Restore; };
    if (std::unique_ptr<recovery::TSession> restored = recovery::OfferRecovery(folder, window, restore)) {
        QFile file(restored->RecoveryFile());
        if (!file.open(QIODevice::ReadOnly)) return 1;
        side.Line('A', file.readAll());
        autosave.Adopt(std::move(restored));
    }
    autosave.OnSnapshot = [&](const QByteArray& stream) {
        if (window.Dragging()) side.Line('X');
        side.Line('S', stream);
    };
    autosave.OnWritten = [&](const QByteArray& file) { side.Line('D', file); };
    const TEventConnection listening =
        window.Events.OnUndoRedoOp.Listen([&](TComponent*, int, bool, bool) { autosave.FigureChanged(); });
    window.Events.OnChangeEditStatus = [&](TComponent*) { autosave.FigureChanged(); };

    TEditor editor(window, side, args[3].toUInt());
    QTimer steps;
    QObject::connect(&steps, &QTimer::timeout, [&] { editor.Step(); });
    steps.start(1);
    // Killed long before this; the limit only ends a run that lost its test.
    QTimer::singleShot(120000, &app, &QCoreApplication::quit);
    return QCoreApplication::exec();
}
