// Late-bound invocation over a small description, on a plain C++ object.
#include "ComTestHelpers.h"

#include <com/DispatchHelpers.h>
#include <com/TypeLib.h>

using namespace plat::com;

namespace {

struct Counter {
    std::int32_t value = 0;
    VARIANT_BOOL flag = 0;
    std::string lastName;
};

Counter* self(void* p) { return static_cast<Counter*>(p); }

HRESULT getValue(void* p, VARIANT*, VARIANT* r)
{
    r->vt = VT_I4;
    r->lVal = self(p)->value;
    return S_OK;
}
HRESULT putValue(void* p, VARIANT* a, VARIANT*)
{
    self(p)->value = a[0].lVal;
    return S_OK;
}
HRESULT putFlag(void* p, VARIANT* a, VARIANT*)
{
    self(p)->flag = a[0].boolVal;
    return S_OK;
}
HRESULT addNamed(void* p, VARIANT* a, VARIANT*)
{
    self(p)->value += a[1].lVal;
    self(p)->lastName = Utf8FromBstr(a[0].bstrVal);
    return a[1].lVal < 0 ? E_INVALIDARG : S_OK;
}

constexpr ParamDescription kLong[] = {{"newVal", VT_I4, "long"}};
constexpr ParamDescription kBool[] = {{"newVal", VT_BOOL, "VARIANT_BOOL"}};
constexpr ParamDescription kAdd[] = {{"Name", VT_BSTR, "BSTR"}, {"Amount", VT_I4, "long"}};
constexpr MemberDescription kMembers[] = {
    {1, "Value", MemberKind::PropertyGet, "value", {}, VT_I4, "long", getValue},
    {1, "Value", MemberKind::PropertyPut, "value", kLong, VT_VOID, "void", putValue},
    {2, "Flag", MemberKind::PropertyPut, "flag", kBool, VT_VOID, "void", putFlag},
    {3, "Add", MemberKind::Method, "add", kAdd, VT_VOID, "void", addNamed},
};
constexpr IID kIid = MakeGuid("0B7C1C34-5A58-4C51-9E8B-1D0F3A7E2C11");
constexpr CLSID kClsid = MakeGuid("0B7C1C34-5A58-4C51-9E8B-1D0F3A7E2C12");
constexpr InterfaceDescription kInterfaces[] = {{kIid, "ICounter", "counter", TYPEFLAG_FDUAL, kMembers}};
constexpr CoClassDescription kClasses[] = {{kClsid, "Counter", "a counter", TYPEFLAG_FCANCREATE, &kIid, nullptr}};
constexpr TypeLibDescription kLib{
    MakeGuid("0B7C1C34-5A58-4C51-9E8B-1D0F3A7E2C10"), "CounterLib", "counters", 1, 0, 0x409, {}, kInterfaces, kClasses};

class TypeLibInvoke : public ::testing::Test {
protected:
    void SetUp() override
    {
        ComPtr<ITypeLib> lib;
        ASSERT_HR(S_OK, CreateTypeLib(&kLib, nullptr, lib.put()));
        ASSERT_HR(S_OK, lib->GetTypeInfoOfGuid(kIid, info.put()));
    }
    HRESULT invoke(DISPID id, std::uint16_t flags, std::vector<Variant> reversedArgs, Variant* result = nullptr,
                   UINT* argErr = nullptr, bool namedPut = false)
    {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{reversedArgs.data(), namedPut ? &named : nullptr, static_cast<UINT>(reversedArgs.size()),
                          namedPut ? 1u : 0u};
        return DispInvoke(&counter, info.get(), id, flags, &params, result, nullptr, argErr);
    }

    Counter counter;
    ComPtr<ITypeInfo> info;
};

} // namespace

TEST_F(TypeLibInvoke, propertyGetAndPutByIdentifierWithCoercion)
{
    ASSERT_HR(S_OK, invoke(1, DISPATCH_PROPERTYPUT, {Variant("41")}, nullptr, nullptr, true));
    EXPECT_EQ(counter.value, 41);
    Variant result;
    ASSERT_HR(S_OK, invoke(1, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &result));
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 41);
    ASSERT_HR(S_OK, invoke(2, DISPATCH_PROPERTYPUT, {Variant::boolean(1)}, nullptr, nullptr, true));
    EXPECT_EQ(counter.flag, 1); // a boolean stays as given
    ASSERT_HR(S_OK, invoke(2, DISPATCH_PROPERTYPUT, {Variant(std::int32_t{5})}, nullptr, nullptr, true));
    EXPECT_EQ(counter.flag, VARIANT_TRUE);
}

TEST_F(TypeLibInvoke, methodArgumentsArriveLastFirstAndBadCallsAreRefused)
{
    // DISPPARAMS order: Amount first, then Name.
    ASSERT_HR(S_OK, invoke(3, DISPATCH_METHOD, {Variant(std::int32_t{2}), Variant("two")}));
    EXPECT_EQ(counter.value, 2);
    EXPECT_EQ(counter.lastName, "two");
    EXPECT_HR(DISP_E_BADPARAMCOUNT, invoke(3, DISPATCH_METHOD, {Variant(std::int32_t{2})}));
    UINT argErr = 99;
    EXPECT_HR(DISP_E_TYPEMISMATCH, invoke(3, DISPATCH_METHOD, {Variant("lots"), Variant("x")}, nullptr, &argErr));
    EXPECT_EQ(argErr, 0u); // the first DISPPARAMS slot: Amount
    EXPECT_HR(E_INVALIDARG, invoke(3, DISPATCH_METHOD, {Variant(std::int32_t{-1}), Variant("neg")}));
    EXPECT_HR(DISP_E_MEMBERNOTFOUND, invoke(9, DISPATCH_METHOD, {}));
    EXPECT_HR(DISP_E_MEMBERNOTFOUND, invoke(2, DISPATCH_PROPERTYGET, {})); // put-only
    EXPECT_HR(DISP_E_MEMBERNOTFOUND, invoke(3, DISPATCH_PROPERTYPUT, {Variant("x")}, nullptr, nullptr, true));
}

TEST_F(TypeLibInvoke, namesResolveWithoutRegardToCase)
{
    std::u16string add = u"aDD", amount = u"amount", bogus = u"bogus";
    LPOLESTR names[] = {add.data(), amount.data()};
    DISPID ids[2];
    ASSERT_HR(S_OK, info->GetIDsOfNames(names, 2, ids));
    EXPECT_EQ(ids[0], 3);
    EXPECT_EQ(ids[1], 1);
    names[0] = bogus.data();
    EXPECT_HR(DISP_E_UNKNOWNNAME, info->GetIDsOfNames(names, 1, ids));
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
    Bstr name, doc;
    ASSERT_HR(S_OK, info->GetDocumentation(3, name.put(), doc.put(), nullptr, nullptr));
    EXPECT_EQ(name.toUtf8(), "Add");
    EXPECT_EQ(doc.toUtf8(), "add");
}
