#pragma once

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "export/ContenutoTracciato.h"

class QPainter;

// The records of every file after the tables, by service type in the tables' order, each type
// under its code and name: a record is found where the payment statement counts it, and the name is
// not repeated on each of its lines. Qt's text path shapes each line and writes each glyph with an
// offset of ten digits, which for a year's listing of some two thousand pages took most of the
// report's time and bytes. The font being fixed-pitch, its glyphs are placed here instead, a page
// at a time, a whole number of points apart, and the blanks are not drawn.
class ElencoRecord {
public:
    // The records in the fixed-pitch font, the headings in the bold of the other; one unit of the
    // page is one point.
    ElencoRecord(
        const ContenutoTracciato& contenuto, const QFont& carattere, const QFont& intestazione, double altezzaPagina);

    int pagine() const { return static_cast<int>(pagine_.size()); }

    // From the top left of each page's body; nuovaPagina opens the next page.
    void disegna(QPainter& painter, double x, double y, const std::function<void()>& nuovaPagina) const;

private:
    // A line under a page's headings: a record, or the heading of its service type.
    struct Riga {
        const ServizioDichiarato* servizio;
        const RecordDichiarato* record; // none for the type's heading
        bool segue; // the heading of a type begun on a page before
    };
    struct Pagina {
        const FileDichiarato* file;
        bool segue; // the file begun on a page before
        std::vector<Riga> righe;
    };
    struct Glifi {
        std::vector<quint32> indici;
        std::vector<QPointF> posizioni;
    };
    static constexpr std::size_t kNumeroColonne = 3;

    void impagina(const FileDichiarato& file, std::size_t perPagina);
    void aggiungiRiga(Glifi& glifi, QPainter& painter, double x, double alto,
        const std::array<std::string_view, kNumeroColonne>& celle) const;

    QFont carattere_;
    QFont intestazione_;
    QFont gruppo_;
    double riga_;
    QRawFont glifi_;
    std::array<quint32, 256> indici_ {};
    double passo_ = 5;
    std::vector<Pagina> pagine_;
};
