#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/MessageBox.h"

namespace testing_support {

// Replaces the message box for the test's lifetime and keeps every text shown, in order, with
// each box's details (empty for a box without) and what it tells, as its icon shows it.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<std::string>& messaggi() const { return messaggi_; }
    const std::vector<std::string>& dettagli() const { return dettagli_; }
    const std::vector<platform::Gravita>& gravita() const { return gravita_; }
    void clear()
    {
        messaggi_.clear();
        dettagli_.clear();
        gravita_.clear();
    }

private:
    std::vector<std::string> messaggi_;
    std::vector<std::string> dettagli_;
    std::vector<platform::Gravita> gravita_;
    platform::MessageBoxHandler precedente_;
};

// A fresh folder removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& nome) const { return path_ / nome; }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the object's lifetime and restores the old value.
class ScopedEnv {
public:
    ScopedEnv(std::string nome, const std::string& valore);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string nome_;
    bool aveva_ = false;
    std::string vecchio_;
};

// Sets TZ for the object's lifetime, e.g. "UTC" or "CET-1CEST,M3.5.0,M10.5.0/3", and makes the C
// library read it again on the way in and out. Windows' local time follows the system's zone only
// (under Wine, the TZ the program started with): there available() is true only when that zone
// already is the one asked for, and otherwise the test skips.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const std::string& tz);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;
    bool available() const { return available_; }

private:
    std::optional<ScopedEnv> tz_;
    bool available_ = false;
};

// Caps the size of any file this process writes, as a full disk would, for the object's lifetime.
// SIGXFSZ is ignored meanwhile, so that a write past the cap fails with EFBIG. available() is
// false on Windows, which has no such cap: the test then skips.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t byte);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool available() const { return available_; }

private:
    std::uint64_t precedenteCur_ = 0;
    std::uint64_t precedenteMax_ = 0;
    void (*segnalePrecedente_)(int) = nullptr;
    bool available_ = false;
};

// Compiles a glibc locale (e.g. "it_IT", UTF-8) into a folder of its own and, for the object's
// lifetime, points LOCPATH there and LC_ALL at it. available() is false where the machine has no
// locale sources or localedef, and on Windows: the test then skips.
class ScopedLocale {
public:
    explicit ScopedLocale(const std::string& nome);
    bool available() const { return available_; }

private:
    TempDir cartella_;
    bool available_ = false;
    std::optional<ScopedEnv> locpath_;
    std::optional<ScopedEnv> lcAll_;
};

// Drives the steady clock for the object's lifetime: time moves when the test moves it, and by
// passoPerLettura at every reading (zero: it stands still unless moved).
class ManualSteadyClock {
public:
    explicit ManualSteadyClock(std::chrono::nanoseconds passoPerLettura = {});
    ~ManualSteadyClock();
    ManualSteadyClock(const ManualSteadyClock&) = delete;
    ManualSteadyClock& operator=(const ManualSteadyClock&) = delete;

    void avanza(std::chrono::nanoseconds durata) { ora_ += durata; }
    void passoPerLettura(std::chrono::nanoseconds passo) { passo_ = passo; }
    platform::Istante ora() const { return ora_; }

private:
    platform::Istante ora_ { std::chrono::hours { 1 } };
    std::chrono::nanoseconds passo_;
};

// The settings store for the object's lifetime: empty at first, then holding what the last
// regedit export given to write() holds. Elsewhere it is a registry file named by OV_PIP_REGISTRY;
// on Windows it is the registry itself: the export is imported with "reg import", and the key
// HKEY_LOCAL_MACHINE\SOFTWARE\Corvitel-Amberlo is removed on the way in, before each write and
// on the way out.
class ScopedRegistry {
public:
    ScopedRegistry();
    ~ScopedRegistry();
    ScopedRegistry(const ScopedRegistry&) = delete;
    ScopedRegistry& operator=(const ScopedRegistry&) = delete;

    void write(const std::string& esportazione);
    // Back to no settings at all.
    void clear();

private:
    TempDir cartella_;
    std::optional<ScopedEnv> file_;
};

// Whether the user's date and time conventions come from the environment (LC_ALL, LANG), as they
// do everywhere but on Windows, whose regional settings are the user's own.
bool localeFromEnvironment();

// Whether a folder's owner, group and other permission bits say who may enter it, as they do
// everywhere but on Windows, whose folders are guarded by their access lists.
bool folderPermissionBits();

// A file: URI for a local path, valid on every platform (file:///C:/... on Windows).
std::string fileUri(const std::filesystem::path& percorso);

// The messages of a run log file without their time stamps, one per line.
std::vector<std::string> logMessages(const std::filesystem::path& file);

// Sets the file's last-write time to the UTC instant, through the system's own call (on Windows
// the C runtime's would shift it by today's summer time).
void setLastWriteTime(const std::filesystem::path& file, std::chrono::sys_time<std::chrono::milliseconds> istante);

std::string readFile(const std::filesystem::path& percorso);
void writeFile(const std::filesystem::path& percorso, const std::string& contenuto);

} // namespace testing_support
