#pragma once

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/FineRiga.h"

// Shared routines of the program. Plain text is Windows-1252 in std::string; the radix
// conversion and its error text are UTF-16, as the host session uses them.

// The value between two apostrophes, nothing escaped.
std::string quoteString(const std::string& s);

// Year in plain decimal, then "-MM-DD": 1 May 2024 gives "2024-05-01".
std::string date2string(std::chrono::year_month_day data);

// Two digits with a zero in front when needed: the days, months, hours and minutes of every date
// and time the program writes.
std::string dueCifre(long long n);

// A month as the summaries and the reports name it: "gennaio 2026".
std::string meseItaliano(std::chrono::year_month mese);

// A count with the Italian thousands separator: 1469 gives "1.469".
std::string numeroItaliano(std::int64_t n);

// Splits s at every occurrence of sep; m separators give m + 1 items. The list is emptied first.
// An empty separator would never shorten the text, so it is refused with std::invalid_argument.
void string2list(const std::string& s, const std::string& sep, std::vector<std::string>& lista);

// Fill to the width on the right (padRight) or on the left (padLeft); a longer text stays whole.
std::string padRight(const std::string& s, char riempimento, int larghezza);
std::string padLeft(const std::string& s, char riempimento, int larghezza);

// Text in radix 2..36 to a 32-bit integer; on failure 0, with the reason in lastToolsError().
std::int32_t string2int(const std::u16string& s, int radice);
void setToolsError(const std::u16string& testo);
// Returns the last error and empties it.
std::u16string lastToolsError();

enum class RegistryRoot { HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS };

// A value that exists but holds no text.
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text value, or the empty text when the key or the value is missing.
// Throws RegistryError("Invalid data type for '<name>'") for a value that is not text.
std::string readRegistryString(RegistryRoot radice, const std::string& chiave, const std::string& valore);
