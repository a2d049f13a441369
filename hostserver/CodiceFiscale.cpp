#include "hostserver/CodiceFiscale.h"

#include <array>
#include <stdexcept>

#include "tools/Cp1252.h"

namespace hostserver {
namespace {

// The letters of a name, upper-case and without accents.
std::string soloLettere(std::string_view nomeUtf8)
{
    std::string lettere;
    for (const char c : utf8ToCp1252(nomeUtf8)) {
        const auto byte = static_cast<unsigned char>(c);
        char lettera = 0;
        if (byte >= 'A' && byte <= 'Z')
            lettera = static_cast<char>(byte);
        else if (byte >= 'a' && byte <= 'z')
            lettera = static_cast<char>(byte - 'a' + 'A');
        else if (byte >= 0xC0) {
            // Latin-1 accented letters, upper and lower case alike.
            const unsigned base = byte >= 0xE0 ? byte - 0x20 : byte;
            if (base <= 0xC5)
                lettera = 'A';
            else if (base == 0xC7)
                lettera = 'C';
            else if (base >= 0xC8 && base <= 0xCB)
                lettera = 'E';
            else if (base >= 0xCC && base <= 0xCF)
                lettera = 'I';
            else if (base == 0xD1)
                lettera = 'N';
            else if (base >= 0xD2 && base <= 0xD6)
                lettera = 'O';
            else if (base >= 0xD9 && base <= 0xDC)
                lettera = 'U';
        }
        if (lettera)
            lettere += lettera;
    }
    return lettere;
}

bool vocale(char c)
{
    return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U';
}

std::string tre(std::string_view nome, bool regolaDelNome)
{
    std::string consonanti;
    std::string vocali;
    for (const char c : soloLettere(nome))
        (vocale(c) ? vocali : consonanti) += c;
    // A name with four or more consonants skips the second one.
    if (regolaDelNome && consonanti.size() >= 4)
        return { consonanti[0], consonanti[2], consonanti[3] };
    std::string codice = (consonanti + vocali + "XXX").substr(0, 3);
    return codice;
}

std::string dueCifre(unsigned valore)
{
    return { static_cast<char>('0' + valore / 10 % 10), static_cast<char>('0' + valore % 10) };
}

} // namespace

char carattereControllo(std::string_view primiQuindici)
{
    // Values of the characters in odd positions (1st, 3rd, ...), for 0-9 and A-Z alike.
    static constexpr std::array<int, 26> kDispari
        = { 1, 0, 5, 7, 9, 13, 15, 17, 19, 21, 2, 4, 18, 20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23 };
    int somma = 0;
    for (std::size_t i = 0; i < primiQuindici.size(); ++i) {
        const char c = primiQuindici[i];
        int valore = 0;
        if (c >= '0' && c <= '9')
            valore = c - '0';
        else if (c >= 'A' && c <= 'Z')
            valore = c - 'A';
        else
            throw std::invalid_argument("carattere non ammesso nel codice fiscale");
        somma += i % 2 == 0 ? kDispari[valore] : valore;
    }
    return static_cast<char>('A' + somma % 26);
}

std::string codiceFiscale(std::string_view cognome, std::string_view nome, std::chrono::year_month_day nascita,
    bool femmina, std::string_view codiceComune)
{
    static constexpr std::string_view kMesi = "ABCDEHLMPRST";
    std::string codice = tre(cognome, false) + tre(nome, true);
    codice += dueCifre(static_cast<unsigned>(static_cast<int>(nascita.year()) % 100));
    codice += kMesi[static_cast<unsigned>(nascita.month()) - 1];
    codice += dueCifre(static_cast<unsigned>(nascita.day()) + (femmina ? 40 : 0));
    codice += codiceComune;
    codice += carattereControllo(codice);
    return codice;
}

} // namespace hostserver
