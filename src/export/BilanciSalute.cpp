#include "export/BilanciSalute.h"

#include <exception>
#include <optional>
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

// A count as the host writes it, or nothing when it is not a decimal number.
std::optional<std::int32_t> conteggio(const std::u16string& risposta)
{
    // The conversion takes the empty text for 0; an empty answer is no answer.
    if (risposta.empty())
        return std::nullopt;
    lastToolsError();
    const std::int32_t numero = string2int(risposta, 10);
    if (!lastToolsError().empty())
        return std::nullopt;
    return numero;
}

// The rows to read: the row count, when it is a number no larger than the rows that "carica" loaded.
std::optional<std::int32_t> righeDaLeggere(const std::u16string& caricate, const std::u16string& rowcount)
{
    const std::optional<std::int32_t> nCaricate = conteggio(caricate);
    const std::optional<std::int32_t> nRighe = conteggio(rowcount);
    if (!nCaricate || !nRighe || *nRighe > *nCaricate)
        return std::nullopt;
    return nRighe;
}

// One patient's lines. A failed call spoils what is built from its answer: such a line is not
// written, and a patient whose count or fiscal code could not be read gives none. Neither does an
// empty fiscal code or date; those checks are counted as left out.
void bilanciPaziente(const ContestoBilanci& contesto, const std::u16string& h, const std::u16string& filtro,
    const std::vector<std::string>& codici, const std::string& sCodiceRegionale, BilanciTralasciati& tralasciati)
{
    Torvapat& oOrvapat = contesto.oOrvapat;
    const std::int32_t nNonRiusciteAllInizio = oOrvapat.chiamateNonRiuscite();
    const std::u16string caricate = oOrvapat.call_method_pipe(h, u"carica", filtro);
    const std::u16string rowcount = oOrvapat.call_method_pipe(h, u"rowcount", u"");
    const std::string cf = utf16ToCp1252(oOrvapat.leggi_attributo(u"codice_fiscale"));
    contesto.log.suLog("Bilanci di salute - PAZIENTE " + cf);
    if (oOrvapat.chiamateNonRiuscite() != nNonRiusciteAllInizio)
        return;
    const std::optional<std::int32_t> righe = righeDaLeggere(caricate, rowcount);
    if (!righe) {
        // Never walk rows the host did not load: the count itself is the failed answer.
        oOrvapat.contaChiamataNonRiuscita("call_method_pipe rowcount");
        return;
    }
    const std::string sRighe = std::to_string(*righe);
    if (*righe > 0 && campoVuoto(cf)) {
        tralasciati.senzaCodiceFiscale += *righe;
        contesto.log.suLog("->Non inseriti in BILSALU.DAT, codice fiscale vuoto, righe:" + sRighe);
        return;
    }
    for (std::int32_t i = 1; i <= *righe; ++i) {
        const std::int32_t nNonRiusciteDellaRiga = oOrvapat.chiamateNonRiuscite();
        oOrvapat.call_method_pipe(h, u"setrow", cp1252ToUtf16(std::to_string(i)));
        const std::string data = utf16ToCp1252(oOrvapat.call_method_pipe(h, u"leggi_attributo", u"data_esecuzione"));
        const std::string codice
            = utf16ToCp1252(oOrvapat.call_method_pipe(h, u"leggi_attributo", u"codice_accertamento"));
        if (oOrvapat.chiamateNonRiuscite() != nNonRiusciteDellaRiga)
            continue;
        if (campoVuoto(data)) {
            ++tralasciati.senzaData;
            contesto.log.suLog("->Non inserito in BILSALU.DAT, data vuota, Codice_ov: " + codice + " riga:" + sRighe);
            continue;
        }
        suFile(recordBilsalu(cf, sCodiceRegionale, data, codiceBilancio(codici, codice)), contesto.sFileBilsalu);
        contesto.log.suLog("->Inserito in BILSALU.DAT, Codice_ov: " + codice + " riga:" + sRighe);
        contesto.log.suLog(".");
    }
}

} // namespace

std::string filtroBilanci(const std::string& sDallaData, const std::string& sAllaData)
{
    return std::string("filtro_lista_codici_accertamento_spaziati=") + kCodiciBilancio
        + "|filtro_solo_con_risultato|dalla_data=" + sDallaData + "|alla_data=" + sAllaData
        + "|ordinamento=ordine_data_desc";
}

std::string avvisoBilanciTralasciati(const BilanciTralasciati& tralasciati)
{
    const std::int32_t n = tralasciati.senzaCodiceFiscale + tralasciati.senzaData;
    if (n == 0)
        return {};
    std::string perche;
    if (tralasciati.senzaCodiceFiscale > 0)
        perche += std::to_string(tralasciati.senzaCodiceFiscale) + " di pazienti senza codice fiscale";
    if (tralasciati.senzaData > 0)
        perche += (perche.empty() ? "" : ", ") + std::to_string(tralasciati.senzaData) + " senza data dell'esame";
    return "ATTENZIONE: " + std::to_string(n)
        + (n == 1 ? " bilancio di salute non inserito" : " bilanci di salute non inseriti") + " in BILSALU.DAT ("
        + perche + "), il tracciato non \xE8 completo.";
}

BilanciTralasciati faiSingoloPaziente(const ContestoBilanci& contesto, const std::string& sDallaData,
    const std::string& sAllaData, const std::string& sCodiceRegionale)
{
    Torvapat& oOrvapat = contesto.oOrvapat;
    const std::u16string filtro = cp1252ToUtf16(filtroBilanci(sDallaData, sAllaData));
    std::vector<std::string> codici;
    string2list(kCodiciBilancio, " ", codici);
    BilanciTralasciati tralasciati;
    if (contesto.nPazienti <= 0)
        return tralasciati;

    const std::string totale = std::to_string(contesto.nPazienti);
    const auto testoProgresso
        = [&totale](std::int32_t k) { return "...bilanci di salute: paziente " + std::to_string(k) + " di " + totale; };
    Progresso progresso(contesto.progresso);
    std::int32_t kUltimo = 0; // the last patient handled without an error
    std::int32_t kLetti = 0; // the last patient whose calls all reached the host
    // A host gone at any call, those between two patients included, ends the walk.
    for (std::int32_t k = 1; k <= contesto.nPazienti && !oOrvapat.orvellaChiuso(); ++k) {
        const std::int32_t nNonRiusciteAllaCreazione = oOrvapat.chiamateNonRiuscite();
        const std::u16string h = oOrvapat.new_object(u"i_accertamento", u"");
        // Without its object the patient's calls could only fail, each with its own box.
        const bool bOggetto = oOrvapat.chiamateNonRiuscite() == nNonRiusciteAllaCreazione;
        try {
            if (bOggetto)
                bilanciPaziente(contesto, h, filtro, codici, sCodiceRegionale, tralasciati);
            kUltimo = k;
            progresso.avanza([&] { return testoProgresso(k); });
        } catch (const std::exception& errore) {
            // One patient's failure costs that patient's remaining lines, not the walk.
            platform::mostraMessaggio("faiSingoloPaziente - Eccezione:" + host::testoErrore(errore));
        }
        if (!oOrvapat.orvellaChiuso())
            kLetti = k;
        if (bOggetto)
            oOrvapat.destroy_object(h);
        // A list that cannot move on would hand the same patient over again, and never the others.
        if (!oOrvapat.skip())
            break;
    }
    if (oOrvapat.orvellaChiuso() && kLetti < contesto.nPazienti)
        tralasciati.fermoAlPaziente = kLetti + 1;
    progresso.concludi([&] { return testoProgresso(kUltimo); });
    return tralasciati;
}
