#include "export/BilanciSalute.h"
#include "host/AperturaSessione.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <vector>

#include "host/tc_Orvapat.h"
#include "support/ScriptedAutomation.h"
#include "support/TestSupport.h"
#include "tools/Cp1252.h"

namespace fs = std::filesystem;
using testing_support::ScriptedAutomation;

namespace {

struct Esame {
    std::u16string data;
    std::u16string codice;
};

struct Paziente {
    std::u16string codiceFiscale;
    std::vector<Esame> esami;
};

const std::u16string& testo(const host::Arguments& argomenti, std::size_t i)
{
    return std::get<std::u16string>(argomenti.at(i));
}

// A host whose patient list and examinations the test writes down: skip moves along the list,
// carica reloads it from the first patient, and an i_accertamento object shows the examinations
// of the patient current at its "carica".
class PraticaScriptata {
public:
    PraticaScriptata(ScriptedAutomation& server, std::vector<Paziente> pazienti)
        : pazienti_(std::move(pazienti))
    {
        server.answerWith("carica", [this](const host::Arguments&) {
            corrente_ = 0;
            return host::Variant { static_cast<std::int32_t>(pazienti_.size()) };
        });
        server.answerWith("skip", [this](const host::Arguments&) {
            ++corrente_;
            return host::Variant {};
        });
        server.answerWith("leggi_attributo", [this](const host::Arguments& argomenti) {
            if (testo(argomenti, 0) == u"userid_utente")
                return host::Variant { std::u16string(u"M7") };
            if (testo(argomenti, 0) == u"codice_fiscale" && corrente_ < pazienti_.size())
                return host::Variant { pazienti_[corrente_].codiceFiscale };
            return host::Variant { std::u16string() };
        });
        server.answerWith("new_object", [this](const host::Arguments&) {
            return host::Variant { u"h" + cp1252ToUtf16(std::to_string(++oggetti_)) };
        });
        server.answerWith("call_method_pipe", [this](const host::Arguments& argomenti) {
            if (guastoPipe)
                guastoPipe(argomenti);
            const std::u16string& metodo = testo(argomenti, 1);
            const std::u16string& parametri = testo(argomenti, 2);
            const bool primo = corrente_ == 0;
            if (metodo == u"carica") {
                esami_ = corrente_ < pazienti_.size() ? pazienti_[corrente_].esami : std::vector<Esame> {};
                return host::Variant { primo && caricate ? *caricate : cp1252ToUtf16(std::to_string(esami_.size())) };
            } else if (metodo == u"rowcount") {
                return host::Variant { primo && rowcount ? *rowcount : cp1252ToUtf16(std::to_string(esami_.size())) };
            } else if (metodo == u"setrow") {
                riga_ = std::stoul(utf16ToCp1252(parametri));
            } else if (metodo == u"leggi_attributo") {
                // No current row: the attributes read empty.
                if (riga_ == 0 || riga_ > esami_.size())
                    return host::Variant { std::u16string() };
                const Esame& esame = esami_[riga_ - 1];
                return host::Variant { parametri == u"data_esecuzione" ? esame.data : esame.codice };
            }
            return host::Variant {};
        });
    }

    // Called first on every pipe call; throwing host::AutomationError fails the call.
    std::function<void(const host::Arguments&)> guastoPipe;
    // For the first patient: the answers to "carica" and "rowcount" in place of the number of examinations.
    std::optional<std::u16string> caricate;
    std::optional<std::u16string> rowcount;

private:
    std::vector<Paziente> pazienti_;
    std::size_t corrente_ = 0;
    std::vector<Esame> esami_;
    std::size_t riga_ = 0;
    int oggetti_ = 0;
};

// The calls that reached the host, without the liveness probes of the guarded operations.
std::vector<std::string> chiamateUtili(const ScriptedAutomation& server)
{
    std::vector<std::string> utili;
    for (const std::string& chiamata : server.trace()) {
        if (chiamata.rfind("get_error(", 0) != 0)
            utili.push_back(chiamata);
    }
    return utili;
}

} // namespace

class BilanciSaluteTest : public ::testing::Test {
protected:
    void avvia(std::vector<Paziente> pazienti)
    {
        pratica_ = std::make_unique<PraticaScriptata>(server, std::move(pazienti));
        ASSERT_TRUE(oOrvapat.start());
        server.clearCalls();
    }

