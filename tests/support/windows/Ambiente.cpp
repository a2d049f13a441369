#include "support/TestSupport.h"

#include <windows.h>

#include <cstdlib>
#include <stdexcept>

namespace testing_support {

ScopedEnv::ScopedEnv(std::string nome, const std::string& valore)
    : nome_(std::move(nome))
{
    if (const char* vecchio = std::getenv(nome_.c_str())) {
        aveva_ = true;
        vecchio_ = vecchio;
    }
    _putenv_s(nome_.c_str(), valore.c_str());
}

ScopedEnv::~ScopedEnv()
{
    // An empty value removes the variable.
    _putenv_s(nome_.c_str(), aveva_ ? vecchio_.c_str() : "");
}

ScopedTimeZone::ScopedTimeZone(const std::string& tz)
{
    // Central European time, the one zone the tests ask for, by its rule.
    TIME_ZONE_INFORMATION zona {};
    available_ = tz == "CET-1CEST,M3.5.0,M10.5.0/3" && GetTimeZoneInformation(&zona) != TIME_ZONE_ID_INVALID
        && zona.Bias == -60 && zona.DaylightBias == -60 && zona.DaylightDate.wMonth == 3
        && zona.StandardDate.wMonth == 10;
}

ScopedTimeZone::~ScopedTimeZone() = default;

FileSizeLimit::FileSizeLimit(std::uint64_t) { }

FileSizeLimit::~FileSizeLimit() = default;

ScopedLocale::ScopedLocale(const std::string&) { }

ScopedRegistry::ScopedRegistry()
{
    clear();
}

ScopedRegistry::~ScopedRegistry()
{
    clear();
}

void ScopedRegistry::write(const std::string& esportazione)
{
    clear();
    const std::filesystem::path file = cartella_ / "registro.reg";
    // An export of regedit's is UTF-16 with a byte-order mark; the text comes as UTF-8.
    std::wstring testo(esportazione.size(), L'\0');
    testo.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, esportazione.data(),
        static_cast<int>(esportazione.size()), testo.data(), static_cast<int>(testo.size()))));
    std::string byte = "\xFF\xFE";
    byte.append(reinterpret_cast<const char*>(testo.data()), testo.size() * sizeof(wchar_t));
    writeFile(file, byte);
    const std::string comando = "reg import \"" + file.string() + "\" >nul 2>&1";
    if (std::system(comando.c_str()) != 0)
        throw std::runtime_error("reg import failed for " + file.string());
}

void ScopedRegistry::clear()
{
    // Both views: a 32-bit program's settings live apart from a 64-bit one's.
    for (const REGSAM vista : { KEY_WOW64_64KEY, KEY_WOW64_32KEY }) {
        HKEY software = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS | vista, &software) == ERROR_SUCCESS) {
            RegDeleteTreeW(software, L"Corvitel-Amberlo");
            RegCloseKey(software);
        }
    }
}

bool localeFromEnvironment()
{
    return false;
}

bool folderPermissionBits()
{
    return false;
}

void setLastWriteTime(const std::filesystem::path& file, std::chrono::sys_time<std::chrono::milliseconds> istante)
{
    const long long decimi = (istante.time_since_epoch().count() + 11644473600000LL) * 10000LL;
    const FILETIME tempo { static_cast<DWORD>(decimi), static_cast<DWORD>(decimi >> 32) };
    const HANDLE handle = CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool impostato = handle != INVALID_HANDLE_VALUE && SetFileTime(handle, nullptr, nullptr, &tempo);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    if (!impostato)
        throw std::runtime_error("cannot set the time of " + file.string());
}

} // namespace testing_support
