#include "platform/FileInCoda.h"

#include <filesystem>
#include <utility>

#include "platform/Paths.h"
#include "platform/windows/TestoWindows.h"
#include "tools/Cp1252.h"

namespace platform {
namespace {

// Opens the file for writing; creato tells whether this call made it (CREATE_NEW: not another
// program in the meantime). Others may read it while it is open, as between two records before.
HANDLE apriInCoda(const wchar_t* nome, bool& creato)
{
    for (int tentativo = 0; tentativo < 3; ++tentativo) {
        HANDLE file
            = CreateFileW(nome, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_NOT_FOUND) {
            creato = false;
            return file;
        }
        file = CreateFileW(nome, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            creato = file != INVALID_HANDLE_VALUE;
            return file;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// Why a write failed, in the doctor's words for the causes a folder meets; the system's own
// description for the rarer ones.
std::string motivo(DWORD errore, const std::filesystem::path& nativo)
{
    switch (errore) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "il file \xE8 aperto in un altro programma, chiuderlo e ripetere l'esportazione";
    case ERROR_PATH_NOT_FOUND:
        return "la cartella non esiste";
    case ERROR_DIRECTORY:
        return "una parte del percorso non \xE8 una cartella";
    case ERROR_ACCESS_DENIED: {
        const DWORD attributi = GetFileAttributesW(nativo.c_str());
        if (attributi != INVALID_FILE_ATTRIBUTES && (attributi & FILE_ATTRIBUTE_READONLY)
            && !(attributi & FILE_ATTRIBUTE_DIRECTORY))
            return "il file \xE8 di sola lettura";
        return "accesso negato";
    }
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

struct FileInCoda::Stato {
    std::filesystem::path nativo;
    HANDLE handle;
    bool creato; // by this object
    LARGE_INTEGER fine; // where the next record goes: nobody else may write the file
};

void FileInCoda::Chiusura::operator()(Stato* stato) const
{
    if (stato->handle != INVALID_HANDLE_VALUE)
        CloseHandle(stato->handle);
    delete stato;
}

std::optional<std::string> FileInCoda::apri(const std::string& percorso)
{
    stato_.reset();
    std::filesystem::path nativo = percorsoNativo(percorso);
    bool creato = false;
    const HANDLE handle = apriInCoda(nativo.c_str(), creato);
    if (handle == INVALID_HANDLE_VALUE)
        return motivo(GetLastError(), nativo);
    stato_.reset(new Stato { std::move(nativo), handle, creato, {} });
    if (!SetFilePointerEx(handle, LARGE_INTEGER {}, &stato_->fine, FILE_END)) {
        const DWORD errore = GetLastError();
        const std::filesystem::path nome = stato_->nativo;
        stato_.reset();
        if (creato)
            DeleteFileW(nome.c_str());
        return motivo(errore, nome);
    }
    return std::nullopt;
}

std::optional<std::string> FileInCoda::accoda(std::string_view testo)
{
    if (!stato_)
        return motivo(ERROR_INVALID_HANDLE, {});
    if (testo.size() > MAXDWORD)
        return motivo(ERROR_FILE_TOO_LARGE, {});
    const DWORD quanti = static_cast<DWORD>(testo.size());
    DWORD fatti = 0;
    const bool riuscita = WriteFile(stato_->handle, testo.data(), quanti, &fatti, nullptr);
    if (riuscita && fatti == quanti) {
        stato_->fine.QuadPart += fatti;
        return std::nullopt;
    }

    const DWORD errore = riuscita ? ERROR_WRITE_FAULT : GetLastError();
    const std::filesystem::path nome = stato_->nativo;
    if (SetFilePointerEx(stato_->handle, stato_->fine, nullptr, FILE_BEGIN))
        SetEndOfFile(stato_->handle);
    if (stato_->creato && stato_->fine.QuadPart == 0) {
        stato_.reset();
        DeleteFileW(nome.c_str());
    }
    return motivo(errore, nome);
}

std::optional<std::string> FileInCoda::chiudi()
{
    if (!stato_)
        return std::nullopt;
    const HANDLE handle = std::exchange(stato_->handle, INVALID_HANDLE_VALUE);
    const std::filesystem::path nome = stato_->nativo;
    stato_.reset();
    if (!CloseHandle(handle))
        return motivo(GetLastError(), nome);
    return std::nullopt;
}

std::optional<std::string> eliminaFile(const std::string& percorso)
{
    const std::filesystem::path nativo = percorsoNativo(percorso);
    if (!DeleteFileW(nativo.c_str()))
        return motivo(GetLastError(), nativo);
    return std::nullopt;
}

} // namespace platform
