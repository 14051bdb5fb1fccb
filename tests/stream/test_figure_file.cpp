#include "StreamTestUtil.h"

#include "app/FigureFile.h"
#include "model/JobProgress.h"
#include "tests/common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <zlib.h>

#include <thread>

using namespace streamtest;

using testutil::ReadAll;
using testutil::WriteAll;

namespace {
QString CorpusDir() {
    return QString::fromUtf8(STREAM_CORPUS_DIR);
}

QByteArray Uncompress(const QByteArray& data, qsizetype size) {
    QByteArray out(size, '\0');
    uLongf length = uLongf(size);
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                   reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size())) != Z_OK)
        return {};
    return out.left(qsizetype(length));
}

struct FakeUi : TFigureFileUi {
    QList<TAnswer> Answers;
    QStringList Asked, Shown, SavePresets;
    QString OpenName, SaveName, Title;
    QList<QStringList> DataFiles;
    TWindowBounds Bounds{11, 22, 640, 480}, Applied;
    int Opened = 0, OpenDialogs = 0;

    TAnswer Ask(const QString& text) override {
        Asked << text;
        return Answers.isEmpty() ? TAnswer::Cancel : Answers.takeFirst();
    }
    void ShowMessage(const QString& text) override { Shown << text; }
    QString ChooseOpenFile() override {
        ++OpenDialogs;
        return OpenName;
    }
    QString ChooseSaveFile(const QString& preset) override {
        SavePresets << preset;
        return SaveName;
    }
    void OpenAsDataFiles(const QStringList& files) override { DataFiles << files; }
    TWindowBounds MainWindowBounds() override { return Bounds; }
    void SetMainWindowBounds(const TWindowBounds& bounds) override { Applied = bounds; }
    void SetTitle(const QString& title) override { Title = title; }
    void FigureOpened() override { ++Opened; }
    // The flows' file work runs on a worker thread as in the program; CancelJobs cancels it at once.
    bool CancelJobs = false;
    bool RunJob(const QString&, const TJobWork& work) override {
        TBackgroundJob job;
        const QString error = job.RunAndWait([&](TJobProgress& progress) {
            if (CancelJobs) progress.Cancel();
            work(progress);
        });
        if (!error.isEmpty()) Shown << error;
        return error.isEmpty();
    }
};

struct FigureFileTest : ::testing::Test {
    QTemporaryDir dir;
    TSuperGrWindow window;
    FakeUi ui;
    TFigureDocument doc{window, ui};

    QString Path(const char* name) { return dir.filePath(QString::fromUtf8(name)); }
    void AddGraphs(TSuperGrWindow& w, int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(w.AddGraph(QStringLiteral("f%1").arg(i), false, {}, Thirds(30), Thirds(30, i)));
    }
};
} // namespace

TEST(FigureFileHeader, IsPaddedOrCutToExactly255Bytes) {
    const QDateTime when(QDate(2026, 12, 9), QTime(7, 5, 3));
    const QByteArray header = figurefile::HeaderText(when, QStringLiteral("PC-1"), QStringLiteral("Иван"));
    ASSERT_EQ(header.size(), 255);
    EXPECT_TRUE(header.startsWith("TARVELO 1.0 QVF-file.\r\nCreated by Tarvelo v1.0 on: "));
    EXPECT_TRUE(header.contains("\r\nComp: PC-1\r\nUser: \xC8\xE2\xE0\xED\r\n")); // cp1251
    const qsizetype textEnd = header.lastIndexOf("\r\n") + 2;
    EXPECT_EQ(header.mid(textEnd), QByteArray(255 - textEnd, ' ')); // blanks after the text

    const QByteArray unnamed = figurefile::HeaderText(when, {}, {});
    EXPECT_FALSE(unnamed.contains("Comp:"));
    EXPECT_FALSE(unnamed.contains("User:"));

    const QByteArray longOne =
        figurefile::HeaderText(when, QString(300, QLatin1Char('c')), QStringLiteral("u"));
    ASSERT_EQ(longOne.size(), 255);
    EXPECT_TRUE(longOne.endsWith("ccc"));
}

