#include "riepilogo/ElencoRecord.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <map>

#include "riepilogo/Testo.h"

namespace {

// Where each column starts, in characters, and whether its text stands against its right end.
struct Colonna {
    int inizio;
    int larghezza;
    bool aDestra;
};
constexpr Colonna kColonne[] = { { 0, 18, false }, { 18, 12, false }, { 30, 6, true } };

// A type's name in its heading, cut where it would run over the page's body: by characters, not by
// the width of the font's letters, which each system measures its own way.
std::string nomeInTitolo(const std::string& nome)
{
    constexpr std::size_t kLettere = 72;
    return nome.size() <= kLettere ? nome : nome.substr(0, kLettere - 1) + "\x85";
}

// A record's count as a number is read, without its zeros in front; one where records carry none.
std::string_view quante(const std::string& numero)
{
    if (numero.empty())
        return "1";
    const std::size_t prima = numero.find_first_not_of('0');
    if (prima == std::string::npos || numero.find_first_not_of("0123456789") != std::string::npos)
        return numero;
    return std::string_view(numero).substr(prima);
}

} // namespace

ElencoRecord::ElencoRecord(
    const ContenutoTracciato& contenuto, const QFont& carattere, const QFont& intestazione, double altezzaPagina)
    : carattere_(carattere)
    , intestazione_(intestazione)
    , gruppo_(intestazione)
    , riga_(QFontMetricsF(carattere).lineSpacing())
    , glifi_(QRawFont::fromFont(carattere))
{
    static_assert(std::size(kColonne) == kNumeroColonne);
    intestazione_.setBold(true);
    gruppo_.setBold(true);
    gruppo_.setPointSizeF(carattere.pointSizeF());
    glifi_.setPixelSize(carattere.pointSizeF());
    for (unsigned c = 0; c < indici_.size(); ++c) {
        const QList<quint32> indice = glifi_.glyphIndexesForString(testo(std::string(1, static_cast<char>(c))));
        indici_[c] = indice.size() == 1 ? indice.front() : 0;
    }
    QPointF avanzamento;
    if (indici_['0'] != 0 && glifi_.advancesForGlyphIndexes(&indici_['0'], &avanzamento, 1))
        passo_ = std::ceil(avanzamento.x());
    // Under the page's heading and the columns'.
    const std::size_t perPagina = static_cast<std::size_t>(std::max(4, static_cast<int>(altezzaPagina / riga_)) - 3);
    for (const FileDichiarato& file : contenuto.file)
        impagina(file, perPagina);
}

void ElencoRecord::disegna(QPainter& painter, double x, double y, const std::function<void()>& nuovaPagina) const
{
    for (const Pagina& pagina : pagine_) {
        nuovaPagina();
        double alto = y + riga_;
        painter.setFont(intestazione_);
        painter.drawText(QPointF(x, alto),
            QStringLiteral("%1: record%2").arg(testo(pagina.file->tracciato->nome), pagina.segue ? " (segue)" : ""));
        painter.setFont(carattere_);
        Glifi glifi;
        alto += riga_;
        aggiungiRiga(glifi, painter, x, alto, { "Codice fiscale", "Data", "N." });
        for (const Riga& riga : pagina.righe) {
            alto += riga_;
            if (riga.record) {
                aggiungiRiga(glifi, painter, x, alto,
                    { riga.record->codiceFiscale, riga.record->data, quante(riga.record->numero) });
                continue;
            }
            painter.setFont(gruppo_);
            painter.drawText(QPointF(x, alto),
                QStringLiteral("%1 %2%3").arg(testo(riga.servizio->codice), testo(nomeInTitolo(riga.servizio->nome)),
                    riga.segue ? " (segue)" : ""));
            painter.setFont(carattere_);
        }
        if (!glifi.indici.empty()) {
            QGlyphRun corsa;
            corsa.setRawFont(glifi_);
            corsa.setRawData(glifi.indici.data(), glifi.posizioni.data(), static_cast<int>(glifi.indici.size()));
            painter.drawGlyphRun(QPointF(), corsa);
        }
    }
}

// Each file starts a page of its own; a type's heading never stands last on a page, and stands again
// at the top of a page that its records go on to.
void ElencoRecord::impagina(const FileDichiarato& file, std::size_t perPagina)
{
    std::map<std::string_view, std::vector<const RecordDichiarato*>> perCodice;
    for (const RecordDichiarato& record : file.record)
        perCodice[record.codice].push_back(&record);
    pagine_.push_back({ &file, false, {} });
    for (const ServizioDichiarato& servizio : file.servizi) {
        if (pagine_.back().righe.size() + 2 > perPagina)
            pagine_.push_back({ &file, true, {} });
        pagine_.back().righe.push_back({ &servizio, nullptr, false });
        for (const RecordDichiarato* record : perCodice[servizio.codice]) {
            if (pagine_.back().righe.size() == perPagina) {
                pagine_.push_back({ &file, true, {} });
                pagine_.back().righe.push_back({ &servizio, nullptr, true });
            }
            pagine_.back().righe.push_back({ &servizio, record, false });
        }
    }
}

// A character the font lacks (none of Windows-1252 in the fonts named) takes Qt's own path.
void ElencoRecord::aggiungiRiga(Glifi& glifi, QPainter& painter, double x, double alto,
    const std::array<std::string_view, kNumeroColonne>& celle) const
{
    for (std::size_t c = 0; c < celle.size(); ++c) {
        const Colonna& colonna = kColonne[c];
        const std::string_view cella = celle[c];
        const int inizio
            = colonna.aDestra ? colonna.inizio + colonna.larghezza - static_cast<int>(cella.size()) : colonna.inizio;
        const double da = x + inizio * passo_;
        bool completa = true;
        const std::size_t prima = glifi.indici.size();
        for (std::size_t i = 0; i < cella.size() && completa; ++i) {
            if (cella[i] == ' ')
                continue;
            const quint32 indice = indici_[static_cast<unsigned char>(cella[i])];
            completa = indice != 0;
            glifi.indici.push_back(indice);
            glifi.posizioni.emplace_back(da + static_cast<double>(i) * passo_, alto);
        }
        if (!completa) {
            glifi.indici.resize(prima);
            glifi.posizioni.resize(prima);
            painter.drawText(QPointF(da, alto), testo(std::string(cella)));
        }
    }
}
