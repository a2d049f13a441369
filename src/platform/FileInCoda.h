#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A file kept open for appending, so that a run opens and closes each of its files once (on
// Windows the antivirus scans a written file when it is closed). Other programs may read it
// meanwhile; on Windows they may not write, move or delete it.
// Each record goes in with one write call, whole or not at all: after a failure the file is as it
// was, and a file this object made and that holds nothing is removed again, so that a failed first
// record leaves no empty file to be taken for an export. Nothing is kept in a buffer of ours.
// Failures come back as why they happened (Windows-1252): in plain Italian for the causes a
// folder commonly meets, in the platform's own words for the rarer ones. The object closes the
// file when it goes; a late failure is then lost, which chiudi() would report.
class FileInCoda {
public:
    // Opens the file the program's path names, creating it when missing (never its folder).
    std::optional<std::string> apri(const std::string& percorso);
    // Appends one record to the open file.
    std::optional<std::string> accoda(std::string_view testo);
    // Has the data on the disk and closes now, so that a late failure is seen: a network file
    // system reports some only here, and on Linux a file removed meanwhile from its folder took
    // what was written with it. Without bScarica the data is left to the system: the flush is
    // for the end of a run, never for each record.
    std::optional<std::string> chiudi(bool bScarica = true);
    bool aperto() const { return stato_ != nullptr; }

private:
    struct Stato;
    struct Chiusura {
        void operator()(Stato* stato) const;
    };
    std::unique_ptr<Stato, Chiusura> stato_;
};

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
// A copy that is not whole is removed.
std::optional<std::string> copiaFile(const std::string& origine, const std::string& copia);

// The file operations a test can make fail as the system would, with the reason given.
enum class OperazioneFile { Copia, Elimina };
using GuastoFile = std::function<std::optional<std::string>(OperazioneFile, const std::string& percorso)>;
// Installs the test's failures (an empty function removes them); returns the previous ones.
GuastoFile setGuastoFile(GuastoFile guasto);

} // namespace platform
