#include <QApplication>

#include "app/FormLogin.h"
#include "app/Interfaccia.h"
#include "app/ServerProgramma.h"
#include "platform/MessageBox.h"

int main(int argc, char* argv[])
{
    QApplication applicazione(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ov_pip"));
    platform::setMessageBoxHandler(mostraMessaggioQt);
    registraServerProgramma();

    TfrmLogin finestra;
    finestra.show();
    return QApplication::exec();
}
