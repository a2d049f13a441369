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
#include <QTableWidget>
#include <chrono>
#include <filesystem>

#include "app/FormLogin.h"
#include "app/Interfaccia.h"
#include "app/Logo.h"
#include "export/EsportazioneTracciato.h"
#include "export/FileExport.h"
#include "export/UnitaFormMain.h"
#include "host/AperturaSessione.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "tools/Cp1252.h"

namespace {

QDate daData(std::chrono::year_month_day data)
{
    return QDate(static_cast<int>(data.year()), static_cast<int>(static_cast<unsigned>(data.month())),
        static_cast<int>(static_cast<unsigned>(data.day())));
}

QLabel* etichetta(const QString& testo, QWidget* parent, int sinistra, int alto)
{
    auto* etichetta = new QLabel(testo, parent);
    etichetta->move(sinistra, alto);
    etichetta->adjustSize();
    return etichetta;
}

QDateEdit* selettoreData(QWidget* parent, const QRect& posizione)
{
    auto* selettore = new QDateEdit(parent);
    selettore->setCalendarPopup(true);
    selettore->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    selettore->setGeometry(posizione);
    return selettore;
}

std::chrono::year_month_day daQDate(const QDate& data)
{
    using namespace std::chrono;
    const month mese { static_cast<unsigned>(data.month()) };
    return year { data.year() } / mese / day { static_cast<unsigned>(data.day()) };
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

private:
    TfrmMain& finestra_;
};

} // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Orva-Zezavazoza Tracciato Puglia"));
    setFont(carattereFinestra());
    setFixedSize(630, 148);
    setSizeGripEnabled(false);

    OrvaLogo = new TOrvaLogo(this);
    OrvaLogo->setGeometry(0, 0, 102, 142);

    cmdCreaTracciato = new QPushButton(QStringLiteral("Crea Tracciato"), this);
    QFont grassetto = cmdCreaTracciato->font();
    grassetto.setBold(true);
    cmdCreaTracciato->setFont(grassetto);
    cmdCreaTracciato->setGeometry(109, 3, 160, 28);
    cmdCreaTracciato->setDefault(true);

    Label1 = etichetta(QStringLiteral("Dalla data:"), this, 110, 42);
    dtDallaData = selettoreData(this, QRect(168, 39, 104, 21));
    Label2 = etichetta(QStringLiteral("Alla data:"), this, 110, 67);
    dtAllaData = selettoreData(this, QRect(167, 65, 105, 21));

    chkVacc = new QCheckBox(this);
    chkVacc->setGeometry(110, 88, 171, 28);
    chkVacc->setChecked(true);
    // A check box caption does not wrap by itself: a word-wrapping label beside the box does it.
    auto* didascaliaVacc = new QLabel(QStringLiteral("Zezavazoza vaccinazioni (PIPP) in tracciato separato"), chkVacc);
    didascaliaVacc->setWordWrap(true);
    didascaliaVacc->setGeometry(18, 0, 171 - 18, 28);
    didascaliaVacc->setBuddy(chkVacc);
    chkVacc->setAccessibleName(didascaliaVacc->text());

    cmdExit = new QPushButton(QStringLiteral("Uscita"), this);
    cmdExit->setGeometry(110, 119, 160, 26);
    cmdExit->setAutoDefault(false);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Bevel1->setGeometry(280, 4, 345, 131);

    lblLog = new QLabel(QStringLiteral("---"), this);
    lblLog->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblLog->setGeometry(289, 8, 327, 40);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(280, 4, 345, 132);
    Memo1->setReadOnly(true);

    lblVer = creaEtichettaVersione(this);

    Griglia = new QTableWidget(this);
    Griglia->setGeometry(2, 180, 589, 306);
    Griglia->setColumnCount(TabellaCodici::kColonne);
    Griglia->verticalHeader()->hide();
    Griglia->horizontalHeader()->hide();
    const int larghezze[TabellaCodici::kColonne] = { 64, 64, 64, 189, 64, 64 };
    for (int colonna = 0; colonna < TabellaCodici::kColonne; ++colonna)
        Griglia->setColumnWidth(colonna, larghezze[colonna]);
    // It holds the code table only; it lies outside the client area and is never shown.
    Griglia->setVisible(false);

    setTabOrder(cmdCreaTracciato, dtDallaData);
    setTabOrder(dtDallaData, dtAllaData);
    setTabOrder(dtAllaData, cmdExit);
    setTabOrder(cmdExit, Memo1);
    setTabOrder(Memo1, chkVacc);

    connect(cmdCreaTracciato, &QPushButton::clicked, this, &TfrmMain::cmdCreaTracciatoClick);
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
        lblVer->adjustSize();

        std::string desktop = platform::cartellaDesktop();
        if (desktop.empty())
            platform::mostraMessaggio("ERRORE: Impossibile recuperare Desktop Path");
        if (desktop.empty() || desktop.back() != platform::separatore)
            desktop += platform::separatore;
        unita.sDirOutput = desktop + "KARV (ADI-PPiP)" + platform::separatore;
        unita.sDirStorico = unita.sDirOutput + "storico" + platform::separatore;
        unita.sFileLog = unita.sDirOutput + "karv_log.txt";

        // A failure here shows at the first write into the folder.
        std::error_code ignorato;
        std::filesystem::create_directories(platform::percorsoNativo(unita.sDirStorico), ignorato);

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
    return ::inizializza(utente, password, bDebug, unita.oOrvapat, unita.nPazienti, [this] {
        impostaCursoreOccupato(false);
        if (frmLogin)
            frmLogin->hide();
        exec();
    });
}

void TfrmMain::suLog(const std::string& msg) const
{
    RunLog(bDebug, unitaFormMain().sFileLog).suLog(msg);
}

void TfrmMain::suFile(const std::string& testo, const std::string& percorso) const
{
    ::suFile(testo, percorso);
}

void TfrmMain::cmdCreaTracciatoClick()
{
    // A press that arrives while a run lets pending events through is ignored by the run itself.
    try {
        VistaTracciato vista(*this);
        creaTracciato(unitaFormMain(), tabella_, RunLog(bDebug, unitaFormMain().sFileLog), daQDate(dtDallaData->date()),
            daQDate(dtAllaData->date()), platform::cartellaProgramma(), vista);
    } catch (const std::exception& errore) {
        // The standard error display: the failure's own text in a box.
        platform::mostraMessaggio(utf8ToCp1252(errore.what()));
    }
    if (bChiusuraRichiesta_ && !esecuzioneInCorso())
        close();
}

bool TfrmMain::esecuzioneInCorso() const
{
    return unitaFormMain().bEsportazioneInCorso;
}

void TfrmMain::cmdExitClick()
{
    close();
}

void TfrmMain::chkVaccClick() { }

void TfrmMain::closeEvent(QCloseEvent* evento)
{
    // A close request during a run takes effect once the run has finished.
    if (esecuzioneInCorso()) {
        bChiusuraRichiesta_ = true;
        evento->ignore();
        return;
    }
    QDialog::closeEvent(evento);
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
