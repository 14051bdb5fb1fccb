#include "app/Recovery.h"
#include "gui/captions/CaptionEditor.h"
#include "gui/mainwindow/MainWindow.h"
#include "tests/common/TestData.h"
#include "tests/common/TestFiles.h"
#include "window/FigureStream.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

using mainstate::TAnswer;

namespace {
struct MainWindowRecoveryTest : ::testing::Test {
    QStringList questions;

    MainWindowRecoveryTest() { QDir(recovery::StateFolder()).removeRecursively(); }
    void Prepare(TMainWindow& window, TAnswer answer) {
        window.Ask = [this, answer](const QString& q) {
            questions.append(q);
            return answer;
        };
        TSuperGrWindow& figure = window.Figure();
        figure.AnimatedMove = figure.AnimatedZoom = figure.AnimatedUndo = false;
    }
    static void Add(TMainWindow& window, const QString& name = {}) {
        window.Figure().AddGraph(name, false, {}, testutil::Ramp(11), testutil::Ramp(11, 0, 2));
    }
    static QStringList Files() { return QDir(recovery::StateFolder()).entryList(QDir::Files); }
};
} // namespace

TEST_F(MainWindowRecoveryTest, AChangedFigureIsAutosavedUntilItIsSavedOrTheWindowCloses) {
    TMainWindow window;
    Prepare(window, TAnswer::No);
    EXPECT_EQ(window.SavePeriod(), 90);
    window.SetSavePeriod(0);
    Add(window);
    ASSERT_TRUE(window.Autosave().Poll());
    window.Autosave().WaitForWriter();
    const QString file = window.Autosave().RecoveryFile();
    EXPECT_TRUE(QFileInfo::exists(file));

    QTemporaryDir dir;
    window.ChooseSaveFile = [&](const QString&) { return dir.filePath(QStringLiteral("a.tvq")); };
    window.Action(QStringLiteral("SaveFigure"))->trigger();
    EXPECT_FALSE(QFileInfo::exists(file));

    Add(window);
    ASSERT_TRUE(window.Autosave().Poll());
    window.Autosave().WaitForWriter();
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_TRUE(window.close()); // "do not save"
    EXPECT_TRUE(Files().isEmpty());
}

TEST_F(MainWindowRecoveryTest, AStartOffersTheFigureOfARunThatIsGone) {
    const struct {
        TAnswer Answer;
        bool Restored, FileStays;
    } cases[] = {{TAnswer::Yes, true, true}, {TAnswer::No, false, false}, {TAnswer::Cancel, false, true}};
    for (const auto& c : cases) {
        QDir(recovery::StateFolder()).removeRecursively();
        QString file;
        {
            TMainWindow crashed;
            Add(crashed, QStringLiteral("несохранённый"));
            std::unique_ptr<recovery::TSession> session = recovery::TSession::Create(recovery::StateFolder());
            file = session->RecoveryFile();
            testutil::WriteAll(file, figurefile::Compose(figurefile::CurrentHeader(), {},
                                                         TFigureStream::Serialize(crashed.Figure())));
        }
        TMainWindow window;
        Prepare(window, c.Answer);
        EXPECT_EQ(window.OfferRecovery(), c.Restored);
        EXPECT_EQ(questions.last(), QStringLiteral("Восстановить несохранённый рисунок?"));
        EXPECT_EQ(window.Figure().GraphCount(), c.Restored ? 1 : 0);
        EXPECT_EQ(window.Figure().Modified(), c.Restored);
        EXPECT_EQ(window.Action(QStringLiteral("RefreshScales"))->isEnabled(), c.Restored);
        EXPECT_FALSE(window.HasFileName());
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Tarvelo - Untitled.tvq"));
        EXPECT_EQ(QFileInfo::exists(file), c.FileStays);
    }
}

TEST_F(MainWindowRecoveryTest, AnOpenCaptionEditorClosesBeforeARecoveredFigureComes) {
    {
        TMainWindow crashed;
        Add(crashed);
        crashed.Figure().SetTopCaption({QStringLiteral("restored")});
        std::unique_ptr<recovery::TSession> session = recovery::TSession::Create(recovery::StateFolder());
        testutil::WriteAll(
            session->RecoveryFile(),
            figurefile::Compose(figurefile::CurrentHeader(), {}, TFigureStream::Serialize(crashed.Figure())));
    }
    TMainWindow window;
    Prepare(window, TAnswer::Yes);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.Action(QStringLiteral("CaptionProps"))->trigger();
    auto* bar = window.findChild<TCaptionToolBar*>();
    ASSERT_NE(bar, nullptr);
    QTest::keyClicks(bar->Memo(), QStringLiteral("typed"));
    ASSERT_TRUE(window.OfferRecovery());
    EXPECT_FALSE(bar->isVisible());
    bar->reject();
    EXPECT_EQ(window.Figure().TopCaption(), QStringList{QStringLiteral("restored")});
}
