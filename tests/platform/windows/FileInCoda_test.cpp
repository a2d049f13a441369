#include "platform/FileInCoda.h"
#include "platform/FileSistema.h"

#include <windows.h>

#include <optional>

#include <gtest/gtest.h>

#include "platform/windows/TestoWindows.h"
#include "support/TestSupport.h"
#include "tools/Cp1252.h"

namespace {

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

const std::string kAperto = "il file \xE8 aperto in un altro programma, chiuderlo e ripetere l'esportazione";

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
    EXPECT_EQ(
        platform::accodaIntero((cartella / "rimossa" / "ACCESSI.DAT").string(), "RIGA\r\n"), "la cartella non esiste");
    EXPECT_FALSE(std::filesystem::exists(cartella / "rimossa"));
    EXPECT_EQ(platform::accodaIntero((cartella / "cartella.txt").string(), "RIGA\r\n"), "accesso negato");

    // A file another program holds without sharing its writes.
    HANDLE esclusivo = CreateFileW(
        (cartella / "BILSALU.DAT").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(esclusivo, INVALID_HANDLE_VALUE);
    EXPECT_EQ(platform::accodaIntero((cartella / "BILSALU.DAT").string(), "RIGA\r\n"), kAperto);
    CloseHandle(esclusivo);
    EXPECT_EQ(readFile(cartella / "BILSALU.DAT"), "");

    // The rarer causes in the system's own words.
    EXPECT_EQ(platform::accodaIntero((cartella / "CON?.DAT").string(), "RIGA\r\n"), testoSistema(ERROR_INVALID_NAME));
}

TEST(FileInCodaWindows, OthersMayReadTheOpenFileButNotWriteMoveOrDeleteIt)
{
    TempDir cartella;
    const std::wstring nome = (cartella / "PPIP.DAT").wstring();
    platform::FileInCoda file;
    ASSERT_FALSE(file.apri((cartella / "PPIP.DAT").string()).has_value());
    ASSERT_FALSE(file.accoda("RIGA1\r\n").has_value());

    // What is written is in the file at once, for a reader that lets the run go on writing.
    HANDLE lettore = CreateFileW(
        nome.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lettore, INVALID_HANDLE_VALUE);
    char letti[16] {};
    DWORD quanti = 0;
    EXPECT_TRUE(ReadFile(lettore, letti, sizeof letti, &quanti, nullptr));
    EXPECT_EQ(std::string(letti, quanti), "RIGA1\r\n");
    CloseHandle(lettore);

    HANDLE scrittore = CreateFileW(nome.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(scrittore, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(MoveFileW(nome.c_str(), (cartella / "ALTRO.DAT").wstring().c_str()));
    EXPECT_FALSE(DeleteFileW(nome.c_str()));

    ASSERT_FALSE(file.accoda("RIGA2\r\n").has_value());
    EXPECT_FALSE(file.chiudi().has_value());
    EXPECT_EQ(readFile(cartella / "PPIP.DAT"), "RIGA1\r\nRIGA2\r\n");
}

TEST(FileInCodaWindows, AFileThatCannotBeDeletedSaysWhatTheDoctorCanDo)
{
    TempDir cartella;
    writeFile(cartella / "PPIP.DAT", "VECCHIO\r\n");
    writeFile(cartella / "ACCESSI.DAT", "VECCHIO\r\n");
    // Open in a spreadsheet, which lets others read it; marked read-only.
    HANDLE foglio = CreateFileW((cartella / "PPIP.DAT").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(foglio, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileAttributesW((cartella / "ACCESSI.DAT").c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_EQ(platform::eliminaFile((cartella / "PPIP.DAT").string()), kAperto);
    EXPECT_EQ(platform::eliminaFile((cartella / "ACCESSI.DAT").string()), "il file \xE8 di sola lettura");

    CloseHandle(foglio);
    SetFileAttributesW((cartella / "ACCESSI.DAT").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(readFile(cartella / "PPIP.DAT"), "VECCHIO\r\n");
    EXPECT_FALSE(platform::eliminaFile((cartella / "PPIP.DAT").string()).has_value());
    EXPECT_FALSE(std::filesystem::exists(cartella / "PPIP.DAT"));
}

struct CasoSpostabile {
    const char* nome;
    DWORD accesso; // of another program's handle; 0 for none
    DWORD condivisione;
    std::optional<std::string> atteso;
};

// What the deletion would meet is found before anything moves; the check leaves the file as it was.
TEST(FileInCodaWindows, AFileHeldAgainstDeletionOrReadOnlyIsFoundBeforeItMoves)
{
    const CasoSpostabile casi[] = {
        { "PdfViewer", GENERIC_READ, FILE_SHARE_READ, kAperto },
        { "Spreadsheet", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, kAperto },
        { "ReaderSharingAll", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, std::nullopt },
        { "ReadOnly", 0, 0, "il file \xE8 di sola lettura" },
    };
    for (const CasoSpostabile& caso : casi) {
        SCOPED_TRACE(caso.nome);
        TempDir cartella;
        const std::filesystem::path file = cartella / "RIEPILOGO.pdf";
        writeFile(file, "VECCHIO\r\n");
        const HANDLE altro = caso.accesso ? CreateFileW(file.c_str(), caso.accesso, caso.condivisione, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                          : INVALID_HANDLE_VALUE;
        if (!caso.accesso) {
            ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
        }

        EXPECT_EQ(platform::verificaSpostabile(file.string()), caso.atteso);

        CloseHandle(altro);
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_FALSE(platform::verificaSpostabile(file.string()).has_value());
        EXPECT_EQ(readFile(file), "VECCHIO\r\n");
    }
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
