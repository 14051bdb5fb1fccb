#include "files/MatlabFile.h"
#include "files/SafeSave.h"
#include "files/TextFile.h"
#include "model/JobProgress.h"
#include "tests/common/TestData.h"
#include "tests/common/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

using testutil::ReadAll;
using testutil::WriteAll;

namespace {

const TDoubleArray2 kMatrix = {testutil::Ramp(5000), testutil::Ramp(5000, 1, 3)};

// Each data writer, saving kMatrix over `name`; false on failure.
struct TWriter {
    const char* Name;
    std::function<bool(const QString&)> Save;
};
const TWriter kWriters[] = {
    {"text",
     [](const QString& name) {
         TTextFile file;
         file.SetVariable(-1, kMatrix, false);
         const bool ok = file.SaveToFile(name, true, false);
         EXPECT_EQ(file.Cancelled(), !ok);
         return ok;
     }},
    {"mat",
     [](const QString& name) {
         TMatlabFile file;
         file.SetVariable(QStringLiteral("m"), kMatrix, false);
         return file.SaveToFile(name, true, false);
     }},
};

TEST(FileJobs, WritersCountTheirBytesAndACancelKeepsTheOldFile) {
    QTemporaryDir dir;
    for (const TWriter& writer : kWriters) {
        SCOPED_TRACE(writer.Name);
        const QString name = dir.filePath(QStringLiteral("out"));
        WriteAll(name, "old");
        TJobProgress job;
        {
            const filesave::TJobScope scope(&job);
            ASSERT_TRUE(writer.Save(name));
        }
        EXPECT_EQ(job.Done(), ReadAll(name).size());
        const QByteArray written = ReadAll(name);

        job.Cancel();
        {
            const filesave::TJobScope scope(&job);
            EXPECT_FALSE(writer.Save(name));
        }
        EXPECT_EQ(ReadAll(name), written);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("out")}));
        // Without a scope the next writing is the job's no more.
        EXPECT_TRUE(writer.Save(name));
    }
}

TEST(FileJobs, MatReadingCountsItsBytesAndStopsWhenCancelled) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("m.mat"));
    TMatlabFile source;
    source.SetVariable(QStringLiteral("m"), kMatrix, false);
    ASSERT_TRUE(source.SaveToFile(name, true, false));

    TJobProgress job;
    TMatlabFile file;
    file.Job = &job;
    ASSERT_TRUE(file.LoadFromFile(name));
    EXPECT_EQ(job.Done(), ReadAll(name).size());
    EXPECT_EQ(job.Total(), job.Done());

    job.Cancel();
    EXPECT_FALSE(file.LoadFromFile(name));
    EXPECT_TRUE(file.Cancelled());
    EXPECT_EQ(file.VariableCount(), 0);
    EXPECT_TRUE(file.ErrorMessage().isEmpty());
}

} // namespace
