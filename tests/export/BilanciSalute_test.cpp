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
            if (metodo == u"carica") {
                esami_ = corrente_ < pazienti_.size() ? pazienti_[corrente_].esami : std::vector<Esame> {};
            } else if (metodo == u"rowcount") {
                return host::Variant { rowcount ? *rowcount : cp1252ToUtf16(std::to_string(esami_.size())) };
            } else if (metodo == u"setrow") {
                riga_ = std::stoul(utf16ToCp1252(parametri));
            } else if (metodo == u"leggi_attributo") {
                const Esame& esame = esami_.at(riga_ - 1);
                return host::Variant { parametri == u"data_esecuzione" ? esame.data : esame.codice };
            }
            return host::Variant {};
        });
    }

    // Called first on every pipe call; throwing host::AutomationError fails the call.
    std::function<void(const host::Arguments&)> guastoPipe;
    // The answer to "rowcount" in place of the number of examinations.
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

    void cammina(std::int32_t nPazienti, const std::string& sCodiceRegionale = "4711")
    {
        const ContestoBilanci contesto { oOrvapat, nPazienti, sFileBilsalu, log,
            [this](const std::string& testoLblLog) {
                progressi.push_back(testoLblLog);
                if (progressoFallisce)
                    progressoFallisce(testoLblLog);
            } };
        faiSingoloPaziente(contesto, "2024-01-01", "2024-03-31", sCodiceRegionale);
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
    avvia({ { u"", { { u"2024-03-10", u"3522" } } }, { u"abcdef12g34h567iXY", { { u"2024-03-10", u"3523" } } } });
    cammina(2, "12345678");
    EXPECT_EQ(bilsalu(),
        "                1234567810/03/202401\r\n"
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

TEST_F(BilanciSaluteTest, FailingHostCallMidPatientLeavesAnEmptyFieldAndTheWalkGoesOn)
{
    avvia({ { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" }, { u"2024-01-05", u"4148" } } },
        { u"zyxwvu98t76s543r", { { u"2024-02-02", u"3524" } } } });
    int lettureData = 0;
    pratica().guastoPipe = [&lettureData](const host::Arguments& argomenti) {
        if (testo(argomenti, 2) == u"data_esecuzione" && ++lettureData == 2)
            throw host::AutomationError(u"riga non disponibile");
    };
    cammina(2);
    // The wrapper reports the failure and answers empty; the line is still written.
    EXPECT_EQ(messaggi.messaggi(),
        (std::vector<std::string> {
            "Torvapat.call_method_pipe(h1, leggi_attributo, data_esecuzione): eccezioneriga non disponibile" }));
    EXPECT_EQ(bilsalu(),
        "abcdef12g34h567i00471110/03/202401\r\n"
        "abcdef12g34h567i004711//        10\r\n"
        "zyxwvu98t76s543r00471102/02/202403\r\n");
    EXPECT_EQ(progressi.size(), 2u);
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

TEST_F(BilanciSaluteTest, NonNumericRowCountGivesNoLinesAfterTheWrappersReport)
{
    avvia({ { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" } } } });
    pratica().rowcount = u"tre";
    cammina(1);
    EXPECT_FALSE(fs::exists(cartella / "BILSALU.DAT"));
    EXPECT_EQ(messaggi.messaggi(),
        (std::vector<std::string> { "Torvapat.call_method_pipe(h1, rowcount, ): eccezione: \r\ns_handle = h1\r\n"
                                    "s_metodo = rowcount\r\ns_lista_parametri = " }));
    EXPECT_EQ(progressi, (std::vector<std::string> { "...bilanci di salute: paziente 1 di 1" }));
}

TEST_F(BilanciSaluteTest, FailedRowCountGivesNoLines)
{
    avvia({ { u"abcdef12g34h567i", { { u"2024-03-10", u"3522" } } } });
    pratica().guastoPipe = [](const host::Arguments& argomenti) {
        if (testo(argomenti, 1) == u"rowcount")
            throw host::AutomationError(u"oggetto non caricato");
    };
    cammina(1);
    EXPECT_FALSE(fs::exists(cartella / "BILSALU.DAT"));
    EXPECT_EQ(server.callCount("skip"), 1);
    EXPECT_EQ(progressi, (std::vector<std::string> { "...bilanci di salute: paziente 1 di 1" }));
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
