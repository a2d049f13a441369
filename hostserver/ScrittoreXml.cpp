#include "hostserver/ScrittoreXml.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/FileSistema.h"

namespace hostserver {
namespace {

constexpr std::size_t kSoglia = 1 << 20;
constexpr std::string_view kSostituto = "\xEF\xBF\xBD";

// Bytes that can be copied as they are: printable ASCII other than the markup characters.
constexpr std::array<bool, 256> tabellaSemplici()
{
    std::array<bool, 256> semplici {};
    for (int c = 0x20; c <= 0x7F; ++c)
        semplici[c] = true;
    for (const char c : { '&', '<', '>', '"' })
        semplici[static_cast<unsigned char>(c)] = false;
    return semplici;
}
constexpr auto kSemplici = tabellaSemplici();

// The length of the well-formed UTF-8 sequence at the start of testo holding a character that
// XML allows, or 0.
std::size_t sequenzaAmmessa(std::string_view testo)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(testo[k]); };
    const unsigned char primo = byte(0);
    std::size_t lunghezza = 0;
    char32_t codice = 0;
    char32_t minimo = 0;
    if (primo >= 0xC2 && primo <= 0xDF)
        lunghezza = 2, codice = primo & 0x1F, minimo = 0x80;
    else if ((primo & 0xF0) == 0xE0)
        lunghezza = 3, codice = primo & 0x0F, minimo = 0x800;
    else if (primo >= 0xF0 && primo <= 0xF4)
        lunghezza = 4, codice = primo & 0x07, minimo = 0x10000;
    else
        return 0;
    if (testo.size() < lunghezza)
        return 0;
    for (std::size_t k = 1; k < lunghezza; ++k) {
        if ((byte(k) & 0xC0) != 0x80)
            return 0;
        codice = (codice << 6) | (byte(k) & 0x3F);
    }
    const bool surrogato = codice >= 0xD800 && codice <= 0xDFFF;
    if (codice < minimo || codice > 0x10FFFF || surrogato || codice == 0xFFFE || codice == 0xFFFF)
        return 0;
    return lunghezza;
}

} // namespace

void appendiTestoXml(std::string& uscita, std::string_view testo, bool inAttributo)
{
    std::size_t i = 0;
    while (i < testo.size()) {
        std::size_t fine = i;
        while (fine < testo.size() && kSemplici[static_cast<unsigned char>(testo[fine])])
            ++fine;
        uscita.append(testo.data() + i, fine - i);
        if (fine == testo.size())
            break;
        i = fine;
        const char c = testo[i];
        switch (c) {
        case '&':
            uscita += "&amp;";
            break;
        case '<':
            uscita += "&lt;";
            break;
        case '>':
            uscita += "&gt;";
            break;
        case '"':
            uscita += "&quot;";
            break;
        case '\r':
            uscita += "&#13;";
            break;
        case '\t':
            uscita += inAttributo ? "&#9;" : "\t";
            break;
        case '\n':
            uscita += inAttributo ? "&#10;" : "\n";
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x80) {
                const std::size_t lunghezza = sequenzaAmmessa(testo.substr(i));
                if (lunghezza > 0) {
                    uscita.append(testo.data() + i, lunghezza);
                    i += lunghezza;
                    continue;
                }
            }
            uscita += kSostituto;
            break;
        }
        ++i;
    }
}

ScrittoreXml::ScrittoreXml(const std::filesystem::path& percorso)
    : percorso_(percorso)
    , file_(platform::apriFile(percorso, "wb"))
{
    if (!file_)
        throw std::runtime_error(
            "Impossibile creare il file " + platform::percorsoUtf8(percorso) + ": " + std::strerror(errno));
    buffer_.reserve(kSoglia + 4096);
}

void ScrittoreXml::dichiarazione()
{
    buffer_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
}

void ScrittoreXml::apri(std::string_view nome, std::initializer_list<Attributo> attributi)
{
    buffer_ += '<';
    buffer_ += nome;
    for (const auto& [chiave, valore] : attributi) {
        buffer_ += ' ';
        buffer_ += chiave;
        buffer_ += "=\"";
        appendiTestoXml(buffer_, valore, true);
        buffer_ += '"';
    }
    buffer_ += '>';
}

void ScrittoreXml::chiudi(std::string_view nome)
{
    buffer_ += "</";
    buffer_ += nome;
    buffer_ += '>';
    if (buffer_.size() >= kSoglia)
        scarica();
}

void ScrittoreXml::foglia(std::string_view nome, std::string_view testo)
{
    buffer_ += '<';
    buffer_ += nome;
    buffer_ += '>';
    appendiTestoXml(buffer_, testo, false);
    chiudi(nome);
}

void ScrittoreXml::scarica()
{
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get()) != buffer_.size())
        throw std::runtime_error(
            "Impossibile scrivere il file " + platform::percorsoUtf8(percorso_) + ": " + std::strerror(errno));
    buffer_.clear();
}

void ScrittoreXml::termina()
{
    if (!file_)
        return;
    scarica();
    std::FILE* file = file_.release();
    if (std::fclose(file) != 0)
        throw std::runtime_error(
            "Impossibile scrivere il file " + platform::percorsoUtf8(percorso_) + ": " + std::strerror(errno));
}

} // namespace hostserver
