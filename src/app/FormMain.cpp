#include "app/FormMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableWidget>
#include <chrono>
#include <functional>
#include <optional>

#include "app/Controlli.h"
#include "app/FormLogin.h"
#include "app/Interfaccia.h"
#include "app/Logo.h"
#include "export/EsportazioneTracciato.h"
#include "export/FileExport.h"
#include "export/Riepilogo.h"
#include "export/UnitaFormMain.h"
#include "host/AperturaSessione.h"
#include "platform/Clock.h"
#include "platform/FileSistema.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "storico/MesiNonEsportati.h"
#include "tools/Cp1252.h"

namespace {

QDate daData(std::chrono::year_month_day data)
{
    return QDate(static_cast<int>(data.year()), static_cast<int>(static_cast<unsigned>(data.month())),
        static_cast<int>(static_cast<unsigned>(data.day())));
}

std::chrono::year_month_day daQDate(const QDate& data)
{
    using namespace std::chrono;
    const month mese { static_cast<unsigned>(data.month()) };
    return year { data.year() } / mese / day { static_cast<unsigned>(data.day()) };
}

// The output, history and log paths from the Desktop folder, and the folders made.
void impostaCartelle(UnitaFormMain& unita)
{
    const platform::CartellaPiattaforma desktop = platform::cartellaDesktop();
    if (!desktop.rappresentabile) {
        // Any spelling of it would name another folder: the export run finds no output folder
        // and refuses before it moves anything.
        platform::mostraMessaggio("ERRORE: Il percorso del Desktop (" + desktop.percorso
            + ") contiene caratteri non supportati, impossibile creare il tracciato.");
        unita.sDirOutput.clear();
        unita.sDirStorico.clear();
        unita.sFileLog.clear();
        return;
    }
    std::string sDesktop = desktop.percorso;
    if (sDesktop.empty())
        platform::mostraMessaggio("ERRORE: Impossibile recuperare Desktop Path");
    if (sDesktop.empty() || sDesktop.back() != platform::separatore)
        sDesktop += platform::separatore;
    unita.sDirOutput = sDesktop + "KARV (ADI-PPiP)" + platform::separatore;
    unita.sDirStorico = unita.sDirOutput + "storico" + platform::separatore;
    unita.sFileLog = unita.sDirOutput + "karv_log.txt";

    // A failure here shows at the first write into the folder.
    (void)platform::creaCartella(unita.sDirStorico);
}

// The export run's view of this window: the controls it shows progress on, the cursor and the
// event processing that keep the window alive during a long run.
class VistaTracciato : public FinestraTracciato {
public:
    explicit VistaTracciato(TfrmMain& finestra)
        : finestra_(finestra)
    {
    }

    void cursoreOccupato() override { impostaCursoreOccupato(true); }
    void cursoreNormale() override { impostaCursoreOccupato(false); }
    void nascondiMemo1() override { finestra_.Memo1->hide(); }

    void scriviLblLog(const std::string& testo) override
    {
        finestra_.lblLog->setText(daCp1252(testo));
        finestra_.repaint();
    }

    void mostraMemo1(const std::string& testo) override
    {
        finestra_.Memo1->setPlainText(daCp1252(testo));
        finestra_.Memo1->show();
    }

    bool chkVacc() const override { return finestra_.chkVacc->isChecked(); }

    void progresso(const std::string& testoLblLog) override
    {
        finestra_.lblLog->setText(daCp1252(testoLblLog));
        finestra_.lblLog->repaint();
        QApplication::processEvents();
    }

    void richiediUscita() override { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); }

    void attesaOrvella(const std::string& testo) override
    {
        if (testo.empty()) {
            if (testoPrima_)
                finestra_.lblLog->setText(*testoPrima_);
            testoPrima_.reset();
        } else {
            if (!testoPrima_)
                testoPrima_ = finestra_.lblLog->text();
            // Two lines, as the label's other texts: one would run past its edges.
            QString righe = daCp1252(testo);
            righe.replace(QStringLiteral(" ("), QStringLiteral("\n("));
            finestra_.lblLog->setText(righe);
        }
        finestra_.lblLog->repaint();
        QApplication::processEvents();
    }

private:
    TfrmMain& finestra_;
    // What lblLog said when the wait for a busy host began.
    std::optional<QString> testoPrima_;
};

