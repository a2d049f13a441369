#include "support/TestSupport.h"

#include <cstdlib>

namespace testing_support {

ScopedEnv::ScopedEnv(std::string nome, const std::string& valore)
    : nome_(std::move(nome))
{
    if (const char* vecchio = std::getenv(nome_.c_str())) {
        aveva_ = true;
        vecchio_ = vecchio;
    }
    _putenv_s(nome_.c_str(), valore.c_str());
}

ScopedEnv::~ScopedEnv()
{
    // An empty value removes the variable.
    _putenv_s(nome_.c_str(), aveva_ ? vecchio_.c_str() : "");
}

ScopedTimeZone::ScopedTimeZone(const std::string&) { }

ScopedTimeZone::~ScopedTimeZone() = default;

FileSizeLimit::FileSizeLimit(std::uint64_t) { }

FileSizeLimit::~FileSizeLimit() = default;

ScopedLocale::ScopedLocale(const std::string&) { }

} // namespace testing_support
