// The graph against an owner of its own: what it asks of its owner and tells it, with no window.
#include "model/Graph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {
std::string Text(int value) {
    return std::to_string(value);
}

// Keeps its graphs and writes down every call the graphs make that changes something.
class TRecordingOwner : public TGraphOwner {
public:
    std::vector<std::unique_ptr<TGraph>> Graphs;
    std::vector<std::string> Log;
    TPoint Origin{50, 25};
    int PickDistance = 4;
    bool Recording = true;
    bool Single[4] = {false, false, false, false};

    TGraph& Add(const TDoubleArray& x, const TDoubleArray& y) {
        Graphs.push_back(std::make_unique<TGraph>(this));
        TGraph& g = *Graphs.back();
        g.ID = int32_t(Graphs.size()) - 1;
        Recording = false;
        EXPECT_TRUE(g.SetData(x, y));
        Recording = true;
        Log.clear();
        return g;
    }

    int GraphCount() const override { return int(Graphs.size()); }
    TGraph* GraphByIndex(int index) const override { return Graphs[size_t(index)].get(); }
    int TopGraphIndex() const override {
        for (int i = 0; i < GraphCount(); ++i)
            if (Graphs[size_t(i)]->Layer() == 0) return i;
        return -1;
    }
    bool SingleGroup(GroupKind kind) const override { return Single[int(kind)]; }
    QList<int> PosGroupMembersX(int32_t group) const override {
        QList<int> members;
        for (int i = 0; i < GraphCount(); ++i)
            if (Graphs[size_t(i)]->EffectivePosGroupX() == group) members.append(i);
        return members;
    }
    QList<int> PosGroupMembersY(int32_t) const override { return {}; }
    void ScaleGroupClosure(TAxis, int32_t, QList<int>&, QList<int>&) const override {}
    TGraphDefaults NewGraphDefaults() const override { return {0x000080, 1, 1, true, true, true, true}; }

    TRect PlotArea() const override { return {0, 0, 101, 51}; }
    TPoint PlotOrigin() const override { return Origin; }
    int MarkerPickDistance() const override { return PickDistance; }
    void Rescale() override { Log.push_back("rescale"); }
    void Repaint() override { Log.push_back("repaint"); }
    bool RepaintAllowed() const override { return true; }
    void SetRepaintAllowed(bool) override {}

    bool IsRecordingUndo() const override { return Recording; }
    void SetRecordingUndo(bool on) override { Recording = on; }
    bool UndoGrouping() const override { return FGrouping; }
    void SetUndoGrouping(bool on) override {
        if (on != FGrouping) Log.push_back(on ? "group" : "end group");
        FGrouping = on;
    }
    void RecordInteger(uint8_t op, int32_t id, int32_t value) override {
        Log.push_back("integer " + Text(op) + " " + Text(id) + " " + Text(value));
    }
    void RecordString(uint8_t op, int32_t id, const QString& value) override {
        Log.push_back("string " + Text(op) + " " + Text(id) + " " + value.toStdString());
    }
    void RecordExtended(uint8_t op, int32_t id, Extended) override {
        Log.push_back("extended " + Text(op) + " " + Text(id));
    }
    void RecordMarkers(int32_t id, const TMarkerArray& markers) override {
        Log.push_back("markers " + Text(id) + " " + Text(int(markers.size())));
    }
    void RecordGraphStep(const TGraphUndoStep& step) override {
        std::string text = "step " + Text(step.Op) + " snapshots " + Text(step.Snapshots);
        if (const auto* integer = std::get_if<TIntegerUndoRedoItem>(&step.Old))
            text += " integer " + Text(integer->GraphID) + " " + Text(integer->Value);
        if (const auto* nodes = std::get_if<TEditNodes>(&step.Old))
            text += " nodes " + Text(nodes->GraphID) + " " + Text(int(nodes->X.size()));
        Log.push_back(text);
    }

    void RaiseGraphsListChanged() override { Log.push_back("list"); }
    void RaiseGraphStyleChange(int32_t id, int vtype, int value) override {
        Log.push_back("style " + Text(id) + " " + Text(vtype) + " " + Text(value));
    }
    void RaiseGraphStateChange(int32_t id, int vtype, bool value) override {
        Log.push_back("state " + Text(id) + " " + Text(vtype) + " " + Text(value));
    }
    void RaiseGraphDataChange(int32_t id) override { Log.push_back("data " + Text(id)); }
    void RaiseEqualScalesChange(int32_t id) override { Log.push_back("equal scales " + Text(id)); }
    void RaiseSelectedCountChange() override { Log.push_back("selected count"); }
    void RaiseTopGraphChange(int wasTop, int curTop) override {
        Log.push_back("top " + Text(wasTop) + " " + Text(curTop));
    }

private:
    bool FGrouping = false;
};

