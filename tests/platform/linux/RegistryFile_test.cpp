#include "platform/linux/RegistryFile.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "tools/Cp1252.h"
#include "tools/tc_GenTools.h"

using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const std::string kChiave = "\\SOFTWARE\\Corvitel-Amberlo";
const std::string kIntestazione
    = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo]\n";

class RegistryFileTest : public ::testing::Test {
protected:
    std::string leggi(const std::string& contenuto, const std::string& nome)
    {
        writeFile(dir_ / "registry.reg", contenuto);
        return readRegistryString(RegistryRoot::HKEY_LOCAL_MACHINE, kChiave, nome);
    }

    TempDir dir_;
    ScopedEnv env_ { "OV_PIP_REGISTRY", (dir_ / "registry.reg").string() };
};

const std::string kEsportazione = "Windows Registry Editor Version 5.00\r\n"
                                  "\r\n"
                                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo]\r\n"
                                  "\"ultimo_utente\"=\"dott.rossi\"\r\n"
                                  "\"percorso\"=\"C:\\\\Dati\\\\\\\"Orvella\\\"\"\r\n"
                                  "\"karv_debug\"=\"1\"\r\n"
                                  "\"numero\"=dword:0000000a\r\n"
                                  "\"binario\"=hex:01,02,\\\r\n"
                                  "  03\r\n"
                                  "; expandable text, UTF-16LE: %A%\r\n"
                                  "\"espandibile\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                                  "\r\n"
                                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Altro]\r\n"
                                  "\"solo_altrove\"=\"x\"\r\n";

} // namespace

TEST_F(RegistryFileTest, ReadsTextValuesWithTheirEscapes)
{
    EXPECT_EQ(leggi(kEsportazione, "ultimo_utente"), "dott.rossi");
    EXPECT_EQ(leggi(kEsportazione, "percorso"), "C:\\Dati\\\"Orvella\"");
    EXPECT_EQ(leggi(kEsportazione, "espandibile"), "%A%");
}

TEST_F(RegistryFileTest, KeyAndValueNamesIgnoreLetterCase)
{
    const std::string maiuscole = "Windows Registry Editor Version "
                                  "5.00\n[hkey_local_machine\\software\\CORVITEL-AMBERLO]\n\"Ultimo_Utente\"=\"x\"\n";
    EXPECT_EQ(leggi(maiuscole, "ULTIMO_UTENTE"), "x");
}

TEST_F(RegistryFileTest, MissingFileKeyOrValueGiveEmptyText)
{
    EXPECT_EQ(readRegistryString(RegistryRoot::HKEY_LOCAL_MACHINE, kChiave, "ultimo_utente"), "");
    EXPECT_EQ(leggi(kEsportazione, "manca"), "");
    EXPECT_EQ(leggi(kEsportazione, "solo_altrove"), "");
    EXPECT_EQ(readRegistryString(RegistryRoot::HKEY_CURRENT_USER, kChiave, "ultimo_utente"), "");
}

TEST_F(RegistryFileTest, NonTextValueRaisesInvalidDataType)
{
    writeFile(dir_ / "registry.reg", kEsportazione);
    for (const std::string nome : { "numero", "binario" }) {
        try {
            readRegistryString(RegistryRoot::HKEY_LOCAL_MACHINE, kChiave, nome);
            ADD_FAILURE() << nome << " did not raise";
        } catch (const RegistryError& errore) {
            EXPECT_EQ(std::string(errore.what()), "Invalid data type for '" + nome + "'");
        }
    }
}

TEST_F(RegistryFileTest, UnparseableFileCountsAsMissingKey)
{
    EXPECT_EQ(leggi("not a registry file\n\"ultimo_utente\"=\"x\"\n", "ultimo_utente"), "");
    EXPECT_EQ(leggi(kIntestazione + "\"ultimo_utente\"=\"unterminated\n", "ultimo_utente"), "");
    EXPECT_EQ(leggi("", "ultimo_utente"), "");
    EXPECT_EQ(leggi(std::string("\x00\x01\xFF", 3), "ultimo_utente"), "");
}

TEST_F(RegistryFileTest, ReadsRegeditUtf16ExportsAndAnsiRegedit4)
{
    const std::string testo
        = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo]\r\n"
          "\"ultimo_utente\"=\"Nicol\xC3\xB2\"\r\n";
    std::string utf16 = "\xFF\xFE";
    for (const char16_t unita : utf8ToUtf16(testo)) {
        utf16 += static_cast<char>(unita & 0xFF);
        utf16 += static_cast<char>(unita >> 8);
    }
    EXPECT_EQ(leggi(utf16, "ultimo_utente"), "Nicol\xF2");

    const std::string regedit4 = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo]\r\n"
                                 "\"ultimo_utente\"=\"Nicol\xF2\"\r\n\"esp\"=hex(2):41,42,00\r\n";
    EXPECT_EQ(leggi(regedit4, "ultimo_utente"), "Nicol\xF2");
    EXPECT_EQ(leggi(regedit4, "esp"), "AB");
}

TEST_F(RegistryFileTest, TextStopsAtTheFirstZeroCharacter)
{
    const std::string testo = kIntestazione + "\"v\"=hex(2):41,00,00,00,42,00,00,00\n";
    EXPECT_EQ(leggi(testo, "v"), "A");
}

TEST_F(RegistryFileTest, LaterDefinitionOfTheSameValueWins)
{
    const std::string testo
        = kIntestazione + "\"v\"=\"primo\"\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo]\n\"v\"=\"secondo\"\n";
    EXPECT_EQ(leggi(testo, "v"), "secondo");
}

TEST_F(RegistryFileTest, PlainTextWrittenAsBytesIsText)
{
    const std::string testo = kIntestazione + "\"v\"=hex(1):31,00,00,00\n\"multi\"=hex(7):41,00,00,00,00,00\n";
    EXPECT_EQ(leggi(testo, "v"), "1");
    EXPECT_THROW(leggi(testo, "multi"), RegistryError);
}

TEST_F(RegistryFileTest, OnlyTheKeyItselfCountsNotItsSubkeysOrParent)
{
    const std::string testo = "Windows Registry Editor Version 5.00\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\"a\"=\"padre\"\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo\\Sotto]\n\"b\"=\"figlia\"\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo-Bis]\n\"c\"=\"accanto\"\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo]\n\"d\"=\"propria\"\n";
    EXPECT_EQ(leggi(testo, "a"), "");
    EXPECT_EQ(leggi(testo, "b"), "");
    EXPECT_EQ(leggi(testo, "c"), "");
    EXPECT_EQ(leggi(testo, "d"), "propria");
}

TEST_F(RegistryFileTest, DeletedValueOrKeyIsMissing)
{
    const std::string testo = kIntestazione + "\"v\"=\"c'era\"\n\"w\"=\"resta\"\n\"v\"=-\n";
    EXPECT_EQ(leggi(testo, "v"), "");
    EXPECT_EQ(leggi(testo, "w"), "resta");
    EXPECT_EQ(leggi(testo + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo]\n", "w"), "");
}

TEST_F(RegistryFileTest, BlanksAroundLinesOfAHandEditAreLayout)
{
    const std::string testo = "Windows Registry Editor Version 5.00 \r\n"
                              "  [HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvitel-Amberlo]\t\r\n"
                              "\t\"ultimo_utente\"=\" dott. rossi \"  \r\n"
                              "\"binario\"=hex:01,\\  \r\n  02\r\n";
    EXPECT_EQ(leggi(testo, "ultimo_utente"), " dott. rossi ");
    EXPECT_THROW(leggi(testo, "binario"), RegistryError);
}
