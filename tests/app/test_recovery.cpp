#include "app/Recovery.h"
#include "tests/common/TestData.h"
#include "tests/common/TestFiles.h"
#include "tests/common/WindowTestUtil.h"
#include "window/FigureStream.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace recovery;

namespace {

struct RecoveryTest : WindowTest {
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("state"));

    QString Path(const QString& name) const { return folder + QLatin1Char('/') + name; }
    QStringList Files() const { return QDir(folder).entryList(QDir::Files, QDir::Name); }
    // A session of a run that is gone, holding a figure file of the window as it is now.
    QString LeaveOrphan() {
        std::unique_ptr<TSession> session = TSession::Create(folder);
        EXPECT_TRUE(session);
        testutil::WriteAll(session->RecoveryFile(), FigureFile());
        return session->Id();
    }
    QByteArray FigureFile() {
        return figurefile::Compose(figurefile::CurrentHeader(), {}, TFigureStream::Serialize(window));
    }
    QStringList OrphanIds() {
        QStringList ids;
        for (const auto& session : ClaimOrphans(folder))
            ids << session->Id();
        return ids;
    }
};

TEST(RecoveryFolder, FollowsXdgStateHome) {
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    const struct {
        const char* Value;
        QString Folder;
    } cases[] = {{"/var/tmp/st", QStringLiteral("/var/tmp/st/Ostrel/Tarvelo")},
                 {"", QDir::homePath() + QStringLiteral("/.local/state/Ostrel/Tarvelo")},
                 {"relative/st", QDir::homePath() + QStringLiteral("/.local/state/Ostrel/Tarvelo")}};
    for (const auto& c : cases) {
        qputenv("XDG_STATE_HOME", c.Value);
        EXPECT_EQ(StateFolder(), c.Folder) << c.Value;
    }
    qputenv("XDG_STATE_HOME", saved);
}

TEST_F(RecoveryTest, ARunningSessionIsNeverTaken) {
    std::unique_ptr<TSession> live = TSession::Create(folder);
    ASSERT_TRUE(live);
    testutil::WriteAll(live->RecoveryFile(), FigureFile());
    const QString id = live->Id();
    EXPECT_FALSE(TSession::Claim(folder, id));
    EXPECT_TRUE(OrphanIds().isEmpty());
    // A second claim while one run holds the orphan fails too: two starts never share it.
    live.reset();
    std::unique_ptr<TSession> first = TSession::Claim(folder, id);
    ASSERT_TRUE(first);
    EXPECT_TRUE(OrphanIds().isEmpty());
    first.reset();
    EXPECT_EQ(OrphanIds().size(), 1);
}

TEST_F(RecoveryTest, OnlyCompleteRecoveryFilesOfGoneRunsAreOffered) {
    Add(testutil::Ramp(5), testutil::Ramp(5));
    const QString withFile = LeaveOrphan();
    const QString withoutLock = LeaveOrphan();
    QFile::remove(Path(withoutLock + QStringLiteral(".lock")));
    QFile newer(Path(withoutLock + QStringLiteral(".tvq")));
    ASSERT_TRUE(newer.open(QIODevice::ReadWrite));
    newer.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    newer.close();
    // A run killed while writing its first autosave: only a lock and a partly written temporary.
    std::unique_ptr<TSession> cut = TSession::Create(folder);
    const QString cutId = cut->Id();
    testutil::WriteAll(cut->RecoveryFile() + QStringLiteral(".a1B2c3"), FigureFile().left(100));
    cut.reset();

    EXPECT_EQ(OrphanIds(), QStringList({withoutLock, withFile})); // newest first
    EXPECT_FALSE(Files().join(QLatin1Char(' ')).contains(cutId));
}

TEST_F(RecoveryTest, TheAnswerRestoresRemovesOrKeeps) {
    Add(testutil::Ramp(7), testutil::Ramp(7, 1, 3), QStringLiteral("saved"));
    // A graph read back has its layout caches marked stale; so must the saved one for equal bytes.
    window.GraphByIndex(0)->Cache.Invalidate();
    const QByteArray stream = TFigureStream::Serialize(window);
    const QString id = LeaveOrphan();
    window.ResetFigure();

    EXPECT_FALSE(OfferRecovery(folder, window, [] { return TAnswer::Keep; }));
    EXPECT_EQ(window.GraphCount(), 0);
    EXPECT_EQ(OrphanIds(), QStringList{id});

    int asked = 0;
    std::unique_ptr<TSession> restored = OfferRecovery(folder, window, [&] {
        ++asked;
        return TAnswer::Restore;
    });
    ASSERT_TRUE(restored);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(window.Modified());
    EXPECT_FALSE(window.HaveUndo());
    EXPECT_EQ(TFigureStream::Serialize(window), stream);
    EXPECT_TRUE(QFileInfo::exists(restored->RecoveryFile())); // until this run saves or ends
}

