// The C runtime's local time text, in the Windows runtime's form.

#include "win32_host.h"

#include <cstdio>
#include <ctime>

namespace
{
// The Windows runtime formats times from 1970 up to the end of the year 3000.
constexpr time_t kLastTime = 32535215999;
} // namespace

WCHAR* _wctime(const time_t* timer)
{
    static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // One buffer per thread, overwritten by each call, as in the runtime.
    thread_local WCHAR text[26];
    if (!timer || *timer < 0 || *timer > kLastTime)
        return nullptr;
    struct tm local;
    if (!localtime_r(timer, &local))
        return nullptr;
    // Unlike glibc's ctime, the day has two digits with a leading zero.
    char narrow[64];
    const int n = std::snprintf(narrow, sizeof narrow, "%s %s %02d %02d:%02d:%02d %04d\n",
                                kDays[local.tm_wday], kMonths[local.tm_mon], local.tm_mday,
                                local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
    if (n != 25)
        return nullptr;
    for (int i = 0; i <= n; ++i)
        text[i] = static_cast<WCHAR>(static_cast<unsigned char>(narrow[i]));
    return text;
}
