#include "riepilogo/RiepilogoPdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QIODevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <string_view>
#include <vector>

#include "platform/FileInCoda.h"
#include "platform/Paths.h"
#include "tools/Cp1252.h"
#include "tools/Versione.h"
#include "tools/tc_GenTools.h"

namespace {

using namespace std::chrono;

// One unit of the page is one point: fonts and margins read as they print.
constexpr int kRisoluzione = 72;
constexpr double kMargine = 42; // about 15 mm
constexpr double kPiede = 18; // room for the page number
// Less than anything drawn: a block this close to a page's end is not of that page.
constexpr double kTocco = 0.01;

QString testo(const std::string& cp1252)
{
    const std::u16string utf16 = cp1252ToUtf16(cp1252);
    return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

// The program and its version, as the heading, the footer and the file's metadata name it.
QString programma()
{
    return QStringLiteral("ov_pip ") + QString::fromLatin1(kVersione);
}

QString html(const std::string& cp1252)
{
    return testo(cp1252).toHtmlEscaped();
}

std::string dataItaliana(year_month_day data)
{
    return dataRecord(date2string(data));
}

std::string numero(std::int64_t n)
{
    return std::to_string(n);
}

// What the records of a file hold, in words.
struct Intestazione {
    const char* servizio;
    const char* quante;
};
Intestazione intestazione(const FileDichiarato& file)
{
    if (file.tracciato == &kTracciatoBilsalu)
        return { "Bilancio di salute", "Bilanci" };
    if (file.tracciato == &kTracciatoAccessi)
        return { "Visita", "Accessi" };
    return { "Prestazione", "Prestazioni" };
}

QString tabellaFile(const FileDichiarato& file)
{
    const Intestazione parole = intestazione(file);
    QString h = QStringLiteral("<h3>%1</h3>").arg(html(file.tracciato->nome));
    h += QStringLiteral("<table border='1' cellspacing='0' cellpadding='3' width='100%' style='margin-bottom:4px'><tr>"
                        "<th align='left'>Codice</th><th align='right'>%1</th><th align='right'>Pazienti</th>"
                        "<th align='right'>Righe</th><th align='left'>%2</th></tr>")
             .arg(QString::fromLatin1(parole.quante), QString::fromLatin1(parole.servizio));
    for (const ServizioDichiarato& servizio : file.servizi)
        h += QStringLiteral("<tr><td>%1</td><td align='right'>%2</td><td align='right'>%3</td>"
                            "<td align='right'>%4</td><td>%5</td></tr>")
                 .arg(html(servizio.codice), html(numero(servizio.prestazioni)), html(numero(servizio.pazienti)),
                     html(numero(servizio.righe)), html(servizio.nome));
    // A patient with services of several types stands in several rows: the file's own count of
    // patients is no sum of them, and goes under the table.
    h += QStringLiteral("<tr><td><b>Totale</b></td><td align='right'><b>%1</b></td><td></td>"
                        "<td align='right'><b>%2</b></td><td></td></tr></table>")
             .arg(html(numero(file.totale.prestazioni)), html(numero(file.totale.righe)));
    h += QStringLiteral("<p>Pazienti diversi in tutto: %1.</p>").arg(html(numero(file.totale.pazienti)));
    if (file.righeNonConformi > 0)
        h += QStringLiteral("<p>%1 righe di lunghezza diversa da %2 caratteri, non comprese nella tabella: i loro "
                            "campi non stanno dove il tracciato li legge.</p>")
                 .arg(file.righeNonConformi)
                 .arg(file.tracciato->larghezza);
    return h;
}

QString tabellaScartati(const ContenutoTracciato& contenuto)
{
    QString h = QStringLiteral("<h3>Prestazioni scartate</h3>");
    if (contenuto.scartati.empty())
        return h + QStringLiteral("<p>Nessuna prestazione scartata.</p>");
    h += QStringLiteral("<p>%1 prestazioni non esportate (elencate in trx_sconosciuti.txt).</p>")
             .arg(contenuto.nScartati);
    h += QStringLiteral("<table border='1' cellspacing='0' cellpadding='3' width='100%'><tr>"
                        "<th align='left'>Codice Orvella</th><th align='right'>Numero</th>"
                        "<th align='left'>Prestazione</th><th align='left'>Motivo</th></tr>");
    for (const ServizioScartato& scartato : contenuto.scartati)
        h += QStringLiteral("<tr><td>%1</td><td align='right'>%2</td><td>%3</td><td>%4</td></tr>")
                 .arg(html(scartato.codice), html(numero(scartato.n)), html(scartato.nome), html(scartato.motivo));
    return h + QStringLiteral("</table>");
}

QString documentoHtml(const DatiRiepilogo& dati)
{
    const year_month_day giorno { floor<days>(dati.quando) };
    const hh_mm_ss ora { dati.quando - floor<days>(dati.quando) };
    char orario[16];
    std::snprintf(orario, sizeof orario, "%02d:%02d:%02d", static_cast<int>(ora.hours().count()),
        static_cast<int>(ora.minutes().count()), static_cast<int>(ora.seconds().count()));

    QString h = QStringLiteral("<h2>Riepilogo dell'esportazione</h2><p>");
    h += QStringLiteral("Medico: codice regionale <b>%1</b>, contratto <b>%2</b><br>")
             .arg(html(dati.sCodiceRegionale), html(dati.sContratto));
    h += QStringLiteral("Periodo: dal <b>%1</b> al <b>%2</b><br>")
             .arg(html(dataItaliana(dati.periodo.dallaData)), html(dataItaliana(dati.periodo.allaData)));
    h += QStringLiteral("Esportazione del %1 alle %2<br>").arg(html(dataItaliana(giorno)), QString::fromLatin1(orario));
    h += QStringLiteral("Programma: %1</p>").arg(programma());

    h += QStringLiteral("<h3>Esito</h3><p><b>%1</b></p>").arg(html(dati.esito.primaRiga));
    for (const AvvisoTracciato& avviso : dati.esito.avvisi)
        h += QStringLiteral("<p>%1</p>").arg(html(avviso.testo));

    if (dati.contenuto.file.empty())
        h += QStringLiteral("<h3>File</h3><p>Nessun file da inviare scritto.</p>");
    for (const FileDichiarato& file : dati.contenuto.file)
        h += tabellaFile(file);
    h += tabellaScartati(dati.contenuto);
    return h;
}

// Where each page of the laid-out document ends: before the first block of text that would run
// over the page's body, so that no line is cut. Above a table cell's text stand its padding and the
// borders, which go with it: a table goes on to the next page with its frame closed above, and ends
// on this one clear of the footer. Qt's own pagination lets the paragraph after a table run over
// the end of a page (Qt 6.4). A block taller than a page is cut where the page ends.
constexpr double kSopraCella = 5.5; // the cell's padding and border, the table's border, half a point

std::vector<double> finiPagine(const QTextDocument& documento, double altezza)
{
    struct Blocco {
        double taglio; // where a page that cannot hold it ends
        double alto;
        double basso;
    };
    std::vector<Blocco> blocchi;
    for (QTextBlock blocco = documento.begin(); blocco.isValid(); blocco = blocco.next()) {
        if (blocco.layout()->lineCount() == 0)
            continue;
        const QRectF rettangolo = documento.documentLayout()->blockBoundingRect(blocco);
        const bool inTabella = QTextCursor(blocco).currentTable() != nullptr;
        blocchi.push_back({ rettangolo.top() - (inTabella ? kSopraCella : 0), rettangolo.top(), rettangolo.bottom() });
    }
    const double fineDocumento = documento.documentLayout()->documentSize().height();
    std::vector<double> fini;
    for (double inizio = 0; inizio < fineDocumento;) {
        double fine = inizio + altezza;
        double testo = fine; // the top of the first text that would run over
        for (const Blocco& blocco : blocchi) {
            if (blocco.alto < fine && blocco.basso > fine && blocco.taglio > inizio) {
                testo = std::min(testo, blocco.alto);
                fine = std::min(fine, blocco.taglio);
            }
        }
        // Nor the text just above it (a paragraph close over a table).
        for (const Blocco& blocco : blocchi) {
            if (blocco.alto < fine && blocco.basso > fine && blocco.basso <= testo)
                fine = blocco.basso;
        }
        fini.push_back(std::min(fine, fineDocumento));
        inizio = fine;
    }
    return fini;
}

// The records of every file after the tables, by service type in the tables' order, each type
// under its code and name: a record is found where the payment statement counts it, and the name is
// not repeated on each of its lines. Qt's text path shapes each line and writes each glyph with an
// offset of ten digits, which for a year's listing of some two thousand pages took most of the
// report's time and bytes. The font being fixed-pitch, its glyphs are placed here instead, a page
// at a time, a whole number of points apart, and the blanks are not drawn.
class ElencoRecord {
public:
    // The records in the fixed-pitch font; the headings in the bold of the tables'.
    ElencoRecord(
        const ContenutoTracciato& contenuto, const QFont& carattere, const QFont& intestazione, double altezzaPagina)
        : carattere_(carattere)
        , intestazione_(intestazione)
        , gruppo_(intestazione)
        , riga_(QFontMetricsF(carattere).lineSpacing())
        , glifi_(QRawFont::fromFont(carattere))
    {
        intestazione_.setBold(true);
        gruppo_.setBold(true);
        gruppo_.setPointSizeF(carattere.pointSizeF());
        // One unit of the page is one point.
        glifi_.setPixelSize(carattere.pointSizeF());
        for (unsigned c = 0; c < indici_.size(); ++c) {
            const QList<quint32> indice = glifi_.glyphIndexesForString(testo(std::string(1, static_cast<char>(c))));
            indici_[c] = indice.size() == 1 ? indice.front() : 0;
        }
        QPointF avanzamento;
        if (indici_['0'] != 0 && glifi_.advancesForGlyphIndexes(&indici_['0'], &avanzamento, 1))
            passo_ = std::ceil(avanzamento.x());
        // Under the page's heading and the columns'.
        const std::size_t perPagina
            = static_cast<std::size_t>(std::max(4, static_cast<int>(altezzaPagina / riga_)) - 3);
        for (const FileDichiarato& file : contenuto.file)
            impagina(file, perPagina);
    }

    int pagine() const { return static_cast<int>(pagine_.size()); }

    template <typename NuovaPagina> void disegna(QPainter& painter, double x, double y, NuovaPagina nuovaPagina) const
    {
        for (const Pagina& pagina : pagine_) {
            nuovaPagina();
            double alto = y + riga_;
            painter.setFont(intestazione_);
            painter.drawText(QPointF(x, alto),
                QStringLiteral("%1: record%2")
                    .arg(testo(pagina.file->tracciato->nome), pagina.segue ? " (segue)" : ""));
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
                    QStringLiteral("%1 %2%3").arg(testo(riga.servizio->codice),
                        testo(nomeInTitolo(riga.servizio->nome)), riga.segue ? " (segue)" : ""));
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

    // Each file starts a page of its own; a type's heading never stands last on a page, and stands
    // again at the top of a page that its records go on to.
    void impagina(const FileDichiarato& file, std::size_t perPagina)
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

    // Where each column starts, in characters, and whether its text stands against its right end.
    struct Colonna {
        int inizio;
        int larghezza;
        bool aDestra;
    };
    static constexpr Colonna kColonne[] = { { 0, 18, false }, { 18, 12, false }, { 30, 6, true } };
    // A type's name in its heading, cut where it would run over the page's body: by characters,
    // not by the width of the font's letters, which each system measures its own way.
    static std::string nomeInTitolo(const std::string& nome)
    {
        constexpr std::size_t kLettere = 72;
        return nome.size() <= kLettere ? nome : nome.substr(0, kLettere - 1) + "\x85";
    }

    struct Glifi {
        std::vector<quint32> indici;
        std::vector<QPointF> posizioni;
    };

    // A character the font lacks (none of Windows-1252 in the fonts named) takes Qt's own path.
    void aggiungiRiga(Glifi& glifi, QPainter& painter, double x, double alto,
        const std::array<std::string_view, std::size(kColonne)>& celle) const
    {
        for (std::size_t c = 0; c < celle.size(); ++c) {
            const Colonna& colonna = kColonne[c];
            const std::string_view cella = celle[c];
            const int inizio = colonna.aDestra ? colonna.inizio + colonna.larghezza - static_cast<int>(cella.size())
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

    // A record's count as a number is read, without its zeros in front; one where records carry none.
    static std::string_view quante(const std::string& numero)
    {
        if (numero.empty())
            return "1";
        const std::size_t prima = numero.find_first_not_of('0');
        if (prima == std::string::npos || numero.find_first_not_of("0123456789") != std::string::npos)
            return numero;
        return std::string_view(numero).substr(prima);
    }

    QFont carattere_;
    QFont intestazione_;
    QFont gruppo_;
    double riga_;
    QRawFont glifi_;
    std::array<quint32, 256> indici_ {};
    double passo_ = 5;
    std::vector<Pagina> pagine_;
};

// What QPdfWriter writes goes on to the file through the platform's calls, a block at a time:
// the report never stands whole in memory. The first failure is kept, and what follows dropped.
class UscitaPdf : public QIODevice {
public:
    std::optional<std::string> apri(const std::string& percorso)
    {
        if (auto motivo = file_.apri(percorso))
            return motivo;
        blocco_.reserve(kBlocco);
        QIODevice::open(QIODevice::WriteOnly);
        return std::nullopt;
    }

    // Writes what is left and has the file on the disk.
    std::optional<std::string> chiudi()
    {
        QIODevice::close();
        scarica();
        const std::optional<std::string> chiusura = file_.chiudi();
        return errore_ ? errore_ : chiusura;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }

    qint64 writeData(const char* dati, qint64 quanti) override
    {
        blocco_.append(dati, static_cast<std::size_t>(quanti));
        if (blocco_.size() >= kBlocco)
            scarica();
        return quanti;
    }

private:
    static constexpr std::size_t kBlocco = 64 * 1024;

    void scarica()
    {
        if (!errore_ && !blocco_.empty())
            errore_ = file_.accoda(blocco_);
        blocco_.clear();
    }

    platform::FileInCoda file_;
    std::string blocco_;
    std::optional<std::string> errore_;
};

// The report, written into the open device.
std::optional<std::string> disegnaRiepilogo(const DatiRiepilogo& dati, QIODevice& uscita)
{
    QPdfWriter writer(&uscita);
    writer.setResolution(kRisoluzione);
    // The archival form: fonts embedded, colours and metadata that stand on their own.
    writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(), QPageLayout::Point));
    writer.setTitle(QStringLiteral("Riepilogo dell'esportazione"));
    writer.setCreator(programma());
    const QRectF pagina(QPointF(0, 0), writer.pageLayout().fullRectPoints().size());
    const QRectF area = pagina.adjusted(kMargine, kMargine, -kMargine, -kMargine - kPiede);

    QFont carattere;
    carattere.setFamilies({ QStringLiteral("Arial"), QStringLiteral("DejaVu Sans") });
    carattere.setStyleHint(QFont::SansSerif);
    carattere.setPointSizeF(9);
    QFont fisso;
    fisso.setFamilies({ QStringLiteral("Courier New"), QStringLiteral("DejaVu Sans Mono") });
    fisso.setStyleHint(QFont::TypeWriter);
    fisso.setFixedPitch(true);
    fisso.setPointSizeF(8);

    QTextDocument documento;
    documento.documentLayout()->setPaintDevice(&writer);
    documento.setDefaultFont(carattere);
    documento.setDocumentMargin(0);
    // The width first: the text is laid out once.
    documento.setTextWidth(area.width());
    documento.setHtml(documentoHtml(dati));
    const ElencoRecord elenco(dati.contenuto, fisso, carattere, area.height());
    const std::vector<double> finiDocumento = finiPagine(documento, area.height());
    const int totale = static_cast<int>(finiDocumento.size()) + elenco.pagine();

    QPainter painter;
    if (!painter.begin(&writer))
        return std::string("impossibile preparare il documento PDF");
    int numero = 0;
    const QString periodo
        = QStringLiteral("Riepilogo dell'esportazione dal %1 al %2")
              .arg(testo(dataItaliana(dati.periodo.dallaData)), testo(dataItaliana(dati.periodo.allaData)));
    const auto nuovaPagina = [&] {
        if (numero > 0)
            writer.newPage();
        ++numero;
        painter.setFont(carattere);
        painter.drawText(QRectF(area.left(), area.bottom() + 4, area.width(), kPiede), Qt::AlignLeft,
            QStringLiteral("%1 - %2").arg(programma(), periodo));
        painter.drawText(QRectF(area.left(), area.bottom() + 4, area.width(), kPiede), Qt::AlignRight,
            QStringLiteral("pagina %1 di %2").arg(numero).arg(totale));
    };
    double inizio = 0;
    for (const double fine : finiDocumento) {
        nuovaPagina();
        painter.save();
        // The frame of a table that goes on to the next page stops at the body's end, clear of
        // the footer (a point out at the sides, for the border's width).
        painter.setClipRect(QRectF(area.left() - 1, area.top(), area.width() + 2, fine - inizio));
        painter.translate(area.left(), area.top() - inizio);
        QAbstractTextDocumentLayout::PaintContext contesto;
        // Qt draws a block that touches the clip: the text of the next page would stand hidden
        // on this one, and be read twice from the file.
        contesto.clip = QRectF(0, inizio + kTocco, area.width(), fine - inizio - 2 * kTocco);
        documento.documentLayout()->draw(&painter, contesto);
        painter.restore();
        inizio = fine;
    }
    elenco.disegna(painter, area.left(), area.top(), nuovaPagina);
    if (!painter.end())
        return std::string("impossibile completare il documento PDF");
    return std::nullopt;
}

} // namespace

std::optional<std::string> scriviRiepilogoPdf(const DatiRiepilogo& dati, const std::string& sFile)
{
    // Written under another name beside it and put in its place when whole: a run that dies
    // meanwhile leaves no report cut short, only the temporary file, which the next one replaces.
    const std::string sTemporaneo = sFile + ".tmp";
    if (platform::esiste(sTemporaneo)) {
        if (auto motivo = platform::eliminaFile(sTemporaneo))
            return motivo;
    }
    UscitaPdf uscita;
    if (auto motivo = uscita.apri(sTemporaneo))
        return motivo;
    std::optional<std::string> motivo = disegnaRiepilogo(dati, uscita);
    const std::optional<std::string> chiusura = uscita.chiudi();
    if (!motivo)
        motivo = chiusura;
    if (!motivo)
        motivo = platform::sostituisciFile(sTemporaneo, sFile);
    if (motivo)
        (void)platform::eliminaFile(sTemporaneo);
    return motivo;
}
