#pragma once

#include <QIODevice>
#include <optional>
#include <string>

#include "platform/FileInCoda.h"

// What QPdfWriter writes goes on to the file through the platform's calls, a block at a time:
// the report never stands whole in memory. The first failure is kept, and what follows dropped.
class UscitaPdf : public QIODevice {
public:
    // Opens the file the program's path names, as FileInCoda does.
    std::optional<std::string> apri(const std::string& percorso);
    // Writes what is left and has the file on the disk; nothing, or the first failure.
    std::optional<std::string> chiudi();

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* dati, qint64 quanti) override;

private:
    void scarica();

    platform::FileInCoda file_;
    std::string blocco_;
    std::optional<std::string> errore_;
};
