#include "platform/Clock.h"

#include <windows.h>

namespace platform {

LocalTime toLocalTime(std::chrono::system_clock::time_point istante)
{
    using namespace std::chrono;
    // FILETIME counts 100 ns from 1601-01-01 UTC.
    constexpr long long kDal1601 = 116444736000000000LL;
    const long long decimi
        = duration_cast<duration<long long, std::ratio<1, 10000000>>>(floor<seconds>(istante).time_since_epoch())
              .count()
        + kDal1601;
    const FILETIME fileTime { static_cast<DWORD>(decimi & 0xFFFFFFFF), static_cast<DWORD>(decimi >> 32) };
    SYSTEMTIME utc {};
    SYSTEMTIME locale {};
    // The user's zone, with the summer time that applies on that date rather than today's offset.
    if (!FileTimeToSystemTime(&fileTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &locale))
        locale = utc;
    const auto giorno = local_days { year { locale.wYear } / locale.wMonth / locale.wDay };
    return giorno + hours { locale.wHour } + minutes { locale.wMinute } + seconds { locale.wSecond };
}

} // namespace platform
