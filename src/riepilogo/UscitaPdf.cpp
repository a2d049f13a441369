#include "riepilogo/UscitaPdf.h"

namespace {

constexpr std::size_t kBlocco = 64 * 1024;

} // namespace

std::optional<std::string> UscitaPdf::apri(const std::string& percorso)
{
    if (auto motivo = file_.apri(percorso))
        return motivo;
    blocco_.reserve(kBlocco);
    QIODevice::open(QIODevice::WriteOnly);
    return std::nullopt;
}

std::optional<std::string> UscitaPdf::chiudi()
{
    QIODevice::close();
    scarica();
    const std::optional<std::string> chiusura = file_.chiudi();
    return errore_ ? errore_ : chiusura;
}

qint64 UscitaPdf::writeData(const char* dati, qint64 quanti)
{
    blocco_.append(dati, static_cast<std::size_t>(quanti));
    if (blocco_.size() >= kBlocco)
        scarica();
    return quanti;
}

void UscitaPdf::scarica()
{
    if (!errore_ && !blocco_.empty())
        errore_ = file_.accoda(blocco_);
    blocco_.clear();
}
