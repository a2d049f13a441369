#include "platform/FileInCoda.h"

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "platform/FileInCodaInterno.h"
#include "platform/FileSistema.h"
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
        return std::string(kMotivoFileAperto);
    case ERROR_PATH_NOT_FOUND:
        return "la cartella non esiste";
    case ERROR_DIRECTORY:
        return "una parte del percorso non \xE8 una cartella";
    case ERROR_ACCESS_DENIED: {
        const DWORD attributi = GetFileAttributesW(nativo.c_str());
        if (attributi != INVALID_FILE_ATTRIBUTES && (attributi & FILE_ATTRIBUTE_READONLY)
            && !(attributi & FILE_ATTRIBUTE_DIRECTORY))
            return std::string(kMotivoSolaLettura);
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

// A write cut short that the system gave no reason for: a full disk where it is one.
DWORD motivoScritturaCorta(const std::filesystem::path& nativo)
{
    ULARGE_INTEGER liberi {};
    const std::wstring cartella = nativo.parent_path().wstring() + L"\\";
    if (GetDiskFreeSpaceExW(cartella.c_str(), &liberi, nullptr, nullptr) && liberi.QuadPart == 0)
        return ERROR_DISK_FULL;
    return ERROR_WRITE_FAULT;
}

// Writes the whole text, however many calls the system takes; the failure's code, or 0.
DWORD scriviTutto(HANDLE file, const char* dati, DWORD quanti, const std::filesystem::path& nativo)
{
    while (quanti > 0) {
        DWORD fatti = 0;
        if (!WriteFile(file, dati, quanti, &fatti, nullptr))
            return GetLastError();
        if (fatti == 0)
            return motivoScritturaCorta(nativo);
        dati += fatti;
        quanti -= fatti;
    }
    return 0;
}

// Reads up to the block's size; false with the failure's code when the system refuses.
bool leggi(HANDLE file, std::vector<char>& blocco, DWORD& letti, DWORD& errore)
{
    if (ReadFile(file, blocco.data(), static_cast<DWORD>(blocco.size()), &letti, nullptr))
        return true;
    errore = GetLastError();
    return false;
}

// Why the copy is not the original byte for byte; 0 when it is. Both are read from the start.
DWORD confrontaCopia(HANDLE originale, HANDLE copia, const std::filesystem::path& nativoCopia)
{
    LARGE_INTEGER dimensione {};
    LARGE_INTEGER dimensioneCopia {};
    if (!GetFileSizeEx(originale, &dimensione) || !GetFileSizeEx(copia, &dimensioneCopia))
        return GetLastError();
    if (dimensioneCopia.QuadPart < dimensione.QuadPart)
        return motivoScritturaCorta(nativoCopia);
    if (dimensioneCopia.QuadPart != dimensione.QuadPart)
        return ERROR_WRITE_FAULT;
    if (!SetFilePointerEx(originale, LARGE_INTEGER {}, nullptr, FILE_BEGIN)
        || !SetFilePointerEx(copia, LARGE_INTEGER {}, nullptr, FILE_BEGIN))
        return GetLastError();
    std::vector<char> blocco(64 * 1024);
    std::vector<char> bloccoCopia(blocco.size());
    for (;;) {
        DWORD letti = 0;
        DWORD lettiCopia = 0;
        DWORD errore = 0;
        if (!leggi(originale, blocco, letti, errore) || !leggi(copia, bloccoCopia, lettiCopia, errore))
            return errore;
        if (letti != lettiCopia || !std::equal(blocco.begin(), blocco.begin() + letti, bloccoCopia.begin()))
            return ERROR_WRITE_FAULT;
        if (letti == 0)
            return 0;
    }
}

// Closes the handle when it goes.
struct Maniglia {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~Maniglia()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

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

    // Cut short: the system says why at the next write. The record comes out again either way.
    DWORD errore = GetLastError();
    if (riuscita) {
        DWORD resto = 0;
        errore = WriteFile(stato_->handle, testo.data() + fatti, quanti - fatti, &resto, nullptr)
            ? motivoScritturaCorta(stato_->nativo)
            : GetLastError();
    }
    const std::filesystem::path nome = stato_->nativo;
    if (SetFilePointerEx(stato_->handle, stato_->fine, nullptr, FILE_BEGIN))
        SetEndOfFile(stato_->handle);
    if (stato_->creato && stato_->fine.QuadPart == 0) {
        stato_.reset();
        DeleteFileW(nome.c_str());
    }
    return motivo(errore, nome);
}

std::optional<std::string> FileInCoda::chiudi(bool bScarica)
{
    if (!stato_)
        return std::nullopt;
    const HANDLE handle = std::exchange(stato_->handle, INVALID_HANDLE_VALUE);
    const std::filesystem::path nome = stato_->nativo;
    stato_.reset();
    // Once per file, not per record: a Desktop on a share may fail to write the cached data back
    // ("Delayed Write Failed"), which only the flush reports, never CloseHandle.
    DWORD errore = !bScarica || FlushFileBuffers(handle) ? 0 : GetLastError();
    if (!CloseHandle(handle) && errore == 0)
        errore = GetLastError();
    if (errore != 0)
        return motivo(errore, nome);
    return std::nullopt;
}

std::optional<std::string> eliminaFile(const std::string& percorso)
{
    if (std::optional<std::string> guasto = guastoDiProva(OperazioneFile::Elimina, percorso))
        return guasto;
    const std::filesystem::path nativo = percorsoNativo(percorso);
    if (!DeleteFileW(nativo.c_str()))
        return motivo(GetLastError(), nativo);
    return std::nullopt;
}

std::optional<std::string> sostituisciFile(const std::string& nuovo, const std::string& percorso)
{
    const std::filesystem::path nativoNuovo = percorsoNativo(nuovo);
    const std::filesystem::path nativo = percorsoNativo(percorso);
    DWORD errore = 0;
    // An antivirus scans a file as it is closed, and may hold it for as long.
    for (int tentativo = 0; tentativo < 20; ++tentativo) {
        if (MoveFileExW(nativoNuovo.c_str(), nativo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return std::nullopt;
        errore = GetLastError();
        if (errore != ERROR_SHARING_VIOLATION && errore != ERROR_LOCK_VIOLATION)
            break;
        Sleep(50);
    }
    return motivo(errore, nativo);
}

std::optional<std::string> creaCartella(const std::string& percorso)
{
    const std::filesystem::path cartella = percorsoNativo(percorso);
    auto eCartella = [](const std::filesystem::path& nome) {
        const DWORD attributi = GetFileAttributesW(nome.c_str());
        return attributi != INVALID_FILE_ATTRIBUTES && (attributi & FILE_ATTRIBUTE_DIRECTORY);
    };
    if (eCartella(cartella))
        return std::nullopt;
    // The first missing parent, then down from there, so that what stands in the way is named.
    std::vector<std::filesystem::path> mancanti;
    std::filesystem::path parte = cartella.has_filename() ? cartella : cartella.parent_path();
    for (; parte.has_relative_path() && GetFileAttributesW(parte.c_str()) == INVALID_FILE_ATTRIBUTES;
         parte = parte.parent_path())
        mancanti.push_back(parte);
    for (auto parte = mancanti.rbegin(); parte != mancanti.rend(); ++parte) {
        if (CreateDirectoryW(parte->c_str(), nullptr))
            continue;
        const DWORD errore = GetLastError();
        if (errore == ERROR_ALREADY_EXISTS && eCartella(*parte))
            continue;
        return motivo(errore == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : errore, *parte);
    }
    if (!eCartella(cartella))
        return motivo(ERROR_DIRECTORY, cartella);
    return std::nullopt;
}

std::optional<std::string> copiaFile(const std::string& origine, const std::string& copia)
{
    if (std::optional<std::string> guasto = guastoDiProva(OperazioneFile::Copia, origine))
        return guasto;
    const std::filesystem::path nativoOrigine = percorsoNativo(origine);
    const std::filesystem::path nativoCopia = percorsoNativo(copia);
    // A program that reads the file meanwhile (a scanner, say) does not stop the copy.
    const Maniglia sorgente { CreateFileW(nativoOrigine.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr) };
    if (sorgente.handle == INVALID_HANDLE_VALUE)
        return motivo(GetLastError(), nativoOrigine);
    Maniglia destinazione { CreateFileW(
        nativoCopia.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr) };
    if (destinazione.handle == INVALID_HANDLE_VALUE)
        return motivo(GetLastError(), nativoCopia);
    std::vector<char> blocco(64 * 1024);
    DWORD errore = 0;
    for (;;) {
        DWORD letti = 0;
        if (!ReadFile(sorgente.handle, blocco.data(), static_cast<DWORD>(blocco.size()), &letti, nullptr)) {
            errore = GetLastError();
            break;
        }
        if (letti == 0)
            break;
        if ((errore = scriviTutto(destinazione.handle, blocco.data(), letti, nativoCopia)) != 0)
            break;
    }
    // The copy keeps the file's last-write time, as the system's own copy does, so that a file put
    // back from its history copy is stamped as before; a disk that refuses it still takes the copy.
    FILETIME scrittura {};
    if (errore == 0 && GetFileTime(sorgente.handle, nullptr, nullptr, &scrittura))
        SetFileTime(destinazione.handle, nullptr, nullptr, &scrittura);
    // A full disk may show only when the data reaches it.
    if (errore == 0 && !FlushFileBuffers(destinazione.handle))
        errore = GetLastError();
    if (errore == 0)
        errore = confrontaCopia(sorgente.handle, destinazione.handle, nativoCopia);
    if (!CloseHandle(std::exchange(destinazione.handle, INVALID_HANDLE_VALUE)) && errore == 0)
        errore = GetLastError();
    if (errore == 0)
        return std::nullopt;
    DeleteFileW(nativoCopia.c_str());
    return motivo(errore, nativoCopia);
}

std::optional<std::string> verificaSpostabile(const std::string& percorso)
{
    if (std::optional<std::string> guasto = guastoDiProva(OperazioneFile::Verifica, percorso))
        return guasto;
    const std::filesystem::path nativo = percorsoNativo(percorso);
    const DWORD attributi = GetFileAttributesW(nativo.c_str());
    if (attributi == INVALID_FILE_ATTRIBUTES)
        return motivo(GetLastError(), nativo);
    // DeleteFileW refuses a read-only file, whoever holds it.
    if ((attributi & FILE_ATTRIBUTE_READONLY) && !(attributi & FILE_ATTRIBUTE_DIRECTORY))
        return std::string(kMotivoSolaLettura);
    // Sharing everything ourselves, the open fails only where another program's handle denies
    // reading or deletion, as a PDF viewer's or a spreadsheet's does; closed at once.
    const Maniglia file { CreateFileW(nativo.c_str(), GENERIC_READ | DELETE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
        nullptr) };
    if (file.handle == INVALID_HANDLE_VALUE)
        return motivo(GetLastError(), nativo);
    return std::nullopt;
}

std::optional<std::string> rinominaFile(const std::string& origine, const std::string& destinazione)
{
    const std::filesystem::path nativoOrigine = percorsoNativo(origine);
    const std::filesystem::path nativo = percorsoNativo(destinazione);
    // Neither MOVEFILE_REPLACE_EXISTING nor MOVEFILE_COPY_ALLOWED: a rename on one volume, which
    // keeps the file's times, or nothing.
    if (!MoveFileExW(nativoOrigine.c_str(), nativo.c_str(), MOVEFILE_WRITE_THROUGH))
        return motivo(GetLastError(), nativo);
    return std::nullopt;
}

} // namespace platform
