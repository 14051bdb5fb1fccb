// Thousands of random changes, undos and redos, then everything undone: the figure's bytes must be
// those of the start, and as many redos as undos must give the bytes of the end.
#include "StreamTestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace streamtest;

namespace {
class RandomSession {
public:
    explicit RandomSession(uint32_t seed) : FRandom(seed) {
        W.AnimatedUndo = W.AnimatedZoom = false;
        for (int i = 0; i < 4; ++i)
            W.AddGraph(QStringLiteral("r%1").arg(i), false, {}, Thirds(12 + i, 1 + i), Thirds(12 + i, 2 + i));
        W.ClearUndoHistory();
    }

    TSuperGrWindow W;
    QStringList Log;

    // Runs count steps; each is a change, an undo, a redo or a switch of grouping.
    void Run(int count) {
        for (int step = 0; step < count; ++step) {
            const int kind = Pick(100);
            if (kind < 8) {
                Log << QStringLiteral("undo");
                W.Undo();
            } else if (kind < 12) {
                Log << QStringLiteral("redo");
                W.Redo();
            } else if (kind < 15) {
                Log << QStringLiteral("grouping");
                W.SetUndoGrouping(!W.UndoGrouping());
            } else {
                Change();
            }
        }
        W.SetUndoGrouping(false);
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(FRandom); }
    bool Coin() { return Pick(2) == 1; }
    Extended Real() { return Extended(Pick(2000) - 1000) / 7; }

    void Change() {
        if (W.GraphCount() == 0) {
            Log << QStringLiteral("add");
            W.AddGraph({}, false, {}, Thirds(5 + Pick(5), 1), Thirds(5 + Pick(5), 3));
            return;
        }
        TGraph& g = *W.GraphByIndex(Pick(W.GraphCount()));
        const TDesignation d = TDesignation(Pick(4));
        using Op = std::pair<const char*, std::function<void()>>;
        const Op ops[] = {
            {"colour", [&] { g.SetColor(Pick(0x1000000)); }},
            {"keep colour", [&] { g.SetMarkerKeepColor(Coin()); }},
            {"marker colour", [&] { g.SetMarkerColor(Coin() ? g.Color() : Pick(0x1000000)); }},
            {"marker symbol", [&] { g.SetMarkerSymbol(uint8_t(Pick(14))); }},
            {"show nodes", [&] { g.SetShowNodes(Coin()); }},
            {"markers visible", [&] { g.SetMarkersVisible(Coin()); }},
            {"visible", [&] { g.SetVisible(Coin()); }},
            {"line width", [&] { g.SetLineWidth(Pick(9)); }},
            {"line style", [&] { g.SetLineStyle(Pick(7)); }},
            {"selected", [&] { g.SetSelected(Coin()); }},
            {"break mode", [&] { g.SetBreakMode(uint8_t(Pick(4))); }},
            {"break limit", [&] { g.SetBreakLimit(Real()); }},
            {"width scale", [&] { g.SetWidthScale(Extended(1 + Pick(50)) / 3); }},
            {"date time", [&] { g.SetDateTimeArg(Coin()); }},
            {"in legend", [&] { g.SetInLegend(Coin()); }},
            {"name", [&] { g.SetName(QStringLiteral("имя %1").arg(Pick(5))); }},
            {"legend text", [&] { g.SetLegendText(QStringLiteral("л%1").arg(Pick(5))); }},
            {"marker text", [&] { g.SetMarkerText(QStringLiteral("м%1").arg(Pick(5))); }},
            {"designation text", [&] { g.SetDesignationText(d, QStringLiteral("о%1").arg(Pick(3))); }},
            {"designation show", [&] { g.SetDesignationShow(d, Coin()); }},
            {"designation vertical", [&] { g.SetDesignationVertical(d, Coin()); }},
            {"designation is text", [&] { g.SetDesignationIsText(d, Coin()); }},
            {"designation offsets", [&] { g.SetDesignationOffsets(d, Pick(5), -Pick(5)); }},
            {"designation symbol",
             [&] {
                 TSymbol s;
                 s.Aspect = Real();
                 TPrimitiv p;
                 p.FaceName = QStringLiteral("Arial");
                 p.Text = QStringLiteral("s%1").arg(Pick(3));
                 s.Prims = {p};
                 g.SetDesignationSymbol(d, s);
             }},
            {"layouts",
             [&] { Coin() ? g.SetXDesignLayout(uint8_t(Pick(4))) : g.SetYDesignLayout(uint8_t(Pick(4))); }},
            {"layer", [&] { g.SetLayer(Pick(W.GraphCount())); }},
            {"fixed ratio", [&] { g.SetFixedRatio(Coin()); }},
            {"log x", [&] { g.SetLogX(Coin()); }},
            {"log y", [&] { g.SetLogY(Coin()); }},
            {"permission", [&] { Coin() ? g.SetAllowShiftX(Coin()) : g.SetAllowScaleY(Coin()); }},
            {"policy", [&] { W.DrawPolicy.SetAllowAll(Coin(), Coin(), Coin(), Coin()); }},
            {"group",
             [&] {
                 const int group = Pick(4) - 1;
                 switch (Pick(4)) {
                 case 0:
                     g.SetPosGroupX(group);
                     break;
                 case 1:
                     g.SetPosGroupY(group);
                     break;
                 case 2:
                     g.SetScaleGroupX(group);
                     break;
                 default:
                     g.SetScaleGroupY(group);
                     break;
                 }
             }},
            {"single", [&] { W.DrawPolicy.SetSinglePosX(Coin()); }},
            {"add", [&] { W.AddGraph({}, false, {}, Thirds(4 + Pick(6), 1), Thirds(4 + Pick(6), 5)); }},
            {"duplicate", [&] { W.DuplicateGraph(g); }},
            {"delete", [&] { W.DeleteGraph(W.IndexOfGraph(&g)); }},
            {"delete selected", [&] { W.DeleteSelectedGraphs(); }},
            {"data",
             [&] {
                 const int n = 3 + Pick(8);
                 g.SetData(Thirds(n, 1 + Pick(3)), Thirds(n, 2), Coin() ? Thirds(n) : TDoubleArray{});
             }},
            {"marker", [&] { g.AddMarkerAtNode(Pick(g.NodeCount())); }},
            {"select node", [&] { g.SelectNode(Pick(g.NodeCount() + 1)); }},
            {"deselect node", [&] { g.DeselectNode(Pick(g.NodeCount())); }},
            {"auto scale", [&] { W.AutoScale(); }},
            {"tool mode",
             [&] {
                 W.RecordInteger(UndoOp::ToolMode, -1, W.ToolMode());
                 const bool recording = W.UndoRecording;
                 W.UndoRecording = false;
                 W.SetToolMode(TToolMode(Pick(3)));
                 W.UndoRecording = recording;
             }},
            {"legend",
             [&] {
                 switch (Pick(8)) {
                 case 0:
                     W.SetShowLegend(Coin());
                     break;
                 case 1:
                     W.SetLegendFrame(Coin());
                     break;
                 case 2:
                     W.SetLegendBackground(Coin());
                     break;
                 case 3:
                     W.SetLegendOffsetX(Pick(9));
                     break;
                 case 4:
                     W.SetLegendOffsetY(Pick(9));
                     break;
                 case 5:
                     W.SetLegendColumns(1 + Pick(3));
                     break;
                 case 6:
                     W.SetLegendBorderWidth(1 + Pick(8));
                     break;
                 default:
                     W.SetLegendPosition(uint8_t(Pick(9)));
                     break;
                 }
             }},
        };
        const Op& op = ops[Pick(int(std::size(ops)))];
        Log << QString::fromUtf8(op.first);
        op.second();
    }

