#pragma once

#include <cstdint>
#include <string>

namespace platform {

// One export run at a time per output folder, across programs and users: the run holds a lock
// on the folder from before the previous files move until its end. The system releases it when
// the program ends, however it ends, so a dead program never blocks the next run.
class BloccoCartella {
public:
    // sDir with its trailing separator.
    explicit BloccoCartella(const std::string& sDir);
    ~BloccoCartella();
    BloccoCartella(const BloccoCartella&) = delete;
    BloccoCartella& operator=(const BloccoCartella&) = delete;

    // False only when another run holds the folder. A folder that cannot hold the lock at all
    // (a file system without locks, say) does not stop a run: its own writes say what fails.
    bool preso() const { return !occupato_; }

private:
    bool occupato_ = false;
    std::string nome_;
    std::intptr_t risorsa_ = -1; // the lock's file descriptor, or its handle on Windows
};

} // namespace platform
