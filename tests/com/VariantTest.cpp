#include "ComTestHelpers.h"

#include <com/Variant.h>

using namespace plat::com;

namespace {

// Converts value to vt; the result code and, on success, the converted value.
HRESULT convert(const Variant& value, VARTYPE vt, Variant& out) { return VariantChangeType(&out, &value, 0, vt); }

} // namespace

TEST(Variant, numbersRoundHalfToEvenAndRefuseOutOfRange)
{
    struct Case {
        double in;
        std::int32_t want;
    };
    for (Case c : {Case{2.5, 2}, Case{3.5, 4}, Case{-2.5, -2}, Case{1.49, 1}, Case{-0.5, 0}}) {
        Variant out;
        ASSERT_HR(S_OK, convert(Variant(c.in), VT_I4, out));
        EXPECT_EQ(out.vt, VT_I4);
        EXPECT_EQ(out.lVal, c.want) << c.in;
    }
    Variant out;
    EXPECT_HR(DISP_E_OVERFLOW, convert(Variant(std::int32_t{-1}), VT_UI4, out));
    EXPECT_HR(DISP_E_OVERFLOW, convert(Variant(std::int32_t{40000}), VT_I2, out));
    EXPECT_HR(DISP_E_OVERFLOW, convert(Variant(3e10), VT_I4, out));
    EXPECT_EQ(out.vt, VT_EMPTY); // a failed conversion leaves the destination alone
    ASSERT_HR(S_OK, convert(Variant(std::uint32_t{0x80000005u}), VT_I8, out));
    EXPECT_EQ(out.llVal, 0x80000005LL);
}

TEST(Variant, booleansAreMinusOneOrZeroButKeepTheirValueWhenAlreadyBoolean)
{
    Variant out;
    ASSERT_HR(S_OK, convert(Variant(std::int32_t{1}), VT_BOOL, out));
    EXPECT_EQ(out.boolVal, VARIANT_TRUE);
    ASSERT_HR(S_OK, convert(Variant(0.0), VT_BOOL, out));
    EXPECT_EQ(out.boolVal, VARIANT_FALSE);
    ASSERT_HR(S_OK, convert(Variant::boolean(1), VT_BOOL, out));
    EXPECT_EQ(out.boolVal, 1);
    ASSERT_HR(S_OK, convert(Variant::boolean(VARIANT_TRUE), VT_I4, out));
    EXPECT_EQ(out.lVal, -1);
    ASSERT_HR(S_OK, convert(Variant(" true "), VT_BOOL, out));
    EXPECT_EQ(out.boolVal, VARIANT_TRUE);
    ASSERT_HR(S_OK, convert(Variant(true), VT_BSTR, out));
    EXPECT_EQ(out.toUtf8(), "True");
}

TEST(Variant, stringsParseAsNumbersOrFailWithTypeMismatch)
{
    Variant out;
    ASSERT_HR(S_OK, convert(Variant(" 42 "), VT_I4, out));
    EXPECT_EQ(out.lVal, 42);
    ASSERT_HR(S_OK, convert(Variant("&HFF"), VT_I4, out));
    EXPECT_EQ(out.lVal, 255);
    ASSERT_HR(S_OK, convert(Variant("1.5e1"), VT_I2, out));
    EXPECT_EQ(out.iVal, 15);
    EXPECT_HR(DISP_E_TYPEMISMATCH, convert(Variant("twelve"), VT_I4, out));
    EXPECT_HR(DISP_E_TYPEMISMATCH, convert(Variant(""), VT_I4, out));
    EXPECT_HR(DISP_E_OVERFLOW, convert(Variant("99999999999"), VT_I4, out));
    ASSERT_HR(S_OK, convert(Variant(std::int32_t{-7}), VT_BSTR, out));
    EXPECT_EQ(out.toUtf8(), "-7");
}

TEST(Variant, emptyNullErrorAndUnknownTypesConvertAsAutomationDoes)
{
    Variant empty, out;
    ASSERT_HR(S_OK, convert(empty, VT_I4, out));
    EXPECT_EQ(out.lVal, 0);
    ASSERT_HR(S_OK, convert(empty, VT_BSTR, out));
    EXPECT_EQ(out.toUtf8(), "");
    Variant null;
    null.vt = VT_NULL;
    EXPECT_HR(DISP_E_TYPEMISMATCH, convert(null, VT_I4, out));
    EXPECT_HR(DISP_E_TYPEMISMATCH, convert(Variant::error(E_FAIL), VT_I4, out));
    EXPECT_HR(DISP_E_BADVARTYPE, convert(Variant(std::int32_t{1}), VT_DECIMAL, out));
    EXPECT_HR(DISP_E_BADVARTYPE, convert(Variant(std::int32_t{1}), VT_I4 | VT_BYREF, out));
    Variant weird;
    weird.vt = 0x7F;
    EXPECT_HR(DISP_E_BADVARTYPE, convert(weird, VT_I4, out));
}

TEST(Variant, currencyAndByReferenceValues)
{
    Variant cy;
    cy.vt = VT_CY;
    cy.cyVal.int64 = 25000; // 2.5
    Variant out;
    ASSERT_HR(S_OK, convert(cy, VT_I4, out));
    EXPECT_EQ(out.lVal, 2);
    ASSERT_HR(S_OK, convert(cy, VT_BSTR, out));
    EXPECT_EQ(out.toUtf8(), "2.5");

    std::int32_t target = 17;
    Variant ref;
    ref.vt = VT_I4 | VT_BYREF;
    ref.byref = &target;
    ASSERT_HR(S_OK, convert(ref, VT_R8, out));
    EXPECT_EQ(out.dblVal, 17.0);
    ref.vt = VT_I4; // not owned: nothing to free
}

TEST(Bstr, carriesUtf8ThroughUtf16WithByteLengthPrefix)
{
    Bstr s = Bstr::fromUtf8("Bücher/ĳ.gif");
    EXPECT_EQ(s.length(), 12u);
    EXPECT_EQ(SysStringByteLen(s.get()), 24u);
    EXPECT_EQ(s.get()[12], u'\0');
    EXPECT_EQ(s.toUtf8(), "Bücher/ĳ.gif");
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(Utf8FromBstr(nullptr), "");
}

TEST(Guid, bracedTextRoundTripsAndMalformedTextIsRefused)
{
    constexpr GUID g = MakeGuid("E74345CB-6ED5-4DA4-939F-850D392C10BE");
    EXPECT_EQ(GuidToString(g), "{E74345CB-6ED5-4DA4-939F-850D392C10BE}");
    EXPECT_EQ(GuidFromString("{e74345cb-6ed5-4da4-939f-850d392c10be}"), g);
    EXPECT_FALSE(GuidFromString("E74345CB-6ED5-4DA4-939F-850D392C10BE"));
    EXPECT_FALSE(GuidFromString("{E74345CB-6ED5-4DA4-939F-850D392C10BG}"));
    EXPECT_FALSE(GuidFromString("{E74345CB+6ED5-4DA4-939F-850D392C10BE}"));
    EXPECT_EQ(HResultName(DV_E_DVASPECT), "DV_E_DVASPECT");
    EXPECT_EQ(HResultName(static_cast<HRESULT>(0x80041234u)), "0x80041234");
    EXPECT_EQ(MulDiv(182, 8, 4), 364);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2); // halves away from zero
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}
