#include "host/AperturaSessione.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "platform/MessageBox.h"
#include "tools/Cp1252.h"
#include "tools/tc_GenTools.h"

namespace {

// A value that is not text is simply not "1".
bool leggiDebug()
{
    try {
        return readRegistryString(RegistryRoot::HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Corvitel-Amberlo", "karv_debug")
            == "1";
    } catch (const RegistryError&) {
        return false;
    }
}

// The three doctor checks, in order; the first that fails shows its message.
bool medicoAbilitato(Torvapat& sessione, std::int32_t& nPazienti)
{
    nPazienti = caricaPazientiMedico(sessione);
    if (nPazienti == 0) {
        platform::mostraMessaggio("ERRORE: Nessun paziente associato al medico corrente.");
        return false;
    }
    if (sessione.leggi_attributo(u"mmg\\tipo_orva") != u"T") {
        platform::mostraMessaggio("ERRORE: La procedura riservata ai soli medici titolari.");
        return false;
    }
    const std::u16string codiceRegionale = sessione.leggi_attributo(u"mmg\\codice_regionale");
    if (!codiceRegionaleValorizzato(codiceRegionale)) {
        platform::mostraMessaggio(kErroreCodiceRegionale);
        return false;
    }
    sessione.sCodiceRegionaleMedico = utf16ToCp1252(codiceRegionale);
    return true;
}

// The registration's lines, one log line each.
std::vector<std::string> righeRegistrazione(const std::string& testo)
{
    std::vector<std::string> righe;
    if (!testo.empty())
        string2list(testo, "\r\n", righe);
    return righe;
}

} // namespace

bool codiceRegionaleValorizzato(const std::u16string& codice)
{
    // Blanks and control characters do not fill a field.
    return !std::all_of(codice.begin(), codice.end(), [](char16_t c) { return c <= u' '; });
}

std::int32_t caricaPazientiMedico(Torvapat& oOrvapat)
{
    const std::u16string idUtente = oOrvapat.leggi_attributo(u"userid_utente");
    // The blank before "=" is the host's own spelling of the key.
    return oOrvapat.carica(u"codice_medico =" + idUtente + u"|" + u"tipo_di_convenzione=S", u"alfabetico");
}

namespace {

// Opens a session into oOrvapat with the credentials as typed and checks the doctor; false, the
// reason shown, when either fails.
bool apriSessione(const std::string& utente, const std::string& password, std::unique_ptr<Torvapat>& oOrvapat,
    std::int32_t& nPazienti, const std::function<void(const std::string&)>& suLog,
    const std::function<void(const std::string&)>& mostraAttesa)
{
    oOrvapat = std::make_unique<Torvapat>();
    oOrvapat->s_utente = utente;
    oOrvapat->s_password = password;
    oOrvapat->impostaAttesa(AttesaOrvella { .mostra = mostraAttesa });
    if (oOrvapat->start())
        return medicoAbilitato(*oOrvapat, nPazienti);
    // A server that cannot be created or fails at once: its reason and its registration, for
    // the technician.
    if (suLog && !oOrvapat->ultimoErrore().empty())
        suLog("ole_orvapat.start(): eccezione: " + oOrvapat->ultimoErrore());
    if (suLog) {
        for (const std::string& riga : righeRegistrazione(oOrvapat->registrazioneServer()))
            suLog(riga);
    }
    return false;
}

void mostraEccezione(const std::exception* errore)
{
    platform::mostraMessaggio("sFunz: inizializza - Eccezione:" + (errore ? host::testoErrore(*errore) : ""));
}

} // namespace

bool inizializza(const std::string& utente, const std::string& password, bool& bDebug,
    std::unique_ptr<Torvapat>& oOrvapat, std::int32_t& nPazienti, const std::function<void()>& mostraFinestraPrincipale,
    const std::function<void(const std::string&)>& suLog, const std::function<void(const std::string&)>& mostraAttesa)
{
    bool risultato = false;
    bDebug = leggiDebug(); // before any host call, so it holds when the connection fails
    try {
        if (apriSessione(utente, password, oOrvapat, nPazienti, suLog, mostraAttesa)) {
            mostraFinestraPrincipale();
            risultato = true;
        }
    } catch (const std::exception& errore) {
        mostraEccezione(&errore);
    } catch (...) {
        mostraEccezione(nullptr);
    }
    if (oOrvapat) {
        oOrvapat->stop();
        oOrvapat.reset();
    }
    return risultato;
}

bool riapriSessione(const std::string& utente, const std::string& password, std::unique_ptr<Torvapat>& oOrvapat,
    std::int32_t& nPazienti, const std::function<void(const std::string&)>& suLog,
    const std::function<void(const std::string&)>& mostraAttesa, const std::function<bool()>& annullato)
{
    std::unique_ptr<Torvapat> nuova;
    std::int32_t nPazientiNuova = 0;
    bool aperta = false;
    try {
        aperta = apriSessione(utente, password, nuova, nPazientiNuova, suLog, mostraAttesa);
    } catch (const std::exception& errore) {
        mostraEccezione(&errore);
    } catch (...) {
        mostraEccezione(nullptr);
    }
    if (!aperta || (annullato && annullato())) {
        if (nuova)
            nuova->stop();
        return false;
    }
    if (oOrvapat)
        oOrvapat->stop();
    oOrvapat = std::move(nuova);
    nPazienti = nPazientiNuova;
    return true;
}
