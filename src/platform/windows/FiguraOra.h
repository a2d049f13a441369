#pragma once

#include <string>
#include <string_view>

namespace platform {

// A Windows time picture ("HH:mm:ss", "h:mm:ss tt", ...) in strftime's terms, which the log stamp
// reads: H and HH are the 24-hour clock without and with a leading zero (%k, %H), h and hh the
// 12-hour one (%l, %I), t and tt the designator (%p), m and s minutes and seconds; quoted text is
// literal.
std::string figuraInStrftime(std::wstring_view figura);

} // namespace platform
