#pragma once

#include <QString>
#include <string>

#include "tools/Cp1252.h"

// The program's Windows-1252 text as Qt draws it.
inline QString testo(const std::string& cp1252)
{
    const std::u16string utf16 = cp1252ToUtf16(cp1252);
    return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}
