// The autosave survives being killed: a child edits and autosaves a figure (autosave_driver.cpp) and
// is killed with SIGKILL at random moments; the recovery file the next start finds is complete and is
// the last autosave the child finished, byte for byte. Each child starts by restoring what the
// previous one left. TARVELO_KILL_ROUNDS sets the number of kills (scripts/autosave_kill_test.sh runs
// hundreds).
#include "app/Recovery.h"
#include "tests/common/TestFiles.h"
#include "window/FigureStream.h"
#include "window/SuperGrWindow.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <random>

namespace {
constexpr int kPeriodMs = 20;

QByteArray Sha1(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

// The complete lines of the side file, each a kind and a hash.
QList<QByteArrayList> Records(const QString& fileName) {
    QList<QByteArrayList> records;
    const QByteArray text = testutil::ReadAll(fileName);
    for (const QByteArray& line : text.left(text.lastIndexOf('\n')).split('\n'))
        if (!line.isEmpty()) records.append(line.split(' '));
    return records;
}

qsizetype CountOf(const QList<QByteArrayList>& records, char kind) {
    return std::count_if(records.begin(), records.end(),
                         [&](const QByteArrayList& r) { return r[0][0] == kind; });
}

// What the recovery file may hold after a kill: the last file written completely (or restored), or
// the stream of an autosave in flight, whose rename may have happened without its line; nothing at
// all before the first autosave or after a save.
void ExpectRecoveryMatches(const QString& folder, const QList<QByteArrayList>& records) {
    qsizetype lastDone = -1, lastClean = -1;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const char kind = records[i][0][0];
        ASSERT_NE(kind, 'X') << "an autosave began in the middle of a drag";
        if (kind == 'D' || kind == 'A') lastDone = i;
        if (kind == 'C') lastClean = i;
    }
    std::vector<std::unique_ptr<recovery::TSession>> orphans = recovery::ClaimOrphans(folder);
    ASSERT_LE(orphans.size(), 1u);
    if (orphans.empty()) {
        EXPECT_TRUE(lastDone < 0 || lastClean > lastDone) << "the last autosave is lost";
        return;
    }
    const QByteArray file = testutil::ReadAll(orphans.front()->RecoveryFile());
    const figurefile::TReadResult read = figurefile::Parse(file);
    ASSERT_EQ(read.Status, figurefile::TReadStatus::Ok) << "the recovery file is not complete";
    bool matches = lastDone >= 0 && records[lastDone][1] == Sha1(file);
    for (qsizetype i = lastDone + 1; i < records.size() && !matches; ++i)
        matches = records[i][0] == "S" && records[i][1] == Sha1(read.Stream);
    EXPECT_TRUE(matches) << "the recovery file is not the last autosave";
    TSuperGrWindow owner;
    EXPECT_TRUE(TFigureStream::Parse(owner, read.Stream)) << "the recovery file holds no figure";
}
} // namespace

TEST(AutosaveKill, NextStartFindsTheLastCompleteAutosave) {
    const int rounds = qEnvironmentVariableIsSet("TARVELO_KILL_ROUNDS")
                           ? qEnvironmentVariableIntValue("TARVELO_KILL_ROUNDS")
                           : 4;
    const uint32_t seed = std::random_device{}();
    std::mt19937 random(seed);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("state"));
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", round " << round);
        const QString side = dir.filePath(QStringLiteral("side-%1.txt").arg(round));
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(AUTOSAVE_DRIVER),
                    {folder, side, QString::number(random()), QString::number(kPeriodMs)});
        ASSERT_TRUE(child.waitForStarted());
        // A few autosaves first, then the kill lands anywhere in the cycle of editing and writing.
        const qsizetype wanted = 1 + random() % 3;
        for (int wait = 0; wait < 2000 && CountOf(Records(side), 'D') < wanted; ++wait) {
            ASSERT_EQ(child.state(), QProcess::Running) << "the child ended by itself";
            QThread::msleep(5);
        }
        QThread::usleep(random() % (3 * kPeriodMs * 1000));
        child.kill();
        ASSERT_TRUE(child.waitForFinished());
        ASSERT_NO_FATAL_FAILURE(ExpectRecoveryMatches(folder, Records(side)));
    }
}
