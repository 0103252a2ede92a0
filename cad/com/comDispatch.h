// Dispatch over COM IDispatch: Variants to and from OLE VARIANTs, errors
// from EXCEPINFO or the HRESULT, attaching through the running object table.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>

#include "cad/connector.h"
#include "cad/dispatch.h"
#include "core/winOwners.h"

namespace qx::cad::com {

using win::ComPtr;

// A VARIANT that clears itself.
class OleVariant {
public:
    OleVariant() { VariantInit(&v_); }
    ~OleVariant() { VariantClear(&v_); }
    OleVariant(const OleVariant&) = delete;
    OleVariant& operator=(const OleVariant&) = delete;
    VARIANT* get() { return &v_; }
    const VARIANT& operator*() const { return v_; }

private:
    VARIANT v_;
};

// Writes v into out, which must be empty (VariantInit). By-reference marks
// are not written here; the caller arranges the reference. Objects that are
// not COM objects are served through newDispatchServer.
void toOle(const Variant& v, VARIANT& out);
// Where an object came from: its kind and the DISPIDs known for that server.
struct ComOrigin;

// Reads a VARIANT, following references. Throws qx::Error for types that
// the object model does not use. Objects share the origin's DISPIDs.
Variant fromOle(const VARIANT& v, const ComOrigin* origin = nullptr);

// A Dispatch that calls the object; takes its own reference. The objects
// reached from it share their members' DISPIDs by kind.
Dispatch wrapDispatch(IDispatch* dispatch, const std::u16string& kind = u"automation object");
// The IDispatch behind a Dispatch made by wrapDispatch, else null.
IDispatch* comObjectOf(const Dispatch& dispatch);

// Attaches by programmatic identifier through CLSIDFromProgID and
// GetActiveObject.
class ComConnector : public CadConnector {
public:
    TargetState targetState(const std::u16string& progId) override;
    bool isTargetRunning(const std::u16string& progId) override;
    Dispatch attach(const std::u16string& progId) override;
};

}  // namespace qx::cad::com
