#include "app/FormLogin.h"

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

QLabel* etichettaGrassetto(const QString& testo, QWidget* parent)
{
    auto* etichetta = new QLabel(testo, parent);
    QFont carattere = etichetta->font();
    carattere.setBold(true);
    etichetta->setFont(carattere);
    return etichetta;
}

QPushButton* pulsanteGrassetto(const QString& testo, QWidget* parent)
{
    auto* pulsante = new QPushButton(testo, parent);
    QFont carattere = pulsante->font();
    carattere.setBold(true);
    pulsante->setFont(carattere);
    return pulsante;
}

} // namespace

TfrmLogin::TfrmLogin(QWidget* parent)
    : QWidget(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    frmLogin = this;
    setWindowTitle(QStringLiteral("Orva-Zezavazoza Puglia"));
    setFont(carattereFinestra());
    setFixedSize(301, 159);

    OrvaLogo = new TOrvaLogo(this);
    OrvaLogo->setGeometry(0, 0, 102, 142);

    lblUtente = etichettaGrassetto(QStringLiteral("Utente"), this);
    lblUtente->move(118, 7);
    lblUtente->adjustSize();
    txtUtente = new QLineEdit(this);
    txtUtente->setGeometry(117, 24, 169, 21);

    lblPw = etichettaGrassetto(QStringLiteral("Password"), this);
    lblPw->move(119, 56);
    lblPw->adjustSize();
    txtPw = new QLineEdit(this);
    txtPw->setGeometry(118, 72, 168, 21);
    auto* stile = new StilePassword;
    stile->setParent(txtPw);
    txtPw->setStyle(stile);
    txtPw->setEchoMode(QLineEdit::Password);

    cmdOK = pulsanteGrassetto(QStringLiteral("&OK"), this);
    cmdOK->setGeometry(148, 112, 64, 24);
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdAnulla = pulsanteGrassetto(QStringLiteral("&Annulla"), this);
    cmdAnulla->setGeometry(221, 112, 64, 24);
    cmdAnulla->setAutoDefault(false);

    lblVer = creaEtichettaVersione(this);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, height() - 19, width(), 19);
    auto* pannello = new QLabel(QStringLiteral(" Inserire Nome Utente e Password di Orvella"), StatusBar1);
    StatusBar1->addWidget(pannello, 1);

    setTabOrder(txtUtente, txtPw);
    setTabOrder(txtPw, cmdOK);
    setTabOrder(cmdOK, cmdAnulla);

    connect(cmdOK, &QPushButton::clicked, this, &TfrmLogin::cmdOKClick);
    connect(cmdAnulla, &QPushButton::clicked, this, &TfrmLogin::cmdAnullaClick);
    connect(OrvaLogo, &TOrvaLogo::doppioClick, this, &TfrmLogin::OrvaLogoDblClick);

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
        lblVer->adjustSize();
    } catch (const std::exception& errore) {
        // The window is still built; the remaining creation steps are skipped.
        platform::mostraMessaggio(errore.what());
    }
    txtUtente->setFocus();
}

void TfrmLogin::cmdOKClick()
{
    impostaCursoreOccupato(true);
    auto finestra = std::make_unique<TfrmMain>();
    const std::string password = aCp1252(txtPw->text());
    const std::string utente = aCp1252(txtUtente->text());
    const bool esito = finestra->inizializza(utente, password);
    finestra.reset();
    impostaCursoreOccupato(false);
    if (esito)
        close();
}

void TfrmLogin::cmdAnullaClick()
{
    close();
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
