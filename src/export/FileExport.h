#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

// Appends the Windows-1252 text, byte for byte, to the file (created when missing; the folder
// is not created). Empty text touches nothing. A record goes in whole or not at all: on a failed
// write the file keeps what it held before, and the failure is shown as
// "Impossibile scrivere il file " + the path + ": " + the reason.
void suFile(const std::string& testo, const std::string& percorso);

// For its lifetime (one export run) each file written through suFile or the run log is opened at
// its first line and stays open until chiudi or the run's end, however it ends: one open and one
// close per file and run, not one per line (on Windows the antivirus scans a written file each
// time it is closed). A file whose open, write or close fails is written no more in the run, so
// that no later record lands after a gap: it shows its first failure only (a folder that cannot
// be written would otherwise show one box per record), and its later records count as failed.
class FileEsecuzione {
public:
    FileEsecuzione();
    // Closes what is still open; a failure is shown as a failed write.
    ~FileEsecuzione();
    FileEsecuzione(const FileEsecuzione&) = delete;
    FileEsecuzione& operator=(const FileEsecuzione&) = delete;

    // Closes an export file of the run now, so that it can be read back. On a failure, shown as a
    // failed write, the records the run wrote into the file are counted as failed writes: the
    // file may not hold them.
    void chiudi(const std::string& percorso);

    // The records of the run that did not go into the file.
    std::int32_t nonScritti(const std::string& percorso) const;

    struct Stato;

private:
    std::unique_ptr<Stato> stato_;
    Stato* precedente_;
};

// How many suFile calls have failed since the program started. The export run compares the
// count before and after its work: a difference means the export is not complete.
std::int32_t suFileNonRiuscite();

// The run log: one time-stamped line per call (timbroLog() + " - " + msg + CR LF), only in
// debug mode and with a file to write to. A message made only of blanks and control characters
// (codes up to 32), the empty one included, is written as it is, without stamp.
// The folder is never created; a failure is shown as suFile shows its own.
class RunLog {
public:
    RunLog() = default;
    RunLog(bool bDebug, std::string sFileLog)
        : bDebug_(bDebug)
        , sFileLog_(std::move(sFileLog))
    {
    }

    void suLog(const std::string& msg) const;

    bool debug() const { return bDebug_; }
    void setDebug(bool bDebug) { bDebug_ = bDebug; }
    const std::string& file() const { return sFileLog_; }
    void setFile(std::string sFileLog) { sFileLog_ = std::move(sFileLog); }

private:
    bool bDebug_ = false;
    std::string sFileLog_;
};
