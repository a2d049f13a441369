#include "platform/linux/RegistryFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "tools/Cp1252.h"

namespace platform {
namespace {

class FormatoNonValido { };

std::string minuscolo(std::string_view s)
{
    std::string uscita(s);
    std::transform(uscita.begin(), uscita.end(), uscita.begin(), [](unsigned char c) { return std::tolower(c); });
    return uscita;
}

std::string_view nomeRadice(RegistryRoot radice)
{
    switch (radice) {
    case RegistryRoot::HKEY_CLASSES_ROOT:
        return "HKEY_CLASSES_ROOT";
    case RegistryRoot::HKEY_CURRENT_USER:
        return "HKEY_CURRENT_USER";
    case RegistryRoot::HKEY_LOCAL_MACHINE:
        return "HKEY_LOCAL_MACHINE";
    case RegistryRoot::HKEY_USERS:
        return "HKEY_USERS";
    }
    return {};
}

// The export as UTF-8 text: regedit writes UTF-16LE with a byte-order mark; a file written by
// hand may be UTF-8; a REGEDIT4 export is in the ANSI code page.
std::string testoUtf8(std::string_view grezzo)
{
    if (grezzo.size() >= 2 && grezzo[0] == '\xFF' && grezzo[1] == '\xFE') {
        std::u16string unita;
        for (size_t i = 2; i + 1 < grezzo.size(); i += 2)
            unita += static_cast<char16_t>(
                static_cast<unsigned char>(grezzo[i]) | (static_cast<unsigned char>(grezzo[i + 1]) << 8));
        return utf16ToUtf8(unita);
    }
    if (grezzo.substr(0, 3) == "\xEF\xBB\xBF")
        grezzo.remove_prefix(3);
    return isValidUtf8(grezzo) ? std::string(grezzo) : cp1252ToUtf8(grezzo);
}

// Logical lines: comments and blank lines dropped, "\"-continued hex lines joined.
std::vector<std::string> righeLogiche(const std::string& testo)
{
    std::vector<std::string> righe;
    std::istringstream flusso(testo);
    std::string riga;
    std::string corrente;
    while (std::getline(flusso, riga)) {
        // Blanks around a line are layout, also those a hand edit leaves after a value.
        const auto inizio = riga.find_first_not_of(" \t\r");
        riga = inizio == std::string::npos ? std::string()
                                           : riga.substr(inizio, riga.find_last_not_of(" \t\r") - inizio + 1);
        if (corrente.empty() && (riga.empty() || riga.front() == ';'))
            continue;
        corrente += riga;
        if (!corrente.empty() && corrente.back() == '\\' && corrente.find("=hex") != std::string::npos) {
            corrente.pop_back();
            continue;
        }
        righe.push_back(std::move(corrente));
        corrente.clear();
    }
    if (!corrente.empty())
        righe.push_back(std::move(corrente));
    return righe;
}

// A quoted text starting at pos (on the opening quote); pos ends after the closing quote.
std::string testoTraVirgolette(const std::string& riga, size_t& pos)
{
    if (pos >= riga.size() || riga[pos] != '"')
        throw FormatoNonValido();
    std::string uscita;
    for (++pos; pos < riga.size(); ++pos) {
        const char c = riga[pos];
        if (c == '"') {
            ++pos;
            return uscita;
        }
        if (c == '\\') {
            if (++pos >= riga.size())
                throw FormatoNonValido();
            uscita += riga[pos];
            continue;
        }
        uscita += c;
    }
    throw FormatoNonValido();
}

std::vector<unsigned char> byteEsadecimali(std::string_view elenco)
{
    std::vector<unsigned char> byte;
    std::string cifra;
    std::istringstream flusso { std::string(elenco) };
    while (std::getline(flusso, cifra, ',')) {
        cifra.erase(
            std::remove_if(cifra.begin(), cifra.end(), [](unsigned char c) { return std::isspace(c); }), cifra.end());
        if (cifra.empty())
            continue;
        if (cifra.size() > 2
            || !std::all_of(cifra.begin(), cifra.end(), [](unsigned char c) { return std::isxdigit(c); }))
            throw FormatoNonValido();
        byte.push_back(static_cast<unsigned char>(std::stoul(cifra, nullptr, 16)));
    }
    return byte;
}

RegistryValue valoreDaDati(const std::string& dati, bool ansi)
{
    RegistryValue valore;
    if (dati == "-")
        return valore;
    if (!dati.empty() && dati.front() == '"') {
        size_t pos = 0;
        const std::string testo = testoTraVirgolette(dati, pos);
        if (pos != dati.size())
            throw FormatoNonValido();
        valore.tipo = RegistryValue::Tipo::Testo;
        valore.testo = utf8ToUtf16(testo);
        return valore;
    }
    const std::string tipo = minuscolo(dati.substr(0, dati.find(':')));
    if (dati.find(':') == std::string::npos)
        throw FormatoNonValido();
    const std::string corpo = dati.substr(dati.find(':') + 1);
    // hex(1) is plain text written as bytes, hex(2) expandable text.
    if (tipo == "hex(1)" || tipo == "hex(2)") {
        const std::vector<unsigned char> byte = byteEsadecimali(corpo);
        valore.tipo = RegistryValue::Tipo::Testo;
        if (ansi) {
            valore.testo = cp1252ToUtf16(std::string(byte.begin(), byte.end()));
        } else {
            for (size_t i = 0; i + 1 < byte.size(); i += 2)
                valore.testo += static_cast<char16_t>(byte[i] | (byte[i + 1] << 8));
        }
        return valore;
    }
    if (tipo == "dword" || tipo == "hex" || tipo.rfind("hex(", 0) == 0) {
        if (tipo != "dword")
            byteEsadecimali(corpo);
        valore.tipo = RegistryValue::Tipo::AltroTipo;
        return valore;
    }
    throw FormatoNonValido();
}

} // namespace

std::string percorsoFileRegistro()
{
    if (const char* percorso = std::getenv("OV_PIP_REGISTRY"); percorso && *percorso)
        return percorso;
    return "/etc/Corvitel-Amberlo/registry.reg";
}

RegistryValue cercaValoreRegistro(
    std::string_view contenutoFile, RegistryRoot radice, const std::string& chiave, const std::string& nome)
{
    std::string percorsoChiave = chiave;
    while (!percorsoChiave.empty() && percorsoChiave.front() == '\\')
        percorsoChiave.erase(0, 1);
    const std::string chiaveCercata = minuscolo(std::string(nomeRadice(radice)) + "\\" + cp1252ToUtf8(percorsoChiave));
    const std::string nomeCercato = minuscolo(cp1252ToUtf8(nome));

    try {
        const std::vector<std::string> righe = righeLogiche(testoUtf8(contenutoFile));
        if (righe.empty())
            return {};
        const bool ansi = righe.front() == "REGEDIT4";
        if (!ansi && righe.front() != "Windows Registry Editor Version 5.00")
            return {};

        RegistryValue trovato;
        bool inChiave = false;
        for (size_t i = 1; i < righe.size(); ++i) {
            const std::string& riga = righe[i];
            if (riga.front() == '[') {
                if (riga.back() != ']')
                    throw FormatoNonValido();
                std::string nomeChiave = minuscolo(riga.substr(1, riga.size() - 2));
                while (!nomeChiave.empty() && nomeChiave.back() == '\\')
                    nomeChiave.pop_back();
                inChiave = nomeChiave == chiaveCercata;
                if (nomeChiave == "-" + chiaveCercata)
                    trovato = {};
                continue;
            }
            size_t pos = 0;
            std::string nomeValore;
            if (riga.front() == '@')
                pos = 1;
            else
                nomeValore = testoTraVirgolette(riga, pos);
            if (pos >= riga.size() || riga[pos] != '=')
                throw FormatoNonValido();
            const RegistryValue valore = valoreDaDati(riga.substr(pos + 1), ansi);
            if (inChiave && minuscolo(nomeValore) == nomeCercato)
                trovato = valore;
        }
        return trovato;
    } catch (const FormatoNonValido&) {
        return {};
    } catch (const std::exception&) {
        return {};
    }
}

RegistryValue leggiValoreRegistro(RegistryRoot radice, const std::string& chiave, const std::string& nome)
{
    std::ifstream file(percorsoFileRegistro(), std::ios::binary);
    if (!file)
        return {};
    const std::string contenuto { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
    return cercaValoreRegistro(contenuto, radice, chiave, nome);
}

} // namespace platform
