// The registry's keys and values held in memory: five root keys, each a tree
// of named keys with named values. Names compare without regard to ASCII case
// and keep the case they were first created with, as the host registry does.
#pragma once

#include "platform_export.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

using HKEY = std::uint32_t;

constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;

constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_EXPAND_SZ = 2;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;

// Longest key name component and deepest key path accepted, as on the host.
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxKeyDepth = 512;

struct CaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};
PLATFORM_EXPORT bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// A value is its type and its bytes. Strings (REG_SZ) are UTF-8 and normally
// end with one zero byte; numbers (REG_DWORD) are four little-endian bytes.
struct RegistryValue {
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;

    PLATFORM_EXPORT static RegistryValue string(std::string_view text);
    PLATFORM_EXPORT static RegistryValue dword(std::uint32_t number);
    bool operator==(const RegistryValue&) const = default;
};

class PLATFORM_EXPORT RegistryKey {
public:
    explicit RegistryKey(std::string name) : name_(std::move(name)) {}
    RegistryKey(const RegistryKey& other);
    RegistryKey& operator=(const RegistryKey& other);

    const std::string& name() const { return name_; }

    RegistryKey* child(std::string_view name) const;
    RegistryKey& createChild(std::string_view name);
    bool removeChild(std::string_view name);
    std::vector<const RegistryKey*> children() const; // sorted by name

    const RegistryValue* value(std::string_view name) const; // "" is the default value
    void setValue(std::string_view name, RegistryValue value);
    bool removeValue(std::string_view name);
    const std::map<std::string, RegistryValue, CaseInsensitiveLess>& values() const { return values_; }

    void clear();
    bool operator==(const RegistryKey& other) const;

private:
    std::string name_;
    std::map<std::string, std::unique_ptr<RegistryKey>, CaseInsensitiveLess> children_;
    std::map<std::string, RegistryValue, CaseInsensitiveLess> values_;
};

// Splits "A\B\C" into its components. False for empty components or a path
// deeper or longer than the host allows; an empty path is the key itself.
PLATFORM_EXPORT bool SplitKeyPath(std::string_view path, std::vector<std::string_view>& parts);

class PLATFORM_EXPORT RegistryTree {
public:
    RegistryTree();

    static bool isRoot(HKEY key);
    static const char* rootName(HKEY key);           // "HKEY_CLASSES_ROOT", ...; null when no root
    static HKEY rootFromName(std::string_view name); // long or short (HKCR) name; 0 when none
    static const std::vector<HKEY>& roots();

    RegistryKey* root(HKEY key);
    const RegistryKey* root(HKEY key) const;
    RegistryKey* find(HKEY rootKey, std::string_view path) const; // null when missing or malformed
    RegistryKey* create(HKEY rootKey, std::string_view path);     // null when malformed
    bool remove(HKEY rootKey, std::string_view path);             // whole subtree; false when missing

    bool operator==(const RegistryTree& other) const;

private:
    std::vector<RegistryKey> roots_;
};

} // namespace plat
