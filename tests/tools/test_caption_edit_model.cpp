#include "tests/common/WindowTestUtil.h"
#include "tools/CaptionEditModel.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct CaptionEditTest : WindowTest {
    TCaptionEditModel editor;
};

TEST(CaptionEditModel, LinesOfTheMemoText) {
    const std::pair<QString, QStringList> cases[] = {
        {u""_s, {}},
        {u"a"_s, {u"a"_s}},
        {u"a\nb\n"_s, {u"a"_s, u"b"_s}},
        {u"a\n\n"_s, {u"a"_s, u""_s}},
        {u"\n"_s, {u""_s}},
    };
    for (const auto& [text, lines] : cases)
        EXPECT_EQ(TCaptionEditModel::LinesOfText(text), lines) << text.toStdString();
}

TEST_F(CaptionEditTest, MemoGrowsWithItsLinesAndSitsOnTheEditedEdge) {
    EXPECT_EQ(TCaptionEditModel::MemoHeight(3, 14), 4 * 14 + 4);
    EXPECT_EQ(editor.MemoTop(300, 60), 0);
    editor.EditingTop = false;
    EXPECT_EQ(editor.MemoTop(300, 60), 240);
    EXPECT_EQ(editor.MemoTop(300, 74), 226); // grows upwards
}

TEST_F(CaptionEditTest, EachWriteIsOneUndoStep) {
    editor.Commit(window, {u"Первая"_s, u"Вторая"_s, u"Третья"_s});
    editor.SetAlign(window, taLeftJustify);
    editor.Switch(window, window.TopCaption());
    EXPECT_FALSE(editor.EditingTop);
    editor.Commit(window, {u"низ"_s});
    editor.Clear(window);
    EXPECT_TRUE(window.BottomCaption().isEmpty());
    window.Undo();
    EXPECT_EQ(window.BottomCaption(), QStringList{u"низ"_s});
    window.Undo();
    EXPECT_TRUE(window.BottomCaption().isEmpty());
    EXPECT_EQ(window.TopCaption().size(), 3);
    window.Undo();
    EXPECT_EQ(window.TopCaptionAlign(), taCenter);
    window.Undo();
    EXPECT_TRUE(window.TopCaption().isEmpty());
    window.Redo();
    window.Redo();
    EXPECT_EQ(window.TopCaption().size(), 3);
    EXPECT_EQ(window.TopCaptionAlign(), taLeftJustify);
}

TEST_F(CaptionEditTest, OneEmptyLineSurvivesUndo) {
    window.SetTopCaption({u""_s});
    window.SetTopCaption({u"x"_s});
    window.Undo();
    EXPECT_EQ(window.TopCaption(), QStringList{u""_s});
}

// The caption font is a step of its own, its colour with it; undo and redo give back both fonts.
TEST_F(CaptionEditTest, FontIsAnUndoStep) {
    const TFontRec top = window.TopCaptionFont(), bottom = window.BottomCaptionFont();
    TFontRec chosen = top;
    chosen.Name = u"Liberation Serif"_s;
    chosen.Size = 20;
    chosen.StyleBits = TFontRec::Italic;
    chosen.Color = 0x0000FF;
    editor.SetFont(window, chosen);
    editor.EditingTop = false;
    editor.SetFont(window, chosen);
    window.Undo();
    EXPECT_EQ(window.BottomCaptionFont(), bottom);
    EXPECT_EQ(window.TopCaptionFont(), chosen);
    window.Undo();
    EXPECT_EQ(window.TopCaptionFont(), top);
    EXPECT_EQ(window.Colors.Get(TColorScheme::TopCaption), top.Color);
    window.Redo();
    window.Redo();
    EXPECT_EQ(window.TopCaptionFont(), chosen);
    EXPECT_EQ(window.BottomCaptionFont(), chosen);
}

} // namespace
