#include "cad/com/comDispatch.h"

#include <cstdio>
#include <map>
#include <utility>

#include "cad/com/dispatchServer.h"
#include "core/text.h"
#include "core/winText.h"

namespace qx::cad::com {

namespace {

std::u16string fromBstr(BSTR b) {
    return b ? win::fromWide(b, SysStringLen(b)) : std::u16string();
}

BSTR toBstr(const std::u16string& s) {
    BSTR b = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()), static_cast<UINT>(s.size()));
    if (!b) {
        throw Error(u"out of memory for a string of " + decimalText(s.size()) + u" characters");
    }
    return b;
}

// Keeps a safe array's data locked while it is read or written.
class ArrayData {
public:
    explicit ArrayData(SAFEARRAY* sa) : sa_(sa) {
        HRESULT hr = SafeArrayAccessData(sa_, &data_);
        if (FAILED(hr)) {
            throw Error(u"cannot read an array: " + win::systemMessage(hr));
        }
    }
    ~ArrayData() { SafeArrayUnaccessData(sa_); }
    ArrayData(const ArrayData&) = delete;
    ArrayData& operator=(const ArrayData&) = delete;
    template <typename T>
    T* as() const {
        return static_cast<T*>(data_);
    }

private:
    SAFEARRAY* sa_;
    void* data_ = nullptr;
};

template <typename T>
SAFEARRAY* newArray(VARTYPE vt, const std::vector<T>& values) {
    win::SafeArray sa(SafeArrayCreateVector(vt, 0, static_cast<ULONG>(values.size())));
    if (!sa) {
        throw Error(u"out of memory for an array");
    }
    if (!values.empty()) {
        ArrayData data(sa.get());
        for (std::size_t i = 0; i < values.size(); ++i)
            data.as<T>()[i] = values[i];
    }
    return sa.detach();
}

Variant fromArray(const VARIANT& v) {
    SAFEARRAY* sa = v.parray;
    if (!sa) {
        return {};
    }
    if (SafeArrayGetDim(sa) != 1) {
        throw Error(u"arrays of more than one dimension are not supported");
    }
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(sa, 1, &lo);
    SafeArrayGetUBound(sa, 1, &hi);
    std::size_t n = hi >= lo ? static_cast<std::size_t>(hi - lo + 1) : 0;
    VARTYPE element = v.vt & VT_TYPEMASK;
    if (n == 0) {
        if (element == VT_R8 || element == VT_R4)
            return Variant(std::vector<double>{});
        if (element == VT_I2)
            return Variant(std::vector<std::int16_t>{});
        return Variant(std::vector<Variant>{});
    }
    ArrayData data(sa);
    switch (element) {
        case VT_R8:
            return Variant(std::vector<double>(data.as<double>(), data.as<double>() + n));
        case VT_R4:
            return Variant(std::vector<double>(data.as<float>(), data.as<float>() + n));
        case VT_I2:
            return Variant(std::vector<std::int16_t>(data.as<SHORT>(), data.as<SHORT>() + n));
        case VT_I4: {
            std::vector<Variant> out;
            for (std::size_t i = 0; i < n; ++i)
                out.emplace_back(static_cast<std::int32_t>(data.as<LONG>()[i]));
            return out;
        }
        case VT_BSTR: {
            std::vector<Variant> out;
            for (std::size_t i = 0; i < n; ++i)
                out.emplace_back(fromBstr(data.as<BSTR>()[i]));
            return out;
        }
        case VT_VARIANT: {
            std::vector<Variant> out;
            for (std::size_t i = 0; i < n; ++i)
                out.push_back(fromOle(data.as<VARIANT>()[i]));
            return out;
        }
        default:
            throw Error(u"unsupported array element type " + decimalText(element));
    }
}

}  // namespace

// DISPIDs by kind of object and member name. One map serves an attached
// application and every object reached from it: another server, or the same
// one started again, may number its members differently. Only the GUI thread
// makes automation calls, so no lock.
struct ComOrigin {
    std::u16string kind;
    std::shared_ptr<std::map<std::pair<std::u16string, std::u16string>, DISPID>> ids;
};

namespace {

// The kind of a COM object is what the client knows about it without asking
// the server (type information would cost round trips per object): the member
// that returned it on an object of known kind, until its EntityName says which
// kind of entity it is.
class ComObject : public DispatchObject {
public:
    ComObject(ComPtr<IDispatch> d, ComOrigin origin)
        : d_(std::move(d)), kind_(std::move(origin.kind)), kindIds_(std::move(origin.ids)) {}

