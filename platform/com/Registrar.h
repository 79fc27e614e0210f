// Registration scripts: the registry entries of a component class as a
// constant tree, applied in register mode (create the keys and values,
// deleting "force remove" keys with their subkeys first) or in removal mode
// (delete every key the script names with its subkeys, except "no remove"
// keys, whose listed subkeys alone are removed). Every "%NAME%" in a name or
// value is replaced from the given table ("%MODULE%" -> the library's path).
// Register mode writes the registry file once, at the end, or not at all.
#pragma once

#include "com/ComTypes.h"
#include "registry/RegistryTree.h"

#include <map>
#include <span>
#include <string>

namespace plat::com {

enum RegistrarKeyFlags : unsigned {
    kRegistrarNone = 0,
    kRegistrarForceRemove = 1, // replaced: deleted with its subkeys before being created
    kRegistrarNoRemove = 2,    // kept on removal (only its listed subkeys go)
};

struct RegistrarValue {
    const char* name;
    const char* value;
};

struct RegistrarKey {
    const char* name;
    const char* defaultValue; // null: no default value
    unsigned flags;
    std::span<const RegistrarValue> values;
    std::span<const RegistrarKey> subkeys;
};

struct RegistrarScript {
    HKEY root;
    std::span<const RegistrarKey> keys;
};

using RegistrarReplacements = std::map<std::string, std::string>;

// Register mode: the first failure (as HRESULT_FROM_WIN32 of the registry's
// error), with nothing written; S_OK otherwise.
PLATFORM_EXPORT HRESULT RegistrarRegister(const RegistrarScript& script, const RegistrarReplacements& replacements);
// Removal mode: failures are ignored; always S_OK.
PLATFORM_EXPORT HRESULT RegistrarUnregister(const RegistrarScript& script, const RegistrarReplacements& replacements);

} // namespace plat::com
