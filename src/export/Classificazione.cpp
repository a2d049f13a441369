#include "export/Classificazione.h"

#include "export/Records.h"

namespace {

std::string testoProgresso(std::int32_t nRighe)
{
    return "...inserimento record ppip:" + std::to_string(nRighe);
}

void instrada(ContestoClassificazione& contesto, const std::string& sCodiceRegionale, const std::string& cf,
    const std::string& data, std::int32_t nAssistenze, int riga)
{
    const TabellaCodici& tabella = contesto.tabella;
    const std::string& codePuglia = tabella.cella(TabellaCodici::CODE_PUGLIA, riga);
    const bool bChkVacc = !contesto.chkVacc || contesto.chkVacc();
    const std::string sRiga = std::to_string(contesto.nRighe + 1);

    switch (instradamento(
        tabella.cella(TabellaCodici::TIPO, riga), tabella.cella(TabellaCodici::VACCINO, riga), bChkVacc)) {
    case Instradamento::Accessi:
        suFile(recordAccessi(cf, sCodiceRegionale, data, nAssistenze, codePuglia), contesto.sFileAccessi);
        contesto.log.suLog("->Inserito in ACCESSI.DAT, riga:" + sRiga);
        break;
    case Instradamento::Ppip:
        suFile(recordPpip(cf, sCodiceRegionale, codePuglia, data, nAssistenze), contesto.sFilePpip);
        contesto.log.suLog("->Inserito in PIPP.DAT, riga:" + sRiga);
        break;
    case Instradamento::Vaccini:
        suFile(recordPpip(cf, sCodiceRegionale, codePuglia, data, nAssistenze), contesto.sFileVaccini);
        contesto.log.suLog("->Inserito in VACCINI.DAT, riga:" + sRiga);
        break;
    case Instradamento::DaEscludere:
        contesto.log.suLog("---->SCARTATO: da escludere");
        break;
    case Instradamento::InAttesaDiChiarimento:
        contesto.log.suLog("---->SCARTATO: in attesa di chiarimento");
        break;
    case Instradamento::Nessuno:
        break;
    }
}

using CostruisciVoce = std::string (*)(const std::string& nome, const std::string& data, const std::string& codice);

// An unlisted service, or one the doctor may not claim: an entry in trx_sconosciuti.txt and a log line.
void elencaScartata(ContestoClassificazione& contesto, NodoXml prestazione, const std::string& data,
    const std::string& codice, CostruisciVoce voce, const std::string& sLog)
{
    contesto.nScartate += 1;
    const std::string nome = contesto.oXmlDoc.leggiNodo(prestazione, "nome_prestazione");
    suFile(voce(nome, data, codice), contesto.sFileSconosciuti);
    contesto.log.suLog(sLog + nome);
}

void classificaPrestazione(ContestoClassificazione& contesto, const std::string& sCodiceRegionale,
    const std::string& idPaziente, const std::string& sContratto, const std::string& cf, NodoXml prestazione)
{
    const DocumentoXml& doc = contesto.oXmlDoc;
    const std::string codice = doc.leggiNodo(prestazione, "codice_ov_pip");
    const std::string data = doc.leggiNodo(prestazione, "data_esecuzione");
    contesto.log.suLog("-> Codice_ov_pip = " + codice + " - " + data);
    bool bScartata = false;

    const int riga = contesto.tabella.cercaCodice(codice);
    if (riga == -1) {
        elencaScartata(contesto, prestazione, data, codice, voceSconosciuto, "---->SCONOSCIUTO: Nome Prestazione*: ");
        return;
    }

    const std::string& professionista = contesto.tabella.cella(TabellaCodici::PROFESSIONISTA, riga);
    if (professionista == "M" && sContratto != "MMG") {
        elencaScartata(
            contesto, prestazione, data, codice, voceSoloMmg, "---->SCARTATO (SOLO PER MMG): Nome Prestazione*: ");
        bScartata = true;
    } else if (professionista == "P" && sContratto != "PLS") {
        elencaScartata(
            contesto, prestazione, data, codice, voceSoloPls, "---->SCARTATO (SOLO PER PLS): Nome Prestazione*: ");
        bScartata = true;
    }

    // Also for a service discarded above, so that its group is still reported only once.
    const std::int32_t nAssistenze = contaPrestazioniUguali(doc, contesto.elencoDuplicati, idPaziente, data, codice);
    if (nAssistenze == 0) {
        contesto.log.suLog("---->SCARTATO: Numero di assitenze \xE8 uguale a 0");
        bScartata = true;
    }

    if (!bScartata)
        instrada(contesto, sCodiceRegionale, cf, data, nAssistenze, riga);

    contesto.nRighe += 1;
    contesto.progresso.avanza([&contesto] { return testoProgresso(contesto.nRighe); });
    contesto.log.suLog(".");
}

} // namespace

Instradamento instradamento(const std::string& tipo, const std::string& vaccino, bool bChkVacc)
{
    if (tipo == "V")
        return Instradamento::Accessi;
    if (tipo == "P") {
        if (vaccino == "0" || !bChkVacc)
            return Instradamento::Ppip;
        return vaccino == "1" ? Instradamento::Vaccini : Instradamento::Nessuno;
    }
    if (tipo == "X")
        return Instradamento::DaEscludere;
    if (tipo == "?")
        return Instradamento::InAttesaDiChiarimento;
    return Instradamento::Nessuno;
}

void faiPrestazioniPaziente(ContestoClassificazione& contesto, const std::string& sCodiceRegionale,
    const std::string& idPaziente, const std::string& sContratto)
{
    const DocumentoXml& doc = contesto.oXmlDoc;
    const std::string cf = doc.leggiNodo(doc.paziente(idPaziente), "PERSONA/codice_fiscale");
    const std::vector<NodoXml>& prestazioni = doc.prestazioniPaziente(idPaziente);
    const auto nPrestazioni = static_cast<std::int32_t>(prestazioni.size());
    contesto.log.suLog("PAZIENTE: " + cf + " numero pipp: " + std::to_string(nPrestazioni));
    if (nPrestazioni <= 0)
        return;
    for (const NodoXml& prestazione : prestazioni)
        classificaPrestazione(contesto, sCodiceRegionale, idPaziente, sContratto, cf, prestazione);
}

void concludiProgresso(ContestoClassificazione& contesto)
{
    contesto.progresso.concludi([&contesto] { return testoProgresso(contesto.nRighe); });
}
