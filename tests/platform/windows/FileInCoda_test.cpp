#include "platform/FileInCoda.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/windows/TestoWindows.h"
#include "support/TestSupport.h"
#include "tools/Cp1252.h"

namespace {

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

std::string testoSistema(DWORD errore)
{
    return utf16ToCp1252(platform::descrizioneSistema(errore));
}

TEST(FileInCodaWindows, CreatesThenAppendsByteForByte)
{
    TempDir cartella;
    const std::string file = (cartella / "ACCESSI.DAT").string();

    EXPECT_FALSE(platform::accodaIntero(file, "RIGA1\r\n").has_value());
    EXPECT_FALSE(platform::accodaIntero(file, "SENZA FINE\xC8").has_value());
    EXPECT_FALSE(platform::accodaIntero(file, " RIGA\r\n").has_value());

    EXPECT_EQ(readFile(cartella / "ACCESSI.DAT"), "RIGA1\r\nSENZA FINE\xC8 RIGA\r\n");
}

TEST(FileInCodaWindows, AppendsToAFileThatAnotherHandleHoldsOpen)
{
    TempDir cartella;
    writeFile(cartella / "PPIP.DAT", "VECCHIO\r\n");
    // A reader that shares the file, as an editor or a copy in progress does.
    HANDLE lettore = CreateFileW((cartella / "PPIP.DAT").c_str(), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lettore, INVALID_HANDLE_VALUE);

    EXPECT_FALSE(platform::accodaIntero((cartella / "PPIP.DAT").string(), "NUOVO\r\n").has_value());
    CloseHandle(lettore);

    EXPECT_EQ(readFile(cartella / "PPIP.DAT"), "VECCHIO\r\nNUOVO\r\n");
}

TEST(FileInCodaWindows, FailuresAreNamedInPlainWordsOrTheSystemsOwnAndLeaveNoFile)
{
    TempDir cartella;
    std::filesystem::create_directory(cartella / "cartella.txt");

    // The causes a folder commonly meets, in the doctor's words.
    EXPECT_EQ(platform::accodaIntero((cartella / "rimossa" / "ACCESSI.DAT").string(), "RIGA\r\n"),
        "la cartella non esiste");
    EXPECT_FALSE(std::filesystem::exists(cartella / "rimossa"));
    EXPECT_EQ(platform::accodaIntero((cartella / "cartella.txt").string(), "RIGA\r\n"), "accesso negato");

    // A file another program holds without sharing its writes.
    HANDLE esclusivo = CreateFileW(
        (cartella / "BILSALU.DAT").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(esclusivo, INVALID_HANDLE_VALUE);
    EXPECT_EQ(
        platform::accodaIntero((cartella / "BILSALU.DAT").string(), "RIGA\r\n"), testoSistema(ERROR_SHARING_VIOLATION));
    CloseHandle(esclusivo);
    EXPECT_EQ(readFile(cartella / "BILSALU.DAT"), "");
}

TEST(FileInCodaWindows, SystemDescriptionsHaveNoLineEnd)
{
    const std::u16string testo = platform::descrizioneSistema(ERROR_PATH_NOT_FOUND);
    ASSERT_FALSE(testo.empty());
    EXPECT_NE(testo.back(), u'\n');
    EXPECT_NE(testo.back(), u'\r');
    EXPECT_EQ(platform::descrizioneSistema(0xA0001234), u"Errore 0xA0001234");
}

} // namespace
