// Every text of both windows fits its control, at the windows' own font and at a larger one:
// measured from the fonts and the style's text areas, not from the windows' own scaling.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QTest>
#include <gtest/gtest.h>
#include <set>

#include "QtTestApp.h"
#include "app/FormLogin.h"
#include "app/FormMain.h"
#include "app/Interfaccia.h"
#include "app/Logo.h"

namespace {

std::string nome(const QWidget* controllo)
{
    const auto* etichetta = qobject_cast<const QLabel*>(controllo);
    const auto* pulsante = qobject_cast<const QAbstractButton*>(controllo);
    const QString testo = etichetta ? etichetta->text() : pulsante ? pulsante->text() : QString();
    return controllo->metaObject()->className() + std::string(" \"") + testo.toStdString() + "\"";
}

QSize misuraTesto(const QWidget* controllo, const QString& testo)
{
    return QFontMetrics(controllo->font()).size(Qt::TextShowMnemonic, testo);
}

void controllaTesto(const QWidget* controllo, const QString& testo, const QRect& spazio)
{
    const QSize misura = misuraTesto(controllo, testo);
    EXPECT_LE(misura.width(), spazio.width()) << nome(controllo) << " is cut on the right";
    EXPECT_LE(misura.height(), spazio.height()) << nome(controllo) << " is cut at the bottom";
}

// The text of each kind of control against the room the control gives it.
void controllaControllo(const QWidget* controllo)
{
    if (const auto* etichetta = qobject_cast<const QLabel*>(controllo)) {
        if (etichetta->text().isEmpty())
            return;
        if (etichetta->wordWrap()) {
            EXPECT_LE(etichetta->heightForWidth(etichetta->width()), etichetta->height())
                << nome(controllo) << " needs more lines than it has room for";
            for (const QString& parola : etichetta->text().split(' '))
                EXPECT_LE(misuraTesto(etichetta, parola).width(), etichetta->contentsRect().width())
                    << parola.toStdString();
            return;
        }
        controllaTesto(etichetta, etichetta->text(), etichetta->contentsRect());
    } else if (const auto* pulsante = qobject_cast<const QPushButton*>(controllo)) {
        QStyleOptionButton opzione;
        opzione.initFrom(pulsante);
        opzione.text = pulsante->text();
        const QRect contenuto = pulsante->style()->subElementRect(QStyle::SE_PushButtonContents, &opzione, pulsante);
        controllaTesto(pulsante, pulsante->text(), contenuto);
    } else if (const auto* data = qobject_cast<const QDateEdit*>(controllo)) {
        const auto* campo = data->findChild<QLineEdit*>();
        ASSERT_NE(campo, nullptr);
        // The edit keeps a margin of 2 pixels on each side of its text.
        controllaTesto(data, data->text(), campo->contentsRect().adjusted(2, 0, -2, 0));
    } else if (const auto* campo = qobject_cast<const QLineEdit*>(controllo)) {
        EXPECT_LE(campo->minimumSizeHint().height(), campo->height()) << nome(controllo);
    }
}

// Controls drawn over one another on purpose: the summary over the status frame and its label,
// the label inside the frame, the version mark over the logo; and the design's own one or two
// pixels of the logo under the status bar and of the check box under the frame.
bool sovrapposizioneVoluta(const QWidget* a, const QWidget* b)
{
    const auto coppia = [&](const char* primo, const char* secondo) {
        return (a->objectName() == primo && b->objectName() == secondo)
            || (a->objectName() == secondo && b->objectName() == primo);
    };
    return coppia("Memo1", "Bevel1") || coppia("Memo1", "lblLog") || coppia("Bevel1", "lblLog")
        || coppia("lblVer", "OrvaLogo") || coppia("OrvaLogo", "StatusBar1") || coppia("chkVacc", "Bevel1")
        || coppia("chkVacc", "Memo1");
}

void controllaFinestra(QWidget& finestra)
{
    finestra.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&finestra));
    QApplication::processEvents();
    std::vector<QWidget*> controlli;
    for (QWidget* controllo : finestra.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (controllo->isVisible())
            controlli.push_back(controllo);
    }
    for (QWidget* controllo : controlli) {
        SCOPED_TRACE(nome(controllo));
        EXPECT_TRUE(finestra.rect().contains(controllo->geometry())) << "outside the window";
        controllaControllo(controllo);
        for (const QWidget* figlio : controllo->findChildren<QWidget*>()) {
            if (figlio->isVisible() && !qobject_cast<const QLineEdit*>(controllo))
                controllaControllo(figlio);
        }
    }
    for (std::size_t i = 0; i < controlli.size(); ++i) {
        for (std::size_t j = i + 1; j < controlli.size(); ++j) {
            if (!sovrapposizioneVoluta(controlli[i], controlli[j])) {
                EXPECT_FALSE(controlli[i]->geometry().intersects(controlli[j]->geometry()))
                    << nome(controlli[i]) << " overlaps " << nome(controlli[j]);
            }
        }
    }
}

// The windows name their controls as the design does, so that a failure says which one.
void nomina(TfrmLogin& finestra)
{
    finestra.OrvaLogo->setObjectName("OrvaLogo");
    finestra.lblVer->setObjectName("lblVer");
    finestra.StatusBar1->setObjectName("StatusBar1");
}

void nomina(TfrmMain& finestra)
{
    finestra.OrvaLogo->setObjectName("OrvaLogo");
    finestra.lblVer->setObjectName("lblVer");
    finestra.Memo1->setObjectName("Memo1");
    finestra.Bevel1->setObjectName("Bevel1");
    finestra.lblLog->setObjectName("lblLog");
    finestra.chkVacc->setObjectName("chkVacc");
}

class AdattamentoTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { applicazioneTest(); }

    // The windows' font at the size of the test.
    QFont carattere() const
    {
        QFont carattere = carattereFinestra();
        carattere.setPointSize(GetParam());
        return carattere;
    }

    DesktopDiProva desktop_;
    testing_support::MessageRecorder messaggi_;
};

} // namespace

TEST_P(AdattamentoTest, EveryTextOfTheSignInWindowFits)
{
    TfrmLogin finestra;
    nomina(finestra);
    finestra.txtUtente->setText("rossi");
    finestra.setFont(carattere());
    controllaFinestra(finestra);
}

TEST_P(AdattamentoTest, EveryTextOfTheExportWindowFits)
{
    TfrmMain finestra;
    nomina(finestra);
    // Dates of the widest digits the months allow.
    finestra.dtDallaData->setDate(QDate(2028, 10, 28));
    finestra.dtAllaData->setDate(QDate(2028, 12, 30));
    finestra.setFont(carattere());
    controllaFinestra(finestra);
}

// The windows' own 8 points, and a system asking for 12.
INSTANTIATE_TEST_SUITE_P(Punti, AdattamentoTest, ::testing::Values(8, 12));
