#include "export/ControlloRecord.h"

#include <fstream>
#include <functional>
#include <optional>

#include "export/ContenutoTracciato.h"
#include "platform/FileSistema.h"

namespace {

std::string descrizione(Difetto difetto, const TracciatoRecord& tracciato)
{
    switch (difetto) {
    case Difetto::Larghezza:
        return "lunghezza diversa da " + std::to_string(tracciato.larghezza) + " caratteri";
    case Difetto::CodiceFiscaleVuoto:
        return "codice fiscale vuoto";
    case Difetto::DataNonValida:
        return "data non valida";
    case Difetto::DataFuoriPeriodo:
        return "data fuori dal periodo scelto";
    case Difetto::NumeroNonValido:
        return "numero di assistenze non valido";
    }
    return {};
}

} // namespace

std::optional<std::chrono::year_month_day> dataDelCampo(std::string_view campo)
{
    if (campo.size() != kLarghezzaData || campo[2] != '/' || campo[5] != '/')
        return std::nullopt;
    const std::optional<unsigned> giorno = cifre(campo.substr(0, 2));
    const std::optional<unsigned> mese = cifre(campo.substr(3, 2));
    const std::optional<unsigned> anno = cifre(campo.substr(6, 4));
    if (!giorno || !mese || !anno)
        return std::nullopt;
    const std::chrono::year_month_day data { std::chrono::year { static_cast<int>(*anno) },
        std::chrono::month { *mese }, std::chrono::day { *giorno } };
    if (!data.ok())
        return std::nullopt;
    return data;
}

std::optional<unsigned> cifre(std::string_view campo)
{
    unsigned numero = 0;
    for (const char c : campo) {
        if (c < '0' || c > '9')
            return std::nullopt;
        numero = numero * 10 + static_cast<unsigned>(c - '0');
    }
    return numero;
}

Difetti difettiRecord(std::string_view record, const TracciatoRecord& tracciato, const Periodo& periodo)
{
    Difetti difetti;
    if (record.size() != tracciato.larghezza) {
        difetti.set(static_cast<std::size_t>(Difetto::Larghezza));
        return difetti;
    }
    if (campoVuoto(record.substr(tracciato.posCodiceFiscale, kLarghezzaCodiceFiscale)))
        difetti.set(static_cast<std::size_t>(Difetto::CodiceFiscaleVuoto));
    const std::optional<std::chrono::year_month_day> data
        = dataDelCampo(record.substr(tracciato.posData, kLarghezzaData));
    if (!data)
        difetti.set(static_cast<std::size_t>(Difetto::DataNonValida));
    else if (!periodo.comprende(*data))
        difetti.set(static_cast<std::size_t>(Difetto::DataFuoriPeriodo));
    if (tracciato.larghezzaNumero > 0) {
        const std::optional<unsigned> numero = cifre(record.substr(tracciato.posNumero, tracciato.larghezzaNumero));
        if (!numero || *numero == 0)
            difetti.set(static_cast<std::size_t>(Difetto::NumeroNonValido));
    }
    return difetti;
}

bool scorriRecord(
    const std::string& sFile, std::size_t larghezza, const std::function<bool(std::optional<std::string_view>)>& suRiga)
{
    std::ifstream file(platform::percorsoNativo(sFile), std::ios::binary);
    if (!file)
        return false;
    // Only the first bytes of a record are kept: enough to tell one of the layout's width, CR included.
    const std::size_t capienza = larghezza + 1;
    std::string record;
    record.reserve(capienza);
    std::size_t lunghezza = 0; // of the record so far, its CR included
    char ultimo = '\0'; // the record's last byte so far
    const auto aggiungi = [&](std::string_view pezzo) {
        if (pezzo.empty())
            return;
        if (record.size() < capienza)
            record.append(pezzo.substr(0, capienza - record.size()));
        lunghezza += pezzo.size();
        ultimo = pezzo.back();
    };

    // Read piece by piece: a large practice's file need not be held whole.
    std::array<char, 65536> blocco;
    while (file.read(blocco.data(), blocco.size()) || file.gcount() > 0) {
        std::string_view resto(blocco.data(), static_cast<std::size_t>(file.gcount()));
        while (!resto.empty()) {
            const std::size_t a = resto.find('\n');
            aggiungi(resto.substr(0, a));
            if (a == std::string_view::npos)
                break;
            resto.remove_prefix(a + 1);
            if (lunghezza == 0 || ultimo != '\r') {
                // A bare line feed is part of the record.
                aggiungi("\n");
                continue;
            }
            if (!suRiga(lunghezza - 1 == larghezza ? std::optional(std::string_view(record).substr(0, larghezza))
                                                   : std::nullopt))
                return true;
            record.clear();
            lunghezza = 0;
            ultimo = '\0';
        }
    }
    if (lunghezza > 0)
        suRiga(std::nullopt);
    return true;
}

