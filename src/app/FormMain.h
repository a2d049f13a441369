#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "app/Controlli.h"
#include "app/ScalaForm.h"
#include "export/TabellaCodici.h"

class QDateEdit;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class TOrvaLogo;

// The export window. Its creation lays out the Desktop folders, loads the service code table,
// creates the extract document and proposes the previous month; session opening then shows it
// modally, and every export run happens inside that modal display.
class TfrmMain : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Opens the host session and, when the doctor passes the checks, shows this window modally.
    // True only after the window has been shown and closed again, or not shown at all because the
    // doctor gave the sign-in up while it waited (TfrmLogin::accessoAnnullato()).
    bool inizializza(const std::string& utente, const std::string& password);

    // The run log and the export-file writing of this window.
    void suLog(const std::string& msg) const;
    void suFile(const std::string& testo, const std::string& percorso) const;

    void cmdCreaTracciatoClick();
    void cmdApriCartellaClick();
    void cmdRiepilogoClick();
    void cmdExitClick();
    void chkVaccClick();

    bool debug() const { return bDebug; }
    bool esecuzioneInCorso() const;

    QPushButton* cmdCreaTracciato;
    QPushButton* cmdApriCartella;
    QPushButton* cmdRiepilogo;
    QLabel* Label1;
    TSelettoreData* dtDallaData;
    QLabel* Label2;
    TSelettoreData* dtAllaData;
    TCasellaDidascalia* chkVacc;
    QPushButton* cmdExit;
    QFrame* Bevel1;
    QLabel* lblLog;
    QPlainTextEdit* Memo1;
    TOrvaLogo* OrvaLogo;
    QLabel* lblVer;
    QTableWidget* Griglia = nullptr;

protected:
    void closeEvent(QCloseEvent* evento) override;
    void keyPressEvent(QKeyEvent* evento) override;
    void changeEvent(QEvent* evento) override;
    void resizeEvent(QResizeEvent* evento) override;
    void showEvent(QShowEvent* evento) override;

private:
    void FormCreate();
    void disponi();
    void riempiGriglia();
    void impostaDatePredefinite();
    // Enables "Apri cartella" only while the output folder exists, and "Riepilogo" only while
    // the claim report does.
    void aggiornaApriCartella();
    // Before a run: a session whose host went away, during a run or since (asked of the host now),
    // gets a new one through the sign-in window; false when the doctor gave up. True for a session
    // still there.
    bool riaccedi();

    bool bDebug = false;
    // The service code table behind Griglia.
    TabellaCodici tabella_;
    bool bChiusuraRichiesta_ = false;
    // The check of the session, or the sign-in again, before a run lets events run meanwhile.
    bool bPrimaDellEsecuzione_ = false;
    // The summary grew past the design's pane: the window may be enlarged to read it whole.
    TScalaForm scala_ { *this, QSize(630, 148), TScalaForm::Bordo::Ridimensionabile };
};
