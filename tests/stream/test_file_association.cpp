#include "app/FileAssociation.h"

#include "app/FigureFile.h"
#include "tests/common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testutil::ReadAll;

namespace {
struct FileAssociationTest : ::testing::Test {
    QTemporaryDir dir;
    TFileAssociation::TLocations
    Locations(const QString& program = QStringLiteral("/opt/tarvelo/bin/tarvelo")) {
        return {dir.filePath(QStringLiteral("config/Ostrel/Tarvelo")), dir.filePath(QStringLiteral("data")),
                program};
    }
    TFileAssociation association{Locations()};
    TKeyValueStore Store() {
        TKeyValueStore store(association.StoreFile());
        EXPECT_TRUE(store.Load());
        return store;
    }
    void SetPreviousOwner(const QString& owner) {
        TKeyValueStore store(association.StoreFile());
        store.SetValue(QStringLiteral(".tvq"), owner);
        ASSERT_TRUE(store.Save());
    }
};
} // namespace

TEST_F(FileAssociationTest, SwitchingOnWritesTheKeysAndTheDesktopFiles) {
    EXPECT_FALSE(association.FigureFilesAssociated());
    QString error;
    ASSERT_TRUE(association.AssociateFigureFiles(true, &error));
    EXPECT_TRUE(association.FigureFilesAssociated());
    const TKeyValueStore store = Store();
    EXPECT_EQ(store.Value(QStringLiteral(".tvq")), QStringLiteral("Tarvelo.tvq"));
    EXPECT_EQ(store.Value(QStringLiteral("Tarvelo.tvq")), QStringLiteral("Файл фигуры программы Tarvelo"));
    EXPECT_EQ(store.Value(QStringLiteral("Tarvelo.tvq\\DefaultIcon")),
              QStringLiteral("/opt/tarvelo/bin/tarvelo,0"));
    EXPECT_EQ(store.Value(QStringLiteral("Tarvelo.tvq\\Shell")), QStringLiteral("Default_Action"));
    EXPECT_EQ(store.Value(QStringLiteral("Tarvelo.tvq\\Shell\\Default_Action")),
              QStringLiteral("Открыть в Tarvelo"));
    EXPECT_EQ(store.Value(QStringLiteral("Tarvelo.tvq\\Shell\\Default_Action\\command")),
              QStringLiteral("/opt/tarvelo/bin/tarvelo \"%1\""));
    EXPECT_FALSE(store.Contains(QStringLiteral("Tarvelo.tvq\\Backup")));
    // The store keeps keys and values as written, one per line.
    EXPECT_TRUE(
        ReadAll(association.StoreFile())
            .contains("Tarvelo.tvq\\Shell\\Default_Action\\command=/opt/tarvelo/bin/tarvelo \"%1\"\n"));
    EXPECT_EQ(association.StoreFile(), dir.filePath(QStringLiteral("config/Ostrel/Tarvelo/file-types.ini")));

    const QByteArray mime = ReadAll(association.MimeFile());
    EXPECT_TRUE(mime.contains("<mime-type type=\"application/x-tarvelo-figure\">"));
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.tvq\"/>"));
    EXPECT_TRUE(mime.contains("value=\"TARVELO 1.0 QVF-file.\""));
    const QByteArray desktop = ReadAll(association.DesktopFile());
    EXPECT_TRUE(desktop.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(desktop.contains("\nExec=\"/opt/tarvelo/bin/tarvelo\" %F\n"));
    EXPECT_TRUE(desktop.contains("\nMimeType=application/x-tarvelo-figure;\n"));

    // Switching on twice keeps one set of keys and no backup of itself.
    ASSERT_TRUE(association.AssociateFigureFiles(true));
    EXPECT_FALSE(Store().Contains(QStringLiteral("Tarvelo.tvq\\Backup")));
}

TEST_F(FileAssociationTest, RegistersTheFilesThePackageInstalls) {
    ASSERT_TRUE(association.AssociateFigureFiles(true));
    const QByteArray installedMime = ReadAll(QStringLiteral(TARVELO_PACKAGING_DIR "/tarvelo.xml"));
    ASSERT_FALSE(installedMime.isEmpty());
    EXPECT_EQ(ReadAll(association.MimeFile()), installedMime);
    // The type is the one the program asks for, recognised by the header every figure starts with.
    EXPECT_TRUE(installedMime.contains(
        QStringLiteral("<mime-type type=\"%1\">").arg(TFileAssociation::MimeType()).toUtf8()));
    EXPECT_TRUE(installedMime.contains(
        QStringLiteral("offset=\"0\" value=\"%1\"").arg(figurefile::Signature()).toUtf8()));
    // Every line of the installed entry but the program's path, and kept out of the menu.
    const QByteArray installedEntry = ReadAll(QStringLiteral(TARVELO_PACKAGING_DIR "/tarvelo.desktop"));
    ASSERT_FALSE(installedEntry.isEmpty());
    const QByteArray desktop = ReadAll(association.DesktopFile());
    for (const QByteArray& line : installedEntry.split('\n'))
        EXPECT_TRUE(line.startsWith("Exec=") || desktop.contains(line + '\n')) << line.constData();
    EXPECT_TRUE(desktop.contains("\nNoDisplay=true\n"));
}