    std::u16string kind() const override { return kind_; }

    Variant get(std::u16string_view member) override {
        std::vector<Variant> none;
        Variant v = invoke(member, DISPATCH_PROPERTYGET, none);
        if (v.type() == Variant::Type::String && (lower(member) == u"entityname" || lower(member) == u"objectname"))
            kind_ = v.toString();
        return v;
    }

    void put(std::u16string_view member, const Variant& value) override {
        std::vector<Variant> args{value};
        invoke(member, DISPATCH_PROPERTYPUT, args);
    }

    Variant call(std::u16string_view member, std::vector<Variant>& args) override {
        return invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
    }

    IDispatch* raw() const { return d_.get(); }

private:
    // The member's DISPID; fresh is set when this call asked the server.
    DISPID dispid(std::u16string_view member, bool& fresh) {
        auto key = lower(member);
        fresh = false;
        if (auto it = ownIds_.find(key); it != ownIds_.end())
            return it->second;
        if (auto it = kindIds_->find({kind_, key}); it != kindIds_->end()) {
            ownIds_[key] = it->second;
            return it->second;
        }
        std::u16string name(member);
        LPOLESTR names[] = {const_cast<LPOLESTR>(win::wideView(name))};
        DISPID id = DISPID_UNKNOWN;
        HRESULT hr = d_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr)) {
            raise(member, hr, win::systemMessage(hr));
        }
        fresh = true;
        ownIds_[key] = id;
        (*kindIds_)[{kind_, key}] = id;
        return id;
    }

    // An object without such a member fails as MemberNotFound, so a caller can
    // ask another member of the same meaning.
    [[noreturn]] void raise(std::u16string_view member, HRESULT hr, std::u16string_view reason) const {
        auto e = dispatchError(kind(), member, reason);
        if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND)
            throw MemberNotFound(e.message());
        throw e;
    }

    void forget(std::u16string_view member) {
        auto key = lower(member);
        ownIds_.erase(key);
        kindIds_->erase({kind_, key});
    }

    Variant invoke(std::u16string_view member, WORD flags, std::vector<Variant>& args) {
        bool fresh = false;
        DISPID id = dispid(member, fresh);
        std::size_t n = args.size();
        // Values live in store; passed holds them (or references to them) in
        // the reverse order that Invoke wants. A by-reference scalar goes as a
        // typed reference, as a script host passes a declared variable (a
        // server may refuse a variant reference where it declares LONG_PTR*);
        // arrays, objects and empty out arguments go as a VARIANT of ours
        // that the callee may replace.
        std::unique_ptr<OleVariant[]> store(new OleVariant[n]);
        std::vector<VARIANT> passed(n);
        for (std::size_t i = 0; i < n; ++i) {
            VARIANT& value = *store[i].get();
            toOle(args[i], value);
            VARIANT& slot = passed[n - 1 - i];
            if (!args[i].isByRef()) {
                slot = value;  // a shallow copy: store still owns it
            } else if ((value.vt & VT_ARRAY) || value.vt == VT_DISPATCH || value.vt == VT_EMPTY) {
                VariantInit(&slot);
                slot.vt = VT_BYREF | VT_VARIANT;
                slot.pvarVal = &value;
            } else {
                VariantInit(&slot);
                slot.vt = static_cast<VARTYPE>(VT_BYREF | value.vt);
                slot.byref = &value.llVal;  // every scalar starts where llVal does
            }
        }
        DISPID putId = DISPID_PROPERTYPUT;
        DISPPARAMS params{passed.data(), nullptr, static_cast<UINT>(n), 0};
        if (flags == DISPATCH_PROPERTYPUT) {
            params.rgdispidNamedArgs = &putId;
            params.cNamedArgs = 1;
        }
        OleVariant result;
        win::ExcepInfo ei;
        UINT argErr = 0;
        HRESULT hr = d_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                flags == DISPATCH_PROPERTYPUT ? nullptr : result.get(), ei.get(), &argErr);
        if (hr == DISP_E_MEMBERNOTFOUND && !fresh) {
            // A cached ID this object does not know: ask for the name again.
            forget(member);
            id = dispid(member, fresh);
            hr = d_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                            flags == DISPATCH_PROPERTYPUT ? nullptr : result.get(), ei.get(), &argErr);
        }
        if (FAILED(hr)) {
            std::u16string reason;
            if (hr == DISP_E_EXCEPTION) {
                if (ei->pfnDeferredFillIn)
                    ei->pfnDeferredFillIn(ei.get());
                reason = fromBstr(ei->bstrDescription);
                if (reason.empty())
                    reason = win::systemMessage(ei->scode ? ei->scode : hr);
            } else {
                reason = win::systemMessage(hr);
                if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && argErr < n) {
                    reason += u" (argument " + decimalText(n - argErr) + u")";
                }
            }
            raise(member, hr, reason);
        }
        try {
            ComOrigin child{kind_ + u"." + std::u16string(member), kindIds_};
            for (std::size_t i = 0; i < n; ++i) {
                if (args[i].isByRef())
                    args[i] = Variant::byRef(fromOle(*store[i], &child));
            }
            return fromOle(*result, &child);
        } catch (const Error& e) {
            throw dispatchError(kind(), member, e.message());
        }
    }

    ComPtr<IDispatch> d_;
    std::u16string kind_;
    std::shared_ptr<std::map<std::pair<std::u16string, std::u16string>, DISPID>> kindIds_;
    std::map<std::u16string, DISPID> ownIds_;
};

}  // namespace

