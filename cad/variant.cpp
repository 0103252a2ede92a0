#include "cad/variant.h"

#include <limits>

#include "cad/dispatch.h"
#include "platform/platform.h"

namespace qx::cad {

namespace {

Error mismatch(const Variant& v, const char16_t* wanted) {
    return Error(u"type mismatch: " + v.typeName() + u" where " + wanted + u" is expected");
}

}  // namespace

Variant::Variant(const Dispatch& object) : value_(object.object()) {}

std::u16string Variant::typeName(Type type) {
    switch (type) {
        case Type::Empty:
            return u"empty";
        case Type::Int16:
            return u"int16";
        case Type::Int32:
            return u"int32";
        case Type::Int64:
            return u"int64";
        case Type::UInt64:
            return u"uint64";
        case Type::Double:
            return u"double";
        case Type::Bool:
            return u"bool";
        case Type::String:
            return u"string";
        case Type::DoubleArray:
            return u"double array";
        case Type::Int16Array:
            return u"int16 array";
        case Type::VariantArray:
            return u"variant array";
        case Type::Object:
            return u"object";
    }
    return u"unknown";
}

std::u16string Variant::typeName() const {
    return typeName(type());
}

// Signed integers of any width; an unsigned value only when it fits.
std::int64_t Variant::integer(const char16_t* wanted) const {
    switch (type()) {
        case Type::Int16:
            return std::get<std::int16_t>(value_);
        case Type::Int32:
            return std::get<std::int32_t>(value_);
        case Type::Int64:
            return std::get<std::int64_t>(value_);
        case Type::UInt64: {
            auto u = std::get<std::uint64_t>(value_);
            if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
                throw Error(u"value out of range for " + std::u16string(wanted));
            }
            return static_cast<std::int64_t>(u);
        }
        default:
            throw mismatch(*this, wanted);
    }
}

template <typename T>
static T narrow(std::int64_t v, const char16_t* wanted) {
    if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) {
        throw Error(u"value out of range for " + std::u16string(wanted));
    }
    return static_cast<T>(v);
}

std::int16_t Variant::toInt16() const {
    return narrow<std::int16_t>(integer(u"int16"), u"int16");
}
std::int32_t Variant::toInt32() const {
    return narrow<std::int32_t>(integer(u"int32"), u"int32");
}
std::int64_t Variant::toInt64() const {
    return integer(u"int64");
}

std::uint64_t Variant::toUInt64() const {
    if (type() == Type::UInt64) {
        return std::get<std::uint64_t>(value_);
    }
    auto v = integer(u"uint64");
    if (v < 0) {
        throw Error(u"value out of range for uint64");
    }
    return static_cast<std::uint64_t>(v);
}

double Variant::toDouble() const {
    switch (type()) {
        case Type::Double:
            return std::get<double>(value_);
        case Type::UInt64:
            return static_cast<double>(std::get<std::uint64_t>(value_));
        case Type::Int16:
        case Type::Int32:
        case Type::Int64:
            return static_cast<double>(integer(u"double"));
        default:
            throw mismatch(*this, u"double");
    }
}

bool Variant::toBool() const {
    switch (type()) {
        case Type::Bool:
            return std::get<bool>(value_);
        case Type::UInt64:
            return std::get<std::uint64_t>(value_) != 0;
        case Type::Int16:
        case Type::Int32:
        case Type::Int64:
            return integer(u"bool") != 0;
        default:
            throw mismatch(*this, u"bool");
    }
}

const std::u16string& Variant::toString() const {
    if (type() != Type::String) {
        throw mismatch(*this, u"string");
    }
    return std::get<std::u16string>(value_);
}

std::vector<double> Variant::toDoubles() const {
    if (type() == Type::DoubleArray) {
        return std::get<std::vector<double>>(value_);
    }
    std::vector<double> out;
    if (type() == Type::Int16Array) {
        for (auto v : std::get<std::vector<std::int16_t>>(value_))
            out.push_back(v);
        return out;
    }
    if (type() != Type::VariantArray) {
        throw mismatch(*this, u"double array");
    }
    for (const auto& v : std::get<std::vector<Variant>>(value_))
        out.push_back(v.toDouble());
    return out;
}

std::vector<std::int16_t> Variant::toInt16s() const {
    if (type() == Type::Int16Array) {
        return std::get<std::vector<std::int16_t>>(value_);
    }
    if (type() != Type::VariantArray) {
        throw mismatch(*this, u"int16 array");
    }
    std::vector<std::int16_t> out;
    for (const auto& v : std::get<std::vector<Variant>>(value_))
        out.push_back(v.toInt16());
    return out;
}

std::vector<Variant> Variant::toVariants() const {
    std::vector<Variant> out;
    switch (type()) {
        case Type::VariantArray:
            return std::get<std::vector<Variant>>(value_);
        case Type::DoubleArray:
            for (auto v : std::get<std::vector<double>>(value_))
                out.emplace_back(v);
            return out;
        case Type::Int16Array:
            for (auto v : std::get<std::vector<std::int16_t>>(value_))
                out.emplace_back(v);
            return out;
        default:
            throw mismatch(*this, u"variant array");
    }
}

Dispatch Variant::toDispatch() const {
    if (type() == Type::Empty) {
        return Dispatch();
    }
    if (type() != Type::Object) {
        throw mismatch(*this, u"object");
    }
    return Dispatch(std::get<std::shared_ptr<DispatchObject>>(value_));
}

bool operator==(const Variant& a, const Variant& b) {
    return a.value_ == b.value_;
}

}  // namespace qx::cad
