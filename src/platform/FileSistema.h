#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Every call the program makes on files and folders, but for the files kept open while a run
// writes (FileInCoda.h): on Windows through the system's own wide calls, which take the "\\?\"
// form of a long path; the C runtime's path calls that std::filesystem uses there refuse it.
namespace platform {

// The program builds its paths as Windows-1252 text; the file system wants its own form of the
// name (UTF-8 bytes here, UTF-16 on Windows).
std::filesystem::path percorsoNativo(const std::string& percorso);

// The same for a path held as UTF-8 text (the stand-in server's and SQLite's form), and back.
std::filesystem::path percorsoDaUtf8(std::string_view percorso);
std::string percorsoUtf8(const std::filesystem::path& percorso);

// std::fopen for a path in the file system's form, whatever characters the name holds.
std::FILE* apriFile(const std::filesystem::path& percorso, const char* modo);

// The file's own name, after the last separator of a path the program built; Windows takes either.
std::string nomeFile(const std::string& percorso);

// Whether something stands at the path the program built; an unreadable path counts as absent.
bool esiste(const std::string& percorso);

// Opens, appends and closes: for a write outside an export run.
std::optional<std::string> accodaIntero(const std::string& percorso, std::string_view testo);

// Deletes the file; nothing on success, else why it stays, in the words of a failed write.
std::optional<std::string> eliminaFile(const std::string& percorso);

// Puts the file in the place of another, replacing it: whoever reads that path meets the old file
// or the new one, whole, never a part. On Windows the move is on the disk when the call returns (a
// file that an antivirus holds for a moment after it was written is waited for). Both paths are
// in one folder. Nothing on success, else why not, in the words of a failed write.
std::optional<std::string> sostituisciFile(const std::string& nuovo, const std::string& percorso);

// Makes the folder with its parents when missing; nothing when it is there, else why it is not.
std::optional<std::string> creaCartella(const std::string& percorso);

// Copies the file into a new one (never over an existing file), has the copy on the disk and
// reads it back: nothing when it is the file byte for byte, else why not, in the words of a failed
// write, whatever the system said of the copy (a disk that fills may cut it short in silence).
// A copy that is not whole is removed. The copy keeps the file's last-write time.
std::optional<std::string> copiaFile(const std::string& origine, const std::string& copia);

// The reasons a failed write gives for a file that another program holds against it, and for one
// marked read-only: what the doctor can mend.
inline constexpr std::string_view kMotivoFileAperto
    = "il file \xE8 aperto in un altro programma, chiuderlo e ripetere l'esportazione";
inline constexpr std::string_view kMotivoSolaLettura = "il file \xE8 di sola lettura";

// Whether the file could be read whole and deleted now, changing nothing: on Windows, that no other
// program holds it against reading or deletion and that it is not read-only; on Linux, that it can
// be read and its folder can take the deletion. Nothing when it can, else why not, in the words of
// a failed write.
std::optional<std::string> verificaSpostabile(const std::string& percorso);

// Gives the file another name on the same disk, never over an existing file, keeping its times.
// Nothing on success, else why not, in the words of a failed write.
std::optional<std::string> rinominaFile(const std::string& origine, const std::string& destinazione);

// The file operations a test can make fail as the system would, with the reason given.
enum class OperazioneFile { Copia, Elimina, Verifica };
using GuastoFile = std::function<std::optional<std::string>(OperazioneFile, const std::string& percorso)>;
// Installs the test's failures (an empty function removes them); returns the previous ones.
GuastoFile setGuastoFile(GuastoFile guasto);

// Whether the path names a folder, or a link to one.
bool eCartella(const std::string& percorso);

// The file's last-write time as the system keeps it, in UTC; nothing when it cannot be read.
std::optional<std::chrono::system_clock::time_point> ultimaScritturaUtc(const std::string& percorso);

struct VoceCartella {
    enum class Tipo { File, Cartella, Collegamento };
    std::filesystem::path nome; // in the file system's form, whatever characters it holds
    Tipo tipo; // a link (a junction too) is a link, whatever it points at
};

// What the folder (with its trailing separator) holds; nothing when it cannot be read.
std::vector<VoceCartella> vociCartella(const std::string& sDir);

// Removes the folder with all it holds, or the link in its place; a link met on the way is
// removed as a link and its target left alone. What cannot be removed stays.
void rimuoviAlbero(const std::filesystem::path& cartella);

} // namespace platform
