// Basic types of the component runtime: result codes (the host's HRESULT
// values), GUIDs, and the few window and drawing types that interfaces pass.
//
// On this platform a window handle (HWND) is a QWidget* and a device context
// (HDC) is a QPainter* drawing on some paint device; strings passed through
// interfaces are UTF-16 (OLECHAR = char16_t), file names and registry text are
// UTF-8.
#pragma once

#include "platform_export.h"

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QWidget;
class QPainter;

namespace plat::com {

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = std::uint32_t;
using BOOL = std::int32_t;
using LCID = std::uint32_t;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using HWND = QWidget*;
using HDC = QPainter*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr HRESULT hr(std::uint32_t code) { return static_cast<HRESULT>(code); }
constexpr bool SUCCEEDED(HRESULT h) { return h >= 0; }
constexpr bool FAILED(HRESULT h) { return h < 0; }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = hr(0x80004001);
constexpr HRESULT E_NOINTERFACE = hr(0x80004002);
constexpr HRESULT E_POINTER = hr(0x80004003);
constexpr HRESULT E_ABORT = hr(0x80004004);
constexpr HRESULT E_FAIL = hr(0x80004005);
constexpr HRESULT E_UNEXPECTED = hr(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = hr(0x80070005);
constexpr HRESULT E_HANDLE = hr(0x80070006);
constexpr HRESULT E_OUTOFMEMORY = hr(0x8007000E);
constexpr HRESULT E_INVALIDARG = hr(0x80070057);

constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = hr(0x80040003);
constexpr HRESULT OLE_E_NOCONNECTION = hr(0x80040004);
constexpr HRESULT OLE_E_NOTRUNNING = hr(0x80040005);
constexpr HRESULT OLE_E_INVALIDRECT = hr(0x8004000D);
constexpr HRESULT DV_E_FORMATETC = hr(0x80040064);
constexpr HRESULT DV_E_LINDEX = hr(0x80040068);
constexpr HRESULT DV_E_DVASPECT = hr(0x8004006B);
constexpr HRESULT CLASS_E_NOAGGREGATION = hr(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hr(0x80040111);
constexpr HRESULT REGDB_E_READREGDB = hr(0x80040150);
constexpr HRESULT REGDB_E_WRITEREGDB = hr(0x80040151);
constexpr HRESULT REGDB_E_KEYMISSING = hr(0x80040152);
constexpr HRESULT REGDB_E_CLASSNOTREG = hr(0x80040154);
constexpr HRESULT OLEOBJ_E_NOVERBS = hr(0x80040180);
constexpr HRESULT OLEOBJ_E_INVALIDVERB = hr(0x80040181);
constexpr HRESULT SELFREG_E_TYPELIB = hr(0x80040200);
constexpr HRESULT SELFREG_E_CLASS = hr(0x80040201);
constexpr HRESULT CO_E_CLASSSTRING = hr(0x800401F3);
constexpr HRESULT CO_E_DLLNOTFOUND = hr(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = hr(0x800401F9);
constexpr HRESULT OLE_S_USEREG = hr(0x00040000);

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = hr(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = hr(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = hr(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = hr(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = hr(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = hr(0x80020007);
constexpr HRESULT DISP_E_BADVARTYPE = hr(0x80020008);
constexpr HRESULT DISP_E_EXCEPTION = hr(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = hr(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = hr(0x8002000B);
constexpr HRESULT DISP_E_BADPARAMCOUNT = hr(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = hr(0x8002000F);
constexpr HRESULT TYPE_E_REGISTRYACCESS = hr(0x8002801C);
constexpr HRESULT TYPE_E_LIBNOTREGISTERED = hr(0x8002801D);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = hr(0x8002802B);
constexpr HRESULT TYPE_E_CANTLOADLIBRARY = hr(0x80029C4A);

constexpr HRESULT STG_E_INVALIDFUNCTION = hr(0x80030001);
constexpr HRESULT STG_E_FILENOTFOUND = hr(0x80030002);
constexpr HRESULT STG_E_ACCESSDENIED = hr(0x80030005);
constexpr HRESULT STG_E_INVALIDPOINTER = hr(0x80030009);
constexpr HRESULT STG_E_WRITEFAULT = hr(0x8003001D);
constexpr HRESULT STG_E_READFAULT = hr(0x8003001E);
constexpr HRESULT STG_E_FILEALREADYEXISTS = hr(0x80030050);
constexpr HRESULT STG_E_INVALIDPARAMETER = hr(0x80030057);
constexpr HRESULT STG_E_MEDIUMFULL = hr(0x80030070);
constexpr HRESULT STG_E_INVALIDNAME = hr(0x800300FC);
constexpr HRESULT STG_E_INVALIDFLAG = hr(0x800300FF);

// A registry or system error number as a result code.
constexpr HRESULT HRESULT_FROM_WIN32(std::int32_t error)
{
    return error <= 0 ? error : hr(0x80070000u | (static_cast<std::uint32_t>(error) & 0xFFFFu));
}

// The symbolic name of a result code ("E_POINTER"), or its hex form.
PLATFORM_EXPORT std::string HResultName(HRESULT h);
// A short English explanation, for messages ("Invalid pointer").
PLATFORM_EXPORT std::string HResultText(HRESULT h);

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};
    friend constexpr bool operator==(const GUID& a, const GUID& b)
    {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
            return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i])
                return false;
        return true;
    }
    friend constexpr bool operator<(const GUID& a, const GUID& b)
    {
        if (a.Data1 != b.Data1)
            return a.Data1 < b.Data1;
        if (a.Data2 != b.Data2)
            return a.Data2 < b.Data2;
        if (a.Data3 != b.Data3)
            return a.Data3 < b.Data3;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i])
                return a.Data4[i] < b.Data4[i];
        return false;
    }
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const GUID&;
using REFCLSID = const GUID&;
using REFGUID = const GUID&;
inline constexpr GUID GUID_NULL{};

namespace detail {
constexpr int hexValue(char c)
{
    return c >= '0' && c <= '9' ? c - '0'
        : c >= 'a' && c <= 'f'  ? c - 'a' + 10
        : c >= 'A' && c <= 'F'  ? c - 'A' + 10
                                : throw "bad hex digit";
}
constexpr std::uint32_t hexField(const char* s, int digits)
{
    std::uint32_t v = 0;
    for (int i = 0; i < digits; ++i)
        v = v * 16 + static_cast<std::uint32_t>(hexValue(s[i]));
    return v;
}
} // namespace detail

// A GUID from its 36-character text form without braces, at compile time:
// MakeGuid("00000000-0000-0000-C000-000000000046").
constexpr GUID MakeGuid(const char (&s)[37])
{
    GUID g;
    g.Data1 = detail::hexField(s, 8);
    g.Data2 = static_cast<std::uint16_t>(detail::hexField(s + 9, 4));
    g.Data3 = static_cast<std::uint16_t>(detail::hexField(s + 14, 4));
    g.Data4[0] = static_cast<std::uint8_t>(detail::hexField(s + 19, 2));
    g.Data4[1] = static_cast<std::uint8_t>(detail::hexField(s + 21, 2));
    for (int i = 0; i < 6; ++i)
        g.Data4[2 + i] = static_cast<std::uint8_t>(detail::hexField(s + 24 + 2 * i, 2));
    return g;
}

// Braced upper-case text form: "{00000000-0000-0000-C000-000000000046}".
PLATFORM_EXPORT std::string GuidToString(const GUID& guid);
// Reads the braced form (braces required, either case); nullopt otherwise.
PLATFORM_EXPORT std::optional<GUID> GuidFromString(std::string_view text);

// The interface identifier of an interface type: its kIID member.
template <class T>
constexpr const IID& uuidof()
{
    return T::kIID;
}

struct POINT {
    LONG x = 0;
    LONG y = 0;
};
struct SIZEL {
    LONG cx = 0;
    LONG cy = 0;
    bool operator==(const SIZEL&) const = default;
};
struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
    bool operator==(const RECT&) const = default;
};
using RECTL = RECT;

// A window message, as much of it as controls and pages look at.
struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_STYLECHANGING = 0x007C;
constexpr std::uintptr_t VK_TAB = 0x09;

// Show commands (ShowWindow).
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

// Locales.
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_ENGLISH_US = 0x0409;
PLATFORM_EXPORT LCID GetUserDefaultLCID();

// (a x b + c / 2) / c rounded as the host's MulDiv does (halves away from
// zero); -1 when c is 0 or the result does not fit in 32 bits.
PLATFORM_EXPORT LONG MulDiv(LONG a, LONG b, LONG c);

} // namespace plat::com
