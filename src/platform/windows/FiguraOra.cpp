#include "platform/windows/FiguraOra.h"

#include "platform/windows/TestoWindows.h"

namespace platform {

std::string figuraInStrftime(std::wstring_view figura)
{
    std::string forma;
    for (std::size_t i = 0; i < figura.size();) {
        const wchar_t c = figura[i];
        if (c == L'\'') {
            const std::size_t chiusura = figura.find(L'\'', i + 1);
            for (const char letterale : largoA1252(figura.substr(i + 1, chiusura - i - 1)))
                forma += letterale == '%' ? std::string("%%") : std::string(1, letterale);
            i = chiusura == std::wstring_view::npos ? figura.size() : chiusura + 1;
            continue;
        }
        std::size_t ripetute = 1;
        while (i + ripetute < figura.size() && figura[i + ripetute] == c)
            ++ripetute;
        const bool doppia = ripetute >= 2;
        switch (c) {
        case L'H':
            forma += doppia ? "%H" : "%k";
            break;
        case L'h':
            forma += doppia ? "%I" : "%l";
            break;
        case L'm':
            forma += "%M";
            break;
        case L's':
            forma += "%S";
            break;
        case L't':
            forma += "%p";
            break;
        default:
            for (const char letterale : largoA1252(figura.substr(i, ripetute)))
                forma += letterale == '%' ? std::string("%%") : std::string(1, letterale);
        }
        i += ripetute;
    }
    return forma;
}

} // namespace platform
