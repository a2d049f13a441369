#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>

// Appends the Windows-1252 text, byte for byte, to the file (created when missing; the folder
// is not created). Empty text touches nothing. A record goes in whole or not at all: on a failed
// write the file keeps what it held before, and the failure is shown as
// "Impossibile scrivere il file " + the path + ": " + the reason.
void suFile(const std::string& testo, const std::string& percorso);

// For its lifetime (one export run) each file shows only its first failed write, whether through
// suFile or the run log: a folder that cannot be written would otherwise show one box per record.
// The later failures are still counted.
class UnaSegnalazionePerFile {
public:
    UnaSegnalazionePerFile();
    ~UnaSegnalazionePerFile();
    UnaSegnalazionePerFile(const UnaSegnalazionePerFile&) = delete;
    UnaSegnalazionePerFile& operator=(const UnaSegnalazionePerFile&) = delete;

private:
    std::unordered_set<std::string> segnalati_;
    std::unordered_set<std::string>* precedenti_;
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
