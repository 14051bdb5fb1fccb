#include "tools/SymbolEditorModel.h"
#include "tools/SymbolLibrary.h"

#include "model/Symbol.h"
#include "tests/common/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TPrimitiv Element(Extended x1, Extended y1, Extended x2, Extended y2, const QString& text = u"U"_s) {
    TPrimitiv p;
    p.X1 = x1, p.Y1 = y1, p.X2 = x2, p.Y2 = y2;
    p.FaceName = u"Times New Roman"_s;
    p.Text = text;
    return p;
}

// An editor on one element, the frame 100 × 100 pixels at (10, 10) in a 120 × 120 area.
TSymbolEditorModel OneElement(Extended x1 = 0.2L, Extended y1 = 0.2L, Extended x2 = 0.6L,
                              Extended y2 = 0.6L) {
    TSymbol s;
    s.Prims = {Element(x1, y1, x2, y2)};
    TSymbolEditorModel m;
    m.Open(s);
    m.SetArea(120, 120);
    return m;
}

void ExpectBox(const TPrimitiv& p, Extended x1, Extended y1, Extended x2, Extended y2) {
    EXPECT_NEAR(double(p.X1), double(x1), 1e-12);
    EXPECT_NEAR(double(p.Y1), double(y1), 1e-12);
    EXPECT_NEAR(double(p.X2), double(x2), 1e-12);
    EXPECT_NEAR(double(p.Y2), double(y2), 1e-12);
}

TEST(SymbolEditorModel, OpeningAnEmptySymbolStartsSquareAndCentredWithoutCurrent) {
    TSymbol s;
    s.Aspect = 3, s.HAlign = 0, s.VAlign = 2;
    TSymbolEditorModel m;
    m.Open(s);
    EXPECT_EQ(m.Symbol().Aspect, 1);
    EXPECT_EQ(m.Symbol().HAlign, 1);
    EXPECT_EQ(m.Symbol().VAlign, 1);
    EXPECT_EQ(m.Current(), -1);
}

TEST(SymbolEditorModel, NewElementsArePlacedAroundTheCurrentOne) {
    struct Case {
        TNewElementPlace Place;
        Extended X1, Y1, X2, Y2;
    };
    // The current element: 0.2 .. 0.6 across, 0.2 .. 0.6 down.
    const Case cases[] = {
        {TNewElementPlace::Centre, 0.25L, 0.1L, 0.75L, 0.9L},
        {TNewElementPlace::Superscript, 0.6L, 0.16L, 0.84L, 0.4L},
        {TNewElementPlace::Subscript, 0.6L, 0.4L, 0.84L, 0.64L},
        {TNewElementPlace::Above, 0.2L, -0.2L, 0.6L, 0.2L},
        {TNewElementPlace::Left, -0.2L, 0.2L, 0.2L, 0.6L},
        {TNewElementPlace::Below, 0.2L, 0.6L, 0.6L, 1.0L},
        {TNewElementPlace::Right, 0.6L, 0.2L, 1.0L, 0.6L},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Place));
        TSymbolEditorModel m = OneElement();
        m.AddElement(c.Place);
        ASSERT_EQ(m.Current(), 1);
        const TPrimitiv& p = m.Symbol().Prims[1];
        ExpectBox(p, c.X1, c.Y1, c.X2, c.Y2);
        EXPECT_TRUE(p.Text.isEmpty());
        EXPECT_EQ(p.Charset, 1);
        EXPECT_EQ(p.Weight, 400);
    }
}

TEST(SymbolEditorModel, NewElementSnapsToTheGrid) {
    TSymbolEditorModel m = OneElement();
    m.SetGrid(0.25L, 0.25L, true);
    m.AddElement(TNewElementPlace::Superscript);
    ExpectBox(m.Symbol().Prims[1], 0.5L, 0.25L, 0.75L, 0.5L);
}

TEST(SymbolEditorModel, OperationsWithoutCurrentElementDoNothing) {
    TSymbolEditorModel m = OneElement();
    m.DeleteCurrent();
    ASSERT_EQ(m.Current(), -1);
    const TSymbol before = m.Symbol();
    m.DeleteCurrent();
    m.SetText(u"x"_s);
    m.SetFaceName(u"Arial"_s);
    m.SetCharset(204);
    m.SetBold(true);
    m.SetItalic(true);
    EXPECT_FALSE(m.SetCoordinateText(0, u"0.5"_s));
    m.Nudge(1, 1, false);
    EXPECT_FALSE(m.BeginDrag(TDragMode::Move, 50, 50));
    EXPECT_EQ(m.HitTest(50, 50), TDragMode::None);
    EXPECT_EQ(m.Symbol(), before);
    m.Undo(); // the deletion
    EXPECT_EQ(m.Current(), 0);
    EXPECT_FALSE(m.CanUndo());
}

