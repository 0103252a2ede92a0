#include <gtest/gtest.h>

#include <limits>

#include "cad/com/comDispatch.h"
#include "cad/com/dispatchServer.h"
#include "core/comObject.h"
#include "core/winText.h"
#include "testing/expectError.h"
#include "tools/cad-standin/memDrawing.h"

using namespace qx::cad;
using namespace qx::cad::com;
using qx::Error;
using qx::test::contains;
using qx::test::errorOf;

namespace {

// Hands back what it is given, remembering how it came.
class Echo : public DispatchObject {
public:
    std::u16string kind() const override { return kindName; }
    Variant get(std::u16string_view member) override {
        if (member == u"Value")
            return value;
        throw dispatchError(kind(), member, u"no such property");
    }
    void put(std::u16string_view member, const Variant& v) override {
        if (member != u"Value")
            throw dispatchError(kind(), member, u"no such property");
        value = v;
    }
    Variant call(std::u16string_view member, std::vector<Variant>& args) override {
        if (member == u"Out") {
            // Fills every by-reference argument with outValue, as GetBoundingBox does.
            for (auto& a : args) {
                if (a.isByRef())
                    a = Variant::byRef(outValue);
            }
            return {};
        }
        if (member != u"Echo" || args.size() != 1)
            throw dispatchError(kind(), member, u"no such method");
        byRef = args[0].isByRef();
        return args[0];
    }
    Variant value;
    Variant outValue;
    bool byRef = false;
    std::u16string kindName = u"echo";
};

class ComTest : public ::testing::Test {
protected:
    // First, so that it goes last, after every COM object the test holds.
    qx::win::ComApartment apartment;
    void SetUp() override {
        ASSERT_TRUE(apartment);
        echo = std::make_shared<Echo>();
        const ComPtr<IDispatch> server(newDispatchServer(Dispatch(echo)));
        client = wrapDispatch(server.get());
    }
    void TearDown() override { client = Dispatch(); }
    std::shared_ptr<Echo> echo;
    Dispatch client;
};

}  // namespace

class ComValues : public ComTest, public ::testing::WithParamInterface<Variant> {};

