#include "export/WorkbookWriter.h"

#include "model/JobProgress.h"
#include "model/ParallelDeflate.h"

#include <QDateTime>

#include <minizip/zip.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace workbook {

namespace {
// About a megabyte of sheet text per slice.
constexpr qsizetype kCellsPerSlice = 32768;
// The most one cell takes: `<c r="XFD1048576" t="inlineStr"><is><t>-INF</t></is></c>`, or a
// number of at most 24 characters, plus a row's start and end.
constexpr qsizetype kMaxCellText = 96;
// Sheet text shrinks several times at the fastest level; the higher ones cost several times the
// time for a few per cent.
constexpr int kSheetLevel = 1;

const char kSheetHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                          "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                          "<sheetData>";
const char kSheetTail[] = "</sheetData></worksheet>";
const char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// Bijective base 26: column 1 is A, 26 Z, 27 AA.
std::string ColumnLetters(qsizetype n) {
    std::string letters;
    for (; n >= 1; n = (n - 1) / 26)
        letters.insert(letters.begin(), char('A' + (n - 1) % 26));
    return letters;
}

// Cells in the order of the sheet's text: row by row.
class TSheetText {
public:
    TSheetText(const TExportBlock& block, bool vertical) : FBlock(block), FVertical(vertical) {
        const qsizetype length = block.Rows[0].size();
        FRows = vertical ? length : block.Rows.size();
        FColumns = vertical ? block.Rows.size() : length;
        for (qsizetype c = 1; c <= FColumns; ++c)
            FLetters.push_back(ColumnLetters(c));
    }
    qsizetype Cells() const { return FRows * FColumns; }
    qsizetype SliceCount() const { return (Cells() + kCellsPerSlice - 1) / kCellsPerSlice; }

    // The text of the cells [first, first + kCellsPerSlice), with the sheet's head before the
    // first and its tail after the last.
    QByteArrayView Slice(qsizetype index, QByteArray& scratch) const {
        const qsizetype first = index * kCellsPerSlice, last = std::min(Cells(), first + kCellsPerSlice);
        scratch.resize((last - first) * kMaxCellText + qsizetype(sizeof kSheetHead + sizeof kSheetTail) + 16);
        char* const begin = scratch.data();
        char* p = begin;
        if (first == 0) p = Put(p, kSheetHead);
        qsizetype row = first / FColumns, column = first % FColumns;
        std::array<char, 16> rowText;
        qsizetype rowLength = RowText(row, rowText);
        for (qsizetype n = first; n < last; ++n) {
            if (column == 0) {
                if (n > 0) p = Put(p, "</row>");
                p = Put(p, "<row r=\"");
                p = Put(p, rowText.data(), rowLength);
                p = Put(p, "\">");
            }
            const Extended* value = Value(row, column);
            if (value) {
                p = Put(p, "<c r=\"");
                p = Put(p, FLetters[size_t(column)].data(), qsizetype(FLetters[size_t(column)].size()));
                p = Put(p, rowText.data(), rowLength);
                p = PutValue(p, static_cast<double>(*value));
            }
            if (++column == FColumns) {
                column = 0;
                rowLength = RowText(++row, rowText);
            }
        }
        if (last == Cells()) {
            p = Put(p, "</row>");
            p = Put(p, kSheetTail);
        }
        return QByteArrayView(begin, p - begin);
    }

private:
    const Extended* Value(qsizetype row, qsizetype column) const {
        const TDoubleArray& values = FBlock.Rows[FVertical ? column : row];
        const qsizetype at = FVertical ? row : column;
        return at < values.size() ? &values[at] : nullptr;
    }
    static qsizetype RowText(qsizetype row, std::array<char, 16>& text) {
        return std::to_chars(text.data(), text.data() + text.size(), row + 1).ptr - text.data();
    }
    static char* Put(char* p, const char* text, qsizetype length) {
        std::memcpy(p, text, size_t(length));
        return p + length;
    }
    template <size_t N> static char* Put(char* p, const char (&text)[N]) { return Put(p, text, N - 1); }
    // The rest of a cell after its reference: the shortest text that reads back as the same
    // double, or the text of a value that is no finite number.
    static char* PutValue(char* p, double number) {
        if (!std::isfinite(number)) {
            p = Put(p, "\" t=\"inlineStr\"><is><t>");
            p = std::isnan(number) ? Put(p, "NAN") : number > 0 ? Put(p, "INF") : Put(p, "-INF");
            return Put(p, "</t></is></c>");
        }
        p = Put(p, "\"><v>");
        p = std::to_chars(p, p + 32, number).ptr;
        return Put(p, "</v></c>");
    }