    BilanciTralasciati cammina(std::int32_t nPazienti, const std::string& sCodiceRegionale = "4711")
    {
        const ContestoBilanci contesto { oOrvapat, nPazienti, sFileBilsalu, log,
            [this](const std::string& testoLblLog) {
                progressi.push_back(testoLblLog);
                if (progressoFallisce)
                    progressoFallisce(testoLblLog);
            } };
        return faiSingoloPaziente(contesto, "2024-01-01", "2024-03-31", sCodiceRegionale);
    }

    std::string bilsalu() const { return testing_support::readFile(cartella / "BILSALU.DAT"); }

    testing_support::TempDir cartella;
    ScriptedAutomation server;
    testing_support::MessageRecorder messaggi;
    Torvapat oOrvapat;
    std::string sFileBilsalu = (cartella / "BILSALU.DAT").string();
    RunLog log { true, (cartella / "karv_log.txt").string() };
    std::vector<std::string> progressi;
    std::function<void(const std::string&)> progressoFallisce;
    // A slice passes at every reading of the clock: each patient reaches the label.
    testing_support::ManualSteadyClock orologio { Progresso::kFetta };

    PraticaScriptata& pratica() { return *pratica_; }

private:
    std::unique_ptr<PraticaScriptata> pratica_;
};