void toOle(const Variant& v, VARIANT& out) {
    VariantInit(&out);
    switch (v.type()) {
        case Variant::Type::Empty:
            return;
        case Variant::Type::Int16:
            out.vt = VT_I2;
            out.iVal = v.toInt16();
            return;
        case Variant::Type::Int32:
            out.vt = VT_I4;
            out.lVal = v.toInt32();
            return;
        case Variant::Type::Int64:
            out.vt = VT_I8;
            out.llVal = v.toInt64();
            return;
        case Variant::Type::UInt64:
            out.vt = VT_UI8;
            out.ullVal = v.toUInt64();
            return;
        case Variant::Type::Double:
            out.vt = VT_R8;
            out.dblVal = v.toDouble();
            return;
        case Variant::Type::Bool:
            out.vt = VT_BOOL;
            out.boolVal = v.toBool() ? VARIANT_TRUE : VARIANT_FALSE;
            return;
        case Variant::Type::String:
            out.bstrVal = toBstr(v.toString());
            out.vt = VT_BSTR;
            return;
        case Variant::Type::DoubleArray:
            out.parray = newArray<double>(VT_R8, v.toDoubles());
            out.vt = VT_ARRAY | VT_R8;
            return;
        case Variant::Type::Int16Array:
            out.parray = newArray<SHORT>(VT_I2, v.toInt16s());
            out.vt = VT_ARRAY | VT_I2;
            return;
        case Variant::Type::VariantArray: {
            auto items = v.toVariants();
            SAFEARRAY* sa = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
            if (!sa)
                throw Error(u"out of memory for an array");
            out.parray = sa;
            out.vt = VT_ARRAY | VT_VARIANT;  // from here VariantClear frees what was written
            if (!items.empty()) {
                ArrayData data(sa);
                for (std::size_t i = 0; i < items.size(); ++i)
                    toOle(items[i], data.as<VARIANT>()[i]);
            }
            return;
        }
        case Variant::Type::Object: {
            Dispatch d = v.toDispatch();
            out.vt = VT_DISPATCH;
            if (d.isNull()) {
                out.pdispVal = nullptr;
            } else if (IDispatch* raw = comObjectOf(d)) {
                raw->AddRef();
                out.pdispVal = raw;
            } else {
                out.pdispVal = newDispatchServer(d);
            }
            return;
        }
    }
}

namespace {

Dispatch wrapObject(IDispatch* dispatch, const ComOrigin* origin) {
    if (!dispatch)
        return Dispatch();
    if (!origin)
        return wrapDispatch(dispatch);
    return Dispatch(std::make_shared<ComObject>(ComPtr<IDispatch>::share(dispatch), *origin));
}

}  // namespace

