// What the record players of every family share: the device context they
// draw into, the object table, the record as handlers see it, and the
// handlers whose logic is the same in every family (only the width of their
// fields differs).
#pragma once

#include "common/ByteReader.h"
#include "gdi/DeviceContext.h"
#include "metafile/ObjectTable.h"
#include "metafile/PlaybackResult.h"

#include <array>
#include <cstdint>
#include <span>
#include <utility>

namespace plat::metafile {

struct MetaRecord {
    std::uint32_t type;
    std::span<const std::uint8_t> bytes;  // the whole record, its header included
    std::span<const std::uint8_t> params; // what follows the header
};

// What a record family's description says of one record's header.
enum class RecordCheck {
    Play, // a record to hand on
    End,  // playback ends here, complete
    Bad,  // damaged: playback stops
};

// What the player made of one record.
enum class RecordOutcome {
    Played, // counted, and the walk goes on past it
    End,
    Bad,
};

// Walks the records from pos to the end of the data. Family describes the
// records' header: kHeaderBytes, readHeader(ByteReader&, type, size in
// bytes) and check(type, size, bytes left from the record's start). A header
// the data ends inside of ends playback, complete. play(record) decides the
// rest; a damaged record's offset is reported.
template <class Family, class Play>
PlaybackResult playRecords(std::span<const std::uint8_t> bytes, std::size_t pos, Play&& play)
{
    PlaybackResult result;
    result.status = PlaybackStatus::Complete;
    while (pos < bytes.size()) {
        ByteReader r(bytes, pos);
        std::uint32_t type = 0;
        std::uint64_t size = 0;
        Family::readHeader(r, type, size);
        if (!r.ok())
            break;
        const RecordCheck check = Family::check(type, size, bytes.size() - pos);
        if (check == RecordCheck::End)
            break;
        RecordOutcome outcome = RecordOutcome::Bad;
        if (check == RecordCheck::Play) {
            const auto record = bytes.subspan(pos, static_cast<std::size_t>(size));
            outcome = play(MetaRecord{type, record, record.subspan(Family::kHeaderBytes)});
        }
        if (outcome == RecordOutcome::End)
            break;
        if (outcome == RecordOutcome::Bad) {
            result.status = PlaybackStatus::BadRecord;
            result.badRecordOffset = pos;
            return result;
        }
        ++result.recordsPlayed;
        pos += static_cast<std::size_t>(size);
    }
    return result;
}

// A field of the record's own width.
template <class Field>
Field readField(ByteReader& r)
{
    if constexpr (sizeof(Field) == 2)
        return static_cast<Field>(r.u16());
    else
        return static_cast<Field>(r.u32());
}

class PlaybackCore {
protected:
    PlaybackCore(DeviceContext& dc, std::size_t objectSlots, std::size_t objectLimit)
        : dc_(dc), objects_(objectSlots, objectLimit)
    {
    }

    // A record's handler reads its fields from the reader (placed after the
    // record's header); false: the record is damaged and playback stops.
    template <auto Op>
    bool noArgs(const MetaRecord&, ByteReader&);
    // One field, passed on as Value.
    template <auto Op, class Field, class Value = Field>
    bool setValue(const MetaRecord&, ByteReader& r);
    // N coordinates passed on in the order the call takes them; Windows
    // metafiles store them the other way round.
    template <auto Op, class Field, std::size_t N>
    bool coords(const MetaRecord&, ByteReader& r)
    {
        return coordsIn<Op, Field, N, false>(r);
    }
    template <auto Op, class Field, std::size_t N>
    bool reversedCoords(const MetaRecord&, ByteReader& r)
    {
        return coordsIn<Op, Field, N, true>(r);
    }
    template <class Field>
    bool restoreDC(const MetaRecord&, ByteReader& r);
    template <class Index>
    bool selectObject(const MetaRecord&, ByteReader& r);
    template <class Index>
    bool selectPalette(const MetaRecord&, ByteReader& r);
    template <class Index>
    bool deleteObject(const MetaRecord&, ByteReader& r);

    DeviceContext& dc_;
    ObjectTable objects_;

private:
    template <auto Op, class Field, std::size_t N, bool Reversed>
    bool coordsIn(ByteReader& r);
};

template <auto Op, class Field, std::size_t N, bool Reversed>
bool PlaybackCore::coordsIn(ByteReader& r)
{
    std::array<double, N> v{};
    for (std::size_t i = 0; i < N; ++i)
        v[Reversed ? N - 1 - i : i] = readField<Field>(r);
    if (!r.ok())
        return false;
    [&]<std::size_t... I>(std::index_sequence<I...>) { (dc_.*Op)(v[I]...); }
    (std::make_index_sequence<N>{});
    return true;
}

template <auto Op>
bool PlaybackCore::noArgs(const MetaRecord&, ByteReader&)
{
    (dc_.*Op)();
    return true;
}

template <auto Op, class Field, class Value>
bool PlaybackCore::setValue(const MetaRecord&, ByteReader& r)
{
    const Field v = readField<Field>(r);
    if (!r.ok())
        return false;
    (dc_.*Op)(static_cast<Value>(v));
    return true;
}

template <class Field>
bool PlaybackCore::restoreDC(const MetaRecord&, ByteReader& r)
{
    const Field which = readField<Field>(r);
    if (!r.ok())
        return false;
    dc_.RestoreDC(which);
    return true;
}

template <class Index>
bool PlaybackCore::selectObject(const MetaRecord&, ByteReader& r)
{
    const Index index = readField<Index>(r);
    if (!r.ok())
        return false;
    objects_.select(dc_, index);
    return true;
}

template <class Index>
bool PlaybackCore::selectPalette(const MetaRecord&, ByteReader& r)
{
    const Index index = readField<Index>(r);
    if (!r.ok())
        return false;
    objects_.selectPalette(dc_, index);
    return true;
}

template <class Index>
bool PlaybackCore::deleteObject(const MetaRecord&, ByteReader& r)
{
    const Index index = readField<Index>(r);
    if (!r.ok())
        return false;
    objects_.remove(index);
    return true;
}

} // namespace plat::metafile
