#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "platform/Clock.h"

// How the log stamp writes the hours, as the locale's time form asks.
struct FormaOre {
    bool conZero = true; // "09" rather than "9"
    bool dodiciOre = false; // hours 1 to 12 with a designator
    bool designatorePrima = false; // the designator stands before the hours
    std::string antimeridiano = "AM";
    std::string pomeridiano = "PM";
};

// Derived from the locale's strftime time form (formatoOra) and its 12-hour form, which "%r"
// stands for: the first hour directive decides the clock (%I, %l: 12 hours) and the leading zero
// (%H, %I, or the "0" flag: yes; %k, %l, or the "-" and "_" flags: no); %p or %P before it puts
// the designator first. A form without an hour directive gives two-digit 24-hour time.
FormaOre formaOre(
    std::string_view formatoOra, std::string_view formatoOra12, std::string antimeridiano, std::string pomeridiano);

// The stamp: the date as given, then, unless it is exactly midnight, a blank and the time as
// hours:MM:SS, with the designator where the locale puts it.
std::string componiTimbro(const std::string& data, std::chrono::seconds oraDelGiorno, const FormaOre& forma);

// The stamp of the moment in the user's locale (see platform::LocaleOra): its short date form,
// and its time form with ":" between the parts whatever its own separator.
std::string timbroLog(platform::LocalTime momento);
// The stamp of platform::adesso().
std::string timbroLog();