// Notes the start and the end of each wait for a busy host in the run log, and shows it as mostra does.
std::function<void(const std::string&)> attesaAnnotata(
    const TfrmMain& finestra, std::function<void(const std::string&)> mostra)
{
    return annotaAttesa([&finestra](const std::string& riga) { finestra.suLog(riga); }, std::move(mostra));
}

void attesaNelLogin(const std::string& testo)
{
    if (frmLogin)
        frmLogin->mostraAttesaOrvella(testo);
}

// The output folder as the file manager and the messages name it, without the trailing separator.
std::string cartellaOutput()
{
    std::string cartella = unitaFormMain().sDirOutput;
    if (!cartella.empty() && cartella.back() == platform::separatore)
        cartella.pop_back();
    return cartella;
}

} // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Orva-Zezavazoza Tracciato Puglia"));
    setWindowIcon(iconaProgramma());
    setFont(carattereFinestra());
    setSizeGripEnabled(false);

    OrvaLogo = new TOrvaLogo(this);
    scala_.posiziona(OrvaLogo, QRect(0, 0, 102, 142));

    // Enter on a focused button presses that button; elsewhere it presses Crea Tracciato.
    cmdCreaTracciato = new QPushButton(QStringLiteral("Crea Tracciato"), this);
    QFont grassetto;
    grassetto.setBold(true);
    cmdCreaTracciato->setFont(grassetto);
    scala_.posiziona(cmdCreaTracciato, QRect(109, 3, 160, 28));
    cmdCreaTracciato->setDefault(true);

    Label1 = new QLabel(QStringLiteral("Dalla data:"), this);
    scala_.posizionaEtichetta(Label1, QPoint(110, 42));
    dtDallaData = new TSelettoreData(this);
    scala_.posiziona(dtDallaData, QRect(168, 39, 104, 21));
    nominaPerLettoreSchermo(dtDallaData, Label1);
    Label2 = new QLabel(QStringLiteral("Alla data:"), this);
    scala_.posizionaEtichetta(Label2, QPoint(110, 67));
    dtAllaData = new TSelettoreData(this);
    scala_.posiziona(dtAllaData, QRect(167, 65, 105, 21));
    nominaPerLettoreSchermo(dtAllaData, Label2);

    chkVacc = new TCasellaDidascalia(QStringLiteral("Zezavazoza vaccinazioni (PIPP) in tracciato separato"), this);
    scala_.posiziona(chkVacc, QRect(110, 88, 171, 28));
    chkVacc->setChecked(true);
    chkVacc->setAccessibleName(chkVacc->didascalia()->text());

    // Like Uscita, it takes Enter while it has the focus and gives it back to Crea Tracciato after.
    cmdApriCartella = new QPushButton(QStringLiteral("&Apri cartella"), this);
    scala_.posiziona(cmdApriCartella, QRect(110, 119, 64, 26));
    cmdApriCartella->setAutoDefault(true);
    cmdApriCartella->setAccessibleName(QStringLiteral("Apri cartella"));

    cmdRiepilogo = new QPushButton(QStringLiteral("&Riepilogo"), this);
    scala_.posiziona(cmdRiepilogo, QRect(176, 119, 50, 26));
    cmdRiepilogo->setAutoDefault(true);
    cmdRiepilogo->setAccessibleName(QStringLiteral("Riepilogo"));

    cmdExit = new QPushButton(QStringLiteral("Uscita"), this);
    scala_.posiziona(cmdExit, QRect(228, 119, 42, 26));
    cmdExit->setAutoDefault(true);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    scala_.posizionaEstendibile(Bevel1, QRect(280, 4, 345, 131), Qt::Horizontal | Qt::Vertical);

    lblLog = new QLabel(QStringLiteral("---"), this);
    lblLog->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblLog->setAccessibleName(QStringLiteral("Avanzamento"));
    scala_.posizionaEstendibile(lblLog, QRect(289, 8, 327, 40), Qt::Horizontal);

    Memo1 = new QPlainTextEdit(this);
    scala_.posizionaEstendibile(Memo1, QRect(280, 4, 345, 132), Qt::Horizontal | Qt::Vertical);
    Memo1->setReadOnly(true);
    // Not the button's name: a screen reader would give the two controls as one.
    Memo1->setAccessibleName(QStringLiteral("Esito dell'esportazione"));

    lblVer = creaEtichettaVersione(this);

    Griglia = new QTableWidget(this);
    scala_.posiziona(Griglia, QRect(2, 180, 589, 306));
    Griglia->setColumnCount(TabellaCodici::kColonne);
    Griglia->verticalHeader()->hide();
    Griglia->horizontalHeader()->hide();
    const int larghezze[TabellaCodici::kColonne] = { 64, 64, 64, 189, 64, 64 };
    for (int colonna = 0; colonna < TabellaCodici::kColonne; ++colonna)
        Griglia->setColumnWidth(colonna, larghezze[colonna]);
    // It holds the code table only; it lies outside the client area and is never shown.
    Griglia->setVisible(false);

    setTabOrder(cmdCreaTracciato, cmdApriCartella);
    setTabOrder(cmdApriCartella, cmdRiepilogo);
    setTabOrder(cmdRiepilogo, dtDallaData);
    setTabOrder(dtDallaData, dtAllaData);
    setTabOrder(dtAllaData, cmdExit);
    setTabOrder(cmdExit, Memo1);
    setTabOrder(Memo1, chkVacc);

    disponi();

    connect(cmdCreaTracciato, &QPushButton::clicked, this, &TfrmMain::cmdCreaTracciatoClick);
    connect(cmdApriCartella, &QPushButton::clicked, this, &TfrmMain::cmdApriCartellaClick);
    connect(cmdRiepilogo, &QPushButton::clicked, this, &TfrmMain::cmdRiepilogoClick);
    connect(cmdExit, &QPushButton::clicked, this, &TfrmMain::cmdExitClick);
    connect(chkVacc, &QCheckBox::clicked, this, &TfrmMain::chkVaccClick);

    FormCreate();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate()
{
    UnitaFormMain& unita = unitaFormMain();
    try {
        lblVer->setText(QString::fromLatin1(kVersione));
        disponi();

        impostaCartelle(unita);
        aggiornaApriCartella();

        tabella_.caricaTabellaCodici();
        riempiGriglia();

        unita.oXmlDoc = std::make_unique<DocumentoXml>();

        impostaDatePredefinite();
    } catch (const std::exception& errore) {
        // The window is still built; the remaining creation steps are skipped.
        platform::mostraMessaggio(utf8ToCp1252(errore.what()));
    }
}

