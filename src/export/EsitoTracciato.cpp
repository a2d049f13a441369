#include "export/EsitoTracciato.h"

namespace {

constexpr const char* kCrLf = "\r\n";

} // namespace

std::string EsitoTracciato::riepilogo() const
{
    std::string riepilogo;
    for (const AvvisoTracciato& avviso : avvisi)
        riepilogo += avviso.testo + kCrLf;
    if (!avvisi.empty())
        riepilogo += kCrLf;
    riepilogo += primaRiga + "       Tipo (" + sContratto + ")" + kCrLf + file + conteggi;
    if (!chiusura.empty())
        riepilogo += std::string(kCrLf) + kCrLf + chiusura;
    return riepilogo;
}

std::string EsitoTracciato::messaggioFinale() const
{
    std::string messaggio = kProceduraTerminata;
    const bool completata = primaRiga == kOperazioneCompletata;
    if (completata && avvisi.empty() && chiusuraBreve.empty())
        return messaggio;
    if (!completata)
        messaggio += kCrLf + primaRiga;
    for (const AvvisoTracciato& avviso : avvisi)
        for (const std::string& breve : avviso.brevi)
            messaggio += kCrLf + breve;
    if (!chiusuraBreve.empty())
        messaggio += kCrLf + chiusuraBreve;
    return messaggio + kCrLf + "Dettagli nel riepilogo.";
}
