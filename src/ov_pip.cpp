#include <QApplication>
#include <iostream>

#include "app/FormLogin.h"
#include "app/Interfaccia.h"
#include "app/Logo.h"
#include "app/RigaDiComando.h"
#include "app/ServerProgramma.h"
#include "platform/MessageBox.h"
#include "riepilogo/RiepilogoPdf.h"

int main(int argc, char* argv[])
{
    // Answered before the application object, which needs a display.
    if (const auto esito = rispostaRigaDiComando(argc, argv, std::cout))
        return *esito;

    QApplication applicazione(argc, argv);
    impostaItaliano(applicazione);
    QApplication::setApplicationName(QStringLiteral("ov_pip"));
    QApplication::setWindowIcon(iconaProgramma());
    platform::setMessageBoxHandler(mostraMessaggioQt);
    platform::setApriCartellaHandler(apriCartellaQt);
    setScrittoreRiepilogo(scriviRiepilogoPdf);
    registraServerProgramma();

    TfrmLogin finestra;
    finestra.show();
    return QApplication::exec();
}
