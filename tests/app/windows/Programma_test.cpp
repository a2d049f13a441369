// The Windows program file as Explorer, the installer and Windows itself read it: a windowed
// 32-bit program (no console opens beside it), its icon, its version information and its manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::wstring kProgramma = L"" OV_PROGRAMMA;

struct ModuloDati {
    void operator()(HMODULE modulo) const { FreeLibrary(modulo); }
};
using Modulo = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuloDati>;

Modulo caricaComeDati()
{
    return Modulo(
        LoadLibraryExW(kProgramma.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE));
}

// The image as it lies on disk; the flags in the low bits of the handle.
const BYTE* immagine(const Modulo& modulo)
{
    return reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(modulo.get()) & ~ULONG_PTR { 3 });
}

std::wstring valoreVersione(const std::vector<BYTE>& dati, const wchar_t* nome)
{
    void* valore = nullptr;
    UINT lunghezza = 0;
    const std::wstring percorso = std::wstring(L"\\StringFileInfo\\041004B0\\") + nome;
    if (!VerQueryValueW(dati.data(), percorso.c_str(), &valore, &lunghezza) || lunghezza == 0)
        return {};
    return std::wstring(static_cast<const wchar_t*>(valore), lunghezza - 1);
}

} // namespace

// A 64-bit program cannot load a host's 32-bit in-process server; without the large-address flag
// a 32-bit one has only 2 GB for a large practice's extract.
TEST(ProgrammaWindows, IsAWindowed32BitProgramThatMayUse4GB)
{
    const Modulo modulo = caricaComeDati();
    ASSERT_TRUE(modulo) << "cannot read the program file";
    const BYTE* base = immagine(modulo);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
}

TEST(ProgrammaWindows, CarriesItsIconAndAManifestForItsOwnProcessor)
{
    const Modulo modulo = caricaComeDati();
    ASSERT_TRUE(modulo);
    EXPECT_NE(FindResourceW(modulo.get(), MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
    HRSRC manifesto = FindResourceW(modulo.get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifesto, nullptr);
    const auto* testo = static_cast<const char*>(LockResource(LoadResource(modulo.get(), manifesto)));
    const std::string xml(testo, SizeofResource(modulo.get(), manifesto));
    // Windows will not start a program whose manifest names another processor ("side-by-side
    // configuration is incorrect"); Wine does not check, so this test must.
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        immagine(modulo) + reinterpret_cast<const IMAGE_DOS_HEADER*>(immagine(modulo))->e_lfanew);
    const char* processore = nt->FileHeader.Machine == IMAGE_FILE_MACHINE_I386 ? "x86" : "amd64";
    EXPECT_NE(xml.find(std::string("processorArchitecture=\"") + processore + "\""), std::string::npos)
        << "the manifest must name " << processore << ":\n"
        << xml;
    EXPECT_NE(xml.find("<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true<"),
        std::string::npos);
    EXPECT_NE(xml.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos) << "Windows 10 and 11";
    EXPECT_NE(xml.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(xml.find("asInvoker"), std::string::npos);
}

TEST(ProgrammaWindows, VersionInformationNamesTheProduct)
{
    DWORD ignorato = 0;
    const DWORD dimensione = GetFileVersionInfoSizeW(kProgramma.c_str(), &ignorato);
    ASSERT_GT(dimensione, 0u);
    std::vector<BYTE> dati(dimensione);
    ASSERT_TRUE(GetFileVersionInfoW(kProgramma.c_str(), 0, dimensione, dati.data()));

    EXPECT_EQ(valoreVersione(dati, L"ProductName"), L"ov_pip");
    EXPECT_EQ(valoreVersione(dati, L"ProductVersion"), L"" OV_VERSIONE);
    EXPECT_EQ(valoreVersione(dati, L"FileVersion"), L"" OV_VERSIONE);
    EXPECT_EQ(valoreVersione(dati, L"CompanyName"), L"Corvitel-Amberlo");
    EXPECT_EQ(valoreVersione(dati, L"OriginalFilename"), L"ov_pip.exe");
    EXPECT_FALSE(valoreVersione(dati, L"FileDescription").empty());

    VS_FIXEDFILEINFO* fissa = nullptr;
    UINT lunghezza = 0;
    ASSERT_TRUE(VerQueryValueW(dati.data(), L"\\", reinterpret_cast<void**>(&fissa), &lunghezza));
    EXPECT_EQ(HIWORD(fissa->dwFileVersionMS), OV_VERSIONE_MAGGIORE);
}
