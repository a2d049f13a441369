#include "app/ServerProgramma.h"

void registraServerProgramma()
{
    // The clinical-records application registers "Orvella.Server" as a COM class; the class
    // registry creates it through COM when nothing in the process answers to that name.
}
