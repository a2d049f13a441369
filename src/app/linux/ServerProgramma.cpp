#include "app/ServerProgramma.h"

#include "hostserver/OrvellaServer.h"

void registraServerProgramma()
{
    registraServerOrvella();
}
