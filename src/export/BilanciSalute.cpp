#include "export/BilanciSalute.h"

#include <exception>
#include <vector>

#include "export/Records.h"
#include "export/TabellaCodici.h"
#include "host/Automation.h"
#include "host/tc_Orvapat.h"
#include "platform/MessageBox.h"
#include "tools/Cp1252.h"
#include "tools/tc_GenTools.h"

namespace {

// The codice bilancio: the code's 1-based place in the list, whole text, any letter case; 0 when absent.
int codiceBilancio(const std::vector<std::string>& codici, const std::string& codice)
{
    const std::string cercato = minuscoloCp1252(codice);
    for (size_t i = 0; i < codici.size(); ++i) {
        if (minuscoloCp1252(codici[i]) == cercato)
            return static_cast<int>(i + 1);
    }
    return 0;
}

std::string testoEccezione(const std::exception& errore)
{
    if (const auto* automazione = dynamic_cast<const host::AutomationError*>(&errore))
        return utf16ToCp1252(automazione->messaggio());
    const std::string testo = errore.what();
    return isValidUtf8(testo) ? utf8ToCp1252(testo) : testo;
}

} // namespace

std::string filtroBilanci(const std::string& sDallaData, const std::string& sAllaData)
{
    return std::string("filtro_lista_codici_accertamento_spaziati=") + kCodiciBilancio
        + "|filtro_solo_con_risultato|dalla_data=" + sDallaData + "|alla_data=" + sAllaData
        + "|ordinamento=ordine_data_desc";
}

void faiSingoloPaziente(const ContestoBilanci& contesto, const std::string& sDallaData, const std::string& sAllaData,
    const std::string& sCodiceRegionale)
{
    Torvapat& oOrvapat = contesto.oOrvapat;
    const std::u16string filtro = cp1252ToUtf16(filtroBilanci(sDallaData, sAllaData));
    std::vector<std::string> codici;
    string2list(kCodiciBilancio, " ", codici);
    if (contesto.nPazienti <= 0)
        return;

    const std::string totale = std::to_string(contesto.nPazienti);
    const auto testoProgresso
        = [&totale](std::int32_t k) { return "...bilanci di salute: paziente " + std::to_string(k) + " di " + totale; };
    Progresso progresso(contesto.progresso);
    std::int32_t kUltimo = 0; // the last patient handled without an error
    for (std::int32_t k = 1; k <= contesto.nPazienti; ++k) {
        const std::u16string h = oOrvapat.new_object(u"i_accertamento", u"");
        oOrvapat.call_method_pipe(h, u"carica", filtro);
        try {
            const std::int32_t righe = string2int(oOrvapat.call_method_pipe(h, u"rowcount", u""), 10);
            const std::string cf = utf16ToCp1252(oOrvapat.leggi_attributo(u"codice_fiscale"));
            contesto.log.suLog("Bilanci di salute - PAZIENTE " + cf);
            for (std::int32_t i = 1; i <= righe; ++i) {
                oOrvapat.call_method_pipe(h, u"setrow", cp1252ToUtf16(std::to_string(i)));
                const std::string data
                    = utf16ToCp1252(oOrvapat.call_method_pipe(h, u"leggi_attributo", u"data_esecuzione"));
                const std::string codice
                    = utf16ToCp1252(oOrvapat.call_method_pipe(h, u"leggi_attributo", u"codice_accertamento"));
                suFile(
                    recordBilsalu(cf, sCodiceRegionale, data, codiceBilancio(codici, codice)), contesto.sFileBilsalu);
                contesto.log.suLog(
                    "->Inserito in BILSALU.DAT, Codice_ov: " + codice + " riga:" + std::to_string(righe));
                contesto.log.suLog(".");
            }
            kUltimo = k;
            progresso.avanza([&] { return testoProgresso(k); });
        } catch (const std::exception& errore) {
            // One patient's failure costs that patient's remaining lines, not the walk.
            platform::mostraMessaggio("faiSingoloPaziente - Eccezione:" + testoEccezione(errore));
        }
        oOrvapat.destroy_object(h);
        oOrvapat.skip();
    }
    progresso.concludi([&] { return testoProgresso(kUltimo); });
}
