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
// not repeated on each of its lines. A record takes a third of an A4 page's width: in one column a
// listing left most of each page empty and took three times the paper. Qt's text path shapes each line and writes each
// glyph with an offset of ten digits, which for a year's listing of some two thousand pages took most of the report's
// time and bytes. The font being fixed-pitch, its glyphs are placed here instead, a page at a time, a whole number of
// points apart, and the blanks are not drawn.
class ElencoRecord {
public:
    // The records in the fixed-pitch font, the headings in the bold of the other; one unit of the
    // page is one point. The records stand in as many columns as the page's width takes.
    ElencoRecord(const ContenutoTracciato& contenuto, const QFont& carattere, const QFont& intestazione,
        double larghezzaPagina, double altezzaPagina);

    int pagine() const { return static_cast<int>(pagine_.size()); }

    // From the top left of each page's body; nuovaPagina opens the next page.
    void disegna(QPainter& painter, double x, double y, const std::function<void()>& nuovaPagina) const;

private:
    // A line of a page: a file's heading and its columns', a type's heading across the page, or
    // a row of records, one per column, each column filled down before the next.
    struct Riga {
        enum class Tipo { Spazio, File, Colonne, Servizio, Record } tipo;
        const FileDichiarato* file = nullptr;
        const ServizioDichiarato* servizio = nullptr;
        bool segue = false; // a file's or a type's heading again on the page it goes on to
        std::size_t primo = 0; // the row's record in the first column, in ordine_
        std::size_t passo = 0; // from a record to the one beside it: the rows of its block
        std::size_t quanti = 0; // the records across
    };
    struct Glifi {
        std::vector<quint32> indici;
        std::vector<QPointF> posizioni;
    };
    static constexpr std::size_t kNumeroCelle = 3;

    void impagina(const FileDichiarato& file);
    std::size_t libere() const { return perPagina_ - pagine_.back().size(); }
    void apriPagina(const FileDichiarato& file, bool segue);
    void aggiungiRiga(Glifi& glifi, QPainter& painter, double x, double alto,
        const std::array<std::string_view, kNumeroCelle>& celle) const;

    QFont carattere_;
    QFont intestazione_;
    QFont gruppo_;
    double riga_;
    QRawFont glifi_;
    std::array<quint32, 256> indici_ {};
    double passo_ = 5;
    std::size_t colonne_ = 1;
    std::size_t perPagina_ = 4;
    std::vector<const RecordDichiarato*> ordine_; // the records as the listing takes them
    std::vector<std::vector<Riga>> pagine_;
};