TEST(FigureFileHeader, NamesTheUserWithoutTheLoginVariables) {
    const QByteArray user = qgetenv("USER"), logname = qgetenv("LOGNAME");
    qunsetenv("USER");
    qunsetenv("LOGNAME");
    const QString name = figurefile::UserName();
    const QByteArray header = figurefile::CurrentHeader();
    qputenv("USER", user);
    qputenv("LOGNAME", logname);
    ASSERT_FALSE(name.isEmpty());
    EXPECT_TRUE(header.contains("\r\nUser: " + name.toLocal8Bit() + "\r\n")) << header.constData();
}

TEST(FigureFileLayout, HeaderBoundsLengthStreamAndTrailer) {
    const QByteArray stream = QByteArray(5000, 'x') + QByteArrayLiteral("end");
    const QByteArray file = figurefile::Compose(QByteArrayLiteral("head"), {-1, 2, 300, 400}, stream);
    ASSERT_GT(file.size(), 279);
    EXPECT_EQ(file.left(255), QByteArrayLiteral("head").leftJustified(255, ' '));
    EXPECT_EQ(Slice(file, 255, 16), Hex("ffffffff020000002c01000090010000"));
    const int32_t n = Int32At(file, 271);
    EXPECT_EQ(file.size(), 275 + n + 4);
    EXPECT_EQ(uint8_t(file[275]), 0x78); // a zlib stream
    EXPECT_EQ(Uncompress(file.mid(275, n), stream.size()), stream);
    EXPECT_TRUE(file.endsWith("v01."));

    const figurefile::TReadResult read = figurefile::Parse(file);
    EXPECT_EQ(read.Status, figurefile::TReadStatus::NotAFigure); // "head" is no signature
    const QByteArray signed_ = figurefile::Compose(figurefile::HeaderText({}, {}, {}), {1, 2, 3, 4}, stream);
    const figurefile::TReadResult back = figurefile::Parse(signed_);
    ASSERT_EQ(back.Status, figurefile::TReadStatus::Ok);
    EXPECT_EQ(back.Stream, stream);
    EXPECT_EQ(back.Bounds, (TWindowBounds{1, 2, 3, 4}));
}

// Streams that span several of the writer's slices, some of which compress and some of which are
// stored, go through any zlib reader; and what zlib writes at any level is read back.
TEST(FigureFileCompression, EveryZlibReaderAndWriterAgree) {
    constexpr qsizetype kMiB = 1 << 20;
    QByteArray noise(3 * kMiB / 2, '\0');
    uint32_t seed = 7;
    for (char& c : noise) {
        seed = seed * 1664525u + 1013904223u;
        c = char(seed >> 24);
    }
    const QByteArray header = figurefile::HeaderText({}, {}, {});
    for (const QByteArray& stream :
         {QByteArray(), QByteArray(1, 'a'), QByteArray(kMiB, 'z'), QByteArray(kMiB + 1, 'z'),
          QByteArray(kMiB, 'z') + noise + QByteArray(kMiB / 2, 'y')}) {
        SCOPED_TRACE(stream.size());
        const QByteArray file = figurefile::Compose(header, {}, stream);
        const qsizetype n = Int32At(file, 271);
        ASSERT_EQ(file.size(), 275 + n + 4);
        EXPECT_EQ(Uncompress(file.mid(275, n), stream.size() + 1), stream);
        QByteArray wrongSum = file;
        wrongSum[275 + n - 1] = char(wrongSum[275 + n - 1] ^ 1);
        EXPECT_EQ(figurefile::Parse(wrongSum).Status, figurefile::TReadStatus::Damaged);

        for (int level : {Z_DEFAULT_COMPRESSION, Z_BEST_SPEED, Z_BEST_COMPRESSION}) {
            QByteArray zlibFile = file.left(271);
            uLongf size = compressBound(uLong(stream.size()));
            QByteArray compressed(qsizetype(size), '\0');
            ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(compressed.data()), &size,
                                reinterpret_cast<const Bytef*>(stream.constData()), uLong(stream.size()),
                                level),
                      Z_OK);
            zlibFile += QByteArray(4, '\0') + compressed.left(qsizetype(size)) + figurefile::Trailer();
            PutInt32(zlibFile, 271, int32_t(size));
            const figurefile::TReadResult read = figurefile::Parse(zlibFile);
            ASSERT_EQ(read.Status, figurefile::TReadStatus::Ok);
            EXPECT_EQ(read.Stream, stream);
        }
    }
    // The noise is stored, not squeezed for a few per cent.
    const QByteArray mixed = figurefile::Compose(header, {}, QByteArray(kMiB, 'z') + noise);
    EXPECT_GT(mixed.size(), noise.size());
    EXPECT_LT(mixed.size(), noise.size() + 64 * 1024);
}