std::optional<std::chrono::year_month_day> dataDelRecord(std::string_view record, const TracciatoRecord& tracciato)
{
    if (record.size() != tracciato.larghezza)
        return std::nullopt;
    return dataDelCampo(record.substr(tracciato.posData, kLarghezzaData));
}

void RigheDifettose::aggiungi(
    std::optional<std::string_view> record, const TracciatoRecord& tracciato, const Periodo& periodo)
{
    ++righe;
    const Difetti difetti = record ? difettiRecord(*record, tracciato, periodo)
                                   : Difetti().set(static_cast<std::size_t>(Difetto::Larghezza));
    if (record && tracciato.larghezzaNumero > 0 && !difetti.test(static_cast<std::size_t>(Difetto::NumeroNonValido)))
        prestazioni += *cifre(record->substr(tracciato.posNumero, tracciato.larghezzaNumero));
    if (difetti.none())
        return;
    ++n;
    for (std::size_t d = 0; d < kDifetti; ++d) {
        if (!difetti.test(d))
            continue;
        Righe& conQuesto = perDifetto[d];
        ++conQuesto.n;
        if (conQuesto.prime.size() < 3)
            conQuesto.prime.push_back(righe);
    }
}

RigheDifettose righeDifettose(const std::string& sFile, const TracciatoRecord& tracciato, const Periodo& periodo)
{
    RigheDifettose righe;
    scorriRecord(sFile, tracciato.larghezza, [&](std::optional<std::string_view> record) {
        righe.aggiungi(record, tracciato, periodo);
        return true;
    });
    return righe;
}

std::string avvisoRecord(const TracciatoRecord& tracciato, const RigheDifettose& righe)
{
    if (righe.n == 0)
        return {};
    std::string difetti;
    for (std::size_t d = 0; d < kDifetti; ++d) {
        const RigheDifettose::Righe& perDifetto = righe.perDifetto[d];
        if (perDifetto.n == 0)
            continue;
        std::string numeri;
        for (const std::int32_t riga : perDifetto.prime)
            numeri += (numeri.empty() ? "" : ", ") + std::to_string(riga);
        const auto altre = perDifetto.n - static_cast<std::int32_t>(perDifetto.prime.size());
        if (altre > 0)
            numeri += " e altre " + std::to_string(altre);
        difetti += (difetti.empty() ? "" : ", ") + descrizione(static_cast<Difetto>(d), tracciato) + " ("
            + (perDifetto.n == 1 ? "riga " : "righe ") + numeri + ")";
    }
    const bool una = righe.n == 1;
    return "ATTENZIONE: " + std::to_string(righe.n) + (una ? " riga di " : " righe di ") + tracciato.nome
        + (una ? " non conforme" : " non conformi") + " al tracciato: " + difetti + ".";
}

ControlloTracciato controllaTracciato(const ContenutoTracciato& contenuto)
{
    ControlloTracciato controllo;
    const auto quante
        = [](std::int64_t n, const char* una, const char* tante) { return std::to_string(n) + (n == 1 ? una : tante); };
    for (const FileDichiarato& file : contenuto.file) {
        const TracciatoRecord& tracciato = *file.tracciato;
        const RigheDifettose& righe = file.difetti;
        if (righe.n > 0)
            controllo.avvisi.push_back({ avvisoRecord(tracciato, righe),
                { std::to_string(righe.n) + (righe.n == 1 ? " riga di " : " righe di ") + tracciato.nome
                    + (righe.n == 1 ? " non conforme" : " non conformi") + " al tracciato." } });
        controllo.conteggi += (controllo.conteggi.empty() ? "\r\n\r\nContenuto dei file:\r\n" : "\r\n")
            + std::string(tracciato.nome) + ": " + quante(righe.righe, " riga", " righe")
            + (tracciato.larghezzaNumero > 0 ? ", " + quante(righe.prestazioni, " prestazione", " prestazioni") : "");
    }
    return controllo;
}
