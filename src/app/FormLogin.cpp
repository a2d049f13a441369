#include "app/FormLogin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStatusBar>
#include <memory>

#include "app/FormMain.h"
#include "app/Interfaccia.h"
#include "app/Logo.h"
#include "platform/MessageBox.h"
#include "tools/tc_GenTools.h"

TfrmLogin* frmLogin = nullptr;

namespace {

constexpr int kTraslucenza = 200;

// The password field shows every character as "*", whatever the platform's style prefers.
class StilePassword : public QProxyStyle {
public:
    int styleHint(
        StyleHint hint, const QStyleOption* opzione, const QWidget* widget, QStyleHintReturn* ritorno) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, opzione, widget, ritorno);
    }
};

// Bold on top of whatever font the window has, so that the control follows the window's font.
void grassetto(QWidget* controllo)
{
    QFont carattere;
    carattere.setBold(true);
    controllo->setFont(carattere);
}

} // namespace

TfrmLogin::TfrmLogin(QWidget* parent)
    : QWidget(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    frmLogin = this;
    setWindowTitle(QStringLiteral("Orva-Zezavazoza Puglia"));
    setWindowIcon(iconaProgramma());
    setFont(carattereFinestra());

    OrvaLogo = new TOrvaLogo(this);
    scala_.posiziona(OrvaLogo, QRect(0, 0, 102, 142));

    lblUtente = new QLabel(QStringLiteral("Utente"), this);
    grassetto(lblUtente);
    scala_.posizionaEtichetta(lblUtente, QPoint(118, 7));
    txtUtente = new QLineEdit(this);
    scala_.posiziona(txtUtente, QRect(117, 24, 169, 21));
    nominaPerLettoreSchermo(txtUtente, lblUtente);

    lblPw = new QLabel(QStringLiteral("Password"), this);
    grassetto(lblPw);
    scala_.posizionaEtichetta(lblPw, QPoint(119, 56));
    txtPw = new QLineEdit(this);
    scala_.posiziona(txtPw, QRect(118, 72, 168, 21));
    nominaPerLettoreSchermo(txtPw, lblPw);
    auto* stile = new StilePassword;
    stile->setParent(txtPw);
    txtPw->setStyle(stile);
    txtPw->setEchoMode(QLineEdit::Password);

    // Enter on a focused button presses that button; elsewhere it presses OK.
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    grassetto(cmdOK);
    scala_.posiziona(cmdOK, QRect(148, 112, 64, 24));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdAnulla = new QPushButton(QStringLiteral("&Annulla"), this);
    grassetto(cmdAnulla);
    scala_.posiziona(cmdAnulla, QRect(221, 112, 64, 24));
    cmdAnulla->setAutoDefault(true);

    lblVer = creaEtichettaVersione(this);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    scala_.posiziona(StatusBar1, QRect(0, 159 - 19, 301, 19));
    lblStato_ = new QLabel(QStringLiteral(" Inserire Nome Utente e Password di Orvella"), StatusBar1);
    StatusBar1->addWidget(lblStato_, 1);
    StatusBar1->setAccessibleName(lblStato_->text().trimmed());

    setTabOrder(txtUtente, txtPw);
    setTabOrder(txtPw, cmdOK);
    setTabOrder(cmdOK, cmdAnulla);

    connect(cmdOK, &QPushButton::clicked, this, &TfrmLogin::cmdOKClick);
    connect(cmdAnulla, &QPushButton::clicked, this, &TfrmLogin::cmdAnullaClick);
    connect(OrvaLogo, &TOrvaLogo::doppioClick, this, &TfrmLogin::OrvaLogoDblClick);

    disponi();
    FormCreate();
}

TfrmLogin::~TfrmLogin()
{
    if (frmLogin == this)
        frmLogin = nullptr;
}

