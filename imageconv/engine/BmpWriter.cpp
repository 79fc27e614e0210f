#include "engine/BmpWriter.h"

#include "engine/ByteSink.h"
#include "engine/OutputFile.h"

namespace pictaf {

Status WriteBmp(ByteSink& sink, WorkBitmap bitmap)
{
    const PackedDib dib = CaptureDib24(bitmap);
    if (dib.empty())
        return Status::BadHandle;
    // File header: "BM", file size, two reserved words, offset of the bits
    // (14 + 40-byte info header + no colour table = 54). Then the whole DIB.
    sink.writeByte('B');
    sink.writeByte('M');
    sink.write32(static_cast<std::uint32_t>(14 + dib.size()));
    sink.write16(0);
    sink.write16(0);
    sink.write32(14 + 40);
    sink.write(dib.data(), dib.size());
    return sink.failed() ? Status::WriteFailed : Status::Ok;
}

Status WriteBmp(const std::string& outputFile, WorkBitmap bitmap)
{
    OutputFile file;
    if (Status s = file.open(outputFile); s != Status::Ok)
        return s;
    if (Status s = WriteBmp(static_cast<ByteSink&>(file), bitmap); s != Status::Ok && !file.failed())
        return s;
    return file.finish();
}

} // namespace pictaf