    std::mt19937 FRandom;
};

// Runs a session and reports whether undoing and redoing everything restored the bytes.
bool Roundtrips(uint32_t seed, int steps, QString* failure) {
    RandomSession s(seed);
    const QByteArray start = SettledStreamOf(s.W);
    s.Run(steps);
    const QByteArray end = SettledStreamOf(s.W);
    int undone = 0;
    while (s.W.HaveUndo()) {
        s.W.Undo();
        ++undone;
    }
    const qsizetype atStart = FirstDifference(SettledStreamOf(s.W), start);
    for (int i = 0; i < undone; ++i)
        s.W.Redo();
    const qsizetype atEnd = FirstDifference(SettledStreamOf(s.W), end);
    if (atStart < 0 && atEnd < 0) return true;
    *failure = QStringLiteral("seed %1, %2 steps, %3 undone, differs at %4 (start) / %5 (end); last: %6")
                   .arg(seed)
                   .arg(steps)
                   .arg(undone)
                   .arg(atStart)
                   .arg(atEnd)
                   .arg(s.Log.mid(std::max<qsizetype>(0, s.Log.size() - 3)).join(QStringLiteral(", ")));
    return false;
}
} // namespace

TEST(UndoProperty, RandomChangesUndoneGiveTheStartingBytes) {
    for (uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        QString failure;
        if (Roundtrips(seed, 2500, &failure)) continue;
        // Find the shortest failing run so that its last step names the culprit.
        for (int steps = 1; steps <= 2500; ++steps)
            if (!Roundtrips(seed, steps, &failure)) break;
        ADD_FAILURE() << failure.toStdString();
    }
}
