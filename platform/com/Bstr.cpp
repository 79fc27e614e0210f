#include "com/Bstr.h"

#include <QString>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace plat::com {

namespace {

// Layout: [uint32 byte count][characters][zero char]; the BSTR points at the characters.
BSTR allocBytes(const void* data, std::size_t bytes)
{
    if (bytes > std::numeric_limits<std::uint32_t>::max() - 16)
        return nullptr;
    auto* block = static_cast<std::uint8_t*>(std::malloc(4 + bytes + sizeof(OLECHAR)));
    if (!block)
        return nullptr;
    auto count = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &count, 4);
    if (data)
        std::memcpy(block + 4, data, bytes);
    else
        std::memset(block + 4, 0, bytes);
    std::memset(block + 4 + bytes, 0, sizeof(OLECHAR));
    return reinterpret_cast<BSTR>(block + 4);
}

} // namespace

BSTR SysAllocString(const OLECHAR* text)
{
    if (!text)
        return nullptr;
    std::size_t n = 0;
    while (text[n])
        ++n;
    return allocBytes(text, n * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length)
{
    return allocBytes(text, std::size_t{length} * sizeof(OLECHAR));
}

void SysFreeString(BSTR s)
{
    if (s)
        std::free(reinterpret_cast<std::uint8_t*>(s) - 4);
}

UINT SysStringByteLen(BSTR s)
{
    if (!s)
        return 0;
    std::uint32_t count;
    std::memcpy(&count, reinterpret_cast<std::uint8_t*>(s) - 4, 4);
    return count;
}

UINT SysStringLen(BSTR s) { return SysStringByteLen(s) / sizeof(OLECHAR); }

std::string Utf8FromUtf16(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

std::u16string Utf16FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdU16String();
}

std::string Utf8FromBstr(BSTR s) { return s ? Utf8FromUtf16(std::u16string_view(s, SysStringLen(s))) : std::string(); }

BSTR BstrFromUtf8(std::string_view text)
{
    std::u16string wide = Utf16FromUtf8(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

} // namespace plat::com
