// The calendar Windows accepts for a SYSTEMTIME, for both builds and the
// text parser above them: Wine's SystemTimeToFileTime rolls 29 February 2013
// over into March and timegm normalises it, where Windows refuses it.
#pragma once

#include "platform/platform.h"

namespace copyloom::platform {

inline int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Years 1601 to 30827, a real day of its month, 0:00:00 to 23:59:59.
inline bool IsCalendarTime(const LocalTime& t) {
  auto in_range = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
  return in_range(t.year, 1601, 30827) && in_range(t.month, 1, 12) &&
         in_range(t.day, 1, DaysInMonth(t.year, t.month)) && in_range(t.hour, 0, 23) &&
         in_range(t.minute, 0, 59) && in_range(t.second, 0, 59);
}

}  // namespace copyloom::platform
