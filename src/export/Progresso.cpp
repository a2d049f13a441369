#include "export/Progresso.h"

Progresso::Progresso(Mostra mostra)
    : mostra_(std::move(mostra))
    , ultimaFetta_(platform::adessoMonotono())
{
}

void Progresso::mostra(const std::string& testo)
{
    bInSospeso_ = false;
    mostra_(testo);
    // From the end of the window's turn, so that the work always gets its full slice.
    ultimaFetta_ = platform::adessoMonotono();
}
