#include "files/MappedFile.h"
#include "files/SafeSave.h"
#include "files/TextFile.h"
#include "tests/common/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

namespace {

const qsizetype kPage = qsizetype(sysconf(_SC_PAGESIZE));

// A file of `size` bytes 'x' in memory, closed when it goes; a test killed on purpose leaves no
// file behind.
class ScratchFile {
public:
    explicit ScratchFile(qsizetype size) : fd(memfd_create("scratch", MFD_CLOEXEC)) {
        const QByteArray bytes(size, 'x');
        EXPECT_EQ(write(fd, bytes.constData(), size_t(size)), size);
    }
    ~ScratchFile() { close(fd); }
    const int fd;
};

} // namespace

TEST(MappedFile, ShrinkingFileReadsAsZerosAndTellsSo) {
    ScratchFile file(3 * kPage);
    const TMappedFile mapping(file.fd);
    ASSERT_TRUE(mapping.IsMapped());
    EXPECT_FALSE(mapping.Shrank());
    // Within the last page: no page is lost, but the size tells.
    ASSERT_EQ(ftruncate(file.fd, 3 * kPage - 10), 0);
    EXPECT_EQ(mapping.Data()[3 * kPage - 11], 'x');
    EXPECT_FALSE(mapping.LostPages());
    EXPECT_TRUE(mapping.Shrank());

    ASSERT_EQ(ftruncate(file.fd, 100), 0);
    const QByteArray read(mapping.Data(), mapping.Size()); // touches the pages past the end
    EXPECT_TRUE(mapping.LostPages());
    EXPECT_EQ(read.left(100), QByteArray(100, 'x'));
    EXPECT_EQ(read.count('\0'), read.size() - 100);
}

// A fault in a mapping nobody watches is a fault in the program: it must still end it.
TEST(MappedFileDeathTest, FaultsOutsideTheWatchedMappingsStillKill) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ScratchFile file(2 * kPage);
    const auto touchUnwatched = [&file] {
        const TMappedFile watched(file.fd); // the handler is in place
        void* unwatched = mmap(nullptr, size_t(2 * kPage), PROT_READ, MAP_PRIVATE, file.fd, 0);
        if (unwatched != MAP_FAILED && ftruncate(file.fd, 0) == 0)
            (void)*static_cast<volatile const char*>(unwatched);
    };
    EXPECT_DEATH(touchUnwatched(), "");
}

// A file cut short while it is read: the reading fails with a message and loads nothing, whichever
// reader the text takes and wherever the cut comes.
TEST(TextFileShrinking, CutWhileReadingFailsAndLoadsNothing) {
    struct Case {
        const char* name;
        const char* row;
        int cutAtPercent;
        qsizetype cutTo;
    } cases[] = {
        {"table.txt", "12345 2.5 -7\n", 0, 0},
        {"table.txt", "12345 2.5 -7\n", 40, 1000},
        {"table.csv", "12345,2.5,-7\n", 0, 100},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = dir.filePath(QString::fromLatin1(c.name));
        testutil::WriteAll(name, QByteArray(c.row).repeated(100000));
        TTextFile file;
        file.FieldSeparator = TFieldSeparator::Auto;
        file.BlockSize = 4096;
        file.ProgressThreshold = 1;
        bool cut = false;
        file.OnProgress = [&](TTextFile*, int percent) {
            if (percent >= c.cutAtPercent && !cut) cut = QFile::resize(name, c.cutTo);
        };
        EXPECT_FALSE(file.LoadFromFile(name));
        EXPECT_TRUE(cut);
        EXPECT_EQ(file.ErrorCode(), 99);
        EXPECT_EQ(file.ErrorMessage(), QStringLiteral("Файл ") + filesave::Quoted(name) +
                                           QStringLiteral(" изменился во время чтения."));
        EXPECT_EQ(file.VariableCount(), 0);
        EXPECT_EQ(file.FileName(), name);
    }
}