TEST_F(RecoveryTest, AnUnreadableRecoveryFileGoesWithoutAQuestion) {
    const QString id = LeaveOrphan();
    testutil::WriteAll(Path(id + QStringLiteral(".tvq")), FigureFile().left(300));
    bool asked = false;
    EXPECT_FALSE(OfferRecovery(folder, window, [&] {
        asked = true;
        return TAnswer::Restore;
    }));
    EXPECT_FALSE(asked);
    EXPECT_TRUE(Files().isEmpty());
}

struct AutosaveTest : RecoveryTest {
    std::unique_ptr<TAutosave> autosave;
    QByteArray snapshot, written;
    int writes = 0;
    TEventConnection undoListening;
    void SetUp() override {
        UseManualTime(1000);
        autosave = std::make_unique<TAutosave>(window, folder, 90000);
        autosave->OnSnapshot = [this](const QByteArray& s) { snapshot = s; };
        autosave->OnWritten = [this](const QByteArray& f) {
            written = f;
            ++writes;
        };
        undoListening = window.Events.OnUndoRedoOp.Listen(
            [this](TComponent*, int, bool, bool) { autosave->FigureChanged(); });
        window.Events.OnChangeEditStatus = [this](TComponent*) { autosave->FigureChanged(); };
    }
    void TearDown() override { window.Events = TWindowEvents{}; }
    // Polls, and waits for the write a poll started.
    bool Save() {
        const bool started = autosave->Poll();
        autosave->WaitForWriter();
        return started;
    }
};

TEST_F(AutosaveTest, AtMostOnePerPeriodAndOnlyAfterChanges) {
    const struct {
        int64_t At;
        bool Change;
        bool Saves;
    } steps[] = {
        {1000, false, false},  // nothing changed
        {2000, true, false},   // changed, but the period since the start has not passed
        {90999, false, false}, //
        {91000, false, true},  // a period after the start
        {91001, false, false}, // nothing new
        {120000, true, false}, // a change within the period after the autosave
        {181000, false, true}, //
        {500000, true, true},  // long after: at once
    };
    for (const auto& s : steps) {
        clock->Now = s.At;
        if (s.Change) Add(testutil::Ramp(3), testutil::Ramp(3));
        EXPECT_EQ(Save(), s.Saves) << s.At;
    }
    EXPECT_EQ(writes, 3);
}

TEST_F(AutosaveTest, WritesTheSnapshotAsAFigureFileAndLeavesTheFigureModified) {
    Add(testutil::Ramp(50), testutil::Ramp(50, 2, 0.5L));
    clock->Now += 90000;
    ASSERT_TRUE(Save());
    EXPECT_EQ(written, testutil::ReadAll(autosave->RecoveryFile()));
    EXPECT_EQ(figurefile::Parse(written).Stream, snapshot);
    EXPECT_EQ(snapshot, TFigureStream::Serialize(window));
    EXPECT_TRUE(window.Modified());
}

TEST_F(AutosaveTest, WaitsWhileTheUserDrags) {
    Add(testutil::Ramp(5), testutil::Ramp(5));
    clock->Now += 90000;
    window.MouseDown(TSuperGrWindow::TMouseButton::Left, ssLeft, 10, 10);
    EXPECT_FALSE(Save());
    window.MouseUp(TSuperGrWindow::TMouseButton::Left, 0, 10, 10);
    EXPECT_TRUE(Save());
}

TEST_F(AutosaveTest, AWriteOvertakenBySavingLeavesNoRecoveryFile) {
    Add(testutil::Ramp(5), testutil::Ramp(5));
    clock->Now += 90000;
    ASSERT_TRUE(autosave->Poll());
    window.SetModified(false); // saved to its own file while the autosave is being written
    autosave->WaitForWriter();
    EXPECT_FALSE(QFileInfo::exists(autosave->RecoveryFile()));
    EXPECT_EQ(writes, 0);
}

TEST_F(AutosaveTest, AnAdoptedRecoveryFileIsThisRunsOwn) {
    Add(testutil::Ramp(5), testutil::Ramp(5));
    LeaveOrphan();
    window.ResetFigure();
    autosave->Adopt(OfferRecovery(folder, window, [] { return TAnswer::Restore; }));
    const QString adopted = autosave->RecoveryFile();
    EXPECT_FALSE(Save()); // the file holds the figure as it is
    EXPECT_TRUE(OrphanIds().isEmpty());
    Add(testutil::Ramp(3), testutil::Ramp(3));
    clock->Now += 90000;
    ASSERT_TRUE(Save());
    EXPECT_EQ(autosave->RecoveryFile(), adopted);
    EXPECT_EQ(Files().size(), 2); // the figure and the lock
}

} // namespace
