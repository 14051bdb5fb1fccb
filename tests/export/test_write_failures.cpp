// Every kind of file the program writes fails the same way: the message names the file and the
// reason, the old file stays and no temporary file is left; a cancel leaves the old file too.
#include "app/FigureFile.h"
#include "app/IniFile.h"
#include "app/Settings.h"
#include "export/DataExport.h"
#include "export/PictureExport.h"
#include "files/MatlabFile.h"
#include "files/SafeSave.h"
#include "model/JobProgress.h"
#include "tests/common/TestData.h"
#include "tests/common/TestFiles.h"
#include "tools/SymbolLibrary.h"
#include "window/SuperGrWindow.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <thread>

using testutil::ReadAll;
using testutil::U;

namespace {

struct TOutput {
    const char* Extension;
    // Writes the figure's kind of file; false with the message.
    std::function<bool(TSuperGrWindow& window, const QString& fileName, QString& message)> Write;
};

// The pictures and the figure belong to the job they are handed; the others to that of their scope.
bool WritePictureFile(TSuperGrWindow& window, const QString& fileName, QString& message) {
    return WritePicture(RenderPicture(window, fileName, *PictureFormatFor(fileName), {}, {}), fileName,
                        &message, filesave::TJobScope::Current());
}

bool WriteData(TSuperGrWindow& window, const QString& fileName, QString& message) {
    return dataexport::SaveGraphData(*window.GraphByIndex(0), fileName, message);
}

const TOutput kOutputs[] = {
    {"tvq", [](TSuperGrWindow& w, const QString& f,
               QString& m) { return figurefile::Write(w, {}, f, &m, filesave::TJobScope::Current()); }},
    {"txt", WriteData},
    {"mat", WriteData},
    {"xlsx",
     [](TSuperGrWindow& w, const QString& f, QString& m) {
         TExportBlock block;
         block.Rows.resize(2);
         w.GraphByIndex(0)->GetXY(block.Rows[0], block.Rows[1]);
         return dataexport::WriteWorkbook(f, {block}, {QStringLiteral("g")}, true, m);
     }},
    {"png", WritePictureFile},
    {"svg", WritePictureFile},
    {"pdf", WritePictureFile},
    {"emf", WritePictureFile},
    {"ini",
     [](TSuperGrWindow&, const QString& f, QString& m) {
         TIniDocument ini;
         ini.SetValue(QStringLiteral("Main"), QStringLiteral("Key"), QStringLiteral("1"));
         return settings::WriteIniFile(f, ini, m);
     }},
    {"bsl",
     [](TSuperGrWindow&, const QString& f, QString& m) {
         TSymbolLibraryModel library;
         library.Add(TSymbol{}, false);
         return library.Save(f, m);
     }},
};

class WriteFailures : public ::testing::Test {
protected:
    void SetUp() override {
        window.AddGraph(U("g"), false, {}, testutil::Ramp(2000), testutil::Ramp(2000, 1, 3));
    }
    // The folder's files.
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files); }

    QTemporaryDir dir;
    TSuperGrWindow window;
};

} // namespace

TEST_F(WriteFailures, EveryOutputNamesTheReasonAndKeepsTheOldFile) {
    const struct {
        int Error;
        bool AtOpen;
        const char* Reason;
    } failures[] = {
        {ENOSPC, false, "Нет места на диске."},
        {EACCES, true, "Нет прав на запись."},
        {EROFS, true, "Файловая система только для чтения."},
        {EROFS, false, "Файловая система только для чтения."},
    };
    for (const TOutput& output : kOutputs) {
        const QString name = dir.filePath(QStringLiteral("out.") + QLatin1String(output.Extension));
        testutil::WriteAll(name, "old");
        for (const auto& failure : failures) {
            SCOPED_TRACE(std::string(output.Extension) + " " + failure.Reason);
            QString message;
            {
                const filesave::TInjectedWriteFailure injected(failure.Error, failure.AtOpen);
                EXPECT_FALSE(output.Write(window, name, message));
            }
            EXPECT_TRUE(message.contains(filesave::Quoted(name))) << message.toStdString();
            EXPECT_TRUE(message.endsWith(U("\n") + U(failure.Reason))) << message.toStdString();
            EXPECT_EQ(ReadAll(name), "old");
            EXPECT_EQ(Files(), QStringList{QFileInfo(name).fileName()});
        }
        QString message;
        EXPECT_TRUE(output.Write(window, name, message)) << output.Extension << message.toStdString();
        ASSERT_TRUE(QFile::remove(name));
    }
}