TEST(SymbolEditorModel, PanelEditsRecordUndoAndRedo) {
    TSymbolEditorModel m = OneElement();
    m.SetText(u"Ux"_s);
    m.SetBold(true);
    m.SetItalic(true);
    EXPECT_FALSE(m.SetCoordinateText(2, u"abc"_s));
    EXPECT_FALSE(m.SetCoordinateText(2, u"inf"_s));
    EXPECT_TRUE(m.SetCoordinateText(2, u"0.7"_s));
    m.SetBold(true); // unchanged: no step
    const TPrimitiv& p = m.Symbol().Prims[0];
    EXPECT_EQ(p.Weight, 600);
    EXPECT_EQ(p.Italic, 1);
    EXPECT_EQ(p.X2, Extended(0.7));
    const TSymbol edited = m.Symbol();
    for (int i = 0; i < 4; ++i)
        m.Undo();
    EXPECT_FALSE(m.CanUndo());
    EXPECT_EQ(m.Symbol().Prims[0].Text, u"U"_s);
    while (m.CanRedo())
        m.Redo();
    EXPECT_EQ(m.Symbol(), edited);
    m.Undo();
    m.SetText(u"new"_s); // a new step empties the redo list
    EXPECT_FALSE(m.CanRedo());
    m.Replace(TSymbol{});
    EXPECT_EQ(m.Current(), -1);
    m.Undo();
    EXPECT_EQ(m.Symbol().Prims[0].Text, u"new"_s);
}

