#include "platform/BloccoCartella.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSistema.h"

namespace platform {

BloccoCartella::BloccoCartella(const std::string& sDir)
    : nome_(percorsoNativo(sDir + ".ov_pip.lock").string())
{
    int fd = -1;
    for (;;) {
        // Nothing is written into it, but flock on NFS locks only a file open for writing. A lock
        // file another user made, which this one may not write, still locks on a local disk.
        fd = ::open(nome_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EACCES)
            fd = ::open(nome_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            occupato_ = errno == EWOULDBLOCK;
            ::close(fd);
            return;
        }
        // The run that held it may have removed the file meanwhile: a lock on a file no longer in
        // the folder keeps nobody out.
        struct stat aperto { };
        struct stat nellaCartella { };
        if (::fstat(fd, &aperto) == 0 && ::stat(nome_.c_str(), &nellaCartella) == 0
            && aperto.st_dev == nellaCartella.st_dev && aperto.st_ino == nellaCartella.st_ino) {
            risorsa_ = fd;
            return;
        }
        ::close(fd);
    }
}

BloccoCartella::~BloccoCartella()
{
    if (risorsa_ < 0)
        return;
    // Removed while still held, so that no run can lock the old file once this one lets it go.
    ::unlink(nome_.c_str());
    ::close(static_cast<int>(risorsa_));
}

} // namespace platform
