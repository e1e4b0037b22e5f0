// OLE Automation dates: days since 30 December 1899 in a double.
#pragma once

namespace platform {

constexpr double kNoDate = 949998.0; // 1 January 4501, Outlook's "unset"

struct DateFields {
    int year = 0;
    int month = 0;     // 1..12
    int day = 0;       // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int dayOfWeek = 0; // 0 = Sunday
    int dayOfYear = 0; // 1..366
};

// Breaks a date into fields with the limits and rounding of VarUdateFromDate
// (no flags). Returns false where it fails (outside years 100..9999, NaN...).
bool OleDateToFields(double date, DateFields* out);

// Composes a date from its fields with the rules of SystemTimeToVariantTime:
// returns false for what it rejects.
bool FieldsToOleDate(int year, int month, int day, int hour, int minute, int second, double* out);

// The current local time as an OLE date.
double NowAsOleDate();

} // namespace platform
