#include "riepilogo/RiepilogoPdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/FileSistema.h"
#include "riepilogo/ElencoRecord.h"
#include "riepilogo/Testo.h"
#include "riepilogo/UscitaPdf.h"
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

// The program and its version, as the heading, the footer and the file's metadata name it.
QString programma()
{
    return QStringLiteral("ov_pip ") + QString::fromLatin1(kVersione);
}

QString html(const std::string& cp1252)
{
    return testo(cp1252).toHtmlEscaped();
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

// The months as the register holds them, the earliest first, and the run's month last.
QString tabellaConfronto(const ConfrontoMesi& confronto)
{
    if (confronto.file.empty())
        return {};
    QString h = QStringLiteral("<h3>Confronto con i mesi precedenti</h3><p>Prestazioni di ogni file nelle ultime "
                               "esportazioni concluse dei mesi precedenti, dal registro delle esportazioni.</p>");
    h += QStringLiteral(
        "<table border='1' cellspacing='0' cellpadding='3' width='100%'><tr><th align='left'>File</th>");
    for (auto mese = confronto.mesi.rbegin(); mese != confronto.mesi.rend(); ++mese)
        h += QStringLiteral("<th align='right'>%1</th>").arg(html(meseItaliano(*mese)));
    h += QStringLiteral("<th align='right'>%1</th></tr>").arg(html(meseItaliano(confronto.mese)));
    for (const ConfrontoFile& file : confronto.file) {
        h += QStringLiteral("<tr><td>%1</td>").arg(QString::fromLatin1(file.nome));
        for (auto n = file.precedenti.rbegin(); n != file.precedenti.rend(); ++n)
            h += QStringLiteral("<td align='right'>%1</td>").arg(html(numero(*n)));
        // The file that falls short stands out, as its warning above says.
        const QString cella = html(numero(file.prestazioni));
        h += QStringLiteral("<td align='right'>%1</td></tr>")
                 .arg(file.scarso ? QStringLiteral("<b>%1</b>").arg(cella) : cella);
    }
    return h + QStringLiteral("</table>");
}

QString documentoHtml(const DatiRiepilogo& dati)
{
    const year_month_day giorno { floor<days>(dati.quando) };

    QString h = QStringLiteral("<h2>Riepilogo dell'esportazione</h2><p>");
    h += QStringLiteral("Medico: codice regionale <b>%1</b>, contratto <b>%2</b><br>")
             .arg(html(dati.sCodiceRegionale), html(dati.sContratto));
    h += QStringLiteral("Periodo: dal <b>%1</b> al <b>%2</b><br>")
             .arg(html(dataItaliana(dati.periodo.dallaData)), html(dataItaliana(dati.periodo.allaData)));
    h += QStringLiteral("Esportazione del %1 alle %2<br>")
             .arg(html(dataItaliana(giorno)), html(oraItaliana(dati.quando, true)));
    h += QStringLiteral("Programma: %1</p>").arg(programma());

    h += QStringLiteral("<h3>Esito</h3><p><b>%1</b></p>").arg(html(dati.esito.primaRiga));
    for (const AvvisoTracciato& avviso : dati.esito.avvisi)
        h += QStringLiteral("<p>%1</p>").arg(html(avviso.testo));
    h += tabellaConfronto(dati.confronto);

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
    const ElencoRecord elenco(dati.contenuto, fisso, carattere, area.width(), area.height());
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
