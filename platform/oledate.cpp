#include "platform/oledate.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "platform/oledate_arith.h"

#ifdef _WIN32
#include <windows.h>

#include <oleauto.h>
#else
#include <ctime>
#endif

namespace platform {

namespace arith {

namespace {

constexpr long kMinDay = -657434;         // 1 January 100
constexpr long kMaxDay = 2958465;         // 31 December 9999
constexpr long kOleEpochFromUnix = 25569; // 30 Dec 1899 is 25569 days before 1 Jan 1970

// Days since 1 Jan 1970 of a proleptic Gregorian date (month 1..12).
long DaysFromCivil(long y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long mp = (m + 9) % 12;
    const long doy = (153 * mp + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, int* year, int* month, int* day) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp < 10 ? mp + 3 : mp - 9;
    *year = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    *month = static_cast<int>(m);
    *day = static_cast<int>(d);
}

long FloorDiv(long a, long b) {
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

} // namespace

int DayOfWeek(int year, int month, int day) {
    const long days = DaysFromCivil(year, month, day); // 1 Jan 1970 was a Thursday
    return static_cast<int>(((days % 7) + 11) % 7);
}

int DayOfYear(int year, int month, int day) {
    static const int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    return kBefore[month - 1] + day + (month > 2 && IsLeap(year) ? 1 : 0);
}

bool OleDateToFields(double date, DateFields* out) {
    // NaN fails both comparisons.
    if (!(date > static_cast<double>(kMinDay) - 1.0 && date < static_cast<double>(kMaxDay) + 1.0))
        return false;
    const double whole = std::trunc(date);
    long days = static_cast<long>(whole);
    // A negative date carries its time away from day 0: -1.25 is 29 Dec 1899 06:00.
    double t = std::fabs(date - whole);
    // A time built from exact seconds often lands a hair below them; the nudge
    // (under a microsecond) keeps 1/3 from reading as 07:59:59.
    t += 1e-11;
    if (t >= 1.0)
        t -= 1e-11;
    t *= 24.0;
    int hour = static_cast<int>(t);
    t = (t - hour) * 60.0;
    int minute = static_cast<int>(t);
    t = (t - minute) * 60.0;
    int second = static_cast<int>(t);
    t -= second;
    if (t > 0.5 && ++second == 60) { // fractions of a second round to the nearest, half down
        second = 0;
        if (++minute == 60) {
            minute = 0;
            if (++hour == 24) {
                hour = 0;
                ++days;
            }
        }
    }
    int year, month, day;
    CivilFromDays(days - kOleEpochFromUnix, &year, &month, &day);
    if (year > 9999) // rounding up the last second of 9999
        return false;
    out->year = year;
    out->month = month;
    out->day = day;
    out->hour = hour;
    out->minute = minute;
    out->second = second;
    out->dayOfWeek = DayOfWeek(year, month, day);
    out->dayOfYear = DayOfYear(year, month, day);
    return true;
}

bool FieldsToOleDate(int year, int month, int day, int hour, int minute, int second, double* out) {
    // The fields of a SYSTEMTIME are 16-bit.
    for (int v : {year, month, day, hour, minute, second}) {
        if (v < 0 || v > 0xFFFF)
            return false;
    }
    if (month > 12 || day > 31)
        return false;
    // Two-digit years: 0..49 are 2000..2049, 50..99 are 1950..1999.
    if (year < 50)
        year += 2000;
    else if (year < 100)
        year += 1900;
    if (year > 9999)
        return false;
    // Month 0 is December of the year before, day 0 the last day of the month
    // before, and a day past the end of its month runs into the next one.
    long y = year;
    int m = month;
    if (m == 0) {
        m = 12;
        --y;
    }
    long days = DaysFromCivil(y, m, 1) + kOleEpochFromUnix + (day - 1);
    // Time fields wrap as signed 16-bit values and run over into the days.
    const auto s16 = [](int v) {
        return static_cast<long>(static_cast<int16_t>(static_cast<uint16_t>(v)));
    };
    long secs = s16(hour) * 3600 + s16(minute) * 60 + s16(second);
    days += FloorDiv(secs, 86400);
    secs -= FloorDiv(secs, 86400) * 86400;
    // Added field by field, away from day 0, as the system adds them, so the
    // result agrees to the last bit.
    const double sign = days < 0 ? -1.0 : 1.0;
    double result = static_cast<double>(days);
    result += static_cast<double>(secs / 3600) / 24.0 * sign;
    result += static_cast<double>(secs % 3600 / 60) / 1440.0 * sign;
    result += static_cast<double>(secs % 60) / 86400.0 * sign;
    *out = result;
    return true;
}

} // namespace arith

#ifdef _WIN32

bool OleDateToFields(double date, DateFields* out) {
    // Outside the years 100..9999 (and NaN) the system refuses the date;
    // some of its emulations do not, so refuse it here first.
    if (!(date > -657435.0 && date < 2958466.0))
        return false;
    UDATE u{};
    if (FAILED(VarUdateFromDate(date, 0, &u)))
        return false;
    // A last second of 9999 can round up into a year 10000.
    if (u.st.wYear < 100 || u.st.wYear > 9999)
        return false;
    out->year = u.st.wYear;
    out->month = u.st.wMonth;
    out->day = u.st.wDay;
    out->hour = u.st.wHour;
    out->minute = u.st.wMinute;
    out->second = u.st.wSecond;
    // When the seconds round up into the next day the system leaves the
    // weekday and the day of the year on the day before; take them afresh.
    out->dayOfWeek = arith::DayOfWeek(out->year, out->month, out->day);
    out->dayOfYear = arith::DayOfYear(out->year, out->month, out->day);
    return true;
}

bool FieldsToOleDate(int year, int month, int day, int hour, int minute, int second, double* out) {
    for (int v : {year, month, day, hour, minute, second}) {
        if (v < 0 || v > 0xFFFF)
            return false;
    }
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    double result = 0.0;
    if (!SystemTimeToVariantTime(&st, &result))
        return false;
    *out = result;
    return true;
}

double NowAsOleDate() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    double result = 0.0;
    SystemTimeToVariantTime(&st, &result);
    return result;
}

#else

bool OleDateToFields(double date, DateFields* out) {
    return arith::OleDateToFields(date, out);
}

bool FieldsToOleDate(int year, int month, int day, int hour, int minute, int second, double* out) {
    return arith::FieldsToOleDate(year, month, day, hour, minute, second, out);
}

double NowAsOleDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    double result = 0.0;
    arith::FieldsToOleDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                           local.tm_min, local.tm_sec < 60 ? local.tm_sec : 59, &result);
    return result;
}

#endif

} // namespace platform
