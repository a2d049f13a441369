#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "tools/FineRiga.h"

// Fixed-width records of the export files and the entries of trx_sconosciuti.txt.
// Texts fill with blanks on the right, numbers and codes with "0" on the left; nothing is cut.

// The width of each layout, without its line end: the region reads the files by position.
inline constexpr std::size_t kLarghezzaAccessi = 37;
inline constexpr std::size_t kLarghezzaPpip = 40; // VACCINI.DAT too
inline constexpr std::size_t kLarghezzaBilsalu = 34;

// Where a layout's checked fields stand, counted from 0. The fiscal code is 16 characters and the
// date 10 (DD/MM/YYYY) in every layout; BILSALU.DAT has no count (its last two digits are the
// codice bilancio).
struct TracciatoRecord {
    const char* nome;
    std::size_t larghezza;
    std::size_t posCodiceFiscale;
    std::size_t posData;
    std::size_t posNumero;
    std::size_t larghezzaNumero; // 0: no count
};
inline constexpr std::size_t kLarghezzaCodiceFiscale = 16;
inline constexpr std::size_t kLarghezzaData = 10;
inline constexpr TracciatoRecord kTracciatoAccessi { "ACCESSI.DAT", kLarghezzaAccessi, 0, 22, 32, 4 };
inline constexpr TracciatoRecord kTracciatoPpip { "PPIP.DAT", kLarghezzaPpip, 0, 25, 35, 5 };
inline constexpr TracciatoRecord kTracciatoVaccini { "VACCINI.DAT", kLarghezzaPpip, 0, 25, 35, 5 };
inline constexpr TracciatoRecord kTracciatoBilsalu { "BILSALU.DAT", kLarghezzaBilsalu, 0, 22, 0, 0 };

// Blanks and control characters do not fill a field: a host answer made only of them is none.
bool campoVuoto(std::string_view testo);

// Only a-z change: the fiscal code keeps every other byte as it is.
std::string maiuscoloAscii(std::string_view testo);

// YYYY-MM-DD to DD/MM/YYYY by position: the last two characters, characters 6-7, the first four.
// A shorter text gives whatever those slices hold.
std::string dataRecord(std::string_view data);

// A day as the records write it, DD/MM/YYYY: also how the summary and the reports name a day.
std::string dataItaliana(std::chrono::year_month_day data);
// The time of day of a moment as the summaries, the report and the register write it: "HH:MM",
// or "HH:MM:SS".
std::string oraItaliana(platform::LocalTime momento, bool bSecondi = false);

// ACCESSI.DAT: CF(16) regional code(6) date(10) count(4) regional service code(1), CR LF.
std::string recordAccessi(const std::string& codiceFiscale, const std::string& sCodiceRegionale,
    const std::string& data, std::int32_t numeroAssistenze, const std::string& codePuglia);

// PPIP.DAT and VACCINI.DAT: CF(16) regional code(6) regional service code(3) date(10) count(5), CR LF.
std::string recordPpip(const std::string& codiceFiscale, const std::string& sCodiceRegionale,
    const std::string& codePuglia, const std::string& data, std::int32_t numeroAssistenze);

// BILSALU.DAT: CF as given (16), regional code(6), date(10), health-check code(2), CR LF.
std::string recordBilsalu(const std::string& codiceFiscale, const std::string& sCodiceRegionale,
    const std::string& data, std::int32_t codiceBilancio);

// The trx_sconosciuti.txt entries, without a line end: consecutive entries run on in one line.
std::string voceSconosciuto(const std::string& nome, const std::string& data, const std::string& codice);
std::string voceSoloMmg(const std::string& nome, const std::string& data, const std::string& codice);
std::string voceSoloPls(const std::string& nome, const std::string& data, const std::string& codice);
