#include "export/EsitoTracciato.h"

#include "tools/tc_GenTools.h"

std::string EsitoTracciato::riepilogo() const
{
    std::string riepilogo;
    for (const AvvisoTracciato& avviso : avvisi)
        riepilogo += avviso.testo + kFineRiga;
    if (!avvisi.empty())
        riepilogo += kFineRiga;
    riepilogo += primaRiga + "       Tipo (" + sContratto + ")" + kFineRiga + file + conteggi;
    if (!chiusura.empty())
        riepilogo += std::string(kFineRiga) + kFineRiga + chiusura;
    return riepilogo;
}

namespace {

bool senzaAltro(const EsitoTracciato& esito)
{
    return esito.primaRiga == kOperazioneCompletata && esito.avvisi.empty() && esito.chiusuraBreve.empty();
}

} // namespace

std::string EsitoTracciato::messaggioFinale() const
{
    std::string messaggio = kProceduraTerminata;
    const bool completata = primaRiga == kOperazioneCompletata;
    if (senzaAltro(*this))
        return messaggio;
    if (!completata)
        messaggio += kFineRiga + primaRiga;
    for (const AvvisoTracciato& avviso : avvisi)
        for (const std::string& breve : avviso.brevi)
            messaggio += kFineRiga + breve;
    if (!chiusuraBreve.empty())
        messaggio += kFineRiga + chiusuraBreve;
    return riepilogoScritto ? messaggio + kFineRiga + "Dettagli nel riepilogo." : messaggio;
}

platform::Gravita EsitoTracciato::gravitaFinale() const
{
    return senzaAltro(*this) ? platform::Gravita::Informazione : platform::Gravita::Avviso;
}