    const TExportBlock& FBlock;
    bool FVertical;
    qsizetype FRows = 0, FColumns = 0;
    std::vector<std::string> FLetters;
};

// minizip's file functions over the device; the device is the stream.
voidpf OpenDevice(voidpf opaque, const void*, int) {
    return opaque;
}
uLong ReadDevice(voidpf, voidpf, void*, uLong) {
    return 0;
}
uLong WriteDevice(voidpf, voidpf stream, const void* data, uLong size) {
    const qint64 written =
        static_cast<QIODevice*>(stream)->write(static_cast<const char*>(data), qint64(size));
    return written == qint64(size) ? size : 0;
}
ZPOS64_T TellDevice(voidpf, voidpf stream) {
    return ZPOS64_T(static_cast<QIODevice*>(stream)->pos());
}
long SeekDevice(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* device = static_cast<QIODevice*>(stream);
    qint64 target = qint64(offset);
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) target += device->pos();
    if (origin == ZLIB_FILEFUNC_SEEK_END) target += device->size();
    return device->seek(target) ? 0 : -1;
}
int CloseDevice(voidpf, voidpf) {
    return 0;
}
int DeviceError(voidpf, voidpf) {
    return 0;
}

class TArchive {
public:
    explicit TArchive(QIODevice& device) {
        zlib_filefunc64_def functions{OpenDevice, ReadDevice,  WriteDevice, TellDevice,
                                      SeekDevice, CloseDevice, DeviceError, &device};
        FZip = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &functions);
        const QDateTime now = QDateTime::currentDateTime();
        FInfo.tmz_date = {uInt(now.time().second()), uInt(now.time().minute()),    uInt(now.time().hour()),
                          uInt(now.date().day()),    uInt(now.date().month() - 1), uInt(now.date().year())};
    }
    ~TArchive() {
        if (FZip) zipClose(FZip, nullptr);
    }
    TArchive(const TArchive&) = delete;
    TArchive& operator=(const TArchive&) = delete;

    bool Ok() const { return FZip != nullptr; }

    // A small part, compressed by minizip.
    bool Add(const char* name, const QByteArray& text) {
        return Open(name, false, false) &&
               zipWriteInFileInZip(FZip, text.constData(), unsigned(text.size())) == ZIP_OK &&
               zipCloseFileInZip(FZip) == ZIP_OK;
    }

    // A part whose deflated data the caller writes with WriteRaw; zip64 for a part that may reach
    // 4 GiB.
    bool OpenRaw(const char* name, bool zip64) { return Open(name, true, zip64); }
    bool WriteRaw(const QByteArray& deflated) {
        return zipWriteInFileInZip(FZip, deflated.constData(), unsigned(deflated.size())) == ZIP_OK;
    }
    bool CloseRaw(qsizetype dataSize, uint32_t crc) {
        return zipCloseFileInZipRaw64(FZip, ZPOS64_T(dataSize), crc) == ZIP_OK;
    }

    bool Close() {
        const bool closed = zipClose(FZip, nullptr) == ZIP_OK;
        FZip = nullptr;
        return closed;
    }

private:
    bool Open(const char* name, bool raw, bool zip64) {
        return zipOpenNewFileInZip4_64(FZip, name, &FInfo, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                       Z_DEFAULT_COMPRESSION, raw ? 1 : 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                                       nullptr, 0, 0, 0, zip64 ? 1 : 0) == ZIP_OK;
    }

    zipFile FZip = nullptr;
    zip_fileinfo FInfo{};
};

QByteArray Escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

QByteArray ContentTypes(qsizetype sheets) {
    QByteArray xml = kXmlHead;
    xml += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" "
           "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/xl/workbook.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
           "<Override PartName=\"/xl/styles.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    for (qsizetype j = 1; j <= sheets; ++j)
        xml += "<Override PartName=\"/xl/worksheets/sheet" + QByteArray::number(j) +
               ".xml\" "
               "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    return xml + "</Types>";
}

