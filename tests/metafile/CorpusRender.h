// Rendering of the real metafile corpus (../shared/metafiles), shared by the
// corpus tests, the render tool and the benchmark.
#pragma once

#include <QImage>
#include <QString>

#include <gdi/GdiObjects.h>
#include <metafile/PlaybackResult.h>

#include <string>
#include <vector>

namespace velnora::test {

struct CorpusFile {
    std::string relativePath; // e.g. "wmf/poi-santa.wmf"
    std::string path;         // absolute
    std::string kind;         // "wmf-placeable", "wmf-standard" or "emf"
    int naturalWidth = 0;     // for standard WMFs, which carry no size: from sizes.tsv
    int naturalHeight = 0;
};

// The corpus folder: $VELNORA_METAFILE_CORPUS, else ../shared/metafiles
// beside the source tree. Empty when neither exists.
std::string corpusDirectory();

// Every file of MANIFEST.tsv in the given folders ("wmf", "emf", "bad"), and
// of emfplus/MANIFEST.tsv when "emfplus" is asked for.
std::vector<CorpusFile> corpusFiles(const std::vector<std::string>& folders);

// Renders a file through the engine: placeable WMFs and EMFs through their
// file loaders at natural size (width 0) or through their renderers at the
// given width (height keeping the natural aspect); standard WMFs through
// RenderWmf of a metafile made from their bytes. A height of 0 keeps the
// natural aspect. Null when nothing renders.
QImage renderCorpusFile(const CorpusFile& file, int width = 0, int height = 0);

// The same, leaving the engine's work bitmap to the caller (0 when nothing
// renders): what the benchmark times.
plat::HGDIOBJ renderCorpusBitmap(const CorpusFile& file, int width = 0, int height = 0);

// Plays a file into a small bitmap and reports how playback ended.
plat::PlaybackResult playCorpusFile(const CorpusFile& file);

} // namespace velnora::test
