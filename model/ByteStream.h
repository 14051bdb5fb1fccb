// Little-endian binary writing and bounds-checked reading for the program's own file formats.
// The reader never reads past its end: a short or damaged input sets Failed and yields zeros.
#pragma once

#include "model/Codecs.h"

#include <QByteArray>
#include <QString>

class TByteWriter {
public:
    explicit TByteWriter(QByteArray& out) : FOut(out) {}

    void Byte(uint8_t v) { FOut.append(char(v)); }
    void Int32(int32_t v);
    void UInt16(uint16_t v);
    void Ext10(Extended v);
    void Bytes(const char* data, qsizetype size) { FOut.append(data, size); }
    void Bytes(const QByteArray& data) { FOut.append(data); }
    // Int32 byte count followed by the cp1251 bytes, no terminator.
    void Text(const QString& text);
    qsizetype Size() const { return FOut.size(); }

private:
    QByteArray& FOut;
};

class TByteReader {
public:
    TByteReader(const char* data, qsizetype size) : FPos(data), FEnd(data + size) {}
    explicit TByteReader(const QByteArray& data) : TByteReader(data.constData(), data.size()) {}

    uint8_t Byte();
    int32_t Int32();
    uint16_t UInt16();
    Extended Ext10();
    // Reads size bytes; fails (and returns empty) when fewer are left or size is negative.
    QByteArray Bytes(int64_t size);
    bool Skip(int64_t size);
    // Int32 byte count followed by cp1251 bytes.
    QString Text();

    qsizetype Remaining() const { return FEnd - FPos; }
    bool AtEnd() const { return FPos == FEnd; }
    bool Failed() const { return FFailed; }
    void Fail() { FFailed = true; }
    const char* Position() const { return FPos; }

private:
    bool Take(qsizetype size);
    const char* FPos;
    const char* FEnd;
    bool FFailed = false;
};
