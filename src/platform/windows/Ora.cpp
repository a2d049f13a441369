#include "platform/Clock.h"

#include <windows.h>

namespace platform {

LocalTime toLocalTime(std::chrono::system_clock::time_point istante)
{
    using namespace std::chrono;
    // FILETIME counts 100 ns from 1601-01-01 UTC.
    constexpr long long kDal1601 = 116444736000000000LL;
    const long long decimi = duration_cast<duration<long long, std::ratio<1, 10000000>>>(
                                 floor<seconds>(istante).time_since_epoch())
                                 .count()
        + kDal1601;
    const FILETIME fileTime { static_cast<DWORD>(decimi & 0xFFFFFFFF), static_cast<DWORD>(decimi >> 32) };
    SYSTEMTIME utc {};
    SYSTEMTIME locale {};
    DYNAMIC_TIME_ZONE_INFORMATION fuso {};
    // The zone's rules of that year, so that an old file gets the offset it was written under.
    if (!FileTimeToSystemTime(&fileTime, &utc) || GetDynamicTimeZoneInformation(&fuso) == TIME_ZONE_ID_INVALID
        || !SystemTimeToTzSpecificLocalTimeEx(&fuso, &utc, &locale))
        locale = utc;
    const auto giorno = local_days { year { locale.wYear } / locale.wMonth / locale.wDay };
    return giorno + hours { locale.wHour } + minutes { locale.wMinute } + seconds { locale.wSecond };
}

} // namespace platform
