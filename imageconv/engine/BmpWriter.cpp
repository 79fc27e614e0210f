#include "engine/BmpWriter.h"

#include "engine/ByteSink.h"

namespace pictaf {

Status WriteBmp(const std::string& outputFile, WorkBitmap bitmap)
{
    const PackedDib dib = CaptureDib24(bitmap);
    if (dib.empty())
        return Status::BadHandle;
    FileSink file;
    if (Status s = file.open(outputFile); s != Status::Ok)
        return s;
    // File header: "BM", file size, two reserved words, offset of the bits
    // (14 + 40-byte info header + no colour table = 54). Then the whole DIB.
    file.writeByte('B');
    file.writeByte('M');
    file.write32(static_cast<std::uint32_t>(14 + dib.size()));
    file.write16(0);
    file.write16(0);
    file.write32(14 + 40);
    file.write(dib.data(), dib.size());
    return file.finish();
}

} // namespace pictaf
