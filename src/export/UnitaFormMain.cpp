#include "export/UnitaFormMain.h"

UnitaFormMain& unitaFormMain()
{
    static UnitaFormMain unita;
    return unita;
}