void TfrmMain::riempiGriglia()
{
    Griglia->setRowCount(TabellaCodici::kRighe);
    for (int riga = 0; riga < tabella_.righe(); ++riga) {
        for (int colonna = 0; colonna < TabellaCodici::kColonne; ++colonna)
            Griglia->setItem(riga, colonna, new QTableWidgetItem(daCp1252(tabella_.cella(colonna, riga))));
    }
}

void TfrmMain::impostaDatePredefinite()
{
    using namespace std::chrono;
    const year_month_day oggi { floor<days>(platform::adesso()) };
    const year_month_day ultimoMesePrecedente { local_days { oggi.year() / oggi.month() / 1 } - days { 1 } };
    dtAllaData->setDate(daData(ultimoMesePrecedente));
    const QDate alla = dtAllaData->date();
    dtDallaData->setDate(QDate(alla.year(), alla.month(), 1));
}

bool TfrmMain::inizializza(const std::string& utente, const std::string& password)
{
    UnitaFormMain& unita = unitaFormMain();
    return ::inizializza(
        utente, password, bDebug, unita.oOrvapat, unita.nPazienti,
        [this, &unita] {
            // The doctor is known once signed in: the register's months are judged for them.
            Memo1->setPlainText(
                daCp1252(testoRegistro(unita.sDirStorico, unita.oOrvapat->sCodiceRegionaleMedico, platform::adesso())));
            impostaCursoreOccupato(false);
            if (frmLogin && frmLogin->accessoAnnullato())
                return;
            if (frmLogin)
                frmLogin->hide();
            exec();
        },
        [this](const std::string& msg) { suLog(msg); }, attesaAnnotata(*this, attesaNelLogin));
}

void TfrmMain::suLog(const std::string& msg) const
{
    RunLog(bDebug, unitaFormMain().sFileLog).suLog(msg);
}

void TfrmMain::suFile(const std::string& testo, const std::string& percorso) const
{
    ::suFile(testo, percorso);
}

