#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/MessageBox.h"

namespace testing_support {

// Replaces the message box for the test's lifetime and keeps every text shown, in order.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<std::string>& messaggi() const { return messaggi_; }
    void clear() { messaggi_.clear(); }

private:
    std::vector<std::string> messaggi_;
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

std::string readFile(const std::filesystem::path& percorso);
void writeFile(const std::filesystem::path& percorso, const std::string& contenuto);

}  // namespace testing_support
