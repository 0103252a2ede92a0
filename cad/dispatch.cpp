#include "cad/dispatch.h"

namespace qx::cad {

Error dispatchError(std::u16string_view kind, std::u16string_view member, std::u16string_view reason) {
    std::u16string text(kind);
    text += u'.';
    text += member;
    text += u": ";
    text += reason;
    return Error(text);
}

std::u16string Dispatch::kind() const {
    return object_ ? object_->kind() : u"null object";
}

Variant Dispatch::get(std::u16string_view member) const {
    if (!object_) {
        throw dispatchError(kind(), member, u"no object");
    }
    return object_->get(member);
}

void Dispatch::put(std::u16string_view member, Variant value) const {
    if (!object_) {
        throw dispatchError(kind(), member, u"no object");
    }
    object_->put(member, value);
}

Variant Dispatch::call(std::u16string_view member, std::vector<Variant> args) const {
    if (!object_) {
        throw dispatchError(kind(), member, u"no object");
    }
    return object_->call(member, args);
}

Variant Dispatch::invoke(std::u16string_view member, std::vector<Variant>& args) const {
    if (!object_) {
        throw dispatchError(kind(), member, u"no object");
    }
    return object_->call(member, args);
}

std::u16string lower(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return out;
}

}  // namespace qx::cad
