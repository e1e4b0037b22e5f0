// The OLE date arithmetic written here, reachable in every build so that the
// Windows tests can hold it against VarUdateFromDate/SystemTimeToVariantTime.
#pragma once

#include "platform/oledate.h"

namespace platform::arith {

bool OleDateToFields(double date, DateFields* out);
bool FieldsToOleDate(int year, int month, int day, int hour, int minute, int second, double* out);

// Day of week (0 = Sunday) and day of year (1..366) of a calendar date.
int DayOfWeek(int year, int month, int day);
int DayOfYear(int year, int month, int day);

} // namespace platform::arith