TEST_P(ComValues, SurviveTheRoundTripByValueAndByReference) {
    EXPECT_EQ(client.call(u"Echo", {GetParam()}), GetParam());
    EXPECT_FALSE(echo->byRef);
    EXPECT_EQ(client.call(u"Echo", {Variant::byRef(GetParam())}), GetParam());
    EXPECT_TRUE(echo->byRef);
    client.put(u"Value", GetParam());
    EXPECT_EQ(echo->value, GetParam());
    EXPECT_EQ(client.get(u"Value"), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Variants, ComValues,
    ::testing::Values(Variant(), Variant(std::int16_t{-7}), Variant(123456),
                      Variant::int64((std::int64_t{1} << 40) + 3),
                      Variant::int64(std::numeric_limits<std::int64_t>::min()),
                      Variant::uint64(std::numeric_limits<std::uint64_t>::max()), Variant(-0.1), Variant(true),
                      Variant(false), Variant(u""), Variant(u"取得 ＡＢ ｶﾞ"), Variant(std::vector<double>{1.5, -2, 0}),
                      Variant(std::vector<double>{}), Variant(std::vector<std::int16_t>{0}),
                      Variant(std::vector<Variant>{Variant(u"TEXT,*LINE")}),
                      Variant(std::vector<Variant>{Variant(1), Variant(std::vector<double>{2.0}), Variant()})));

// An out value may come as an array of doubles or of variants; both read as
// points. Arguments passed by value are not written back.
TEST_F(ComTest, OutArgumentsComeBackThroughByReferenceVariants) {
    for (const auto& out : {Variant(std::vector<double>{1.5, -2, 3}),
                            Variant(std::vector<Variant>{Variant(1.5), Variant(-2), Variant(std::int16_t{3})})}) {
        echo->outValue = out;
        std::vector<Variant> args{Variant::byRef(Variant()), Variant(7), Variant::byRef(Variant())};
        client.invoke(u"Out", args);
        EXPECT_EQ(args[0].toDoubles(), (std::vector<double>{1.5, -2, 3}));
        EXPECT_TRUE(args[0].isByRef());
        EXPECT_EQ(args[1], Variant(7));
        EXPECT_EQ(args[2].toDoubles(), (std::vector<double>{1.5, -2, 3}));
    }
    // call() takes copies: the caller's vector is left as it was.
    std::vector<Variant> kept{Variant::byRef(Variant())};
    client.call(u"Out", kept);
    EXPECT_EQ(kept[0].type(), Variant::Type::Empty);
}

// A client that passes typed variables by reference (VT_BYREF | VT_I4) gets
// scalars converted into them; a value that does not fit is a type mismatch.
TEST_F(ComTest, TypedByReferenceVariablesTakeOnlyWhatFits) {
    const ComPtr<IDispatch> server(newDispatchServer(Dispatch(echo)));
    LPOLESTR name[] = {const_cast<LPOLESTR>(L"Out")};
    DISPID id = 0;
    ASSERT_EQ(server->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    LONG number = 5;
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BYREF | VT_I4;
    arg.plVal = &number;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    UINT argErr = 99;
    echo->outValue = Variant(std::int16_t{42});
    EXPECT_EQ(server->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, &argErr),
              S_OK);
    EXPECT_EQ(number, 42);
    echo->outValue = Variant(std::vector<double>{1, 2, 3});
    EXPECT_EQ(server->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, &argErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(number, 42);
}

TEST_F(ComTest, ObjectsTravelBothWays) {
    auto other = std::make_shared<Echo>();
    other->value = Variant(u"inner");
    Variant back = client.call(u"Echo", {Variant(Dispatch(other))});
    Dispatch inner = back.toDispatch();
    ASSERT_FALSE(inner.isNull());
    EXPECT_EQ(inner.get(u"Value"), Variant(u"inner"));
    // A COM object handed back to COM is passed as itself, not wrapped again.
    EXPECT_EQ(client.call(u"Echo", {Variant(inner)}).toDispatch().get(u"Value"), Variant(u"inner"));
    EXPECT_TRUE(client.call(u"Echo", {Variant(Dispatch())}).toDispatch().isNull());
}

TEST_F(ComTest, FailuresCarryTheServersDescription) {
    auto message = errorOf([&] { client.get(u"Missing"); });
    EXPECT_TRUE(contains(message, u"Missing"));
    EXPECT_TRUE(contains(message, u"echo.Missing: no such property"));
    EXPECT_TRUE(contains(errorOf([&] { client.call(u"Echo", {}); }), u"no such method"));
}

namespace {

// An object whose DISPIDs start at its own base, as objects of different
// servers may number their members; Child hands out the next one.
class Numbered : public qx::win::ComObject<IDispatch> {
public:
    explicit Numbered(DISPID base) : base_(base) { AddRef(); }  // the creator's
    int lookups = 0;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        ++lookups;
        ids[0] = base_ + (std::wstring(names[0]) == L"Child" ? 1 : 2);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (id == base_ + 1) {
            next_ = next_ ? next_ : new Numbered(nextBase);
            result->vt = VT_DISPATCH;
            result->pdispVal = next_;
            next_->AddRef();
            return S_OK;
        }
        if (id != base_ + 2)
            return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_I4;
        result->lVal = base_;
        return S_OK;
    }
    DISPID nextBase = 0;
    Numbered* next_ = nullptr;

private:
    ~Numbered() override {
        if (next_)
            next_->Release();
    }
    DISPID base_;
};

}  // namespace

TEST(ComCache, MemberIdsAreLookedUpOncePerKind) {
    auto* object = new Numbered(0);
    Dispatch once = wrapDispatch(object, u"looked up once");
    once.get(u"Value");
    once.get(u"Value");
    once.get(u"value");
    once.call(u"Echo", {Variant(1)});
    EXPECT_EQ(object->lookups, 2);
    object->Release();
}

TEST(ComCache, ObjectsOfAKindShareIdsAndAskAgainForAnUnknownOne) {
    auto* root = new Numbered(0);
    Dispatch app = wrapDispatch(root, u"root");
    root->Release();
    root->nextBase = 100;
    Dispatch first = app.get(u"Child").toDispatch();
    EXPECT_EQ(first.get(u"Value").toInt32(), 100);
    EXPECT_EQ(first.kind(), u"root.Child");
    // Another child of the same kind and numbering: no look-up.
    root->next_->Release();
    root->next_ = nullptr;
    Dispatch second = app.get(u"Child").toDispatch();
    EXPECT_EQ(second.get(u"Value").toInt32(), 100);
    EXPECT_EQ(root->next_->lookups, 0);
    // One numbered differently answers "member not found" to the cached ID.
    root->next_->Release();
    root->next_ = nullptr;
    root->nextBase = 200;
    Dispatch third = app.get(u"Child").toDispatch();
    EXPECT_EQ(third.get(u"Value").toInt32(), 200);
    EXPECT_EQ(root->next_->lookups, 1);
    EXPECT_EQ(root->lookups, 1);  // "Child" once
}

TEST_F(ComTest, TheDrawingThroughCom) {
    MemDrawing drawing(u"C:\\図面\\表.dwg", (std::int64_t{1} << 32) + 10);
    drawing.setHwnd(0x1'0000'0042ULL);
    auto text = drawing.addText(u"表", {1, 2, 0}, {3, 4, 0}, 2);
    drawing.addEntity(EntityKind::MText);
    drawing.addLine({0, 0, 0}, {5, 0, 0});
    ASSERT_GT(text, std::int64_t{1} << 32);
    const ComPtr<IDispatch> server(newDispatchServer(drawing.application()));
    Dispatch app = wrapDispatch(server.get());

    EXPECT_EQ(app.get(u"HWND").toUInt64(), 0x1'0000'0042ULL);
    Dispatch doc = app.get(u"ActiveDocument").toDispatch();
    EXPECT_EQ(doc.get(u"FullName").toString(), drawing.fullName());

    drawing.pickAll();
    Dispatch set =
        doc.get(u"SelectionSets").toDispatch().call(u"Add", {Variant::byRef(Variant(u"ssTemp"))}).toDispatch();
    set.call(u"SelectOnScreen", {Variant::byRef(std::vector<std::int16_t>{0}),
                                 Variant::byRef(std::vector<Variant>{Variant(u"TEXT,*LINE")})});
    ASSERT_EQ(set.get(u"Count").toInt32(), 2);
    auto args = drawing.lastArgs(u"SelectOnScreen");
    ASSERT_EQ(args.size(), 2u);
    EXPECT_TRUE(args[0].isByRef());
    EXPECT_EQ(args[1].toVariants().at(0), Variant(u"TEXT,*LINE"));

    Dispatch first = set.call(u"Item", {Variant(0)}).toDispatch();
    EXPECT_EQ(first.get(u"EntityName").toString(), u"AcDbText");
    EXPECT_EQ(first.get(u"ObjectID").toInt64(), text);
    Dispatch same = doc.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(text))}).toDispatch();
    EXPECT_TRUE(drawing.lastArgs(u"ObjectIdToObject").at(0).isByRef());
    same.put(u"TextAlignmentPoint", Variant::byRef(std::vector<double>{7, 8, 0}));
    EXPECT_EQ(drawing.entity(text)->alignmentPoint, (Point3{7, 8, 0}));
    EXPECT_EQ(first.get(u"TextAlignmentPoint").toDoubles(), (std::vector<double>{7, 8, 0}));

    Dispatch copy = same.call(u"Copy").toDispatch();
    copy.put(u"TextString", Variant(u"複写"));
    EXPECT_EQ(drawing.entity(copy.get(u"ObjectID").toInt64())->text, u"複写");

    drawing.erase(text);
    EXPECT_TRUE(contains(errorOf([&] { doc.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(text))}); }),
                         u"no object has the ID"));
    drawing.rejectCall(u"Regen", 1);
    EXPECT_TRUE(contains(errorOf([&] { doc.call(u"Regen", {Variant(0)}); }), MemDrawing::rejectedMessage()));
}

TEST(ComConnector, UnregisteredIdentifierIsAnErrorNamingIt) {
    const qx::win::ComApartment apartment;
    ASSERT_TRUE(apartment);
    ComConnector connector;
    auto message = errorOf([&] { connector.isTargetRunning(u"QuadcelX.NoSuchApplication"); });
    EXPECT_TRUE(contains(message, u"QuadcelX.NoSuchApplication"));
    EXPECT_TRUE(contains(message, u"0x800401F3"));
    EXPECT_THROW(connector.attach(u"QuadcelX.NoSuchApplication"), Error);
}

TEST(HresultText, NamesTheCode) {
    EXPECT_TRUE(contains(qx::win::systemMessage(DISP_E_UNKNOWNNAME), u"0x80020006"));
}
