#include "platform/Clock.h"

namespace platform {
namespace {

std::function<LocalTime()>& orologioCorrente()
{
    static std::function<LocalTime()> orologio;
    return orologio;
}

std::function<Istante()>& orologioMonotonoCorrente()
{
    static std::function<Istante()> orologio;
    return orologio;
}

} // namespace

LocalTime adesso()
{
    if (const auto& orologio = orologioCorrente())
        return orologio();
    return toLocalTime(std::chrono::system_clock::now());
}

std::chrono::seconds secondoCorrente()
{
    if (const auto& orologio = orologioCorrente())
        return orologio().time_since_epoch();
    return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()).time_since_epoch();
}

void setClock(std::function<LocalTime()> orologio)
{
    orologioCorrente() = std::move(orologio);
}

Istante adessoMonotono()
{
    if (const auto& orologio = orologioMonotonoCorrente())
        return orologio();
    return std::chrono::steady_clock::now();
}

void setMonotonicClock(std::function<Istante()> orologio)
{
    orologioMonotonoCorrente() = std::move(orologio);
}

} // namespace platform