TEST_F(FigureFileTest, WriteAndReadBackKeepTheFigure) {
    AddGraphs(window, 3);
    window.GraphByIndex(2)->SetName(QStringLiteral("данные"));
    ASSERT_TRUE(window.Modified());
    QString error;
    ASSERT_TRUE(figurefile::Write(window, {5, 6, 7, 8}, Path("a.tvq"), &error)) << error.toStdString();
    EXPECT_FALSE(window.Modified());
    EXPECT_TRUE(ReadAll(Path("a.tvq")).startsWith("TARVELO 1.0 QVF-file.\r\n"));

    TSuperGrWindow other;
    TWindowBounds bounds;
    ASSERT_TRUE(figurefile::Load(other, Path("a.tvq"), &error, &bounds));
    EXPECT_EQ(bounds, (TWindowBounds{5, 6, 7, 8}));
    EXPECT_EQ(other.GraphNames(), window.GraphNames());
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 30; ++k)
            EXPECT_TRUE(SameBits(other.GraphByIndex(i)->YData[k], window.GraphByIndex(i)->YData[k]));
    }
}

TEST_F(FigureFileTest, FigureWithoutGraphsOpensEmpty) {
    ASSERT_TRUE(figurefile::Write(window, {}, Path("empty.tvq"), nullptr));
    TSuperGrWindow other;
    AddGraphs(other, 1);
    ASSERT_TRUE(figurefile::Load(other, Path("empty.tvq"), nullptr));
    EXPECT_EQ(other.GraphCount(), 0);
}

TEST_F(FigureFileTest, FailedWriteKeepsModifiedAndTheOldFile) {
    AddGraphs(window, 1);
    ASSERT_TRUE(figurefile::Write(window, {}, Path("old.tvq"), nullptr));
    const QByteArray old = ReadAll(Path("old.tvq"));
    window.GraphByIndex(0)->SetColor(0x123);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QString error;
    EXPECT_FALSE(figurefile::Write(window, {}, Path("folder"), &error)); // a folder is not a file
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(figurefile::Write(window, {}, Path("missing/x.tvq"), &error));
    EXPECT_TRUE(window.Modified());
    EXPECT_EQ(ReadAll(Path("old.tvq")), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({QStringLiteral("old.tvq")})); // no leftovers
}

