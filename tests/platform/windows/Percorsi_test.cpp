#include "platform/FileSistema.h"
#include "platform/Paths.h"

#include <shlobj.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/windows/TestoWindows.h"
#include "support/TestSupport.h"

namespace {

using testing_support::readFile;
using testing_support::TempDir;

TEST(PercorsiWindows, ProgramTextReachesTheFileApiAsUtf16)
{
    TempDir cartella;
    const std::string percorso = cartella.path().string() + "\\Citt\xE0 \x80.txt";

    EXPECT_EQ(platform::percorsoNativo(percorso).filename().wstring(), L"Citt\u00E0 \u20AC.txt");
    EXPECT_FALSE(platform::accodaIntero(percorso, "A").has_value());
    EXPECT_EQ(readFile(cartella.path() / L"Citt\u00E0 \u20AC.txt"), "A");
    EXPECT_TRUE(platform::esiste(percorso));

    std::FILE* file = platform::apriFile(
        platform::percorsoDaUtf8(cartella.path().string() + "\\Citt\xC3\xA0 \xE2\x82\xAC.txt"), "rb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_EQ(platform::percorsoUtf8(cartella.path() / L"\u00E8"), cartella.path().string() + "\\\xC3\xA8");
}

// Windows refuses a path of 260 characters or more in its plain form unless long paths are
// enabled for the whole system; Wine takes both, so only the form shows a missing prefix.
TEST(PercorsiWindows, LongPathsReachWindowsInTheirLongForm)
{
    const std::string lunga(250, 'a');
    const struct {
        std::string percorso;
        std::wstring atteso;
    } casi[] = {
        { "C:\\corto\\PPIP.DAT", L"C:\\corto\\PPIP.DAT" },
        { "C:\\" + lunga, L"\\\\?\\C:\\" + std::wstring(lunga.begin(), lunga.end()) },
        { "\\\\server\\" + lunga, L"\\\\?\\UNC\\server\\" + std::wstring(lunga.begin(), lunga.end()) },
    };
    for (const auto& caso : casi)
        EXPECT_EQ(platform::percorsoNativo(caso.percorso).wstring(), caso.atteso);
}

TEST(PercorsiWindows, ProgramFolderIsTheFolderOfThisProgram)
{
    wchar_t programma[MAX_PATH];
    const DWORD lunghezza = GetModuleFileNameW(nullptr, programma, MAX_PATH);
    ASSERT_GT(lunghezza, 0u);
    std::wstring cartella(programma, lunghezza);
    cartella.erase(cartella.find_last_of(L'\\') + 1);

    EXPECT_EQ(platform::cartellaProgramma(), platform::largoA1252(cartella));
    EXPECT_EQ(platform::cartellaProgramma().back(), platform::separatore);
}

TEST(PercorsiWindows, DesktopIsTheShellsKnownFolder)
{
    const platform::CartellaPiattaforma cartella = platform::cartellaDesktop();
    EXPECT_TRUE(cartella.rappresentabile);
    const std::string& desktop = cartella.percorso;

    ASSERT_FALSE(desktop.empty());
    EXPECT_NE(desktop.back(), '\\');
    EXPECT_TRUE(std::filesystem::is_directory(platform::percorsoNativo(desktop)));
    wchar_t* atteso = nullptr;
    ASSERT_EQ(SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &atteso), S_OK);
    EXPECT_EQ(platform::percorsoNativo(desktop), std::filesystem::path(atteso));
    CoTaskMemFree(atteso);
}

} // namespace
