#include "host/GuastoHost.h"

#include <cstdio>

#include "host/Automation.h"

namespace host {

TipoGuasto tipoGuasto(const std::exception& errore)
{
    const auto* automazione = dynamic_cast<const AutomationError*>(&errore);
    const std::uint32_t codice = automazione ? automazione->codice() : 0;
    switch (codice) {
    case kChiamataRifiutata:
    case kServerOccupato:
        return TipoGuasto::Occupato;
    case kServerNonDisponibile:
    case kServerDisconnesso:
    case kChiamataRpcFallita:
    case kChiamataRpcNonEseguita:
    case kServerTerminato:
    case kServerTerminatoPrima:
        return TipoGuasto::Chiuso;
    case kNomeNonRegistrato:
    case kClasseNonRegistrata:
        return TipoGuasto::NonRegistrato;
    case kAvvioNonRiuscito:
    case 0x8000401A: // CO_E_SERVER_START_TIMEOUT
    case 0x800401F5: // CO_E_APPNOTFOUND
    case 0x80070002: // the program's file is missing
    case 0x80070003: // its folder is missing
    case 0x8007007E: // a library it needs is missing
    case 0x800700C1: // not a program of this system
        return TipoGuasto::NonAvviabile;
    case kAccessoNegato:
        return TipoGuasto::AccessoNegato;
    default:
        // By the code alone: the system's words are those of its language, and a server may
        // use any words of its own.
        return TipoGuasto::Altro;
    }
}

std::string testoCodice(std::uint32_t codice)
{
    char esadecimale[16];
    std::snprintf(esadecimale, sizeof esadecimale, "0x%08lX", static_cast<unsigned long>(codice));
    return esadecimale;
}

} // namespace host