void TfrmLogin::FormCreate()
{
    try {
        txtUtente->setText(daCp1252(
            readRegistryString(RegistryRoot::HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Corvitel-Amberlo", "ultimo_utente")));
        lblVer->setText(QString::fromLatin1(kVersione));
        // Labels size themselves to their text; the font here may be wider than the original's.
        disponi();
    } catch (const std::exception& errore) {
        // The window is still built; the remaining creation steps are skipped.
        platform::mostraMessaggio(errore.what());
    }
    // With the user known, the password is what is left to type.
    (txtUtente->text().isEmpty() ? txtUtente : txtPw)->setFocus();
}

void TfrmLogin::cmdOKClick()
{
    // The first sign-in is still under way, below the export window, while the window signs in again.
    bool& bInCorso = riaccesso_ ? bRiaccessoInCorso_ : bAccessoInCorso_;
    if (bInCorso)
        return;
    bInCorso = true;
    bAnnullato_ = false;
    impostaCursoreOccupato(true);
    const std::string password = aCp1252(txtPw->text());
    const std::string utente = aCp1252(txtUtente->text());
    bool esito = false;
    if (riaccesso_) {
        esito = riaccesso_(utente, password);
    } else {
        auto finestra = std::make_unique<TfrmMain>();
        esito = finestra->inizializza(utente, password);
    }
    bInCorso = false;
    impostaCursoreOccupato(false);
    // Given up while it waited: the window has gone, and the sign-in with it.
    if (bAnnullato_)
        return;
    if (esito && cicloRiaccesso_) {
        bRiaccesso_ = true;
        cicloRiaccesso_->quit();
        return;
    }
    if (esito) {
        close();
        return;
    }
    // Refused: ready for the password to be typed again.
    txtPw->setFocus(Qt::OtherFocusReason);
    txtPw->selectAll();
}

void TfrmLogin::mostraAttesaOrvella(const std::string& testo)
{
    if (testo.empty())
        StatusBar1->clearMessage();
    else
        StatusBar1->showMessage(daCp1252(testo));
    StatusBar1->repaint();
    QApplication::processEvents();
}

void TfrmLogin::cmdAnullaClick()
{
    close();
}

bool TfrmLogin::riaccedi(const std::string& motivo, Accesso accedi)
{
    if (cicloRiaccesso_)
        return false;
    QEventLoop ciclo;
    cicloRiaccesso_ = &ciclo;
    riaccesso_ = std::move(accedi);
    bRiaccesso_ = false;
    const QString stato = lblStato_->text();
    lblStato_->setText(daCp1252(motivo));
    txtPw->clear();
    // Over the export window, which waits modally for it.
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    txtPw->setFocus(Qt::OtherFocusReason);
    ciclo.exec();
    hide();
    setWindowModality(Qt::NonModal);
    lblStato_->setText(stato);
    txtPw->clear();
    riaccesso_ = {};
    cicloRiaccesso_ = nullptr;
    // The first sign-in, still under way below the export window, was not given up.
    bAnnullato_ = false;
    return bRiaccesso_;
}

void TfrmLogin::closeEvent(QCloseEvent* evento)
{
    // Closing it while it signs in again is Annulla: the program goes on with the export window.
    if (cicloRiaccesso_) {
        evento->ignore();
        // A sign-in still waiting for a busy host goes on until the host answers, for nothing.
        if (bRiaccessoInCorso_) {
            bAnnullato_ = true;
            hide();
        }
        cicloRiaccesso_->quit();
        return;
    }
    if (bAccessoInCorso_)
        bAnnullato_ = true;
    QWidget::closeEvent(evento);
}

void TfrmLogin::OrvaLogoDblClick()
{
    bTraslucenza_ = !bTraslucenza_;
    setWindowOpacity(bTraslucenza_ ? kTraslucenza / 255.0 : 1.0);
}

void TfrmLogin::keyPressEvent(QKeyEvent* evento)
{
    // Enter presses the default button from anywhere in the window.
    if (evento->key() == Qt::Key_Return || evento->key() == Qt::Key_Enter) {
        cmdOK->click();
        return;
    }
    QWidget::keyPressEvent(evento);
}

void TfrmLogin::changeEvent(QEvent* evento)
{
    QWidget::changeEvent(evento);
    if (evento->type() == QEvent::FontChange && StatusBar1)
        disponi();
}

void TfrmLogin::showEvent(QShowEvent* evento)
{
    QWidget::showEvent(evento);
    // The program centres the window itself, as the main window is, not the window manager.
    if (!bCentrata_) {
        bCentrata_ = true;
        centraSulloSchermo(*this);
    }
}

void TfrmLogin::disponi()
{
    const double fattore = scala_.applica();
    OrvaLogo->impostaScala(fattore);
    scalaEtichettaVersione(lblVer, fattore);
}
