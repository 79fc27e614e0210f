// Resources of a component library: what the host keeps in a library file's
// resource section (type library, version information, strings, bitmaps,
// dialog templates), here as constant tables compiled into the library.
//
// A library makes them findable with one static object:
//
//   static const plat::com::ModuleResources kResources{...};
//   static plat::com::ModuleRegistration registration(&kResources);
//
// which registers them when the library is loaded, under the file it was
// loaded from, and unregisters them when it is unloaded. Others then find
// them through the module handle or by file name (loading the file when no
// one has yet).
#pragma once

#include "com/TypeDescription.h"

#include <QImage>

#include <map>
#include <span>
#include <string>

namespace plat::com {

struct VersionString {
    const char* name; // "FileDescription", "CompanyName", ...
    const char* value;
};

constexpr DWORD VOS__WINDOWS32 = 0x4;
constexpr DWORD VFT_DLL = 0x2;

struct VersionResource {
    std::uint16_t fileVersion[4];
    std::uint16_t productVersion[4];
    DWORD fileOS;
    DWORD fileType;
    LCID language;          // 0x0409
    std::uint16_t codePage; // 1200: Unicode
    std::span<const VersionString> strings;
};

struct StringResource {
    UINT id;
    const char* text;
};

// A palette bitmap: rows of palette indices written as hex digits, top row first.
struct BitmapResource {
    UINT id;
    int width;
    int height;
    std::span<const std::uint32_t> palette; // 0xRRGGBB
    std::span<const char* const> rows;
};

enum class DialogItemKind { Text, Bitmap };

// Window style bits that the templates use.
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD DS_SETFONT = 0x40;
constexpr DWORD WS_EX_DLGMODALFRAME = 0x1;
constexpr DWORD WS_EX_CONTROLPARENT = 0x10000;

struct DialogItem {
    DialogItemKind kind;
    int id;
    const char* text;   // Text
    UINT bitmapId;      // Bitmap
    short x, y, cx, cy; // dialog units
    DWORD style;
    DWORD exStyle;
};

struct DialogTemplate {
    UINT id;
    DWORD style;
    short x, y, cx, cy;   // dialog units
    const char* caption;  // null: none
    const char* fontFace; // null: no font declared
    std::uint16_t pointSize;
    std::span<const DialogItem> items;
};

struct ModuleResources {
    const TypeLibDescription* typeLib = nullptr; // type library 1
    const VersionResource* version = nullptr;
    std::span<const StringResource> strings;
    std::span<const BitmapResource> bitmaps;
    std::span<const DialogTemplate> dialogs;
};

struct ModuleRecord;
using HMODULE = ModuleRecord*;

// Registers resources under the file that holds addressInModule.
PLATFORM_EXPORT HMODULE RegisterModule(const void* addressInModule, const ModuleResources* resources);
PLATFORM_EXPORT void UnregisterModule(HMODULE module);
// The full path of the module's file (UTF-8), as the loader found it.
PLATFORM_EXPORT std::string GetModuleFileName(HMODULE module);
PLATFORM_EXPORT const ModuleResources* GetModuleResources(HMODULE module);
// The registered module whose file is path (compared after resolving links); null when none.
PLATFORM_EXPORT HMODULE FindModule(std::string_view path);

PLATFORM_EXPORT std::optional<std::string> LoadStringResource(HMODULE module, UINT id);
// Format_Indexed8 image of the bitmap; null image when there is none.
PLATFORM_EXPORT QImage LoadBitmapResource(HMODULE module, UINT id);
PLATFORM_EXPORT const DialogTemplate* FindDialogResource(HMODULE module, UINT id);

// Version information of a library file, copied out (the file is loaded for
// the moment it takes when no one has loaded it).
struct FileVersionInfo {
    std::uint16_t fileVersion[4] = {};
    std::uint16_t productVersion[4] = {};
    DWORD fileOS = 0;
    DWORD fileType = 0;
    LCID language = 0;
    std::uint16_t codePage = 0;
    std::map<std::string, std::string> strings;
};
PLATFORM_EXPORT std::optional<FileVersionInfo> GetFileVersionInfo(std::string_view path);

// Registers on construction, unregisters on destruction (library unload).
class ModuleRegistration {
public:
    explicit ModuleRegistration(const ModuleResources* resources) : module_(RegisterModule(this, resources)) {}
    ~ModuleRegistration() { UnregisterModule(module_); }
    ModuleRegistration(const ModuleRegistration&) = delete;
    ModuleRegistration& operator=(const ModuleRegistration&) = delete;
    HMODULE module() const { return module_; }

private:
    HMODULE module_;
};

} // namespace plat::com
