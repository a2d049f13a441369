#include "hostserver/ListaParametri.h"

#include "hostserver/ErroreChiamata.h"

namespace hostserver {
namespace {

std::string_view senzaSpazi(std::string_view testo)
{
    const auto inizio = testo.find_first_not_of(" \t");
    if (inizio == std::string_view::npos)
        return {};
    const auto fine = testo.find_last_not_of(" \t");
    return testo.substr(inizio, fine - inizio + 1);
}

} // namespace

std::vector<Parametro> leggiListaParametri(std::string_view lista)
{
    std::vector<Parametro> parametri;
    for (;;) {
        const auto barra = lista.find('|');
        const std::string_view voce = lista.substr(0, barra);
        if (!senzaSpazi(voce).empty()) {
            const auto uguale = voce.find('=');
            Parametro parametro { std::string(senzaSpazi(voce.substr(0, uguale))), std::nullopt };
            if (uguale != std::string_view::npos)
                parametro.valore = std::string(voce.substr(uguale + 1));
            parametri.push_back(std::move(parametro));
        }
        if (barra == std::string_view::npos)
            break;
        lista.remove_prefix(barra + 1);
    }
    return parametri;
}

bool dataValida(std::string_view data)
{
    if (data.size() != 10 || data[4] != '-' || data[7] != '-')
        return false;
    for (const size_t i : { 0, 1, 2, 3, 5, 6, 8, 9 }) {
        if (data[i] < '0' || data[i] > '9')
            return false;
    }
    return true;
}

std::string valoreData(const Parametro& parametro)
{
    if (!parametro.valore || !dataValida(*parametro.valore))
        falliChiamata("Data non valida in " + parametro.chiave + ": " + parametro.valore.value_or(""));
    return *parametro.valore;
}

} // namespace hostserver
