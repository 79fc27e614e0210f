#include "com/ModuleResources.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <mutex>
#include <vector>

namespace plat::com {

struct ModuleRecord {
    std::string path;     // as the loader named it
    std::string realPath; // links resolved, for comparison
    const ModuleResources* resources;
};

namespace {

std::mutex& modulesMutex()
{
    static std::mutex m;
    return m;
}

std::vector<ModuleRecord*>& modules()
{
    static auto* list = new std::vector<ModuleRecord*>; // outlives libraries unloaded at exit
    return *list;
}

std::string resolved(std::string_view path)
{
    char buf[PATH_MAX];
    std::string p(path);
    return ::realpath(p.c_str(), buf) ? std::string(buf) : p;
}

} // namespace

HMODULE RegisterModule(const void* addressInModule, const ModuleResources* resources)
{
    Dl_info info{};
    auto* record = new ModuleRecord;
    if (::dladdr(addressInModule, &info) && info.dli_fname)
        record->path = info.dli_fname;
    record->realPath = resolved(record->path);
    record->path = record->realPath;
    record->resources = resources;
    std::lock_guard lock(modulesMutex());
    modules().push_back(record);
    return record;
}

void UnregisterModule(HMODULE module)
{
    if (!module)
        return;
    std::lock_guard lock(modulesMutex());
    auto& list = modules();
    std::erase(list, module);
    delete module;
}

std::string GetModuleFileName(HMODULE module) { return module ? module->path : std::string(); }

const ModuleResources* GetModuleResources(HMODULE module) { return module ? module->resources : nullptr; }

HMODULE FindModule(std::string_view path)
{
    std::string real = resolved(path);
    std::lock_guard lock(modulesMutex());
    for (ModuleRecord* r : modules())
        if (r->realPath == real)
            return r;
    return nullptr;
}

std::optional<std::string> LoadStringResource(HMODULE module, UINT id)
{
    if (const ModuleResources* res = GetModuleResources(module))
        for (const StringResource& s : res->strings)
            if (s.id == id)
                return std::string(s.text);
    return std::nullopt;
}

QImage LoadBitmapResource(HMODULE module, UINT id)
{
    const ModuleResources* res = GetModuleResources(module);
    if (!res)
        return {};
    for (const BitmapResource& b : res->bitmaps) {
        if (b.id != id)
            continue;
        QImage image(b.width, b.height, QImage::Format_Indexed8);
        QList<QRgb> colours;
        for (std::uint32_t c : b.palette)
            colours.push_back(0xFF000000u | c);
        image.setColorTable(colours);
        image.fill(0);
        for (int y = 0; y < b.height && y < static_cast<int>(b.rows.size()); ++y) {
            const char* row = b.rows[static_cast<std::size_t>(y)];
            for (int x = 0; x < b.width && row[x]; ++x) {
                char c = row[x];
                int index = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 0;
                if (index < static_cast<int>(colours.size()))
                    image.setPixel(x, y, static_cast<uint>(index));
            }
        }
        return image;
    }
    return {};
}

const DialogTemplate* FindDialogResource(HMODULE module, UINT id)
{
    if (const ModuleResources* res = GetModuleResources(module))
        for (const DialogTemplate& d : res->dialogs)
            if (d.id == id)
                return &d;
    return nullptr;
}

std::optional<FileVersionInfo> GetFileVersionInfo(std::string_view path)
{
    std::string file(path);
    void* handle = ::dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle)
        return std::nullopt;
    std::optional<FileVersionInfo> out;
    HMODULE module = FindModule(file);
    const ModuleResources* res = GetModuleResources(module);
    if (res && res->version) {
        const VersionResource& v = *res->version;
        FileVersionInfo info;
        for (int i = 0; i < 4; ++i) {
            info.fileVersion[i] = v.fileVersion[i];
            info.productVersion[i] = v.productVersion[i];
        }
        info.fileOS = v.fileOS;
        info.fileType = v.fileType;
        info.language = v.language;
        info.codePage = v.codePage;
        for (const VersionString& s : v.strings)
            info.strings[s.name] = s.value;
        out = std::move(info);
    }
    ::dlclose(handle);
    return out;
}

} // namespace plat::com
