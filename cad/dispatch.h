// A late-bound automation object: members are named at call time and values
// are Variants. The in-memory drawing and the COM client both implement
// DispatchObject, so the commands run unchanged against either.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cad/variant.h"
#include "platform/platform.h"

namespace qx::cad {

class DispatchObject {
public:
    virtual ~DispatchObject() = default;
    // What the object is ("document", "selection set", ...), for messages.
    virtual std::u16string kind() const = 0;
    // Each throws qx::Error when the call fails.
    virtual Variant get(std::u16string_view member) = 0;
    virtual void put(std::u16string_view member, const Variant& value) = 0;
    // A callee may assign new values to the arguments passed by reference
    // (out arguments such as GetBoundingBox's), keeping their by-ref mark.
    virtual Variant call(std::u16string_view member, std::vector<Variant>& args) = 0;
};

// A shared, copyable handle; copies refer to the same object. A default
// constructed handle is null and every call on it fails.
class Dispatch {
public:
    Dispatch() = default;
    explicit Dispatch(std::shared_ptr<DispatchObject> object) : object_(std::move(object)) {}

    bool isNull() const { return !object_; }
    explicit operator bool() const { return object_ != nullptr; }
    std::u16string kind() const;

    Variant get(std::u16string_view member) const;
    void put(std::u16string_view member, Variant value) const;
    // Any values the callee gives back through by-reference arguments are dropped.
    Variant call(std::u16string_view member, std::vector<Variant> args = {}) const;
    // The caller's own arguments: what the callee writes into the by-reference
    // ones comes back in them.
    Variant invoke(std::u16string_view member, std::vector<Variant>& args) const;

    const std::shared_ptr<DispatchObject>& object() const { return object_; }
    friend bool operator==(const Dispatch& a, const Dispatch& b) { return a.object_ == b.object_; }

private:
    std::shared_ptr<DispatchObject> object_;
};

// The object has no member of that name: an application of the same object
// model may lack a member that another one serves.
class MemberNotFound : public Error {
public:
    using Error::Error;
};

// The error of a failed automation call, naming the member, the object kind
// and the reason: "document.ObjectIdToObject: no object has the ID 42".
Error dispatchError(std::u16string_view kind, std::u16string_view member, std::u16string_view reason);

// Member names are compared without ASCII case, as automation servers do.
std::u16string lower(std::u16string_view s);

}  // namespace qx::cad
