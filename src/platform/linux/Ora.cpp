#include "platform/Clock.h"

#include <ctime>

namespace platform {

LocalTime toLocalTime(std::chrono::system_clock::time_point istante)
{
    // localtime_r follows TZ and the system zone database, as the user's clock does.
    const std::time_t t = std::chrono::system_clock::to_time_t(istante);
    std::tm locale {};
    localtime_r(&t, &locale);
    using namespace std::chrono;
    const auto giorno = local_days { year { locale.tm_year + 1900 } / (locale.tm_mon + 1) / locale.tm_mday };
    return giorno + hours { locale.tm_hour } + minutes { locale.tm_min } + seconds { locale.tm_sec };
}

} // namespace platform