TEST_F(FigureFileTest, BrokenCorpusIsRefusedAndTheFigureStaysAsItWas) {
    AddGraphs(window, 2);
    window.GraphByIndex(1)->SetColor(0x00FF00);
    ASSERT_TRUE(doc.SaveAs() == false); // no name chosen: nothing happens
    ui.SaveName = Path("open.tvq");
    ASSERT_TRUE(doc.SaveFigure());
    window.GraphByIndex(0)->SetLineWidth(4);
    const QByteArray before = StreamOf(window);
    const qsizetype history = window.UndoSide.Ops.size();
    const QString title = ui.Title;

    const QStringList files = QDir(CorpusDir()).entryList({QStringLiteral("*.tvq")}, QDir::Files);
    ASSERT_GE(files.size(), 20);
    for (const QString& name : files) {
        if (name == QStringLiteral("good.tvq")) continue;
        SCOPED_TRACE(name.toStdString());
        const QString path = CorpusDir() + QLatin1Char('/') + name;
        const bool notAFigure = name.startsWith(QStringLiteral("not_a_figure_"));
        EXPECT_EQ(figurefile::Read(path).Status == figurefile::TReadStatus::NotAFigure, notAFigure);
        ui.Shown.clear();
        ui.Asked.clear();
        ui.Answers = {TFigureFileUi::TAnswer::No};
        EXPECT_FALSE(doc.ReadFigureFile(path, {path}));
        if (notAFigure) {
            EXPECT_EQ(ui.Asked, QStringList({figurefile::OpenAsDataQuestion()}));
            EXPECT_TRUE(ui.Shown.isEmpty());
        } else {
            EXPECT_EQ(ui.Shown, QStringList({QStringLiteral("Файл не является рисунком Tarvelo.")}));
            EXPECT_TRUE(ui.Asked.isEmpty());
        }
        EXPECT_EQ(StreamOf(window), before);
        EXPECT_EQ(window.UndoSide.Ops.size(), history);
        EXPECT_TRUE(window.Modified());
        EXPECT_EQ(doc.FileName(), Path("open.tvq"));
        EXPECT_EQ(ui.Title, title);
    }
    EXPECT_TRUE(ui.DataFiles.isEmpty());

    ui.Answers.clear();
    ASSERT_TRUE(doc.ReadFigureFile(CorpusDir() + QStringLiteral("/good.tvq"), {}));
    EXPECT_EQ(window.GraphNames(), QStringList({QStringLiteral("g")}));
}

TEST_F(FigureFileTest, OpenAsksAboutUnsavedWork) {
    AddGraphs(window, 1);
    ui.OpenName = CorpusDir() + QStringLiteral("/good.tvq");

    ui.Answers = {TFigureFileUi::TAnswer::Cancel};
    EXPECT_FALSE(doc.OpenFigure());
    EXPECT_EQ(ui.Asked, QStringList({QStringLiteral("Имеются несохранённые данные.\rХотите их сохранить?")}));
    EXPECT_EQ(ui.OpenDialogs, 0);

    // Yes, but the save dialog is cancelled: the work is not dropped.
    ui.Answers = {TFigureFileUi::TAnswer::Yes};
    EXPECT_FALSE(doc.OpenFigure());
    EXPECT_EQ(ui.OpenDialogs, 0);
    EXPECT_EQ(window.GraphCount(), 1);

    ui.Answers = {TFigureFileUi::TAnswer::No};
    ASSERT_TRUE(doc.OpenFigure());
    EXPECT_EQ(ui.OpenDialogs, 1);
    EXPECT_EQ(window.GraphNames(), QStringList({QStringLiteral("g")}));
    EXPECT_TRUE(doc.HasFileName());
    EXPECT_EQ(doc.FileName(), ui.OpenName);
    EXPECT_EQ(ui.Title, QStringLiteral("Tarvelo - ") + ui.OpenName);
    EXPECT_EQ(ui.Applied, (TWindowBounds{10, 20, 640, 480}));
    EXPECT_EQ(ui.Opened, 1);
    EXPECT_FALSE(window.Modified());
    EXPECT_FALSE(window.HaveUndo());

    // Not modified: no question.
    ui.Asked.clear();
    EXPECT_TRUE(doc.OpenFigure());
    EXPECT_TRUE(ui.Asked.isEmpty());
}

