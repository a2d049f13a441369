#pragma once

#include <oaidl.h>

#include <memory>
#include <string>

#include "host/Automation.h"

namespace host {

// An automation object of the system's COM class registry, driven by late binding through its
// IDispatch: each call finds the member by name and invokes it as a method, or reads it as a
// property where it is one. A failed call raises AutomationError with the server's description
// (or the system's for the failure code). COM is initialised once on each thread that uses it;
// the object is used on the thread that created it and released when it goes.
class OggettoCom : public AutomationObject {
public:
    // A new instance of the class registered under the identifier (a ProgID such as
    // "Orvella.Server"), in whatever server context the class offers.
    static std::unique_ptr<OggettoCom> crea(const std::string& identificatore);

    ~OggettoCom() override;
    OggettoCom(const OggettoCom&) = delete;
    OggettoCom& operator=(const OggettoCom&) = delete;

    Variant invoke(std::string_view metodo, const Arguments& argomenti) override;

private:
    explicit OggettoCom(IDispatch* dispatch);

    IDispatch* dispatch_;
};

} // namespace host