QByteArray PackageRelations() {
    return kXmlHead +
           QByteArrayLiteral(
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" "
               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
               "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
}

QByteArray WorkbookPart(const QStringList& names) {
    QByteArray xml = kXmlHead;
    xml += "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>";
    for (qsizetype j = 1; j <= names.size(); ++j)
        xml += "<sheet name=\"" + Escaped(names[j - 1]) + "\" sheetId=\"" + QByteArray::number(j) +
               "\" r:id=\"rId" + QByteArray::number(j) + "\"/>";
    return xml + "</sheets></workbook>";
}

QByteArray WorkbookRelations(qsizetype sheets) {
    const QByteArray type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    QByteArray xml = kXmlHead;
    xml += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (qsizetype j = 1; j <= sheets; ++j)
        xml += "<Relationship Id=\"rId" + QByteArray::number(j) + "\" Type=\"" + type +
               "worksheet\" Target=\"worksheets/sheet" + QByteArray::number(j) + ".xml\"/>";
    xml += "<Relationship Id=\"rId" + QByteArray::number(sheets + 1) + "\" Type=\"" + type +
           "styles\" Target=\"styles.xml\"/>";
    return xml + "</Relationships>";
}

QByteArray Styles() {
    return kXmlHead + QByteArrayLiteral(
                          "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                          "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
                          "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
                          "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
                          "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border>"
                          "</borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
                          "borderId=\"0\"/></cellStyleXfs><cellXfs count=\"1\"><xf numFmtId=\"0\" "
                          "fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
                          "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
                          "</cellStyles></styleSheet>");
}

// The sheet's text deflated on every core and written as it comes.
bool WriteSheet(TArchive& archive, const char* name, const TSheet& sheet, bool vertical, TJobProgress* job) {
    const TSheetText text(*sheet.Block, vertical);
    const auto source = [&](qsizetype i, QByteArray& scratch, QByteArrayView& slice) {
        slice = text.Slice(i, scratch);
        JobAdvance(job, std::min(kCellsPerSlice, text.Cells() - i * kCellsPerSlice));
        return true;
    };
    const auto write = [&](const QByteArray& deflated) {
        // The bytes to write join the cells in the job's count.
        if (job) job->SetTotal(job->Total() + deflated.size());
        return archive.WriteRaw(deflated);
    };
    paralleldeflate::TOptions options;
    options.Level = kSheetLevel;
    options.Checksum = paralleldeflate::TChecksum::Crc32;
    // The text's bound decides ZIP64 before the first byte.
    const bool zip64 = text.Cells() * kMaxCellText >= qsizetype(0xFFFFFFFF);
    qsizetype size = 0;
    uint32_t crc = 0;
    return archive.OpenRaw(name, zip64) &&
           paralleldeflate::DeflateSlices(text.SliceCount(), source, options, write, size, crc, job) &&
           archive.CloseRaw(size, crc);
}
} // namespace

bool Write(QIODevice& device, const QList<TSheet>& sheets, bool vertical, TJobProgress* job) {
    TArchive archive(device);
    QStringList names;
    for (const TSheet& sheet : sheets)
        names.append(sheet.Name);
    if (names.isEmpty()) names.append(QStringLiteral("Лист1"));
    if (!archive.Ok() || !archive.Add("[Content_Types].xml", ContentTypes(names.size())) ||
        !archive.Add("_rels/.rels", PackageRelations()) ||
        !archive.Add("xl/workbook.xml", WorkbookPart(names)) ||
        !archive.Add("xl/_rels/workbook.xml.rels", WorkbookRelations(names.size())) ||
        !archive.Add("xl/styles.xml", Styles()))
        return false;
    if (sheets.isEmpty())
        return archive.Add("xl/worksheets/sheet1.xml", QByteArray(kSheetHead) + kSheetTail) &&
               archive.Close();
    for (qsizetype j = 0; j < sheets.size(); ++j) {
        const QByteArray name = "xl/worksheets/sheet" + QByteArray::number(j + 1) + ".xml";
        if (!WriteSheet(archive, name.constData(), sheets[j], vertical, job)) return false;
    }
    return archive.Close();
}

} // namespace workbook