TEST_F(FigureFileTest, DataFileFallsBackToTheAddGraphsDialog) {
    const QString text = Path("data.txt");
    WriteAll(text, "1 2\n3 4\n");
    ui.OpenName = text;
    ui.Answers = {TFigureFileUi::TAnswer::Yes};
    EXPECT_FALSE(doc.OpenFigure());
    EXPECT_EQ(ui.Asked, QStringList({figurefile::OpenAsDataQuestion()}));
    EXPECT_EQ(ui.DataFiles, QList<QStringList>({{text}}));

    // From the command line the file goes to the dialog without the question.
    ui.Asked.clear();
    EXPECT_FALSE(doc.OpenFromCommandLine(text));
    EXPECT_TRUE(ui.Asked.isEmpty());
    EXPECT_EQ(ui.DataFiles.last(), QStringList({text}));
    EXPECT_FALSE(doc.HasFileName());

    ui.Asked.clear();
    EXPECT_FALSE(doc.OpenFromCommandLine(Path("nothing-here.tvq")));
    EXPECT_TRUE(ui.Asked.isEmpty());
    EXPECT_TRUE(doc.OpenFromCommandLine(CorpusDir() + QStringLiteral("/good.tvq")));
}

TEST_F(FigureFileTest, SaveAndSaveAs) {
    AddGraphs(window, 1);
    ui.SaveName = Path("first.tvq");
    ASSERT_TRUE(doc.SaveAs());
    EXPECT_EQ(doc.FileName(), Path("first.tvq"));
    EXPECT_FALSE(doc.HasFileName());
    EXPECT_EQ(ui.Title, QStringLiteral("Tarvelo - ") + Path("first.tvq"));
    // A figure that never had a file name is asked for one again, the last name preset.
    ui.SaveName = Path("second.tvq");
    ASSERT_TRUE(doc.SaveFigure());
    EXPECT_EQ(ui.SavePresets, QStringList({QString(), Path("first.tvq")}));
    EXPECT_TRUE(doc.HasFileName());
    EXPECT_TRUE(QFile::exists(Path("second.tvq")));
    // Now it has one: no dialog.
    window.GraphByIndex(0)->SetColor(1);
    ASSERT_TRUE(doc.SaveFigure());
    EXPECT_EQ(ui.SavePresets.size(), 2);
    EXPECT_FALSE(window.Modified());

    // A failing write is reported and changes nothing.
    window.GraphByIndex(0)->SetColor(2);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken")));
    ui.SaveName = Path("taken");
    EXPECT_FALSE(doc.SaveAs());
    EXPECT_EQ(ui.Shown.size(), 1);
    EXPECT_EQ(doc.FileName(), Path("second.tvq"));
    EXPECT_TRUE(window.Modified());
}

TEST_F(FigureFileTest, OpenedFigureSharesPermissionsAmongItsGraphs) {
    AddGraphs(window, 2);
    window.GraphByIndex(0)->SetAllowShiftX(false);
    window.GraphByIndex(1)->SetAllowScaleY(false);
    window.GraphByIndex(0)->SetAllowScaleY(false);
    ASSERT_TRUE(figurefile::Write(window, {}, Path("p.tvq"), nullptr));
    ASSERT_TRUE(doc.ReadFigureFile(Path("p.tvq"), {}));
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(window.GraphByIndex(i)->AllowShiftX());  // graph 1 had it
        EXPECT_FALSE(window.GraphByIndex(i)->AllowScaleY()); // no graph had it
    }
    EXPECT_FALSE(window.HaveUndo());
    EXPECT_FALSE(window.Modified());
}

namespace {
// A figure of some tens of megabytes: long enough a job to be cancelled while it runs.
void AddBigGraph(TSuperGrWindow& window) {
    ASSERT_TRUE(window.AddGraph(QStringLiteral("big"), false, {}, Thirds(1'500'000), Thirds(1'500'000, 2)));
}

// Runs the job on a worker thread and cancels it as soon as its progress has moved.
template <typename Job> void CancelWhileRunning(TJobProgress& progress, Job job) {
    std::thread worker(job);
    while (progress.Done() == 0)
        std::this_thread::yield();
    progress.Cancel();
    worker.join();
}
} // namespace

