#include "model/DateFormat.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

// The locale's long time format may carry a time zone, which the labels do not show.
QString WithoutTimeZone(QString pattern) {
    pattern.remove(QLatin1Char('t'));
    return pattern.trimmed();
}

TLocaleDateFormats SystemFormats() {
    const QLocale locale = QLocale::system();
    return {locale.dateFormat(QLocale::ShortFormat), WithoutTimeZone(locale.timeFormat(QLocale::LongFormat))};
}

std::optional<TLocaleDateFormats>& Override() {
    static std::optional<TLocaleDateFormats> formats;
    return formats;
}

constexpr int64_t kMsPerDay = 86'400'000;
// Years 1..9999, as the calendar of the labels knows them.
constexpr Extended kFirstDay = -693593; // 1 January 0001
constexpr Extended kLastDay = 2958465;  // 31 December 9999

// The day and the milliseconds into it, rounded to the millisecond; nothing for values outside the
// calendar.
bool SplitDateTime(Extended days, int64_t& day, int64_t& ms) {
    if (!std::isfinite(days) || days < kFirstDay || days >= kLastDay + 1) return false;
    const Extended whole = std::trunc(days);
    day = int64_t(whole);
    ms = int64_t(std::llround(std::fabs(days - whole) * kMsPerDay));
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        day += days < 0 ? -1 : 1;
    }
    return true;
}

} // namespace

const TLocaleDateFormats& LocaleDateFormats() {
    static const TLocaleDateFormats system = SystemFormats();
    return Override() ? *Override() : system;
}

void SetLocaleDateFormats(const TLocaleDateFormats& formats) {
    Override() = formats;
}

void ResetLocaleDateFormats() {
    Override().reset();
}

QString FormatDateLabel(Extended days) {
    int64_t day = 0, ms = 0;
    if (!SplitDateTime(days, day, ms)) return QStringLiteral("No date");
    const QDate date = QDate(1899, 12, 30).addDays(day);
    if (!date.isValid()) return QStringLiteral("No date");
    // Month names are the program's own language, whatever the system's.
    static const QLocale russian(QLocale::Russian, QLocale::Russia);
    return russian.toString(date, LocaleDateFormats().ShortDate);
}

QString FormatTimeLabel(Extended days, bool fractionalSeconds) {
    int64_t day = 0, ms = 0;
    if (!SplitDateTime(days, day, ms)) return QStringLiteral("No time");
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(ms - ms % 1000));
    QString text = time.toString(LocaleDateFormats().LongTime);
    if (fractionalSeconds && ms % 1000 != 0) {
        QString fraction = QStringLiteral(".%1").arg(ms % 1000, 3, 10, QLatin1Char('0'));
        while (fraction.endsWith(QLatin1Char('0')))
            fraction.chop(1);
        text += fraction;
    }
    return text;
}

QString FormatAxisNumber(Extended value) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0) return QStringLiteral("0");
    // Seven significant digits, rounded once; the exponent is that of the rounded value.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6Le", value);
    const QString s = QString::fromLatin1(buffer);
    const qsizetype e = s.indexOf(QLatin1Char('e'));
    const int exponent = s.mid(e + 1).toInt();
    const bool negative = s.startsWith(QLatin1Char('-'));
    QString digits = s.left(e);
    digits.remove(QLatin1Char('-'));
    digits.remove(QLatin1Char('.'));
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);

    QString text;
    if (exponent < 7 && exponent >= -5) {
        if (exponent < 0) {
            text = QStringLiteral("0.") + QString(-exponent - 1, QLatin1Char('0')) + digits;
        } else if (digits.size() <= exponent + 1) {
            text = digits + QString(exponent + 1 - digits.size(), QLatin1Char('0'));
        } else {
            text = digits.left(exponent + 1) + QLatin1Char('.') + digits.mid(exponent + 1);
        }
    } else {
        text = digits.left(1);
        if (digits.size() > 1) text += QLatin1Char('.') + digits.mid(1);
        text += QLatin1Char('E');
        if (exponent < 0) text += QLatin1Char('-');
        text += QStringLiteral("%1").arg(std::abs(exponent), 3, 10, QLatin1Char('0'));
    }
    return negative ? QLatin1Char('-') + text : text;
}
