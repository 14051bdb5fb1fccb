// Date and time texts of axis labels in the formats of the user's locale. The formats come from one
// replaceable place so tests and exports can fix them.
#pragma once

#include "model/ost2_Types.h"

#include <QString>

struct TLocaleDateFormats {
    QString ShortDate; // a QDate pattern, for example "dd.MM.yyyy"
    QString LongTime;  // a QTime pattern, for example "H:mm:ss"
};

// The formats in use: the system locale's unless replaced.
const TLocaleDateFormats& LocaleDateFormats();
void SetLocaleDateFormats(const TLocaleDateFormats& formats);
// Back to the system locale's formats.
void ResetLocaleDateFormats();

// A date/time value counts days since 30 December 1899, its fraction the time of day (for negative
// values the fraction counts forward from midnight of the day given by the integer part).
// "No date" / "No time" when the value has no calendar meaning.
QString FormatDateLabel(Extended days);
// The time of day; with fractionalSeconds the fraction of the second follows as ".###" (nothing when
// the time is on a whole second).
QString FormatTimeLabel(Extended days, bool fractionalSeconds);

// A tick value in the general format with 7 significant digits: fixed notation for values of at
// most 7 integer digits and at least 0.00001 in magnitude (and 0), otherwise a mantissa and an
// exponent of at least 3 digits; trailing zeros dropped. "1.5", "1234568", "1.234568E007", "1E-006".
QString FormatAxisNumber(Extended value);
