#include "tests/common/WindowTestUtil.h"
#include "tools/CalculatorModel.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace calcinput;

namespace {

TInputState At(const QString& text, int caret = -1, int sel = 0) {
    return {text, caret < 0 ? int(text.size()) : caret, sel};
}

TEST(CalculatorInput, KeypadTyping) {
    EXPECT_EQ(TypeFunction(At(u"1+"_s), u"sin"_s), At(u"1+sin()"_s, 6));
    EXPECT_EQ(TypeFunction(At(u"2*y(0)"_s, 2, 4), u"sqrt"_s), At(u"2*sqrt(y(0))"_s));
    EXPECT_EQ(TypeText(At(u"12"_s, 1, 1), u"x(3)"_s), At(u"1x(3)"_s));
}

TEST(CalculatorInput, UndoAndRedo) {
    TInputUndo u;
    EXPECT_FALSE(u.CanUndo());
    u.Changed(At(u"a"_s));
    u.Changed(At(u"ab"_s));
    u.TrackCaret(1, 0);
    u.Changed(At(u"acb"_s, 2));
    EXPECT_EQ(u.Undo(), At(u"ab"_s, 1));
    EXPECT_EQ(u.Undo(), At(u"a"_s));
    EXPECT_TRUE(u.CanRedo());
    EXPECT_EQ(u.Redo(), At(u"ab"_s, 1));
    EXPECT_EQ(u.Redo(), At(u"acb"_s, 2));
    EXPECT_FALSE(u.CanRedo());
    u.Undo();
    u.Changed(At(u"abd"_s));
    EXPECT_FALSE(u.CanRedo());
    EXPECT_EQ(u.Undo(), At(u"ab"_s, 1));
}

TEST(CalculatorInput, ArgumentHints) {
    const struct {
        QString Text;
        QString Bold; // empty: no hint
        int Parts;
    } cases[] = {
        {u"diff(y(0),"_s, u"[Тип производной], "_s, 3},
        {u"1+DIFF("_s, u"Дифференцируемая функция, "_s, 3},
        {u"rand('norm',"_s, u"Мат. ожидание, "_s, 4},
        {u"rand('unif', 0,"_s, u"Максимум, "_s, 4},
        {u"rand(a, sin(1, 2),"_s, u"Параметр 2, "_s, 4},
        {u"rand(1,2,3,"_s, u"[Интервал времени]"_s, 4},
        {u"xscl(y(0),"_s, u"Масштаб времени"_s, 2},
        {u"y("_s, u"Номер графика"_s, 1},
        {u"x(1,"_s, {}, 0},
        {u"round(a,b,"_s, {}, 0},
        {u"sin("_s, {}, 0},
        {u"fit(y(0))"_s, {}, 0},
    };
    for (const auto& c : cases) {
        const auto hint = ArgumentHint(c.Text, int(c.Text.size()));
        ASSERT_EQ(bool(hint), !c.Bold.isEmpty()) << c.Text.toStdString();
        if (!hint) continue;
        EXPECT_EQ(hint->Parts.size(), c.Parts) << c.Text.toStdString();
        EXPECT_EQ(hint->Parts[hint->Current], c.Bold) << c.Text.toStdString();
    }
    EXPECT_EQ(ArgumentHint(u"mirror(y(0), 2)"_s, 7)->Current, 0);
}

TEST(CalculatorInput, DistributionCompletion) {
    const TCompletion c = CompletionAfterTyping(u"2*rand("_s, 7);
    ASSERT_EQ(c.Kind, TCompletionKind::Distribution);
    EXPECT_EQ(c.Rows.size(), 2);
    EXPECT_EQ(DistributionRows(u"'U"_s), QStringList{u"'unif' - равномерное распределение"_s});
    EXPECT_TRUE(DistributionRows(u"'x"_s).isEmpty());
    EXPECT_EQ(ApplyCompletion(At(u"2*rand('u"_s), c, 1), At(u"2*rand('unif', "_s));
    // A comma and a space already there are stepped over.
    EXPECT_EQ(ApplyCompletion(At(u"rand('n, 1)"_s, 7), CompletionAfterTyping(u"rand("_s, 5), 0),
              At(u"rand('norm', 1)"_s, 13));
    EXPECT_EQ(CompletionAfterTyping(u"sin("_s, 4).Kind, TCompletionKind::None);
}

TEST(CalculatorInput, DiffKindCompletion) {
    const TCompletion c = CompletionAfterTyping(u"diff(y(0),3)"_s, 10);
    ASSERT_EQ(c.Kind, TCompletionKind::DiffKind);
    EXPECT_EQ(c.Rows.size(), 4);
    EXPECT_EQ(ApplyCompletion(At(u"diff(y(0),3)"_s, 10), c, 2), At(u"diff(y(0),2)"_s, 11));
    EXPECT_EQ(CompletionAfterTyping(u"diff(y(0),1,"_s, 12).Kind, TCompletionKind::None);
    EXPECT_EQ(CompletionAfterTyping(u"diff(max(1,"_s, 11).Kind, TCompletionKind::None);
}

TEST(CalculatorInput, MatchingBrackets) {
    const QString text = u"a(b[c](d))("_s;
    const int expected[] = {-1, 9, -1, 5, -1, 3, 8, -1, 6, 1, -1};
    for (int i = 0; i < text.size(); ++i)
        EXPECT_EQ(MatchingBracket(text, i), expected[i]) << i;
    EXPECT_EQ(MatchingBracket(text, 42), -1);
}

TEST(CalculatorInput, BracketMarksExpireByTheirPeriods) {
    auto timer = std::make_unique<ManualTimer>();
    ManualTimer* t = timer.get();
    TBracketMarks marks(std::move(timer));
    int changes = 0;
    marks.OnChange = [&] { ++changes; };
    const QString text = u"sin(y(0))+(1"_s;

    marks.Typed(text, 8);
    EXPECT_EQ(marks.Mark().Kind, TBracketMarks::TKind::Frame);
    EXPECT_EQ(marks.Mark().From, 3);
    EXPECT_EQ(marks.Mark().To, 8);
    EXPECT_TRUE(t->Active);
    EXPECT_EQ(t->Interval, 500);
    t->OnTick();
    EXPECT_EQ(marks.Mark().Kind, TBracketMarks::TKind::None);
    EXPECT_FALSE(t->Active);

    marks.Typed(text, 10); // no match: no frame
    EXPECT_EQ(marks.Mark().Kind, TBracketMarks::TKind::None);
    marks.CaretMoved(text, 11, true);
    EXPECT_EQ(marks.Mark().Kind, TBracketMarks::TKind::Underline);
    EXPECT_EQ(marks.Mark().From, 10);
    EXPECT_EQ(marks.Mark().To, -1);
    EXPECT_EQ(t->Interval, 1000);
    marks.CaretMoved(text, 5, false);
    EXPECT_EQ(marks.Mark().From, 5);
    EXPECT_EQ(marks.Mark().To, 7);
    t->OnTick();
    EXPECT_EQ(changes, 5);
}

} // namespace