// What is saved reads back as shown: an element of the "Default" set takes a set whose code page
// holds its text, both in the figure's stream and in a library file; what no set holds is refused.
TEST(SymbolEditorModel, DefaultCharsetTakesASetThatStoresTheText) {
    const struct {
        QString Text;
        uint8_t Charset;
    } cases[] = {{u"Δω"_s, 161}, {u"é"_s, 0}, {u"Жук"_s, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        TSymbolEditorModel m = OneElement();
        m.AddElement(TNewElementPlace::Centre);
        ASSERT_TRUE(m.SetText(c.Text));
        EXPECT_EQ(m.Symbol().Prims[1].Charset, c.Charset);

        QByteArray stream;
        TByteWriter out(stream);
        WriteSymbol(out, m.Symbol());
        TByteReader in(stream);
        TSymbol read;
        ASSERT_TRUE(ReadSymbol(in, read));
        EXPECT_EQ(read.Prims.value(1).Text, c.Text);
        EXPECT_TRUE(SameSymbol(read, m.Symbol()));
        QList<TSymbol> library;
        ASSERT_TRUE(ReadSymbolLibrary(WriteSymbolLibrary({m.Symbol()}), library));
        ASSERT_EQ(library.size(), 1);
        EXPECT_TRUE(SameSymbol(library[0], m.Symbol()));
    }
}

TEST(SymbolEditorModel, TextAndCharsetThatCannotBeStoredAreRefused) {
    TSymbolEditorModel m = OneElement();
    m.AddElement(TNewElementPlace::Centre);
    ASSERT_TRUE(m.SetText(u"Δω"_s));
    const TSymbol greek = m.Symbol();
    EXPECT_FALSE(m.SetText(u"ΔωЖ"_s)); // no set holds Greek and Cyrillic
    EXPECT_FALSE(m.SetCharset(204));   // cp1251 has no Greek
    EXPECT_EQ(m.Symbol(), greek);
    EXPECT_TRUE(m.SetCharset(1)); // "Default" stays on the set that stores the text
    EXPECT_EQ(m.Symbol(), greek);
    ASSERT_TRUE(m.SetText(u"ω"_s));
    EXPECT_FALSE(m.SetText(u"Ж"_s)); // the element is Greek now
    ASSERT_TRUE(m.SetCharset(1));
    EXPECT_EQ(m.Symbol().Prims[1].Charset, 161);
}

TEST(SymbolEditorModel, ConsecutiveNudgesAreOneUndoStep) {
    TSymbolEditorModel m = OneElement();
    m.SetGrid(0.1L, 0.1L, true);
    m.Nudge(1, 0, false);
    m.Nudge(0, 1, false);
    m.Nudge(1, 0, true);
    ExpectBox(m.Symbol().Prims[0], 0.3L, 0.3L, 0.8L, 0.7L);
    m.Undo();
    ExpectBox(m.Symbol().Prims[0], 0.2L, 0.2L, 0.6L, 0.6L);
    EXPECT_FALSE(m.CanUndo());
    // After undo a nudge is a step of its own again.
    m.Nudge(1, 0, false);
    EXPECT_TRUE(m.CanUndo());
    EXPECT_FALSE(m.CanRedo());
    m.SetText(u"y"_s);
    m.Nudge(-1, 0, false); // another change ends the run of nudges
    m.Undo();
    ExpectBox(m.Symbol().Prims[0], 0.3L, 0.2L, 0.7L, 0.6L);
}

TEST(SymbolEditorModel, NudgeWithoutSnapMovesOnePixel) {
    TSymbolEditorModel m = OneElement(); // frame of 96 pixels: the area less a tenth on each side
    const TRect f = m.Frame();
    m.Nudge(2, 0, false);
    ExpectBox(m.Symbol().Prims[0], 0.2L + 2.0L / f.Width(), 0.2L, 0.6L + 2.0L / f.Width(), 0.6L);
}

TEST(SymbolEditorModel, SteppingThroughElementsWrapsAround) {
    TSymbolEditorModel m = OneElement();
    m.AddElement(TNewElementPlace::Right);
    m.AddElement(TNewElementPlace::Right);
    m.StepCurrent(1);
    EXPECT_EQ(m.Current(), 0);
    m.StepCurrent(-1);
    EXPECT_EQ(m.Current(), 2);
    m.Open(TSymbol{});
    m.StepCurrent(1);
    EXPECT_EQ(m.Current(), -1);
}

TEST(SymbolEditorModel, AreaWithoutSizeMovesNothing) {
    TSymbolEditorModel m = OneElement();
    m.SetArea(0, 0);
    const TSymbol before = m.Symbol();
    m.Nudge(1, 1, false);
    m.BeginDrag(TDragMode::Move, 0, 0);
    m.DragTo(5, 5);
    m.EndDrag();
    EXPECT_EQ(m.Symbol(), before);
    EXPECT_FALSE(m.CanUndo());
}

TEST(SymbolEditorModel, HitTestFindsCornersEdgesAndInside) {
    TSymbolEditorModel m = OneElement();
    const TRect b = m.ElementBox(0);
    const int midX = (b.Left + b.Right) / 2, midY = (b.Top + b.Bottom) / 2;
    struct Case {
        int X, Y;
        TDragMode Mode;
    };
    const Case cases[] = {
        {b.Left + 3, b.Top - 3, TDragMode::TopLeft},
        {b.Right, b.Top, TDragMode::TopRight},
        {b.Left, b.Bottom + 4, TDragMode::BottomLeft},
        {b.Right - 4, b.Bottom, TDragMode::BottomRight},
        {b.Left - 2, midY, TDragMode::Left},
        {b.Right + 4, midY, TDragMode::Right},
        {midX, b.Top + 4, TDragMode::Top},
        {midX, b.Bottom - 1, TDragMode::Bottom},
        {midX, midY, TDragMode::Move},
        {b.Right + 5, midY, TDragMode::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(m.HitTest(c.X, c.Y), c.Mode) << c.X << "," << c.Y;
}

TEST(SymbolEditorModel, ElementUnderTheMouseIsAnotherElement) {
    TSymbolEditorModel m = OneElement();
    m.AddElement(TNewElementPlace::Right);
    const TRect first = m.ElementBox(0), second = m.ElementBox(1);
    EXPECT_EQ(m.ElementAt(first.Left + 2, first.Top + 2), 0);
    EXPECT_EQ(m.ElementAt(second.Right - 2, second.Top + 2), -1); // the current one
}

TEST(SymbolEditorModel, DragIsOneUndoStepFromBeforeTheWholeDrag) {
    TSymbolEditorModel m = OneElement();
    const Extended w = m.Frame().Width();
    ASSERT_TRUE(m.BeginDrag(TDragMode::Move, 50, 50));
    m.DragTo(60, 50);
    m.DragTo(70, 60);
    m.EndDrag();
    ExpectBox(m.Symbol().Prims[0], 0.2L + 20 / w, 0.2L + 10 / w, 0.6L + 20 / w, 0.6L + 10 / w);
    m.Undo();
    ExpectBox(m.Symbol().Prims[0], 0.2L, 0.2L, 0.6L, 0.6L);
    EXPECT_FALSE(m.CanUndo());
    // A press and release without a move records nothing.
    m.BeginDrag(TDragMode::Move, 50, 50);
    m.EndDrag();
    EXPECT_FALSE(m.CanUndo());
}

TEST(SymbolEditorModel, EdgeDragSnapsAndKeepsFivePixels) {
    TSymbolEditorModel m = OneElement();
    m.SetGrid(0.1L, 0.1L, true);
    const TRect b = m.ElementBox(0);
    m.BeginDrag(TDragMode::Right, b.Right, 50);
    m.DragTo(b.Right + 12, 50); // 0.6 + 0.125 snaps to 0.7
    ExpectBox(m.Symbol().Prims[0], 0.2L, 0.2L, 0.7L, 0.6L);
    m.DragTo(b.Left - 60, 50); // would turn the box inside out: the last width stays
    ExpectBox(m.Symbol().Prims[0], 0.2L, 0.2L, 0.7L, 0.6L);
    m.EndDrag();
}

TEST(SymbolEditorModel, GridStepsKeepTheirSmallest) {
    TSymbolEditorModel m;
    m.SetGrid(0.001L, -1, false);
    EXPECT_EQ(m.GridX(), TSymbolEditorModel::kMinGridStep);
    EXPECT_EQ(m.GridY(), TSymbolEditorModel::kMinGridStep);
}

TEST(SymbolEditorModel, RatiosParse) {
    EXPECT_EQ(TSymbolEditorModel::ParseRatio(u"3:2"_s), Extended(1.5));
    EXPECT_FALSE(TSymbolEditorModel::ParseRatio(u"3:0"_s));
    EXPECT_FALSE(TSymbolEditorModel::ParseRatio(u"3"_s));
    for (const QString& r : TSymbolEditorModel::AspectRatios())
        EXPECT_TRUE(TSymbolEditorModel::ParseRatio(r)) << r.toStdString();
}

TEST(SymbolEditorModel, PickerHoldsTheTwoPrintableRanges) {
    EXPECT_EQ(PickerCode(0, 0), 32);
    EXPECT_EQ(PickerCode(15, 5), 127);
    EXPECT_EQ(PickerCode(0, 6), 160);
    EXPECT_EQ(PickerCode(15, 11), 255);
    EXPECT_EQ(PickerCode(16, 0), 0);
    EXPECT_EQ(PickerCode(0, 12), 0);
    EXPECT_EQ(PickerCharacter(204, 0xC0), u"А"_s);
    EXPECT_EQ(PickerCharacter(2, 'a'), u"α"_s);
    EXPECT_EQ(kCharsets[CharsetEntry(99)].Code, 1);
    EXPECT_EQ(kCharsets[CharsetEntry(204)].Code, 204);
}

TSymbol TwoElements() {
    TSymbol s;
    s.Aspect = 1.5L;
    s.Prims = {Element(0.1L, 0.1L, 0.5L, 0.9L, u"Д"_s), Element(0.5L, 0.5L, 0.8L, 0.95L, u"x"_s)};
    s.Prims[1].Charset = 204;
    s.Prims[1].Italic = 1;
    return s;
}

TEST(SymbolLibraryModel, SavedLibraryIsByteExactAndLoadsBack) {
    QTemporaryDir dir;
    const QString file = dir.filePath(u"lib.bsl"_s);
    TSymbolLibraryModel lib;
    lib.Add(TwoElements(), false);
    lib.Add(TSymbol{}, false);
    QString error;
    ASSERT_TRUE(lib.Save(file, error));
    EXPECT_EQ(testutil::ReadAll(file), WriteSymbolLibrary(lib.Symbols()));
    EXPECT_TRUE(testutil::ReadAll(file).startsWith("Ostrel2 Symbol library file\x0A\x0D"));
    TSymbolLibraryModel back;
    ASSERT_TRUE(back.Load(file, error));
    EXPECT_EQ(back.Symbols(), lib.Symbols());
    // A damaged file leaves the list as it was, with a message.
    testutil::WriteAll(file, testutil::ReadAll(file).chopped(7));
    EXPECT_FALSE(back.Load(file, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(back.Symbols().size(), 2);
}

TEST(SymbolLibraryModel, AddReplacesOnlyWhenAsked) {
    TSymbolLibraryModel lib;
    lib.Add(TwoElements(), false);
    EXPECT_EQ(lib.Selected(), 0);
    EXPECT_TRUE(lib.WouldReplace(true));
    EXPECT_FALSE(lib.WouldReplace(false));
    lib.Add(TSymbol{}, true);
    ASSERT_EQ(lib.Symbols().size(), 1);
    EXPECT_TRUE(lib.Symbols()[0].Prims.isEmpty());
    lib.Add(TwoElements(), false);
    EXPECT_EQ(lib.Selected(), 1);
    lib.DeleteSelected();
    lib.DeleteSelected();
    EXPECT_EQ(lib.Selected(), -1);
    EXPECT_FALSE(lib.CanPick());
}

TEST(SymbolLibraryModel, ColumnCountIsAtLeastOne) {
    EXPECT_EQ(TSymbolLibraryModel::ColumnCount(420, 99), 4);
    EXPECT_EQ(TSymbolLibraryModel::ColumnCount(10, 99), 1);
    EXPECT_EQ(TSymbolLibraryModel::ColumnCount(420, 0), 1);
}

} // namespace
