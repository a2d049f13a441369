#include "export/TabellaCodici.h"

void TabellaCodici::carica(std::span<const std::string_view> testi)
{
    for (auto& colonna : colonne_) {
        colonna.clear();
        colonna.reserve(kRighe);
    }
    for (size_t i = 1; i <= testi.size(); ++i) {
        // An empty cell reads back as one blank, as the grid stores it.
        const std::string_view testo = testi[i - 1];
        colonne_[i % kColonne].emplace_back(testo.empty() ? std::string_view(" ") : testo);
    }
    indiceRowid_.clear();
    const auto& rowid = colonne_[ROWID];
    for (int riga = 0; riga < static_cast<int>(rowid.size()); ++riga)
        indiceRowid_.try_emplace(minuscoloCp1252(rowid[riga]), riga);
}

int TabellaCodici::cercaCodice(std::string_view codice) const
{
    const auto trovato = indiceRowid_.find(minuscoloCp1252(codice));
    return trovato == indiceRowid_.end() ? -1 : trovato->second;
}

const std::string& TabellaCodici::cella(int colonna, int riga) const
{
    static const std::string vuoto;
    if (colonna < 0 || colonna >= kColonne || riga < 0 || riga >= static_cast<int>(colonne_[colonna].size()))
        return vuoto;
    return colonne_[colonna][riga];
}

std::string minuscoloCp1252(std::string_view testo)
{
    std::string uscita(testo);
    for (char& c : uscita) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7))
            c = static_cast<char>(byte + 0x20);
        else if (byte == 0x8A || byte == 0x8C || byte == 0x8E) // Š Œ Ž
            c = static_cast<char>(byte + 0x10);
        else if (byte == 0x9F) // Ÿ
            c = static_cast<char>(0xFF);
    }
    return uscita;
}
