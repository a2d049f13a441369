#include "platform/FileInCoda.h"

#include <algorithm>
#include <utility>

#include "platform/Paths.h"
#include "platform/windows/TestoWindows.h"
#include "tools/Cp1252.h"

namespace platform {
namespace {

class Handle {
public:
    explicit Handle(HANDLE handle)
        : handle_(handle)
    {
    }
    ~Handle() { chiudi(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return handle_; }
    bool valido() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Closes now, so that a late failure is seen.
    bool chiudi()
    {
        if (!valido())
            return true;
        return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0;
    }

private:
    HANDLE handle_;
};

// Opens the file for writing at its end; creato tells whether this call made it (CREATE_NEW: not
// another program in the meantime). Others may read, write or move it between two calls.
HANDLE apriInCoda(const wchar_t* nome, bool& creato)
{
    constexpr DWORD kCondivisione = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    for (int tentativo = 0; tentativo < 3; ++tentativo) {
        HANDLE file
            = CreateFileW(nome, GENERIC_WRITE, kCondivisione, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_NOT_FOUND) {
            creato = false;
            return file;
        }
        file = CreateFileW(nome, GENERIC_WRITE, kCondivisione, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            creato = file != INVALID_HANDLE_VALUE;
            return file;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// Returns 0, or the Win32 error of the failure.
DWORD accoda(const std::string& percorso, std::string_view testo)
{
    const std::filesystem::path nativo = percorsoNativo(percorso);
    bool creato = false;
    Handle file(apriInCoda(nativo.c_str(), creato));
    if (!file.valido())
        return GetLastError();
    LARGE_INTEGER dimensione {};
    if (!SetFilePointerEx(file.get(), LARGE_INTEGER {}, &dimensione, FILE_END)) {
        const DWORD errore = GetLastError();
        file.chiudi();
        if (creato)
            DeleteFileW(nativo.c_str());
        return errore;
    }
    const auto ripristina = [&](DWORD errore) {
        if (creato) {
            file.chiudi();
            DeleteFileW(nativo.c_str());
        } else if (file.valido() && SetFilePointerEx(file.get(), dimensione, nullptr, FILE_BEGIN)) {
            SetEndOfFile(file.get());
        }
        return errore;
    };

    std::size_t scritti = 0;
    while (scritti < testo.size()) {
        const DWORD quanti = static_cast<DWORD>(std::min<std::size_t>(testo.size() - scritti, 1 << 30));
        DWORD fatti = 0;
        if (!WriteFile(file.get(), testo.data() + scritti, quanti, &fatti, nullptr))
            return ripristina(GetLastError());
        if (fatti == 0)
            return ripristina(ERROR_WRITE_FAULT);
        scritti += fatti;
    }
    if (!file.chiudi())
        return GetLastError();
    return 0;
}

// Why a write failed, in the doctor's words for the causes a folder meets; the system's own
// description for the rarer ones.
std::string motivo(DWORD errore)
{
    switch (errore) {
    case ERROR_PATH_NOT_FOUND:
        return "la cartella non esiste";
    case ERROR_DIRECTORY:
        return "una parte del percorso non \xE8 una cartella";
    case ERROR_ACCESS_DENIED:
        return "accesso negato";
    case ERROR_WRITE_PROTECT:
        return "il disco \xE8 di sola lettura";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "spazio su disco esaurito";
    case ERROR_FILE_TOO_LARGE:
        return "il file ha raggiunto la dimensione massima";
    case ERROR_FILENAME_EXCED_RANGE:
        return "percorso troppo lungo";
    case ERROR_WRITE_FAULT:
    case ERROR_CRC:
        return "errore del disco";
    default:
        return utf16ToCp1252(descrizioneSistema(errore));
    }
}

} // namespace

std::optional<std::string> accodaIntero(const std::string& percorso, std::string_view testo)
{
    const DWORD errore = accoda(percorso, testo);
    if (errore == 0)
        return std::nullopt;
    return motivo(errore);
}

} // namespace platform
