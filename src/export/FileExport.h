#pragma once

#include <cstdint>
#include <string>
#include <utility>

// Appends the Windows-1252 text, byte for byte, to the file (created when missing; the folder
// is not created). Empty text touches nothing. A record goes in whole or not at all: on a failed
// write the file keeps what it held before, and the failure is shown as
// "Eccezione in suFile" CR LF + the description.
void suFile(const std::string& testo, const std::string& percorso);

// How many suFile calls have failed since the program started. The export run compares the
// count before and after its work: a difference means the export is not complete.
std::int32_t suFileNonRiuscite();

// The run log: one time-stamped line per call (timbroLog() + " - " + msg + CR LF), only in
// debug mode. A message made only of blanks and control characters (codes up to 32), the empty
// one included, is written as it is, without stamp.
// The folder is never created; a failure is shown as "Eccezione in suLog" CR LF + the description.
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
