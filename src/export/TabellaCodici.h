#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The built-in service code table: 107 rows (row 0 holds the column names) of 6 text columns.
class TabellaCodici {
public:
    static constexpr int kRighe = 107;
    static constexpr int kColonne = 6;
    enum Colonna { VACCINO = 0, TIPO = 1, CODE_PUGLIA = 2, DESCRIZ = 3, ROWID = 4, PROFESSIONISTA = 5 };

    // Fills the table from the built-in texts; an empty text is stored as one blank.
    void caricaTabellaCodici() { carica(sorgente()); }
    // The same from other texts in the built-in order (row by row: TIPO, CODE_PUGLIA, DESCRIZ,
    // ROWID, PROFESSIONISTA, VACCINO), text i going to column i mod 6.
    void carica(std::span<const std::string_view> testi);

    // The first row, header included, whose ROWID equals the code without regard to letter case
    // and without trimming; -1 when none does.
    int cercaCodice(std::string_view codice) const;

    // The cell at (colonna, riga); the empty text outside the filled area.
    const std::string& cella(int colonna, int riga) const;

    int righe() const { return static_cast<int>(colonne_[0].size()); }

    // The 642 built-in texts, row by row.
    static std::span<const std::string_view> sorgente();

private:
    std::array<std::vector<std::string>, kColonne> colonne_;
    // Case-folded ROWID to its first row: the lookup's first-match rule, without a scan.
    std::unordered_map<std::string, int> indiceRowid_;
};

// Letter case folded as the Windows-1252 locale compares it.
std::string minuscoloCp1252(std::string_view testo);