using TLog = std::vector<std::string>;

struct GraphOwnerTest : ::testing::Test {
    TRecordingOwner owner;
    TGraph& first = owner.Add({1, 11}, {2, 22});
};
} // namespace

TEST_F(GraphOwnerTest, ASetterRecordsTheOldValueThenNotifiesThenRepaints) {
    first.SetColor(0x123456);
    EXPECT_EQ(owner.Log, (TLog{"integer 2 0 128", "style 0 3 1193046", "style 0 15 1193046", "repaint"}));
    owner.Log.clear();
    owner.Recording = false;
    first.SetLineWidth(3);
    EXPECT_EQ(owner.Log, (TLog{"style 0 1 3", "repaint"}));
}

TEST_F(GraphOwnerTest, StepsNameTheSnapshotsTheOwnerTakes) {
    TGraph& second = owner.Add({0, 1}, {0, 1});
    struct Case {
        std::function<void()> Change;
        std::string Step;
    };
    const Case cases[] = {
        {[&] { first.SetFixedRatio(true); }, "step 7 snapshots 5 integer 0 0"},
        {[&] { first.SetPosGroupX(1); }, "step 20 snapshots 13"},
        {[&] { second.SetAllowScaleY(false); }, "step 19 snapshots 4"},
        {[&] { second.SetLayer(0); }, "step 5 snapshots 2"},
        {[&] { first.SetLogY(true); }, "step 52 snapshots 1 integer 0 0"},
        {[&] { first.DeleteNode(1); }, "step 49 snapshots 0 nodes 0 1"},
    };
    for (const Case& c : cases) {
        owner.Log.clear();
        c.Change();
        TLog steps;
        std::copy_if(owner.Log.begin(), owner.Log.end(), std::back_inserter(steps),
                     [](const std::string& entry) { return entry.starts_with("step "); });
        EXPECT_EQ(steps, TLog{c.Step});
    }
    EXPECT_EQ(first.Layer(), 1); // moved down by the second graph's move to the top
}

TEST_F(GraphOwnerTest, NewDataIsOneStepWithTheViewsAndRescalesTheOwner) {
    EXPECT_TRUE(first.SetData({1, 2, 3}, {4, 5, 6}));
    EXPECT_EQ(owner.Log,
              (TLog{"group", "step 49 snapshots 1 nodes 0 2", "rescale", "data 0", "repaint", "end group"}));
    EXPECT_TRUE(first.Cache.Stale(TViewCache::Polyline) && first.Cache.Stale(TViewCache::Fit));
    EXPECT_FALSE(first.Cache.Stale(TViewCache::Extents));
    EXPECT_EQ(first.XMax(), 3);
    owner.Log.clear();
    EXPECT_FALSE(first.SetData({1, 2}, {4}));
    EXPECT_TRUE(owner.Log.empty());
}

TEST_F(GraphOwnerTest, TheMappingTurnsAboutTheOwnersOrigin) {
    first.Mapping = TGraphMapping{};
    first.Mapping.ShiftX = -first.XMid();
    first.Mapping.ShiftY = -first.YMid();
    EXPECT_EQ(first.DataToPixelX(7), 57);
    EXPECT_EQ(first.DataToPixelY(7), 18);
    owner.Origin = {-10, 0};
    EXPECT_EQ(first.DataToPixelX(7), -3);
    EXPECT_EQ(first.PixelToDataY(-2), 2);
    EXPECT_EQ(first.PlotRightData(), 111);
}

TEST_F(GraphOwnerTest, MarkersArePickedWithinTheOwnersDistance) {
    first.Mapping = TGraphMapping{};
    first.Mapping.ShiftX = -first.XMid();
    first.Mapping.ShiftY = -first.YMid();
    first.Markers.Items = {{0, 0}}; // drawn at the origin, (50, 25)
    owner.PickDistance = 2;
    EXPECT_FALSE(first.Markers.Pick(53, 25));
    owner.PickDistance = 3;
    EXPECT_TRUE(first.Markers.Pick(53, 25));
    EXPECT_EQ(first.Markers.SelectedIndex, 0);
}

TEST_F(GraphOwnerTest, SingleGroupsPutEveryGraphInGroupZero) {
    EXPECT_EQ(first.EffectivePosGroupX(), -1);
    owner.Single[int(TGraphOwner::GroupKind::PosX)] = true;
    EXPECT_EQ(first.EffectivePosGroupX(), 0);
    EXPECT_EQ(first.EffectiveScaleGroupX(), -1);
    QList<int> members;
    EXPECT_TRUE(first.PosGroupMembersX(members));
    EXPECT_EQ(members, QList<int>{0});
}