TEST_F(FileAssociationTest, SwitchingOffRestoresThePreviousOwner) {
    SetPreviousOwner(QStringLiteral("Other.Viewer"));
    ASSERT_TRUE(association.AssociateFigureFiles(true));
    EXPECT_EQ(Store().Value(QStringLiteral("Tarvelo.tvq\\Backup")), QStringLiteral("Other.Viewer"));
    ASSERT_TRUE(association.AssociateFigureFiles(false));
    const TKeyValueStore store = Store();
    EXPECT_EQ(store.Value(QStringLiteral(".tvq")), QStringLiteral("Other.Viewer"));
    EXPECT_FALSE(store.Contains(QStringLiteral("Tarvelo.tvq")));
    EXPECT_FALSE(store.Contains(QStringLiteral("Tarvelo.tvq\\Shell\\Default_Action\\command")));
    EXPECT_FALSE(QFile::exists(association.MimeFile()));
    EXPECT_FALSE(QFile::exists(association.DesktopFile()));
    EXPECT_FALSE(association.FigureFilesAssociated());
}

TEST_F(FileAssociationTest, SwitchingOffWithoutPreviousOwnerErasesTheExtension) {
    ASSERT_TRUE(association.AssociateFigureFiles(true));
    ASSERT_TRUE(association.AssociateFigureFiles(false));
    EXPECT_FALSE(Store().Contains(QStringLiteral(".tvq")));
    EXPECT_TRUE(ReadAll(association.StoreFile()).isEmpty());
}

TEST_F(FileAssociationTest, SwitchingOffLeavesAnotherOwnersClaim) {
    SetPreviousOwner(QStringLiteral("Other.Viewer"));
    ASSERT_TRUE(association.AssociateFigureFiles(false));
    EXPECT_EQ(Store().Value(QStringLiteral(".tvq")), QStringLiteral("Other.Viewer"));
}

TEST_F(FileAssociationTest, AMovedProgramIsNotAssociated) {
    ASSERT_TRUE(association.AssociateFigureFiles(true));
    EXPECT_FALSE(TFileAssociation(Locations(QStringLiteral("/usr/bin/tarvelo"))).FigureFilesAssociated());
}

TEST_F(FileAssociationTest, ExecLineQuotesTheProgramPath) {
    TFileAssociation odd(Locations(QStringLiteral("/opt/my apps/tar\"velo$")));
    ASSERT_TRUE(odd.AssociateFigureFiles(true));
    EXPECT_TRUE(ReadAll(odd.DesktopFile()).contains("\nExec=\"/opt/my apps/tar\\\\\"velo\\\\$\" %F\n"));
    EXPECT_TRUE(odd.FigureFilesAssociated());
}

TEST_F(FileAssociationTest, AStoreThatCannotBeWrittenReportsTheMessage) {
    // The configuration folder's place is taken by a file.
    QFile blocker(dir.filePath(QStringLiteral("config")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    EXPECT_FALSE(association.AssociateFigureFiles(true, &error));
    EXPECT_EQ(
        error,
        QStringLiteral("Ошибка при попытке записи в реестр.\n\rВозможно, отсутствуют права администратора."));
    EXPECT_FALSE(association.FigureFilesAssociated());
}

TEST(KeyValueStore, KeepsKeysAndValuesExactly) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("s.ini"));
    TKeyValueStore store(file);
    ASSERT_TRUE(store.Load()); // a missing file is an empty store
    store.SetValue(QStringLiteral("A\\B c"), QStringLiteral("x=\"%1\" ; [sec]"));
    store.SetValue(QStringLiteral("A\\B c\\D"), QStringLiteral("значение"));
    store.SetValue(QStringLiteral("AB"), QStringLiteral("kept"));
    ASSERT_TRUE(store.Save());
    TKeyValueStore back(file);
    ASSERT_TRUE(back.Load());
    EXPECT_EQ(back.Value(QStringLiteral("A\\B c")), QStringLiteral("x=\"%1\" ; [sec]"));
    EXPECT_EQ(back.Value(QStringLiteral("A\\B c\\D")), QStringLiteral("значение"));
    back.EraseTree(QStringLiteral("A\\B c"));
    EXPECT_FALSE(back.Contains(QStringLiteral("A\\B c")));
    EXPECT_FALSE(back.Contains(QStringLiteral("A\\B c\\D")));
    EXPECT_EQ(back.Value(QStringLiteral("AB")), QStringLiteral("kept"));
}
