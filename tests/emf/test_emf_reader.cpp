#include "EmfTestUtil.h"

#include "model/DrawAdapter.h"

#include <QRandomGenerator>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace emf;
using emftest::Record;

namespace {
QByteArray Sample() {
    return Record([](QPainter& p) {
        TDrawAdapter dc(p);
        dc.SetPatternPen(0xFF, 2, {8, 4});
        dc.Line(0, 0, 100, 50);
        dc.SetBrush(0x00FF00);
        dc.Rectangle(5, 5, 40, 40);
        dc.Ellipse(50, 5, 90, 40);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        dc.SetFont(font);
        dc.TextOut(3, 60, QStringLiteral("Ось X"));
        p.setClipRegion(QRegion(0, 0, 10, 10) + QRegion(20, 20, 10, 10));
        const TPoint points[] = {{0, 0}, {10, 5}, {3, 9}};
        dc.Polygon(points, 3);
        p.drawImage(QRect(0, 0, 3, 3), QImage(3, 3, QImage::Format_RGB32));
        p.drawLines(QList<QLineF>{QLineF(0, 0, 5, 5), QLineF(1, 1, 7, 2)});
        dc.SetPixel(1, 2, 0);
        p.drawRoundedRect(QRectF(60, 60, 30, 20), 4, 4);
    });
}

// Asks the reader for every field of every record; none of it may read past the data.
int ReadEverything(const TEmfReader& reader) {
    int answers = 0;
    (void)reader.Header();
    for (const TRecord& r : reader.Records()) {
        answers += reader.Points(r).has_value() + reader.PointLists(r).has_value() +
                   reader.Box(r).has_value() + reader.Corner(r).has_value() + reader.Pen(r).has_value() +
                   reader.Brush(r).has_value() + reader.Font(r).has_value() + reader.Text(r).has_value() +
                   reader.Pixel(r).has_value() + reader.ClipRects(r).has_value() +
                   reader.Bitmap(r).has_value();
        for (qsizetype at = 0; at < qsizetype(r.Size) + 8; at += 2)
            (void)reader.U32(r, at);
    }
    return answers;
}
} // namespace

TEST(EmfReader, ReadsEveryRecordOfAFullDrawing) {
    const TEmfReader reader(Sample());
    ASSERT_TRUE(reader.IsValid()) << reader.Error().toStdString();
    const QList<quint32> kinds = {EMR_POLYLINE16,
                                  EMR_RECTANGLE,
                                  EMR_ELLIPSE,
                                  EMR_EXTTEXTOUTW,
                                  EMR_POLYGON16,
                                  EMR_STRETCHDIBITS,
                                  EMR_POLYPOLYLINE16,
                                  EMR_SETPIXELV,
                                  EMR_ROUNDRECT,
                                  EMR_EXTSELECTCLIPRGN,
                                  EMR_EXTCREATEPEN,
                                  EMR_CREATEBRUSHINDIRECT,
                                  EMR_EXTCREATEFONTINDIRECTW};
    for (quint32 kind : kinds)
        EXPECT_FALSE(reader.RecordsOfType(kind).isEmpty()) << kind;
    // Every drawing and object record answers its own question.
    EXPECT_GE(ReadEverything(reader), kinds.size());
    // Runs of different scripts may come as separate pieces of text.
    QString text;
    for (const TRecord& r : reader.RecordsOfType(EMR_EXTTEXTOUTW))
        text += reader.Text(r)->Text;
    EXPECT_EQ(text, QStringLiteral("Ось X"));
}

TEST(EmfReader, FieldsPastTheRecordAreAbsent) {
    const TEmfReader reader(Sample());
    const TRecord& eof = reader.Records().last();
    EXPECT_EQ(reader.U32(eof, 16), 20u);
    EXPECT_FALSE(reader.U32(eof, 17));
    EXPECT_FALSE(reader.U32(eof, 20));
    EXPECT_FALSE(reader.U16(eof, -1));
    EXPECT_FALSE(reader.Points(eof)); // wrong record type
}

TEST(EmfReader, RejectsBrokenStructure) {
    EXPECT_FALSE(TEmfReader(QByteArray()).IsValid());
    EXPECT_FALSE(TEmfReader(QByteArray("\x01\0\0\0", 4)).IsValid());
    const QByteArray good = Sample();
    // Cut anywhere: never valid, never a crash.
    for (qsizetype cut = 0; cut < good.size(); cut += 7) {
        const TEmfReader reader(good.left(cut));
        EXPECT_FALSE(reader.IsValid()) << cut;
        ReadEverything(reader);
    }
    QByteArray trailing = good + QByteArray(4, '\0');
    EXPECT_FALSE(TEmfReader(trailing).IsValid());
    QByteArray badSignature = good;
    badSignature[40] = 'X';
    EXPECT_FALSE(TEmfReader(badSignature).IsValid());
    QByteArray oddSize = good;
    qToLittleEndian<quint32>(13, oddSize.data() + 4);
    EXPECT_FALSE(TEmfReader(oddSize).IsValid());
}

TEST(EmfReader, HugeCountsAndOffsetsInsideRecordsAreRefused) {
    QByteArray bytes = Sample();
    const TEmfReader original(bytes);
    const TRecord line = original.RecordsOfType(EMR_POLYLINE16).first();
    const TRecord text = original.RecordsOfType(EMR_EXTTEXTOUTW).first();
    const TRecord poly = original.RecordsOfType(EMR_POLYPOLYLINE16).first();
    const TRecord pen = original.RecordsOfType(EMR_EXTCREATEPEN).first();
    qToLittleEndian<quint32>(0xFFFFFFFF, bytes.data() + line.Offset + 24);
    qToLittleEndian<quint32>(0x7FFFFFF0, bytes.data() + text.Offset + 48);
    qToLittleEndian<quint32>(0x40000000, bytes.data() + poly.Offset + 24);
    qToLittleEndian<quint32>(0xFFFFFFFF, bytes.data() + pen.Offset + 48);
    const TEmfReader reader(bytes);
    ASSERT_TRUE(reader.IsValid());
    EXPECT_FALSE(reader.Points(line));
    EXPECT_FALSE(reader.Text(text));
    EXPECT_FALSE(reader.PointLists(poly));
    EXPECT_FALSE(reader.Pen(pen));
}

TEST(EmfReader, RandomDamageNeverReadsOutside) {
    const QByteArray good = Sample();
    QRandomGenerator random(20261209);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = good;
        const int changes = 1 + int(random.bounded(8));
        for (int i = 0; i < changes; ++i)
            bytes[qsizetype(random.bounded(quint32(bytes.size())))] = char(random.bounded(256));
        const TEmfReader reader(bytes);
        ReadEverything(reader);
        if (!reader.IsValid()) continue;
        qint64 covered = 0;
        for (const TRecord& r : reader.Records())
            covered += r.Size;
        EXPECT_EQ(covered, bytes.size()) << round;
    }
}
