// One table for both builds: natively it checks our arithmetic, under Wine the
// system's VarUdateFromDate/SystemTimeToVariantTime; both must answer alike.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "platform/oledate.h"
#include "platform/oledate_arith.h"

namespace {

struct BreakCase {
    double date;
    bool ok;
    int year, month, day, hour, minute, second, dayOfWeek, dayOfYear;
};

constexpr double kSec = 1.0 / 86400.0;

const BreakCase kBreakCases[] = {
    {29295.0, true, 1980, 3, 15, 0, 0, 0, 6, 75},
    {38488.5, true, 2005, 5, 16, 12, 0, 0, 1, 136},
    {949998.0, true, 4501, 1, 1, 0, 0, 0, 6, 1},
    {0.0, true, 1899, 12, 30, 0, 0, 0, 6, 364},
    {1.5, true, 1899, 12, 31, 12, 0, 0, 0, 365},
    // Negative dates: the day counts back, the time forward from midnight.
    {-0.25, true, 1899, 12, 30, 6, 0, 0, 6, 364},
    {-0.5, true, 1899, 12, 30, 12, 0, 0, 6, 364},
    {-1.0, true, 1899, 12, 29, 0, 0, 0, 5, 363},
    {-1.25, true, 1899, 12, 29, 6, 0, 0, 5, 363},
    {-1.75, true, 1899, 12, 29, 18, 0, 0, 5, 363},
    {-36522.5515625, true, 1800, 1, 1, 13, 14, 15, 3, 1},
    // Leap days and the day after them.
    {38046.0, true, 2004, 2, 29, 0, 0, 0, 0, 60},
    {38047.0, true, 2004, 3, 1, 0, 0, 0, 1, 61},
    {36585.0, true, 2000, 2, 29, 0, 0, 0, 2, 60},
    {61.0, true, 1900, 3, 1, 0, 0, 0, 4, 60},
    {37681.0, true, 2003, 3, 1, 0, 0, 0, 6, 60},
    // The year limits.
    {-657434.0, true, 100, 1, 1, 0, 0, 0, 5, 1},
    {-657434.99, true, 100, 1, 1, 23, 45, 36, 5, 1},
    {-657435.0, false, 0, 0, 0, 0, 0, 0, 0, 0},
    {-657435.5, false, 0, 0, 0, 0, 0, 0, 0, 0},
    {2958465.0, true, 9999, 12, 31, 0, 0, 0, 5, 365},
    {2958465.5, true, 9999, 12, 31, 12, 0, 0, 5, 365},
    {2958465.9999, true, 9999, 12, 31, 23, 59, 51, 5, 365},
    {2958466.0, false, 0, 0, 0, 0, 0, 0, 0, 0},
    {1e300, false, 0, 0, 0, 0, 0, 0, 0, 0},
    {-1e300, false, 0, 0, 0, 0, 0, 0, 0, 0},
    {std::numeric_limits<double>::quiet_NaN(), false, 0, 0, 0, 0, 0, 0, 0, 0},
    {std::numeric_limits<double>::infinity(), false, 0, 0, 0, 0, 0, 0, 0, 0},
    // Fractions of a second round to the nearest second, up into the next day.
    {0.4999 * kSec, true, 1899, 12, 30, 0, 0, 0, 6, 364},
    {0.5001 * kSec, true, 1899, 12, 30, 0, 0, 1, 6, 364},
    {59.5 * kSec, true, 1899, 12, 30, 0, 1, 0, 6, 364},
    {86399.4 * kSec, true, 1899, 12, 30, 23, 59, 59, 6, 364},
    {86399.6 * kSec, true, 1899, 12, 31, 0, 0, 0, 0, 365},
    {-1.0 - 86399.6 * kSec, true, 1899, 12, 30, 0, 0, 0, 6, 364},
    {1.0 / 3.0, true, 1899, 12, 30, 8, 0, 0, 6, 364},
    {2.0 / 3.0, true, 1899, 12, 30, 16, 0, 0, 6, 364},
    {36525.0 + 86399.6 * kSec, true, 2000, 1, 1, 0, 0, 0, 6, 1},
    {37622.0 + 86399.0 * kSec, true, 2003, 1, 1, 23, 59, 59, 3, 1},
};

class OleDateBreak : public ::testing::TestWithParam<BreakCase> {};

TEST_P(OleDateBreak, MatchesTheSystemConversion) {
    const BreakCase& c = GetParam();
    platform::DateFields f;
    ASSERT_EQ(platform::OleDateToFields(c.date, &f), c.ok) << c.date;
    if (!c.ok)
        return;
    EXPECT_EQ(f.year, c.year);
    EXPECT_EQ(f.month, c.month);
    EXPECT_EQ(f.day, c.day);
    EXPECT_EQ(f.hour, c.hour);
    EXPECT_EQ(f.minute, c.minute);
    EXPECT_EQ(f.second, c.second);
    EXPECT_EQ(f.dayOfWeek, c.dayOfWeek);
    EXPECT_EQ(f.dayOfYear, c.dayOfYear);
}

INSTANTIATE_TEST_SUITE_P(Table, OleDateBreak, ::testing::ValuesIn(kBreakCases));

struct ComposeCase {
    int year, month, day, hour, minute, second;
    bool ok;
    double date;
};

const ComposeCase kComposeCases[] = {
    {1980, 3, 15, 0, 0, 0, true, 29295.0},
    {2005, 5, 16, 12, 0, 0, true, 38488.5},
    {4501, 1, 1, 0, 0, 0, true, 949998.0},
    {1899, 12, 30, 0, 0, 0, true, 0.0},
    {1899, 12, 29, 6, 0, 0, true, -1.25},
    {1899, 12, 29, 18, 0, 0, true, -1.75},
    {1800, 1, 1, 13, 14, 15, true, -36522.5515625},
    // Leap years: 29 Feb exists in 2004 and 2000; elsewhere it is 1 March.
    {2004, 2, 29, 0, 0, 0, true, 38046.0},
    {2000, 2, 29, 0, 0, 0, true, 36585.0},
    {2003, 2, 29, 0, 0, 0, true, 37681.0},
    {1900, 2, 29, 0, 0, 0, true, 61.0},
    {2003, 2, 31, 0, 0, 0, true, 37683.0},
    // Day 31 of a 30-day month runs into the next month; day 32 is refused.
    {2003, 4, 31, 0, 0, 0, true, 37742.0},
    {2003, 1, 32, 0, 0, 0, false, 0.0},
    // Day 0 is the last day of the month before, month 0 December before.
    {2003, 1, 0, 0, 0, 0, true, 37621.0},
    {2003, 0, 1, 0, 0, 0, true, 37591.0},
    {2003, 0, 0, 0, 0, 0, true, 37590.0},
    {2003, 13, 1, 0, 0, 0, false, 0.0},
    // Year limits: two-digit years are taken into 1950..2049.
    {100, 1, 1, 0, 0, 0, true, -657434.0},
    {100, 1, 0, 0, 0, 0, true, -657435.0},
    {9999, 12, 31, 0, 0, 0, true, 2958465.0},
    {10000, 1, 1, 0, 0, 0, false, 0.0},
    {99, 12, 31, 0, 0, 0, true, 36525.0},
    {50, 1, 1, 0, 0, 0, true, 18264.0},
    {49, 1, 1, 0, 0, 0, true, 54424.0},
    {0, 1, 1, 0, 0, 0, true, 36526.0},
    {65535, 1, 1, 0, 0, 0, false, 0.0},
    // Time fields run over into the next day.
    {2003, 12, 31, 24, 0, 0, true, 37987.0},
    {2003, 1, 1, 0, 0, 60, true, 37622.0 + 60.0 / 86400.0},
    // Values a SYSTEMTIME cannot hold.
    {-1, 1, 1, 0, 0, 0, false, 0.0},
    {2003, -1, 1, 0, 0, 0, false, 0.0},
    {2003, 1, 1, 0, 0, 70000, false, 0.0},
};

class OleDateCompose : public ::testing::TestWithParam<ComposeCase> {};

TEST_P(OleDateCompose, MatchesTheSystemConversion) {
    const ComposeCase& c = GetParam();
    double date = -4242.0;
    ASSERT_EQ(platform::FieldsToOleDate(c.year, c.month, c.day, c.hour, c.minute, c.second, &date),
              c.ok);
    if (c.ok)
        EXPECT_DOUBLE_EQ(date, c.date);
    else
        EXPECT_EQ(date, -4242.0); // untouched on failure
}

INSTANTIATE_TEST_SUITE_P(Table, OleDateCompose, ::testing::ValuesIn(kComposeCases));

TEST(OleDate, ComposeAndBreakRoundTrip) {
    for (int year : {100, 1600, 1899, 1900, 1980, 2000, 2024, 4501, 9999}) {
        for (int month = 1; month <= 12; ++month) {
            for (int day : {1, 15, 28}) {
                double date = 0.0;
                ASSERT_TRUE(platform::FieldsToOleDate(year, month, day, 13, 41, 10, &date));
                platform::DateFields f;
                ASSERT_TRUE(platform::OleDateToFields(date, &f));
                EXPECT_EQ(f.year, year);
                EXPECT_EQ(f.month, month);
                EXPECT_EQ(f.day, day);
                EXPECT_EQ(f.hour, 13);
                EXPECT_EQ(f.minute, 41);
                EXPECT_EQ(f.second, 10);
            }
        }
    }
}

TEST(OleDate, NowIsAPlausibleLocalTime) {
    const double now = platform::NowAsOleDate();
    EXPECT_GT(now, 43831.0); // after 1 Jan 2020
    EXPECT_LT(now, 2958466.0);
}

#ifdef _WIN32
// Our arithmetic (the one the native build uses) against the system over a
// wide sweep: every field and every composed bit must agree.
void ExpectArithMatchesSystem(double date) {
    // Within half a second of midnight the time rounds into the next day.
    // Wine carries that day into a new month or year wrongly (it gives
    // 5885-12-01 for the last half second of 5885), so the sweep leaves those
    // few dates to the table above, which pins the right answers.
    const double frac = std::fabs(date - std::trunc(date)) * 86400.0;
    if (frac > 86399.5)
        return;
    platform::DateFields sys, ours;
    const bool sysOk = platform::OleDateToFields(date, &sys);
    const bool oursOk = platform::arith::OleDateToFields(date, &ours);
    ASSERT_EQ(sysOk, oursOk) << date;
    if (!sysOk)
        return;
    ASSERT_EQ(std::memcmp(&sys, &ours, sizeof sys), 0)
        << date << ": " << sys.year << "-" << sys.month << "-" << sys.day << " " << sys.hour << ":"
        << sys.minute << ":" << sys.second << " vs " << ours.year << "-" << ours.month << "-"
        << ours.day << " " << ours.hour << ":" << ours.minute << ":" << ours.second;
}

TEST(OleDateSweep, BreakingAgreesWithTheSystem) {
    std::mt19937_64 rng(20240517);
    std::uniform_real_distribution<double> anyDate(-657436.0, 2958467.0);
    std::uniform_int_distribution<long> anyDay(-657436, 2958466);
    std::uniform_int_distribution<int> anySecond(0, 86399);
    std::uniform_real_distribution<double> near(-2e-5, 2e-5);
    for (int i = 0; i < 200000; ++i) {
        ExpectArithMatchesSystem(anyDate(rng));
        const double day = static_cast<double>(anyDay(rng));
        const double whole = anySecond(rng) / 86400.0;
        const double half = (anySecond(rng) + 0.5) / 86400.0;
        ExpectArithMatchesSystem(day + whole);
        ExpectArithMatchesSystem(day >= 0 ? day + half : day - half);
        ExpectArithMatchesSystem(day + near(rng));
        if (HasFatalFailure())
            return;
    }
}

TEST(OleDateSweep, ComposingAgreesWithTheSystem) {
    for (int year : {0,    1,    29,   30,   49,   50,   99,   100,   101,   1600,  1899,
                     1900, 1999, 2000, 2003, 2004, 2100, 9999, 10000, 32767, 32768, 65535}) {
        // Valid calendar days only: Wine's carry of a day past the end of
        // its month is itself wrong (31 Nov 2000 becomes 1 Jan 2001); the
        // table above pins month 0/13 and day 0/32.
        for (int month = 1; month <= 12; ++month) {
            const int y = year < 50 ? year + 2000 : year < 100 ? year + 1900 : year;
            const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
            const int lengths[12] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
            for (int day = 1; day <= lengths[month - 1]; ++day) {
                // Hours of 24 and more are left out: Wine's carry of them is
                // itself wrong (30 Nov 24:00 becomes 1 January).
                for (int t : {0, 1}) {
                    const int hour = t == 1 ? 23 : t == 2 ? 24 : t == 3 ? 65535 : 0;
                    const int minute = t == 1 ? 59 : t == 3 ? 30 : 0;
                    const int second = t == 1 ? 59 : t == 3 ? 65535 : 0;
                    double sys = -1.0, ours = -1.0;
                    const bool sysOk =
                        platform::FieldsToOleDate(year, month, day, hour, minute, second, &sys);
                    const bool oursOk = platform::arith::FieldsToOleDate(year, month, day, hour,
                                                                         minute, second, &ours);
                    ASSERT_EQ(sysOk, oursOk) << year << "-" << month << "-" << day << " " << hour;
                    ASSERT_EQ(std::memcmp(&sys, &ours, sizeof sys), 0)
                        << year << "-" << month << "-" << day << " " << hour << ": " << sys
                        << " vs " << ours;
                }
            }
        }
    }
}
#endif

} // namespace
