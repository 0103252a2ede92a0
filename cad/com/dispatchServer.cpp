#include "cad/com/dispatchServer.h"
#include "core/winText.h"

#include <map>
#include <vector>

#include "cad/com/comDispatch.h"
#include "core/comObject.h"
#include "core/text.h"

namespace qx::cad::com {

namespace {

long nameLookups = 0;

// Member names and their DISPIDs, as a type library fixes them: a DISPID
// means the same name on every object of this process, so a client that
// keeps DISPIDs by kind of object can never call the wrong member.
struct MemberTable {
    std::vector<std::u16string> names;  // DISPID n is names[n - 1]
    std::map<std::u16string, DISPID> ids;
};

MemberTable& members() {
    static MemberTable table;
    return table;
}

class DispatchServer : public win::ComObject<IDispatch> {
public:
    explicit DispatchServer(Dispatch target) : target_(std::move(target)), members_(members()) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }

    // Any name gets an ID; whether the object has such a member is decided
    // when it is invoked, so the failure can say why.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids || count == 0)
            return E_INVALIDARG;
        ++nameLookups;
        try {
            std::u16string name = win::fromWide(names[0]);
            auto key = lower(name);
            auto it = members_.ids.find(key);
            if (it == members_.ids.end()) {
                members_.names.push_back(name);
                it = members_.ids.emplace(key, static_cast<DISPID>(members_.names.size())).first;
            }
            ids[0] = it->second;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        for (UINT i = 1; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // no named arguments
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) override {
        if (id < 1 || static_cast<std::size_t>(id) > members_.names.size())
            return DISP_E_MEMBERNOTFOUND;
        const std::u16string member = members_.names[static_cast<std::size_t>(id - 1)];
        if (result)
            VariantInit(result);
        try {
            std::vector<Variant> args;
            UINT n = params ? params->cArgs : 0;
            for (UINT i = n; i-- > 0;) {
                const VARIANT& a = params->rgvarg[i];
                args.push_back((a.vt & VT_BYREF) ? Variant::byRef(fromOle(a)) : fromOle(a));
            }
            Variant answer;
            if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
                if (args.size() != 1 || params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
                    return DISP_E_BADPARAMCOUNT;
                }
                target_.put(member, args[0]);
            } else if (flags & DISPATCH_METHOD) {
                const std::vector<Variant> given = args;
                answer = target_.invoke(member, args);
                // Only what the object changed goes back: the caller's typed
                // variables keep what it did not touch.
                for (UINT i = 0; i < n; ++i) {
                    VARIANT& a = params->rgvarg[n - 1 - i];
                    if (!(a.vt & VT_BYREF) || args[i] == given[i])
                        continue;
                    if (!giveBack(a, args[i])) {
                        if (argErr)
                            *argErr = n - 1 - i;
                        return DISP_E_TYPEMISMATCH;
                    }
                }
            } else if (flags & DISPATCH_PROPERTYGET) {
                if (!args.empty())
                    return DISP_E_BADPARAMCOUNT;
                answer = target_.get(member);
            } else {
                return E_INVALIDARG;
            }
            if (result)
                toOle(answer, *result);
            return S_OK;
        } catch (const MemberNotFound&) {
            return DISP_E_MEMBERNOTFOUND;
        } catch (const Error& e) {
            return fail(excep, e.message());
        } catch (const std::exception& e) {
            return fail(excep, fromUtf8(e.what()));
        } catch (...) {
            // Nothing may unwind into the caller: it may be the CAD application itself.
            return fail(excep, u"unexpected failure");
        }
    }

private:
    // Writes what the object left in a by-reference argument into the
    // caller's variable. A VARIANT variable takes any value; a typed one only
    // a scalar that converts to its type. False when the value does not fit.
    static bool giveBack(VARIANT& target, const Variant& value) {
        if (target.vt == (VT_BYREF | VT_VARIANT)) {
            if (!target.pvarVal)
                return false;
            VariantClear(target.pvarVal);
            toOle(value, *target.pvarVal);
            return true;
        }
        const VARTYPE type = target.vt & ~VT_BYREF;
        if (!target.byref || (type & (VT_ARRAY | VT_VECTOR)))
            return false;
        OleVariant fresh, converted;
        toOle(value, *fresh.get());
        if (FAILED(VariantChangeType(converted.get(), fresh.get(), 0, type)))
            return false;
        VARIANT& v = *converted.get();
        switch (type) {
            case VT_I2:
                *target.piVal = v.iVal;
                return true;
            case VT_I4:
            case VT_INT:
                *target.plVal = v.lVal;
                return true;
            case VT_I8:
                *target.pllVal = v.llVal;
                return true;
            case VT_UI8:
                *target.pullVal = v.ullVal;
                return true;
            case VT_R8:
                *target.pdblVal = v.dblVal;
                return true;
            case VT_BOOL:
                *target.pboolVal = v.boolVal;
                return true;
            case VT_BSTR:
                SysFreeString(*target.pbstrVal);
                *target.pbstrVal = v.bstrVal;
                v.vt = VT_EMPTY;  // the caller's variable owns the string now
                return true;
            default:
                return false;
        }
    }

    static HRESULT fail(EXCEPINFO* excep, const std::u16string& message) {
        if (!excep)
            return E_FAIL;
        *excep = EXCEPINFO{};
        excep->scode = E_FAIL;
        excep->bstrSource = SysAllocString(L"QuadcelX drawing");
        excep->bstrDescription =
            SysAllocStringLen(reinterpret_cast<const OLECHAR*>(message.data()), static_cast<UINT>(message.size()));
        return DISP_E_EXCEPTION;
    }

    Dispatch target_;
    MemberTable& members_;
};

}  // namespace

IDispatch* newDispatchServer(Dispatch target) {
    IDispatch* server = new DispatchServer(std::move(target));
    server->AddRef();
    return server;
}

long testSeamNameLookups() {
    return nameLookups;
}

}  // namespace qx::cad::com
