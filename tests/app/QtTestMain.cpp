#include <QApplication>
#include <gtest/gtest.h>

#include "app/Interfaccia.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QApplication applicazione(argc, argv);
    // As the program does, before any window is built.
    impostaItaliano(applicazione);
    return RUN_ALL_TESTS();
}
