// The values that travel through late-bound automation calls: the subset of
// OLE variants that the CAD object model uses.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace qx::cad {

class Dispatch;
class DispatchObject;

class Variant {
public:
    enum class Type {
        Empty,
        Int16,
        Int32,
        Int64,
        UInt64,
        Double,
        Bool,
        String,
        DoubleArray,
        Int16Array,
        VariantArray,
        Object
    };

    Variant() = default;
    Variant(std::int16_t v) : value_(v) {}
    Variant(std::int32_t v) : value_(v) {}
    Variant(std::int64_t v) : value_(v) {}
    Variant(std::uint64_t v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(bool v) : value_(v) {}
    Variant(std::u16string v) : value_(std::move(v)) {}
    Variant(const char16_t* v) : value_(std::u16string(v)) {}
    Variant(const char*) = delete;  // would silently become a bool
    Variant(std::vector<double> v) : value_(std::move(v)) {}
    Variant(std::vector<std::int16_t> v) : value_(std::move(v)) {}
    Variant(std::vector<Variant> v) : value_(std::move(v)) {}
    Variant(const Dispatch& object);

    // Named constructors, for when overload resolution would be ambiguous
    // (long vs long long) or the intent should be plain at the call site.
    static Variant int16(std::int16_t v) { return Variant(v); }
    static Variant int32(std::int32_t v) { return Variant(v); }
    static Variant int64(std::int64_t v) { return Variant(v); }
    static Variant uint64(std::uint64_t v) { return Variant(v); }
    // The same value, passed by reference to the callee.
    static Variant byRef(Variant v) {
        v.byRef_ = true;
        return v;
    }

    Type type() const { return static_cast<Type>(value_.index()); }
    bool isByRef() const { return byRef_; }
    // "int32", "double array", ... for error messages.
    std::u16string typeName() const;
    static std::u16string typeName(Type type);

    // Conversions throw qx::Error when the value does not fit the request.
    // Integers convert among each other when in range; numbers convert to
    // double; arrays of variants convert element by element.
    std::int16_t toInt16() const;
    std::int32_t toInt32() const;
    std::int64_t toInt64() const;
    std::uint64_t toUInt64() const;
    double toDouble() const;
    bool toBool() const;  // also from integers: non-zero is true
    const std::u16string& toString() const;
    std::vector<double> toDoubles() const;
    std::vector<std::int16_t> toInt16s() const;
    std::vector<Variant> toVariants() const;
    Dispatch toDispatch() const;  // an empty variant gives a null handle

    // Same type and value; objects compare by identity. By-reference marks
    // are ignored.
    friend bool operator==(const Variant& a, const Variant& b);

private:
    using Storage = std::variant<std::monostate, std::int16_t, std::int32_t, std::int64_t, std::uint64_t, double, bool,
                                 std::u16string, std::vector<double>, std::vector<std::int16_t>, std::vector<Variant>,
                                 std::shared_ptr<DispatchObject>>;
    std::int64_t integer(const char16_t* wanted) const;
    Storage value_;
    bool byRef_ = false;
};

}  // namespace qx::cad
