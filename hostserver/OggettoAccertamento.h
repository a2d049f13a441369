#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hostserver/ArchivioAccertamenti.h"

namespace hostserver {

// The host-side object "i_accertamento": the examinations of one patient, loaded by "carica"
// with a filter and read row by row. Texts are UTF-8; failures raise host::AutomationError.
class OggettoAccertamento {
public:
    // idPaziente empty: no current patient, so every load finds nothing.
    OggettoAccertamento(ArchivioAccertamenti& archivio, std::optional<std::string> idPaziente);

    // Runs one pipe method ("carica", "rowcount", "setrow", "leggi_attributo") and gives its text.
    std::string chiama(std::string_view metodo, std::string_view parametri);

private:
    std::string carica(std::string_view filtro);
    void setrow(std::string_view numero);
    std::string leggiAttributo(std::string_view nome) const;

    ArchivioAccertamenti& archivio_;
    std::optional<std::string> idPaziente_;
    std::vector<Accertamento> righe_;
    // 0-based; equal to righe_.size() when no row is current.
    std::size_t corrente_ = 0;
};

} // namespace hostserver
