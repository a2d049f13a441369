#include "storico/ConfrontoMesi.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <optional>

#include "storico/MesiNonEsportati.h"
#include "tools/tc_GenTools.h"

namespace {

using namespace std::chrono;

// The month, when the period is that whole month.
std::optional<year_month> meseIntero(const Periodo& periodo)
{
    const year_month mese = periodo.dallaData.year() / periodo.dallaData.month();
    if (periodo.dallaData != mese / 1 || periodo.allaData != year_month_day { mese / last })
        return std::nullopt;
    return mese;
}

// The month a line of the register stands for: a finished export of the doctor that covered
// every day of one whole month.
std::optional<year_month> meseCoperto(const VoceRegistro& voce, const std::string& sCodiceRegionale)
{
    const std::optional<year_month> mese = meseIntero(voce.periodo);
    const std::optional<GiorniCoperti> giorni = giorniCoperti(voce);
    if (!mese || !giorni || voce.sCodiceRegionale != sCodiceRegionale || giorni->al < sys_days { *mese / last })
        return std::nullopt;
    return mese;
}

// Half of one month's services is no sign yet: the median of two months at least.
bool scarso(std::int64_t prestazioni, std::vector<std::int64_t> precedenti)
{
    if (precedenti.size() < 2)
        return false;
    std::sort(precedenti.begin(), precedenti.end());
    const std::size_t meta = precedenti.size() / 2;
    const double mediana = precedenti.size() % 2 == 1
        ? static_cast<double>(precedenti[meta])
        : (static_cast<double>(precedenti[meta - 1]) + static_cast<double>(precedenti[meta])) / 2;
    return static_cast<double>(prestazioni) < mediana / 2;
}

// "PPIP.DAT: 1.469 prestazioni (gennaio 2026: 1.602, dicembre 2025: 1.551)"
std::string rigaConfronto(const ConfrontoMesi& confronto, const ConfrontoFile& file)
{
    std::string riga = std::string(file.nome) + ": " + numeroItaliano(file.prestazioni)
        + (file.prestazioni == 1 ? " prestazione (" : " prestazioni (");
    for (std::size_t m = 0; m < confronto.mesi.size(); ++m)
        riga += (m == 0 ? "" : ", ") + meseItaliano(confronto.mesi[m]) + ": " + numeroItaliano(file.precedenti[m]);
    return riga + ")";
}

} // namespace

ConfrontoMesi confrontaMesi(const std::vector<VoceRegistro>& voci, const std::string& sCodiceRegionale,
    const Periodo& periodo, const ContenutoTracciato& contenuto)
{
    ConfrontoMesi confronto { periodo.dallaData.year() / periodo.dallaData.month(), {}, {} };
    if (!meseIntero(periodo))
        return confronto;
    // A month exported again counts as its last export, whatever the clock said then.
    std::map<year_month, const VoceRegistro*, std::greater<>> ultimaDelMese;
    for (const VoceRegistro& voce : voci) {
        const std::optional<year_month> mese = meseCoperto(voce, sCodiceRegionale);
        if (mese && *mese < confronto.mese)
            ultimaDelMese[*mese] = &voce;
    }
    std::vector<const VoceRegistro*> precedenti;
    for (const auto& [mese, voce] : ultimaDelMese) {
        if (precedenti.size() == kMesiConfrontati)
            break;
        confronto.mesi.push_back(mese);
        precedenti.push_back(voce);
    }
    if (precedenti.empty())
        return confronto;
    // The run's counts as its own line of the register will hold them.
    const VoceRegistro corrente = voceRegistro({}, periodo, {}, sCodiceRegionale, EsitoRegistro::Completata, contenuto);
    for (std::size_t f = 0; f < std::size(kFileRegistrati); ++f) {
        ConfrontoFile file { kFileRegistrati[f], corrente.file[f].prestazioni, {} };
        for (const VoceRegistro* voce : precedenti)
            file.precedenti.push_back(voce->file[f].prestazioni);
        if (file.prestazioni == 0 && std::ranges::count(file.precedenti, 0) == std::ssize(file.precedenti))
            continue;
        file.scarso = scarso(file.prestazioni, file.precedenti);
        confronto.file.push_back(std::move(file));
    }
    return confronto;
}

void aggiungiConfronto(EsitoTracciato& esito, const ConfrontoMesi& confronto)
{
    if (confronto.file.empty())
        return;
    esito.conteggi += std::string(kFineRiga) + kFineRiga + "Confronto con i mesi precedenti:";
    for (const ConfrontoFile& file : confronto.file) {
        const std::string riga = rigaConfronto(confronto, file);
        esito.conteggi += kFineRiga + riga;
        if (!file.scarso)
            continue;
        const std::string avviso = riga
            + ", meno della met\xE0 dei mesi precedenti: verificare in Orvella che le prestazioni del periodo siano "
              "registrate.";
        esito.avvisi.push_back({ "ATTENZIONE: " + avviso, { avviso } });
    }
}
