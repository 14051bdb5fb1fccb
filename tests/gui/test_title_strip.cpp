#include "gui/widgets/TitleStrip.h"

#include <QDialog>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

TEST(TitleStrip, CloseButtonClosesTheDialog) {
    QDialog dialog(nullptr, Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(&dialog);
    auto* strip = new TTitleStrip(QStringLiteral("Маркеры"), &dialog);
    layout->addWidget(strip);
    dialog.resize(200, 120);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(strip->Title(), QStringLiteral("Маркеры"));
    QSignalSpy spy(strip, &TTitleStrip::CloseClicked);
    QTest::mouseClick(strip->CloseButton(), Qt::LeftButton);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(TitleStrip, DraggingMovesTheDialog) {
    QDialog dialog(nullptr, Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(&dialog);
    auto* strip = new TTitleStrip(QStringLiteral("t"), &dialog);
    layout->addWidget(strip);
    dialog.setGeometry(100, 100, 200, 120);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QPoint before = dialog.pos();
    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(20, 5));
    QTest::mouseMove(strip, QPoint(50, 25));
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(50, 25));
    EXPECT_EQ(dialog.pos(), before + QPoint(30, 20));
}
