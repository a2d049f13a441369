#pragma once

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

} // namespace platform
