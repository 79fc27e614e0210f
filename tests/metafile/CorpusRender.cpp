#include "CorpusRender.h"

#include <engine/MetafileLoaders.h>
#include <gdi/DeviceContext.h>
#include <metafile/EnhancedMetafile.h>
#include <metafile/WindowsMetafile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cmath>
#include <cstdlib>
#include <map>

namespace velnora::test {

namespace {

QByteArray readAll(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::span<const std::uint8_t> bytesOf(const QByteArray& data, qsizetype offset = 0)
{
    if (offset > data.size())
        return {};
    return {reinterpret_cast<const std::uint8_t*>(data.constData()) + offset,
            static_cast<std::size_t>(data.size() - offset)};
}

QImage takeBitmap(pictaf::WorkBitmap bitmap)
{
    if (!bitmap)
        return {};
    QImage image;
    if (auto b = plat::LookupBitmap(bitmap))
        image = b->image.copy();
    plat::DeleteObject(bitmap);
    return image;
}

} // namespace

std::string corpusDirectory()
{
    if (const char* env = std::getenv("VELNORA_METAFILE_CORPUS"); env && *env)
        return env;
#ifdef VELNORA_SOURCE_DIR
    const QString candidates[] = {
        QStringLiteral(VELNORA_SOURCE_DIR "/../shared/metafiles"),
        QStringLiteral(VELNORA_SOURCE_DIR "/../../shared/metafiles"),
    };
    for (const QString& c : candidates) {
        if (QFileInfo(c + "/MANIFEST.tsv").exists())
            return QDir(c).absolutePath().toStdString();
    }
#endif
    return {};
}

std::vector<CorpusFile> corpusFiles(const std::vector<std::string>& folders)
{
    std::vector<CorpusFile> files;
    const std::string dir = corpusDirectory();
    if (dir.empty())
        return files;
    std::map<std::string, std::pair<int, int>> sizes;
    {
        QFile f(QString::fromStdString(dir + "/sizes.tsv"));
        if (f.open(QIODevice::ReadOnly)) {
            while (!f.atEnd()) {
                const QList<QByteArray> cols = f.readLine().trimmed().split('\t');
                if (cols.size() >= 3)
                    sizes[cols[0].toStdString()] = {cols[1].toInt(), cols[2].toInt()};
            }
        }
    }
    // The EMF+ files keep a manifest of their own (name first, all EMF).
    if (std::find(folders.begin(), folders.end(), "emfplus") != folders.end()) {
        QFile plus(QString::fromStdString(dir + "/emfplus/MANIFEST.tsv"));
        if (plus.open(QIODevice::ReadOnly)) {
            plus.readLine();
            while (!plus.atEnd()) {
                const QList<QByteArray> cols = plus.readLine().trimmed().split('\t');
                if (cols.isEmpty() || cols[0].isEmpty())
                    continue;
                CorpusFile f;
                f.relativePath = "emfplus/" + cols[0].toStdString();
                f.kind = "emf";
                f.path = dir + "/" + f.relativePath;
                files.push_back(std::move(f));
            }
        }
    }
    QFile manifest(QString::fromStdString(dir + "/MANIFEST.tsv"));
    if (!manifest.open(QIODevice::ReadOnly))
        return files;
    manifest.readLine(); // column names
    while (!manifest.atEnd()) {
        const QList<QByteArray> cols = manifest.readLine().trimmed().split('\t');
        if (cols.size() < 2)
            continue;
        CorpusFile f;
        f.relativePath = cols[0].toStdString();
        f.kind = cols[1].toStdString();
        f.path = dir + "/" + f.relativePath;
        const std::string folder = f.relativePath.substr(0, f.relativePath.find('/'));
        bool wanted = false;
        for (const auto& w : folders)
            wanted = wanted || w == folder;
        if (!wanted)
            continue;
        if (auto it = sizes.find(f.relativePath); it != sizes.end()) {
            f.naturalWidth = it->second.first;
            f.naturalHeight = it->second.second;
        }
        files.push_back(std::move(f));
    }
    return files;
}

plat::HGDIOBJ renderCorpusBitmap(const CorpusFile& file, int width, int height)
{
    if (file.kind == "wmf-placeable" && width == 0)
        return pictaf::LoadWmfFile(file.path, 100, 100, 0, 0xFFFFFF);
    if (file.kind == "emf" && width == 0)
        return pictaf::LoadEmfFile(file.path, 100, 100, 0, 0xFFFFFF);

    const QByteArray data = readAll(file.path);
    if (file.kind == "emf") {
        const plat::HGDIOBJ emf = plat::SetEnhMetaFileBits(bytesOf(data));
        if (!emf)
            return 0;
        auto h = plat::LookupEnhMetafile(emf)->header();
        const double w = double(h.bounds.right) - h.bounds.left, hh = double(h.bounds.bottom) - h.bounds.top;
        pictaf::TargetRect target;
        target.right = width;
        target.bottom = height > 0 ? height : w > 0 && hh > 0 ? std::max(1, int(std::lround(width * hh / w))) : width;
        const plat::HGDIOBJ image = pictaf::RenderEmf(emf, target, 0, 0xFFFFFF);
        plat::DeleteEnhMetaFile(emf);
        return image;
    }
    // Windows metafiles through a handle: the placeable header is skipped.
    const bool placeable = file.kind == "wmf-placeable";
    const plat::HGDIOBJ wmf = plat::SetMetaFileBitsEx(bytesOf(data, placeable ? 22 : 0));
    if (!wmf)
        return 0;
    double w = file.naturalWidth, h = file.naturalHeight;
    if (placeable && data.size() >= 16) {
        auto s16 = [&](int at) {
            return double(std::int16_t(std::uint8_t(data[at]) | (std::uint8_t(data[at + 1]) << 8)));
        };
        w = s16(10) - s16(6);
        h = s16(12) - s16(8);
    }
    pictaf::TargetRect target;
    if (width == 0) {
        target.right = int(w);
        target.bottom = int(h);
    } else {
        target.right = width;
        target.bottom = height > 0 ? height : w > 0 && h > 0 ? std::max(1, int(std::lround(width * h / w))) : width;
    }
    const plat::HGDIOBJ image = pictaf::RenderWmf(wmf, target, 0, 0xFFFFFF);
    plat::DeleteMetaFile(wmf);
    return image;
}

QImage renderCorpusFile(const CorpusFile& file, int width, int height)
{
    return takeBitmap(renderCorpusBitmap(file, width, height));
}

plat::PlaybackResult playCorpusFile(const CorpusFile& file)
{
    const QByteArray data = readAll(file.path);
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    plat::DeviceContext dc(&image);
    if (file.kind == "emf") {
        const plat::HGDIOBJ emf = plat::SetEnhMetaFileBits(bytesOf(data));
        const plat::PlaybackResult r = plat::PlayEnhMetaFile(dc, emf, QRectF(0, 0, 200, 200));
        plat::DeleteEnhMetaFile(emf);
        return r;
    }
    const plat::HGDIOBJ wmf = plat::SetMetaFileBitsEx(bytesOf(data, file.kind == "wmf-placeable" ? 22 : 0));
    dc.SetMapMode(plat::gdi::MM_ANISOTROPIC);
    dc.SetViewportExtEx(200, 200);
    const plat::PlaybackResult r = plat::PlayMetaFile(dc, wmf);
    plat::DeleteMetaFile(wmf);
    return r;
}

} // namespace velnora::test
