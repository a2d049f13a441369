#include "export/Records.h"

#include <algorithm>

#include "tools/tc_GenTools.h"

std::string maiuscoloAscii(std::string_view testo)
{
    std::string maiuscolo(testo);
    for (char& c : maiuscolo) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return maiuscolo;
}

bool campoVuoto(std::string_view testo)
{
    return std::all_of(testo.begin(), testo.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

std::string dataItaliana(std::chrono::year_month_day data)
{
    return dataRecord(date2string(data));
}

std::string oraItaliana(platform::LocalTime momento, bool bSecondi)
{
    using namespace std::chrono;
    const hh_mm_ss<seconds> ora { momento - floor<days>(momento) };
    return dueCifre(ora.hours().count()) + ":" + dueCifre(ora.minutes().count())
        + (bSecondi ? ":" + dueCifre(ora.seconds().count()) : std::string());
}

std::string dataRecord(std::string_view data)
{
    const std::string_view giorno = data.substr(data.size() >= 2 ? data.size() - 2 : 0);
    const std::string_view mese = data.size() > 5 ? data.substr(5, 2) : std::string_view();
    const std::string_view anno = data.substr(0, 4);
    std::string risultato;
    risultato.reserve(10);
    risultato.append(giorno).append(1, '/').append(mese).append(1, '/').append(anno);
    return risultato;
}

std::string recordAccessi(const std::string& codiceFiscale, const std::string& sCodiceRegionale,
    const std::string& data, std::int32_t numeroAssistenze, const std::string& codePuglia)
{
    return padRight(maiuscoloAscii(codiceFiscale), ' ', 16) + padLeft(sCodiceRegionale, '0', 6)
        + padRight(dataRecord(data), ' ', 10) + padLeft(std::to_string(numeroAssistenze), '0', 4)
        + padLeft(codePuglia, '0', 1) + kFineRiga;
}

std::string recordPpip(const std::string& codiceFiscale, const std::string& sCodiceRegionale,
    const std::string& codePuglia, const std::string& data, std::int32_t numeroAssistenze)
{
    return padRight(maiuscoloAscii(codiceFiscale), ' ', 16) + padLeft(sCodiceRegionale, '0', 6)
        + padLeft(codePuglia, '0', 3) + padRight(dataRecord(data), ' ', 10)
        + padLeft(std::to_string(numeroAssistenze), '0', 5) + kFineRiga;
}

std::string recordBilsalu(const std::string& codiceFiscale, const std::string& sCodiceRegionale,
    const std::string& data, std::int32_t codiceBilancio)
{
    return padRight(codiceFiscale, ' ', 16) + padLeft(sCodiceRegionale, '0', 6) + padRight(dataRecord(data), ' ', 10)
        + padLeft(std::to_string(codiceBilancio), '0', 2) + kFineRiga;
}

namespace {

std::string voce(const char* inizio, const std::string& nome, const std::string& data, const std::string& codice)
{
    return inizio + nome + " *Data*:" + data + " *Codice Orvella*: " + codice;
}

} // namespace

std::string voceSconosciuto(const std::string& nome, const std::string& data, const std::string& codice)
{
    return voce("*SCONOSCIUTO: Nome Prestazione*: ", nome, data, codice);
}

std::string voceSoloMmg(const std::string& nome, const std::string& data, const std::string& codice)
{
    return voce("*SCARTATO (SOLO PER MMG): Nome Prestazione*: ", nome, data, codice);
}

std::string voceSoloPls(const std::string& nome, const std::string& data, const std::string& codice)
{
    // This one has never started with an asterisk.
    return voce("SCARTATO (SOLO PER PLS): Nome Prestazione*: ", nome, data, codice);
}