TEST_F(BilanciSaluteTest, WorkedExampleGivesTwoLinesInHostOrder)
{
    avvia({ { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" }, { u"2024-01-05", u"4148" } } } });
    cammina(1);
    EXPECT_EQ(bilsalu(),
        "abcdef12g34h567i00471110/03/202401\r\n"
        "abcdef12g34h567i00471105/01/202410\r\n");
    EXPECT_TRUE(messaggi.messaggi().empty());
}

TEST_F(BilanciSaluteTest, CodiceBilancioIsThePlaceInTheListAndZeroOutsideIt)
{
    const std::vector<std::pair<std::u16string, std::string>> casi = {
        { u"3522", "01" },
        { u"3523", "02" },
        { u"3524", "03" },
        { u"3526", "04" },
        { u"3527", "05" },
        { u"4145", "06" },
        { u"4137", "07" },
        { u"4123", "08" },
        { u"4130", "09" },
        { u"4148", "10" },
        { u"9999", "00" },
        { u"3525", "00" },
        { u"", "00" },
        { u"352", "00" },
        { u" 3522", "00" },
    };
    Paziente paziente { u"RSSMRA80A01H501U", {} };
    std::string atteso;
    for (const auto& [codice, bilancio] : casi) {
        paziente.esami.push_back({ u"2024-02-29", codice });
        atteso += "RSSMRA80A01H501U00471129/02/2024" + bilancio + "\r\n";
    }
    avvia({ paziente });
    cammina(1);
    EXPECT_EQ(bilsalu(), atteso);
}

TEST_F(BilanciSaluteTest, FiscalCodeKeptAsGivenAndLongValuesWidenTheLine)
{
    avvia({ { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" } } },
        { u"abcdef12g34h567iXY", { { u"2024-03-10", u"3523" } } } });
    cammina(2, "12345678");
    EXPECT_EQ(bilsalu(),
        "abcdef12g34h567i1234567810/03/202401\r\n"
        "abcdef12g34h567iXY1234567810/03/202402\r\n");
}

TEST_F(BilanciSaluteTest, HostCallsForOnePatientInOrder)
{
    avvia({ { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" }, { u"2024-01-05", u"4148" } } } });
    cammina(1);
    const std::string filtro
        = "filtro_lista_codici_accertamento_spaziati=3522 3523 3524 3526 3527 4145 4137 4123 4130 4148"
          "|filtro_solo_con_risultato|dalla_data=2024-01-01|alla_data=2024-03-31|ordinamento=ordine_data_desc";
    EXPECT_EQ(filtroBilanci("2024-01-01", "2024-03-31"), filtro);
    EXPECT_EQ(chiamateUtili(server),
        (std::vector<std::string> {
            R"(new_object("i_accertamento", ""))",
            R"(call_method_pipe("h1", "carica", ")" + filtro + "\")",
            R"(call_method_pipe("h1", "rowcount", ""))",
            R"(leggi_attributo("codice_fiscale"))",
            R"(call_method_pipe("h1", "setrow", "1"))",
            R"(call_method_pipe("h1", "leggi_attributo", "data_esecuzione"))",
            R"(call_method_pipe("h1", "leggi_attributo", "codice_accertamento"))",
            R"(call_method_pipe("h1", "setrow", "2"))",
            R"(call_method_pipe("h1", "leggi_attributo", "data_esecuzione"))",
            R"(call_method_pipe("h1", "leggi_attributo", "codice_accertamento"))",
            R"(destroy_object("h1"))",
            "skip(Empty)",
        }));
}

TEST_F(BilanciSaluteTest, PatientsWithoutResultsMakeNoFileButShowProgress)
{
    avvia({ { u"AAAAAA00A00A000A", {} }, { u"BBBBBB00B00B000B", {} }, { u"CCCCCC00C00C000C", {} } });
    cammina(3);
    EXPECT_FALSE(fs::exists(cartella / "BILSALU.DAT"));
    EXPECT_EQ(progressi,
        (std::vector<std::string> { "...bilanci di salute: paziente 1 di 3", "...bilanci di salute: paziente 2 di 3",
            "...bilanci di salute: paziente 3 di 3" }));
    EXPECT_EQ(server.callCount("new_object"), 3);
    EXPECT_EQ(server.callCount("destroy_object"), 3);
    EXPECT_EQ(server.callCount("skip"), 3);
}

TEST_F(BilanciSaluteTest, LabelFollowsTheWalkOnATimeSliceNotPerPatient)
{
    std::vector<Paziente> pazienti(120, Paziente { u"AAAAAA00A00A000A", {} });
    avvia(pazienti);
    // Each patient takes 10 ms: a slice falls every four or five patients, and the last shows at the end.
    orologio.passoPerLettura({});
    pratica().guastoPipe = [this](const host::Arguments& argomenti) {
        if (testo(argomenti, 1) == u"carica")
            orologio.avanza(std::chrono::milliseconds(10));
    };
    cammina(120);
    ASSERT_GE(progressi.size(), 120u * 10 / (40 + 10));
    EXPECT_LE(progressi.size(), 120u * 10 / 40 + 1);
    EXPECT_EQ(progressi.front(), "...bilanci di salute: paziente 4 di 120");
    EXPECT_EQ(progressi.back(), "...bilanci di salute: paziente 120 di 120");
}

TEST_F(BilanciSaluteTest, NoPatientsMeansNoHostCall)
{
    avvia({ { u"AAAAAA00A00A000A", { { u"2024-03-10", u"3522" } } } });
    cammina(0);
    cammina(-1);
    EXPECT_TRUE(chiamateUtili(server).empty());
    EXPECT_TRUE(progressi.empty());
    EXPECT_FALSE(fs::exists(cartella / "BILSALU.DAT"));
}

TEST_F(BilanciSaluteTest, WalkRepeatsItsCallsPastTheEndOfTheList)
{
    avvia({ { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" } } } });
    cammina(3);
    EXPECT_EQ(bilsalu(), "abcdef12g34h567i00471110/03/202401\r\n");
    EXPECT_EQ(server.callCount("skip"), 3);
    EXPECT_EQ(progressi.back(), "...bilanci di salute: paziente 3 di 3");
}

// --- Failed host calls ---

const std::string kLineaPrimoA = "abcdef12g34h567i00471110/03/202401\r\n";
const std::string kLineaPrimoB = "abcdef12g34h567i00471105/01/202410\r\n";
const std::string kLineaSecondo = "zyxwvu98t76s543r00471102/02/202403\r\n";

struct ChiamataGuasta {
    const char* nome;
    std::function<void(ScriptedAutomation&, PraticaScriptata&)> guasta; // fails one call of the first patient
    std::string bilsalu;
};

// A pipe call of the first patient that fails once, on its first occurrence.
std::function<void(ScriptedAutomation&, PraticaScriptata&)> guastaPipe(
    std::u16string metodo, std::u16string parametri = {})
{
    return [metodo, parametri](ScriptedAutomation&, PraticaScriptata& pratica) {
        pratica.guastoPipe = [metodo, parametri, fatto = false](const host::Arguments& argomenti) mutable {
            if (!fatto && testo(argomenti, 1) == metodo && (parametri.empty() || testo(argomenti, 2) == parametri)) {
                fatto = true;
                throw host::AutomationError(u"riga non disponibile");
            }
        };
    };
}

class ChiamataGuastaTest : public BilanciSaluteTest, public ::testing::WithParamInterface<ChiamataGuasta> { };

TEST_P(ChiamataGuastaTest, IsCountedAndNoLineIsBuiltFromItsEmptyAnswer)
{
    avvia({ { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" }, { u"2024-01-05", u"4148" } } },
        { u"zyxwvu98t76s543r", { { u"2024-02-02", u"3524" } } } });
    GetParam().guasta(server, pratica());

    cammina(2);

    EXPECT_EQ(bilsalu(), GetParam().bilsalu);
    EXPECT_EQ(oOrvapat.chiamateNonRiuscite(), 1);
    // The wrapper's own box, and no other failure in its wake.
    EXPECT_EQ(messaggi.messaggi().size(), 1u);
    EXPECT_EQ(progressi.size(), 2u);
    EXPECT_EQ(server.callCount("skip"), 2);
}

INSTANTIATE_TEST_SUITE_P(BilanciSalute, ChiamataGuastaTest,
    ::testing::Values(ChiamataGuasta { "new_object",
                          [](ScriptedAutomation& server, PraticaScriptata&) {
                              server.answerSequence(
                                  "new_object", { ScriptedAutomation::Failure { u"classe non disponibile" } });
                          },
                          kLineaSecondo },
        ChiamataGuasta { "carica", guastaPipe(u"carica"), kLineaSecondo },
        ChiamataGuasta { "rowcount", guastaPipe(u"rowcount"), kLineaSecondo },
        ChiamataGuasta { "codice_fiscale",
            [](ScriptedAutomation& server, PraticaScriptata&) {
                server.answerSequence(
                    "leggi_attributo", { ScriptedAutomation::Failure { u"paziente non disponibile" } });
            },
            kLineaSecondo },
        ChiamataGuasta { "setrow", guastaPipe(u"setrow", u"1"), kLineaPrimoB + kLineaSecondo },
        ChiamataGuasta {
            "data_esecuzione", guastaPipe(u"leggi_attributo", u"data_esecuzione"), kLineaPrimoB + kLineaSecondo },
        ChiamataGuasta { "codice_accertamento", guastaPipe(u"leggi_attributo", u"codice_accertamento"),
            kLineaPrimoB + kLineaSecondo }),
    [](const auto& caso) { return std::string(caso.param.nome); });

struct ConteggioRighe {
    const char* nome;
    std::optional<std::u16string> caricate; // the answers for the first patient, instead of its 2 rows
    std::optional<std::u16string> rowcount;
    int righeLette; // of the first patient
    bool valido;
};

class ConteggioRigheTest : public BilanciSaluteTest, public ::testing::WithParamInterface<ConteggioRighe> { };

TEST_P(ConteggioRigheTest, OverTheLoadedRowsOrNotANumberFailsThatPatientOnly)
{
    const ConteggioRighe& caso = GetParam();
    avvia({ { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" }, { u"2024-01-05", u"4148" } } },
        { u"zyxwvu98t76s543r", { { u"2024-02-02", u"3524" } } } });
    pratica().caricate = caso.caricate;
    pratica().rowcount = caso.rowcount;

    cammina(2);

    EXPECT_EQ(bilsalu(), (caso.righeLette == 2 ? kLineaPrimoA + kLineaPrimoB : "") + kLineaSecondo);
    EXPECT_EQ(oOrvapat.chiamateNonRiuscite(), caso.valido ? 0 : 1);
    // Rows are asked for only within what the host loaded: carica and rowcount, then three per row.
    EXPECT_EQ(server.callCount("call_method_pipe"), 2 + 3 * caso.righeLette + 2 + 3);
    EXPECT_EQ(server.callCount("skip"), 2);
}

INSTANTIATE_TEST_SUITE_P(BilanciSalute, ConteggioRigheTest,
    ::testing::Values(ConteggioRighe { "AsLoaded", std::nullopt, std::nullopt, 2, true },
        ConteggioRighe { "FewerThanLoaded", u"5", std::nullopt, 2, true },
        ConteggioRighe { "None", std::nullopt, u"0", 0, true },
        ConteggioRighe { "TwoBillion", std::nullopt, u"2000000000", 0, false },
        ConteggioRighe { "OneOverLoaded", std::nullopt, u"3", 0, false },
        ConteggioRighe { "RowCountNotANumber", std::nullopt, u"tre", 0, false },
        ConteggioRighe { "LoadedNotANumber", u"due", std::nullopt, 0, false },
        ConteggioRighe { "LoadedEmpty", u"", std::nullopt, 0, false }),
    [](const auto& caso) { return std::string(caso.param.nome); });

TEST_F(BilanciSaluteTest, FailedSkipEndsTheWalkThere)
{
    avvia({ { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" } } },
        { u"zyxwvu98t76s543r", { { u"2024-02-02", u"3524" } } } });
    server.fail("skip", u"elenco non disponibile");

    cammina(2);

    EXPECT_EQ(bilsalu(), kLineaPrimoA);
    EXPECT_EQ(server.callCount("new_object"), 1);
    EXPECT_EQ(server.callCount("skip"), 1);
    EXPECT_EQ(oOrvapat.chiamateNonRiuscite(), 1);
    EXPECT_EQ(messaggi.messaggi(), (std::vector<std::string> { "Torvapat.skip(): eccezione" }));
}

TEST_F(BilanciSaluteTest, ErrorWhileHandlingAPatientIsShownAndTheWalkGoesOn)
{
    avvia({ { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" } } },
        { u"zyxwvu98t76s543r", { { u"2024-02-02", u"3524" } } },
        { u"qqqqqq11q11q111q", { { u"2024-02-03", u"3526" } } } });
    progressoFallisce = [](const std::string& testoLblLog) {
        if (testoLblLog == "...bilanci di salute: paziente 1 di 3")
            throw std::runtime_error("finestra chiusa");
        if (testoLblLog == "...bilanci di salute: paziente 2 di 3")
            throw host::AutomationError(u"perch\u00E9 no");
    };
    cammina(3);
    EXPECT_EQ(messaggi.messaggi(),
        (std::vector<std::string> {
            "faiSingoloPaziente - Eccezione:finestra chiusa", "faiSingoloPaziente - Eccezione:perch\xE9 no" }));
    EXPECT_EQ(bilsalu(),
        "abcdef12g34h567i00471110/03/202401\r\n"
        "zyxwvu98t76s543r00471102/02/202403\r\n"
        "qqqqqq11q11q111q00471103/02/202404\r\n");
    // Every object is released and the list moves on, failure or not.
    EXPECT_EQ(server.callCount("destroy_object"), 3);
    EXPECT_EQ(server.callCount("skip"), 3);
    EXPECT_EQ(server.trace().back(), "skip(Empty)");
}

TEST_F(BilanciSaluteTest, LogLinesNameTheCodeAndThePatientsRowCount)
{
    avvia({ { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" }, { u"2024-01-05", u"9999" } } }, { u"", {} } });
    cammina(2);
    EXPECT_EQ(testing_support::logMessages(cartella / "karv_log.txt"),
        (std::vector<std::string> {
            "Bilanci di salute - PAZIENTE abcdef12g34h567i",
            "->Inserito in BILSALU.DAT, Codice_ov: 3522 riga:2",
            ".",
            "->Inserito in BILSALU.DAT, Codice_ov: 9999 riga:2",
            ".",
            "Bilanci di salute - PAZIENTE ",
        }));
}

TEST_F(BilanciSaluteTest, ReloadingThePatientListUsesTheDoctorsUserId)
{
    avvia({ { u"A", {} }, { u"B", {} } });
    EXPECT_EQ(caricaPazientiMedico(oOrvapat), 2);
    EXPECT_EQ(chiamateUtili(server),
        (std::vector<std::string> {
            R"(leggi_attributo("userid_utente"))",
            R"(carica("codice_medico =M7|tipo_di_convenzione=S", "alfabetico"))",
        }));
}

// --- Empty answers ---

struct RispostaVuota {
    const char* nome; // the fault it would catch
    Paziente primo; // the second patient is always sound
    std::optional<std::u16string> rowcount; // for the first patient, instead of its number of rows
    std::string bilsalu;
    std::int32_t nonRiuscite;
    std::int32_t senzaCodiceFiscale;
    std::int32_t senzaData;
};

class RispostaVuotaTest : public BilanciSaluteTest, public ::testing::WithParamInterface<RispostaVuota> { };

TEST_P(RispostaVuotaTest, GivesNoLineAndIsCounted)
{
    const RispostaVuota& caso = GetParam();
    avvia({ caso.primo, { u"zyxwvu98t76s543r", { { u"2024-02-02", u"3524" } } } });
    pratica().rowcount = caso.rowcount;

    const BilanciTralasciati tralasciati = cammina(2);

    EXPECT_EQ(bilsalu(), caso.bilsalu + kLineaSecondo);
    EXPECT_EQ(oOrvapat.chiamateNonRiuscite(), caso.nonRiuscite);
    EXPECT_EQ(tralasciati.senzaCodiceFiscale, caso.senzaCodiceFiscale);
    EXPECT_EQ(tralasciati.senzaData, caso.senzaData);
    // Nothing to close for an answer that was merely empty: the summary tells.
    EXPECT_TRUE(messaggi.messaggi().empty());
    EXPECT_EQ(server.callCount("skip"), 2);
}

const std::vector<Esame> kDueEsami = { { u"2024-03-10", u"3522" }, { u"2024-01-05", u"4148" } };

INSTANTIATE_TEST_SUITE_P(BilanciSalute, RispostaVuotaTest,
    ::testing::Values(RispostaVuota { "SoundAnswersLeftOut", { u"abcdef12g34h567i", kDueEsami }, std::nullopt,
                          kLineaPrimoA + kLineaPrimoB, 0, 0, 0 },
        // Read as 0 rows, it would drop the patient's checks without a word.
        RispostaVuota { "EmptyRowCountTakenForNone", { u"abcdef12g34h567i", kDueEsami }, u"", "", 1, 0, 0 },
        RispostaVuota { "EmptyFiscalCodeWritten", { u"", kDueEsami }, std::nullopt, "", 0, 2, 0 },
        RispostaVuota { "BlankFiscalCodeWritten", { u"                ", kDueEsami }, std::nullopt, "", 0, 2, 0 },
        RispostaVuota { "FiscalCodeOfControlCharactersWritten", { u"\t\r", kDueEsami }, std::nullopt, "", 0, 2, 0 },
        RispostaVuota { "PatientWithoutChecksCounted", { u"", {} }, std::nullopt, "", 0, 0, 0 },
        RispostaVuota { "EmptyDateWritten", { u"abcdef12g34h567i", { { u"", u"3522" }, { u"2024-01-05", u"4148" } } },
            std::nullopt, kLineaPrimoB, 0, 0, 1 },
        RispostaVuota { "BlankDateWritten",
            { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" }, { u"          ", u"4148" } } }, std::nullopt,
            kLineaPrimoA, 0, 0, 1 },
        RispostaVuota { "EveryDateEmptyWritten", { u"abcdef12g34h567i", { { u"", u"3522" }, { u"", u"4148" } } },
            std::nullopt, "", 0, 0, 2 }),
    [](const auto& caso) { return std::string(caso.param.nome); });

TEST(BilanciSaluteAvviso, SaysHowManyChecksWereLeftOutAndWhy)
{
    const std::pair<BilanciTralasciati, std::string> casi[] = {
        { {}, "" },
        { { 1, 0 },
            "ATTENZIONE: 1 bilancio di salute non inserito in BILSALU.DAT (1 di pazienti senza codice fiscale), il "
            "tracciato non \xE8 completo." },
        { { 0, 2 },
            "ATTENZIONE: 2 bilanci di salute non inseriti in BILSALU.DAT (2 senza data dell'esame), il tracciato non "
            "\xE8 completo." },
        { { 3, 1 },
            "ATTENZIONE: 4 bilanci di salute non inseriti in BILSALU.DAT (3 di pazienti senza codice fiscale, 1 senza "
            "data dell'esame), il tracciato non \xE8 completo." },
    };
    for (const auto& [tralasciati, atteso] : casi)
        EXPECT_EQ(avvisoBilanciTralasciati(tralasciati), atteso);
}
