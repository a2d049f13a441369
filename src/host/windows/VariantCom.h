#pragma once

#include <oaidl.h>

#include <memory>
#include <vector>

#include "host/Automation.h"

// The meeting of host::Variant and COM's VARIANT, for the automation adapter and for the stand-in
// server's COM face alike.
namespace host {

// A VARIANT that clears itself.
class VariantCom {
public:
    VariantCom() { VariantInit(&valore_); }
    ~VariantCom() { VariantClear(&valore_); }
    VariantCom(const VariantCom&) = delete;
    VariantCom& operator=(const VariantCom&) = delete;

    VARIANT* get() { return &valore_; }
    const VARIANT& operator*() const { return valore_; }

private:
    VARIANT valore_;
};

// A VARIANT as the host's value, through one reference level: empty and an omitted argument give
// empty, null gives Null, a BSTR its text (a null BSTR the empty one), the integer types that fit
// in 32 bits an integer, a Boolean a Boolean; any other value is converted to text the way
// automation converts it. A value that cannot be converted raises AutomationError.
Variant daVariantCom(const VARIANT& valore);

// The host's value as a VARIANT that owns its copy (VT_EMPTY, VT_NULL, VT_BSTR, VT_I4, VT_BOOL);
// the target must be empty or cleared.
void inVariantCom(const Variant& valore, VARIANT& uscita);

// The arguments of one late-bound call as IDispatch::Invoke takes them: last argument first,
// texts by reference to BSTRs owned here, an empty value as an omitted optional argument.
class ArgomentiCom {
public:
    explicit ArgomentiCom(const Arguments& argomenti);
    ~ArgomentiCom();
    ArgomentiCom(const ArgomentiCom&) = delete;
    ArgomentiCom& operator=(const ArgomentiCom&) = delete;

    DISPPARAMS* parametri() { return &parametri_; }

private:
    std::vector<VARIANT> valori_;
    std::unique_ptr<BSTR[]> testi_;
    std::size_t quantiTesti_ = 0;
    DISPPARAMS parametri_ {};
};

} // namespace host