bool TfrmMain::riaccedi()
{
    UnitaFormMain& unita = unitaFormMain();
    if (!unita.oOrvapat)
        return true;
    // Both let events run: a busy host is waited for, the sign-in window has its own loop.
    const QScopedValueRollback<bool> prima(bPrimaDellEsecuzione_, true);
    if (!unita.oOrvapat->orvellaChiuso()) {
        // Orvella closed since the last run is found now, before the run has shown or moved anything.
        VistaTracciato vista(*this);
        const AttesaTemporanea attesa(
            *unita.oOrvapat, attesaAnnotata(*this, [&vista](const std::string& testo) { vista.attesaOrvella(testo); }));
        if (unita.oOrvapat->verificaPresenza())
            return true;
    }
    if (!frmLogin)
        return false;
    return frmLogin->riaccedi(
        kAccessoDopoChiusura, [this, &unita](const std::string& utente, const std::string& password) {
            return riapriSessione(
                utente, password, unita.oOrvapat, unita.nPazienti, [this](const std::string& msg) { suLog(msg); },
                attesaAnnotata(*this, attesaNelLogin), [] { return frmLogin && frmLogin->accessoAnnullato(); });
        });
}

void TfrmMain::cmdCreaTracciatoClick()
{
    // The press that began the check before a run, or the sign-in again, makes that run once it ends.
    if (bPrimaDellEsecuzione_)
        return;
    // A session whose host went away reaches nobody: the doctor signs in again, or the run is not
    // made; nor is it when the window was closed meanwhile.
    if (!esecuzioneInCorso() && (!riaccedi() || bChiusuraRichiesta_)) {
        if (bChiusuraRichiesta_)
            close();
        return;
    }
    // A press that arrives while a run lets pending events through is ignored by the run itself.
    try {
        VistaTracciato vista(*this);
        creaTracciato(unitaFormMain(), tabella_, RunLog(bDebug, unitaFormMain().sFileLog), daQDate(dtDallaData->date()),
            daQDate(dtAllaData->date()), platform::cartellaTemporanea(), vista);
    } catch (const std::exception& errore) {
        // The standard error display: the failure's own text in a box.
        platform::mostraMessaggio(utf8ToCp1252(errore.what()));
    }
    // A run makes the folder again when it was removed, or finds it gone.
    aggiornaApriCartella();
    if (bChiusuraRichiesta_ && !esecuzioneInCorso())
        close();
}

bool TfrmMain::esecuzioneInCorso() const
{
    return unitaFormMain().bEsportazioneInCorso;
}

void TfrmMain::cmdApriCartellaClick()
{
    const std::string cartella = cartellaOutput();
    if (!platform::apriCartella(cartella))
        platform::mostraMessaggio("Impossibile aprire la cartella " + cartella + ".");
}

void TfrmMain::cmdRiepilogoClick()
{
    const std::string riepilogo = unitaFormMain().sDirOutput + kFileRiepilogo;
    if (!platform::apriDocumento(riepilogo))
        platform::mostraMessaggio("Impossibile aprire il file " + riepilogo + ".");
}

void TfrmMain::aggiornaApriCartella()
{
    const std::string cartella = cartellaOutput();
    cmdApriCartella->setEnabled(!cartella.empty() && platform::eCartella(cartella));
    cmdRiepilogo->setEnabled(!cartella.empty() && platform::esiste(unitaFormMain().sDirOutput + kFileRiepilogo));
}

void TfrmMain::cmdExitClick()
{
    close();
}

void TfrmMain::chkVaccClick() { }

void TfrmMain::closeEvent(QCloseEvent* evento)
{
    // A close request during a run takes effect once the run has finished; before it, once the
    // check or the sign-in that lets events run has returned.
    if (esecuzioneInCorso() || bPrimaDellEsecuzione_) {
        bChiusuraRichiesta_ = true;
        evento->ignore();
        return;
    }
    QDialog::closeEvent(evento);
}

void TfrmMain::showEvent(QShowEvent* evento)
{
    // The folder may have gone, or been made, since the window was last shown.
    aggiornaApriCartella();
    QDialog::showEvent(evento);
}

void TfrmMain::changeEvent(QEvent* evento)
{
    QDialog::changeEvent(evento);
    if (evento->type() == QEvent::FontChange && Griglia)
        disponi();
}

void TfrmMain::resizeEvent(QResizeEvent* evento)
{
    QDialog::resizeEvent(evento);
    scala_.adatta();
}

void TfrmMain::disponi()
{
    const double fattore = scala_.applica();
    OrvaLogo->impostaScala(fattore);
    scalaEtichettaVersione(lblVer, fattore);
}

void TfrmMain::keyPressEvent(QKeyEvent* evento)
{
    // Escape does not close this window; only the exit button and the title bar do.
    if (evento->key() == Qt::Key_Escape) {
        evento->accept();
        return;
    }
    QDialog::keyPressEvent(evento);
}