Variant fromOle(const VARIANT& v, const ComOrigin* origin) {
    if (v.vt & VT_BYREF) {
        if ((v.vt & VT_TYPEMASK) == VT_VARIANT && !(v.vt & VT_ARRAY)) {
            return v.pvarVal ? fromOle(*v.pvarVal, origin) : Variant();
        }
        OleVariant direct;
        HRESULT hr = VariantCopyInd(direct.get(), const_cast<VARIANT*>(&v));
        if (FAILED(hr))
            throw Error(u"cannot read a value by reference: " + win::systemMessage(hr));
        return fromOle(*direct, origin);
    }
    if (v.vt & VT_ARRAY) {
        return fromArray(v);
    }
    switch (v.vt) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_ERROR:
            return {};
        case VT_I1:
            return Variant(static_cast<std::int16_t>(v.cVal));
        case VT_UI1:
            return Variant(static_cast<std::int16_t>(v.bVal));
        case VT_I2:
            return Variant(static_cast<std::int16_t>(v.iVal));
        case VT_UI2:
            return Variant(static_cast<std::int32_t>(v.uiVal));
        case VT_I4:
        case VT_INT:
            return Variant(static_cast<std::int32_t>(v.lVal));
        case VT_UI4:
        case VT_UINT:
            return Variant::int64(v.ulVal);
        case VT_I8:
            return Variant::int64(v.llVal);
        case VT_UI8:
            return Variant::uint64(v.ullVal);
        case VT_R4:
            return Variant(static_cast<double>(v.fltVal));
        case VT_R8:
            return Variant(v.dblVal);
        case VT_BOOL:
            return Variant(v.boolVal != VARIANT_FALSE);
        case VT_BSTR:
            return Variant(fromBstr(v.bstrVal));
        case VT_DISPATCH:
            return v.pdispVal ? Variant(wrapObject(v.pdispVal, origin)) : Variant(Dispatch());
        case VT_UNKNOWN: {
            if (!v.punkVal)
                return Variant(Dispatch());
            ComPtr<IDispatch> d;
            HRESULT hr = v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(d.out()));
            if (FAILED(hr))
                throw Error(u"an object without automation interface: " + win::systemMessage(hr));
            return Variant(wrapObject(d.get(), origin));
        }
        case VT_DATE:
        case VT_CY:
        case VT_DECIMAL: {
            OleVariant number;
            HRESULT hr = VariantChangeType(number.get(), const_cast<VARIANT*>(&v), 0, VT_R8);
            if (FAILED(hr))
                throw Error(u"cannot read a number: " + win::systemMessage(hr));
            return Variant((*number).dblVal);
        }
        default:
            throw Error(u"unsupported value type " + decimalText(v.vt));
    }
}

Dispatch wrapDispatch(IDispatch* dispatch, const std::u16string& kind) {
    ComOrigin origin{kind, std::make_shared<std::map<std::pair<std::u16string, std::u16string>, DISPID>>()};
    return wrapObject(dispatch, &origin);
}

IDispatch* comObjectOf(const Dispatch& dispatch) {
    auto* object = dynamic_cast<ComObject*>(dispatch.object().get());
    return object ? object->raw() : nullptr;
}

namespace {

CLSID classOf(const std::u16string& progId) {
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(win::wideView(progId), &clsid);
    if (FAILED(hr)) {
        throw Error(u"「" + progId + u"」はこのコンピューターに登録されていません。\n" + win::systemMessage(hr));
    }
    return clsid;
}

}  // namespace

TargetState ComConnector::targetState(const std::u16string& progId) {
    CLSID clsid{};
    if (progId.empty() || FAILED(CLSIDFromProgID(win::wideView(progId), &clsid))) {
        return TargetState::NotRegistered;
    }
    ComPtr<IUnknown> running;
    return SUCCEEDED(GetActiveObject(clsid, nullptr, running.out())) ? TargetState::Running : TargetState::NotRunning;
}

bool ComConnector::isTargetRunning(const std::u16string& progId) {
    CLSID clsid = classOf(progId);
    ComPtr<IUnknown> running;
    return SUCCEEDED(GetActiveObject(clsid, nullptr, running.out()));
}

Dispatch ComConnector::attach(const std::u16string& progId) {
    CLSID clsid = classOf(progId);
    ComPtr<IUnknown> running;
    HRESULT hr = GetActiveObject(clsid, nullptr, running.out());
    if (FAILED(hr)) {
        throw Error(u"「" + progId + u"」が起動していません。\n" + win::systemMessage(hr));
    }
    ComPtr<IDispatch> d;
    hr = running->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(d.out()));
    if (FAILED(hr)) {
        throw Error(u"「" + progId + u"」はオートメーションに応えません。\n" + win::systemMessage(hr));
    }
    return wrapDispatch(d.get(), u"application");
}

}  // namespace qx::cad::com
