#include "host/ClassiSistema.h"

#include "host/GuastoHost.h"
#include "tools/Cp1252.h"

namespace host {

std::unique_ptr<AutomationObject> creaOggettoDiSistema(const std::string& identificatore)
{
    throw AutomationError(u"Invalid class string: " + utf8ToUtf16(identificatore), kNomeNonRegistrato);
}

RegistrazioneClasse leggiRegistrazione(const std::string& identificatore)
{
    RegistrazioneClasse registrazione;
    registrazione.righe.push_back(
        identificatore + ": nessun registro delle classi su questo sistema, solo le classi registrate nel programma");
    return registrazione;
}

} // namespace host
