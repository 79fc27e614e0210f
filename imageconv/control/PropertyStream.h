// The control's persisted stream, all integers little-endian:
//
//   offset 0   4 bytes  format version 0x200
//   offset 4   4 bytes  extent width, HIMETRIC
//   offset 8   4 bytes  extent height, HIMETRIC
//   offset 12           one value record per property of the property list
//
// A value record is a 2-byte automation type tag and the value: 1 byte for
// tags 16, 17; 2 bytes for 2, 11, 18; 4 bytes for 3, 4, 10, 19, 22, 23;
// 8 bytes for 5, 6, 7; an object in the standard object-stream form for 9, 13;
// for every other tag (8 included) a string record: a 32-bit byte count N
// (0 for a null string) and N bytes of UTF-16 text ending in a zero
// character, converted to the tagged type when the tag is not 8. The default
// control at 96 pixels per inch saves
//
//   00 02 00 00  A7 01 00 00  A7 01 00 00     version, extent 423 x 423
//   03 00 01 00 00 00                         Type        VT_I4   1
//   0B 00 FF FF                               Transparent VT_BOOL true
//   0B 00 FF FF                               Interlaced  VT_BOOL true
//   13 00 FF FF FF 00                         BgColor     VT_UI4  white
//
// Streams come from disk and are untrusted: reads are exact (a stream that
// ends early fails with STG_E_READFAULT), string counts are never trusted for
// an allocation, odd counts and missing terminators fail with E_FAIL.
#pragma once

#include <com/Dispatch.h>
#include <com/Stream.h>

#include <span>

namespace pictaf {

using plat::com::HRESULT;

// An entry of the property list: a property by dispatch identifier, or a
// property page (which carries no value and is skipped in the stream).
struct PropertyEntry {
    const char* name;
    plat::com::DISPID dispid;
    const plat::com::CLSID* page; // non-null for a page entry
};

class PropertyStream {
public:
    static constexpr std::uint32_t kVersion = 0x200;

    // About page, Type, Transparent, Interlaced, BgColor.
    static std::span<const PropertyEntry> pictaforProperties();

    // Version, extent, then each property read through the dispatch
    // interface. A property that cannot be read gives E_FAIL; a failed write
    // its own failure.
    static HRESULT save(plat::com::IStream* stream, plat::com::IDispatch* object, const plat::com::SIZEL& extent,
                        std::span<const PropertyEntry> properties);
    // Version, then the extent unless the version is above kVersion, then each
    // record put through the dispatch interface (which converts it to the
    // property's type). Stops at the first failure: a record that cannot be
    // read gives its failure, a put that fails E_FAIL; properties set before
    // then keep their new values.
    static HRESULT load(plat::com::IStream* stream, plat::com::IDispatch* object, plat::com::SIZEL& extent,
                        std::span<const PropertyEntry> properties);

    static HRESULT writeValue(plat::com::IStream* stream, const plat::com::VARIANT& value);
    // Reads one value record into value. Object records (tags 9 and 13) are
    // read as far as their class identifier: a null one gives a null object;
    // any other is refused with E_FAIL rather than creating and running a class
    // named by untrusted data (no property of the control takes an object).
    static HRESULT readValue(plat::com::IStream* stream, plat::com::Variant& value);

    // Byte count of string records read before giving up early (the stream
    // itself bounds what is read; this bounds what one record may claim).
    static constexpr std::uint32_t kMaxStringBytes = 64u << 20;
};

} // namespace pictaf
