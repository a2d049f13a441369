#include "platform/Registro.h"

// Named before the system's headers make macros of the enumerators' names.
constexpr RegistryRoot kMacchina = RegistryRoot::HKEY_LOCAL_MACHINE;
constexpr RegistryRoot kUtente = RegistryRoot::HKEY_CURRENT_USER;

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

namespace {

constexpr const char* kChiave = "\\SOFTWARE\\Corvitel-Amberlo";

// The real registry key in its 64-bit view, empty at the start of each test and removed at its end.
// The 32-bit program reads it there after its own view, where the earlier program kept it.
class RegistroTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Corvitel-Amberlo", 0, nullptr, 0,
                      KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &chiave_, nullptr),
            ERROR_SUCCESS);
    }
    void TearDown() override
    {
        if (chiave_)
            RegCloseKey(chiave_);
    }

    void valore(const wchar_t* nome, DWORD tipo, const void* dati, DWORD byte)
    {
        ASSERT_EQ(RegSetValueExW(chiave_, nome, 0, tipo, static_cast<const BYTE*>(dati), byte), ERROR_SUCCESS);
    }
    void testo(const wchar_t* nome, const std::wstring& contenuto, DWORD tipo = REG_SZ)
    {
        valore(nome, tipo, contenuto.c_str(), static_cast<DWORD>((contenuto.size() + 1) * sizeof(wchar_t)));
    }

    testing_support::ScopedRegistry vuoto; // removes the key on the way in and out
    HKEY chiave_ = nullptr;
};

TEST_F(RegistroTest, TextValuesAsStoredUpToTheFirstZero)
{
    testo(L"ultimo_utente", L"rossi");
    testo(L"karv_debug", L"1");
    testo(L"espandibile", L"%SystemRoot%\\x", REG_EXPAND_SZ);
    testo(L"citt\u00E0", L"Citt\u00E0 \u20AC");
    // Written without its terminating zero, and one with a zero inside.
    valore(L"senza_zero", REG_SZ, L"abc", 3 * sizeof(wchar_t));
    valore(L"con_zero", REG_SZ, L"ab\0cd", 6 * sizeof(wchar_t));

    struct Caso {
        const char* nome;
        const char* atteso;
    };
    const Caso casi[] = {
        { "ultimo_utente", "rossi" },
        { "KARV_DEBUG", "1" }, // value names ignore case
        { "espandibile", "%SystemRoot%\\x" }, // never expanded
        { "citt\xE0", "Citt\xE0 \x80" }, // Windows-1252 on the program's side
        { "senza_zero", "abc" },
        { "con_zero", "ab" },
        { "assente", "" },
    };
    for (const Caso& caso : casi)
        EXPECT_EQ(readRegistryString(kMacchina, kChiave, caso.nome), caso.atteso) << caso.nome;
    // The leading backslash is optional.
    EXPECT_EQ(readRegistryString(kMacchina, "SOFTWARE\\Corvitel-Amberlo", "ultimo_utente"), "rossi");
}

TEST_F(RegistroTest, OtherTypesAreAnInvalidDataTypeError)
{
    const DWORD numero = 1;
    valore(L"karv_debug", REG_DWORD, &numero, sizeof numero);
    valore(L"binario", REG_BINARY, "1", 1);
    const wchar_t multi[] = L"1\0\0";
    valore(L"multiplo", REG_MULTI_SZ, multi, sizeof multi);

    for (const char* nome : { "karv_debug", "binario", "multiplo" }) {
        try {
            readRegistryString(kMacchina, kChiave, nome);
            ADD_FAILURE() << nome << " read as text";
        } catch (const RegistryError& errore) {
            EXPECT_EQ(std::string(errore.what()), "Invalid data type for '" + std::string(nome) + "'");
        }
    }
}

TEST_F(RegistroTest, The32BitViewOfAnEarlierProgramComesFirst)
{
    HKEY chiave32 = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Corvitel-Amberlo", 0, nullptr, 0,
                  KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &chiave32, nullptr),
        ERROR_SUCCESS);
    const std::wstring rossi = L"rossi";
    RegSetValueExW(chiave32, L"ultimo_utente", 0, REG_SZ, reinterpret_cast<const BYTE*>(rossi.c_str()),
        static_cast<DWORD>((rossi.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(chiave32);
    testo(L"ultimo_utente", L"bianchi");
    testo(L"karv_debug", L"1");

    EXPECT_EQ(readRegistryString(kMacchina, kChiave, "ultimo_utente"), "rossi");
    // A value the 32-bit view lacks is still found in the 64-bit one.
    EXPECT_EQ(readRegistryString(kMacchina, kChiave, "karv_debug"), "1");
}

TEST_F(RegistroTest, MissingKeyGivesTheEmptyText)
{
    EXPECT_EQ(readRegistryString(kMacchina, "\\SOFTWARE\\Corvitel-Assente", "karv_debug"), "");
    EXPECT_EQ(readRegistryString(kUtente, kChiave, "karv_debug"), "");
}

} // namespace
