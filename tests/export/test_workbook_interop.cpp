// LibreOffice Calc reads the program's workbooks back with every number equal, bit for bit, to the
// double written, and the values that are no finite number as their text. Skipped where LibreOffice
// and its Python bridge are not installed.
#include "export/DataExport.h"
#include "tests/common/TestFiles.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// Doubles whose decimal forms are long or at the ends of the range, then random bit patterns.
std::vector<double> AwkwardDoubles() {
    using limits = std::numeric_limits<double>;
    std::vector<double> values = {0.1,
                                  1.0 / 3,
                                  2.0 / 3,
                                  1e-300,
                                  5e-324,
                                  -0.0,
                                  limits::max(),
                                  -limits::max(),
                                  limits::min(),
                                  1e22,
                                  1e23,
                                  9007199254740993.0,
                                  123456.78901234567,
                                  0.30000000000000004};
    for (double v = 1e6, step = 0; step < 200; ++step)
        values.push_back(v = std::nextafter(v, 2e6)); // 17 digits near a million
    std::mt19937_64 random(20261211);
    while (values.size() < 3000) {
        const double v = std::bit_cast<double>(random());
        if (std::isfinite(v)) values.push_back(v);
    }
    return values;
}

// The program's system Python, where Debian's LibreOffice bridge is.
constexpr char kPython[] = "/usr/bin/python3";

// The lines of the script's output split at tabs, without the empty cells at the rows' ends.
std::vector<std::vector<std::string>> Cells(const QByteArray& text) {
    std::vector<std::vector<std::string>> rows;
    for (const QByteArray& line : text.split('\n')) {
        std::vector<std::string> row;
        for (const QByteArray& cell : line.split('\t'))
            row.push_back(cell.toStdString());
        while (!row.empty() && (row.back().empty() || row.back() == "t"))
            row.pop_back();
        rows.push_back(row);
    }
    while (!rows.empty() && rows.back().empty())
        rows.pop_back();
    return rows;
}

} // namespace

TEST(WorkbookInterop, LibreOfficeReadsEveryDoubleExactly) {
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty()) GTEST_SKIP() << "LibreOffice is not installed";
    const std::vector<double> doubles = AwkwardDoubles();
    const double texts[] = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
    // Column A the doubles, column B the same negated, and the three texts at the end of A.
    TExportBlock block;
    block.Rows.resize(2);
    for (const double v : doubles) {
        block.Rows[0].append(v);
        block.Rows[1].append(-v);
    }
    for (const double v : texts)
        block.Rows[0].append(v);

    QTemporaryDir dir;
    const QString book = dir.filePath(QStringLiteral("book.xlsx"));
    QString message;
    ASSERT_TRUE(dataexport::WriteWorkbook(book, {block}, {QStringLiteral("числа")}, true, message))
        << message.toStdString();

    QProcess script;
    const QString cells = dir.filePath(QStringLiteral("cells.txt"));
    script.start(QLatin1String(kPython), {QStringLiteral(TARVELO_LIBREOFFICE_CELLS), office, book, cells});
    ASSERT_TRUE(script.waitForFinished(180000)) << "LibreOffice did not finish";
    if (script.exitCode() == 77) GTEST_SKIP() << "LibreOffice's Python bridge is not installed";
    ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
    std::vector<std::vector<std::string>> rows = Cells(testutil::ReadAll(cells));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), std::vector<std::string>{"числа"});
    rows.erase(rows.begin());
    ASSERT_EQ(rows.size(), doubles.size() + std::size(texts));

    int differing = 0;
    for (size_t k = 0; k < doubles.size(); ++k) {
        const std::vector<std::string>& row = rows[k];
        ASSERT_EQ(row.size(), 2u) << "row " << k + 1;
        for (int column = 0; column < 2; ++column) {
            const double expected = column == 0 ? doubles[k] : -doubles[k];
            const std::string& cell = row[size_t(column)];
            const std::string text = cell.substr(1);
            double read = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
            const bool same = cell.front() == 'n' && error == std::errc() &&
                              end == text.data() + text.size() &&
                              std::bit_cast<uint64_t>(read) == std::bit_cast<uint64_t>(expected);
            if (!same && ++differing <= 10) ADD_FAILURE() << "row " << k + 1 << ": " << text;
        }
    }
    EXPECT_EQ(differing, 0);
    const char* const textForms[] = {"tINF", "t-INF", "tNAN"};
    for (size_t t = 0; t < std::size(texts); ++t)
        EXPECT_EQ(rows[doubles.size() + t], std::vector<std::string>{textForms[t]});
}
