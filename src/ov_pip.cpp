#include <QApplication>

#include "app/FormLogin.h"
#include "app/Interfaccia.h"
#include "hostserver/OrvellaServer.h"
#include "platform/MessageBox.h"

int main(int argc, char* argv[])
{
    QApplication applicazione(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ov_pip"));
    platform::setMessageBoxHandler(mostraMessaggioQt);
    registraServerOrvella();

    TfrmLogin finestra;
    finestra.show();
    return QApplication::exec();
}