TEST_F(FigureFileTest, ProgressCountsUpToItsTotal) {
    AddBigGraph(window);
    TJobProgress writing, reading;
    ASSERT_TRUE(figurefile::Write(window, {}, Path("big.tvq"), nullptr, &writing));
    EXPECT_GT(writing.Total(), 0);
    EXPECT_EQ(writing.Done(), writing.Total());
    ASSERT_EQ(figurefile::Read(Path("big.tvq"), &reading).Status, figurefile::TReadStatus::Ok);
    EXPECT_EQ(reading.Total(), 2 * QFile(Path("big.tvq")).size());
    EXPECT_EQ(reading.Done(), reading.Total());
}

TEST_F(FigureFileTest, CancelledSaveLeavesTheOldFileAndNoLeftovers) {
    AddGraphs(window, 1);
    ASSERT_TRUE(figurefile::Write(window, {}, Path("old.tvq"), nullptr));
    const QByteArray old = ReadAll(Path("old.tvq"));
    AddBigGraph(window);
    for (bool beforeStart : {true, false}) {
        TJobProgress progress;
        QString error;
        bool written = true;
        auto save = [&] { written = figurefile::Write(window, {}, Path("old.tvq"), &error, &progress); };
        if (beforeStart) {
            progress.Cancel();
            save();
        } else {
            CancelWhileRunning(progress, save);
        }
        EXPECT_FALSE(written);
        EXPECT_TRUE(error.isEmpty()); // a cancel is no failure to report
        EXPECT_TRUE(window.Modified());
        EXPECT_EQ(ReadAll(Path("old.tvq")), old);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("old.tvq")}));
    }
}

TEST_F(FigureFileTest, CancelledReadEndsAsCancelled) {
    AddBigGraph(window);
    ASSERT_TRUE(figurefile::Write(window, {}, Path("big.tvq"), nullptr));
    TJobProgress progress;
    figurefile::TReadResult read;
    CancelWhileRunning(progress, [&] { read = figurefile::Read(Path("big.tvq"), &progress); });
    EXPECT_EQ(read.Status, figurefile::TReadStatus::Cancelled);
    EXPECT_TRUE(read.Stream.isEmpty());
}

TEST_F(FigureFileTest, CancelledSaveAndOpenChangeNothing) {
    AddGraphs(window, 2);
    ui.SaveName = Path("old.tvq");
    ASSERT_TRUE(doc.SaveFigure());
    const QByteArray old = ReadAll(Path("old.tvq"));
    window.GraphByIndex(1)->SetColor(0x123);
    // The figure's edit status is told on this thread, though the writing ran on another.
    std::vector<QThread*> statusThreads;
    window.Events.OnChangeEditStatus = [&](TComponent*) {
        statusThreads.push_back(QThread::currentThread());
    };

    ui.CancelJobs = true;
    EXPECT_FALSE(doc.SaveFigure());
    EXPECT_EQ(ReadAll(Path("old.tvq")), old);
    EXPECT_TRUE(window.Modified());
    EXPECT_TRUE(ui.Shown.isEmpty()); // a cancel is no error
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("old.tvq")}));

    const QByteArray before = StreamOf(window);
    EXPECT_FALSE(doc.ReadFigureFile(CorpusDir() + QStringLiteral("/good.tvq"), {}));
    EXPECT_EQ(StreamOf(window), before);
    EXPECT_EQ(ui.Opened, 0);
    EXPECT_TRUE(ui.Asked.isEmpty() && ui.Shown.isEmpty());
    EXPECT_TRUE(statusThreads.empty());

    ui.CancelJobs = false;
    ASSERT_TRUE(doc.SaveFigure());
    EXPECT_FALSE(window.Modified());
    EXPECT_EQ(statusThreads, std::vector<QThread*>({QThread::currentThread()}));
}
