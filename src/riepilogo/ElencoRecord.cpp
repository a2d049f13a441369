#include "riepilogo/ElencoRecord.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <map>

#include "riepilogo/Testo.h"

namespace {

// Where each cell of a record starts, in characters, and whether its text stands against its
// right end. A count wider than its cell runs on to the right, into the room between two columns.
struct Cella {
    int inizio;
    int larghezza;
    bool aDestra;
};
constexpr Cella kCelle[] = { { 0, 16, false }, { 17, 10, false }, { 28, 3, true } };
constexpr int kLarghezzaColonna = 31;
constexpr int kTraColonne = 3;

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

ElencoRecord::ElencoRecord(const ContenutoTracciato& contenuto, const QFont& carattere, const QFont& intestazione,
    double larghezzaPagina, double altezzaPagina)
    : carattere_(carattere)
    , intestazione_(intestazione)
    , gruppo_(intestazione)
    , riga_(QFontMetricsF(carattere).lineSpacing())
    , glifi_(QRawFont::fromFont(carattere))
{
    static_assert(std::size(kCelle) == kNumeroCelle);
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
    const double caratteri = larghezzaPagina / passo_;
    colonne_ = std::max<std::size_t>(
        1, static_cast<std::size_t>((caratteri + kTraColonne) / (kLarghezzaColonna + kTraColonne)));
    // The last line's descent stays within the body.
    perPagina_ = static_cast<std::size_t>(std::max(5, static_cast<int>(altezzaPagina / riga_)) - 1);
    for (const FileDichiarato& file : contenuto.file)
        impagina(file);
}

void ElencoRecord::disegna(QPainter& painter, double x, double y, const std::function<void()>& nuovaPagina) const
{
    const double larghezzaColonna = (kLarghezzaColonna + kTraColonne) * passo_;
    for (const std::vector<Riga>& pagina : pagine_) {
        nuovaPagina();
        painter.setFont(carattere_);
        Glifi glifi;
        double alto = y;
        for (const Riga& riga : pagina) {
            alto += riga_;
            switch (riga.tipo) {
            case Riga::Tipo::Spazio:
                break;
            case Riga::Tipo::File:
                painter.setFont(intestazione_);
                painter.drawText(QPointF(x, alto),
                    QStringLiteral("%1: record%2")
                        .arg(testo(riga.file->tracciato->nome), riga.segue ? " (segue)" : ""));
                painter.setFont(carattere_);
                break;
            case Riga::Tipo::Colonne:
                for (std::size_t c = 0; c < colonne_; ++c)
                    aggiungiRiga(glifi, painter, x + static_cast<double>(c) * larghezzaColonna, alto,
                        { "Codice fiscale", "Data", "N." });
                break;
            case Riga::Tipo::Servizio:
                painter.setFont(gruppo_);
                painter.drawText(QPointF(x, alto),
                    QStringLiteral("%1 %2%3").arg(testo(riga.servizio->codice),
                        testo(nomeInTitolo(riga.servizio->nome)), riga.segue ? " (segue)" : ""));
                painter.setFont(carattere_);
                break;
            case Riga::Tipo::Record:
                for (std::size_t c = 0; c < riga.quanti; ++c) {
                    const RecordDichiarato& record = *ordine_[riga.primo + c * riga.passo];
                    aggiungiRiga(glifi, painter, x + static_cast<double>(c) * larghezzaColonna, alto,
                        { record.codiceFiscale, record.data, quante(record.numero) });
                }
                break;
            }
        }
        if (!glifi.indici.empty()) {
            QGlyphRun corsa;
            corsa.setRawFont(glifi_);
            corsa.setRawData(glifi.indici.data(), glifi.posizioni.data(), static_cast<int>(glifi.indici.size()));
            painter.drawGlyphRun(QPointF(), corsa);
        }
    }
}

// A new page, or the first, under the file's heading and its columns'.
void ElencoRecord::apriPagina(const FileDichiarato& file, bool segue)
{
    pagine_.emplace_back();
    pagine_.back().push_back({ Riga::Tipo::File, &file, nullptr, segue });
    pagine_.back().push_back({ Riga::Tipo::Colonne });
}

// A file goes on from the page the one before ends on, a line apart, when its headings and a first
// row fit there. A type's heading never stands last on a page, and stands again at the top of a
// page that its records go on to; on each page its records fill the first column down, then the
// next.
void ElencoRecord::impagina(const FileDichiarato& file)
{
    std::map<std::string_view, std::vector<const RecordDichiarato*>> perCodice;
    for (const RecordDichiarato& record : file.record)
        perCodice[record.codice].push_back(&record);
    if (pagine_.empty() || libere() < 5) {
        apriPagina(file, false);
    } else {
        pagine_.back().push_back({ Riga::Tipo::Spazio });
        pagine_.back().push_back({ Riga::Tipo::File, &file });
        pagine_.back().push_back({ Riga::Tipo::Colonne });
    }
    for (const ServizioDichiarato& servizio : file.servizi) {
        if (libere() < 2)
            apriPagina(file, true);
        pagine_.back().push_back({ Riga::Tipo::Servizio, &file, &servizio });
        const std::vector<const RecordDichiarato*>& record = perCodice[servizio.codice];
        for (std::size_t fatti = 0; fatti < record.size();) {
            if (libere() == 0) {
                apriPagina(file, true);
                pagine_.back().push_back({ Riga::Tipo::Servizio, &file, &servizio, true });
            }
            const std::size_t resto = record.size() - fatti;
            const std::size_t righe = std::min(libere(), (resto + colonne_ - 1) / colonne_);
            const std::size_t quanti = std::min(resto, righe * colonne_);
            const std::size_t primo = ordine_.size();
            ordine_.insert(ordine_.end(), record.begin() + static_cast<std::ptrdiff_t>(fatti),
                record.begin() + static_cast<std::ptrdiff_t>(fatti + quanti));
            for (std::size_t r = 0; r < righe; ++r) {
                // The columns of the block's rows: those the records reach down to.
                const std::size_t accanto = (quanti - r + righe - 1) / righe;
                pagine_.back().push_back({ Riga::Tipo::Record, &file, &servizio, false, primo + r, righe, accanto });
            }
            fatti += quanti;
        }
    }
}

// A character the font lacks (none of Windows-1252 in the fonts named) takes Qt's own path.
void ElencoRecord::aggiungiRiga(Glifi& glifi, QPainter& painter, double x, double alto,
    const std::array<std::string_view, kNumeroCelle>& celle) const
{
    for (std::size_t c = 0; c < celle.size(); ++c) {
        const Cella& colonna = kCelle[c];
        const std::string_view cella = celle[c];
        const int inizio = colonna.aDestra
            ? std::max(colonna.inizio, colonna.inizio + colonna.larghezza - static_cast<int>(cella.size()))
            : colonna.inizio;
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