TEST_F(WriteFailures, AFileInPlaceOfAFolderIsNamed) {
    testutil::WriteAll(dir.filePath(QStringLiteral("plain")), "x");
    for (const TOutput& output : kOutputs) {
        SCOPED_TRACE(output.Extension);
        const QString name = dir.filePath(QStringLiteral("plain/out.") + QLatin1String(output.Extension));
        QString message;
        EXPECT_FALSE(output.Write(window, name, message));
        EXPECT_TRUE(message.contains(filesave::Quoted(name))) << message.toStdString();
        EXPECT_TRUE(message.endsWith(U("\nПуть не является папкой."))) << message.toStdString();
        EXPECT_EQ(Files(), QStringList{QStringLiteral("plain")});
    }
}

TEST(WriteFailureReason, AFullDeviceIsNamed) {
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) GTEST_SKIP() << "no /dev/full";
    EXPECT_EQ(full.write("data", 4), -1);
    EXPECT_EQ(filesave::FailureReason(full), U("нет места на диске"));
}

TEST_F(WriteFailures, ACancelledWritingKeepsTheOldFile) {
    for (const TOutput& output : kOutputs) {
        SCOPED_TRACE(output.Extension);
        const QString name = dir.filePath(QStringLiteral("out.") + QLatin1String(output.Extension));
        testutil::WriteAll(name, "old");
        TJobProgress job;
        job.Cancel();
        QString message;
        {
            const filesave::TJobScope scope(&job);
            EXPECT_FALSE(output.Write(window, name, message));
        }
        EXPECT_EQ(message, QString());
        EXPECT_EQ(ReadAll(name), "old");
        EXPECT_EQ(Files(), QStringList{QFileInfo(name).fileName()});
        ASSERT_TRUE(QFile::remove(name));
    }
}

// The workbook's writer is stopped among its cells, not after them.
TEST_F(WriteFailures, AWorkbookCancelledDuringItsCellsStopsThere) {
    const QString name = dir.filePath(QStringLiteral("out.xlsx"));
    testutil::WriteAll(name, "old");
    TExportBlock block{{testutil::Ramp(300000), testutil::Ramp(300000, 1, 3)}, U("g")};
    TJobProgress job;
    std::thread cancel([&job] {
        while (job.Done() == 0)
            std::this_thread::yield();
        job.Cancel();
    });
    QString message;
    {
        const filesave::TJobScope scope(&job);
        EXPECT_FALSE(dataexport::WriteWorkbook(name, {block}, {}, true, message));
    }
    cancel.join();
    EXPECT_EQ(message, QString());
    EXPECT_LT(job.Done(), job.Total());
    EXPECT_EQ(ReadAll(name), "old");
    EXPECT_EQ(Files(), QStringList{QStringLiteral("out.xlsx")});
}

// A cancel stops a workbook and a compressed MAT-file within half a second, however big they are.
TEST_F(WriteFailures, ACancelStopsALongWritingSoon) {
    TExportBlock block;
    for (int row = 0; row < 6; ++row)
        block.Rows.append(testutil::Ramp(1000000, row, 1.0L / (row + 3)));
    const std::function<bool(const QString&, QString&)> writers[] = {
        [&block](const QString& name, QString& message) {
            return dataexport::WriteWorkbook(name, {block}, {}, true, message);
        },
        [&block](const QString& name, QString& message) {
            TMatlabFile file;
            file.Compressed = true;
            file.SetVariable(QStringLiteral("g"), block.Rows, true);
            const bool ok = file.SaveToFile(name, true, false);
            message = file.ErrorMessage();
            return ok;
        },
    };
    for (const auto& write : writers) {
        const QString name = dir.filePath(QStringLiteral("out"));
        TJobProgress job;
        std::atomic<bool> returned{false};
        std::chrono::steady_clock::time_point cancelled;
        std::thread cancel([&] {
            while (job.Done() == 0 && !returned)
                std::this_thread::yield();
            cancelled = std::chrono::steady_clock::now();
            job.Cancel();
        });
        QString message;
        {
            const filesave::TJobScope scope(&job);
            EXPECT_FALSE(write(name, message));
        }
        const auto stopped = std::chrono::steady_clock::now();
        returned = true;
        cancel.join();
        EXPECT_LT(stopped - cancelled, std::chrono::milliseconds(500));
        EXPECT_EQ(message, QString()) << message.toStdString();
        EXPECT_EQ(Files(), QStringList());
    }
}
