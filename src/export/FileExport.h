#pragma once

#include <string>

// Appends the Windows-1252 text, byte for byte, to the file (created when missing; the folder
// is not created). Empty text touches nothing. A record goes in whole or not at all: on a failed
// write the file keeps what it held before, and the failure is shown as
// "Eccezione in suFile" CR LF + the description.
void suFile(const std::string& testo, const std::string& percorso);

// The run log: one time-stamped line per call, only in debug mode.
class RunLog {
public:
    RunLog() = default;
    RunLog(bool bDebug, std::string sFileLog) : bDebug_(bDebug), sFileLog_(std::move(sFileLog)) {}

    void suLog(const std::string& msg) const;

    bool debug() const { return bDebug_; }
    void setDebug(bool bDebug) { bDebug_ = bDebug; }
    const std::string& file() const { return sFileLog_; }
    void setFile(std::string sFileLog) { sFileLog_ = std::move(sFileLog); }

private:
    bool bDebug_ = false;
    std::string sFileLog_;
};

// The log line's time stamp for the given local time: the locale's short date form, and
// unless it is exactly midnight, a blank and the time with ":" between its parts.
std::string timbroLog();
