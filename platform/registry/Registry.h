// The registry: hierarchical keys under the host's root keys, with string
// (REG_SZ, type 1) and 32-bit number (REG_DWORD, type 4) values, kept in one
// REGEDIT4 text file (see RegistryFile.h) shared by every process of the user.
//
// Location: the file named by the environment variable VELNORA_REGISTRY, else
// $XDG_CONFIG_HOME/velnora/registry.reg (default ~/.config/velnora/...).
// Every change is written at once, atomically (temporary file, then rename),
// under a lock file beside it, so neither a crash nor a second process can
// leave a half-written registry. Each call sees changes other processes made.
// A file that cannot be parsed makes every call fail with
// ERROR_REGISTRY_CORRUPT; RegistryProblem() says where and why, and the file
// is never overwritten.
//
// The calls follow the host's: open or create a key to get a handle, query
// and set values on it, close it. String data is UTF-8; queried strings come
// back with their terminating zero byte counted in the size.
//
//   plat::HKEY key;
//   if (plat::RegOpenKeyEx(plat::HKEY_CLASSES_ROOT, "Pictaform.Pictaform\\CurVer", 0, plat::KEY_READ, &key) == 0) {
//       std::optional<std::string> curVer = plat::RegGetString(key, "", "");
//       plat::RegCloseKey(key);
//   }
//   plat::RegSetString(plat::HKEY_CURRENT_USER, "Software\\Velnora", "Name", "value"); // creates the key
#pragma once

#include "registry/RegistryTree.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plat {

using LSTATUS = std::int32_t;

constexpr LSTATUS ERROR_SUCCESS = 0;
constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
constexpr LSTATUS ERROR_MORE_DATA = 234;
constexpr LSTATUS ERROR_NO_MORE_ITEMS = 259;
constexpr LSTATUS ERROR_CANTWRITE = 1013;
constexpr LSTATUS ERROR_REGISTRY_CORRUPT = 1015;
constexpr LSTATUS ERROR_KEY_DELETED = 1018;
constexpr LSTATUS ERROR_KEY_HAS_CHILDREN = 1020;

// Access masks are accepted for compatibility; this registry has no security.
constexpr std::uint32_t KEY_READ = 0x20019;
constexpr std::uint32_t KEY_WRITE = 0x20006;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

constexpr std::uint32_t REG_CREATED_NEW_KEY = 1;
constexpr std::uint32_t REG_OPENED_EXISTING_KEY = 2;

// Opens subKey ("" for key itself) below an open key or a root.
PLATFORM_EXPORT LSTATUS RegOpenKeyEx(HKEY key, std::string_view subKey, std::uint32_t options, std::uint32_t samDesired,
                                     HKEY* result);
// Opens subKey, creating it and every missing key on its path.
PLATFORM_EXPORT LSTATUS RegCreateKeyEx(HKEY key, std::string_view subKey, HKEY* result,
                                       std::uint32_t* disposition = nullptr);
PLATFORM_EXPORT LSTATUS RegCloseKey(HKEY key);

// Reads value valueName ("" is the default value). With data null, only the
// type and the size in *cbData; a buffer too small gives ERROR_MORE_DATA and
// the size needed.
PLATFORM_EXPORT LSTATUS RegQueryValueEx(HKEY key, std::string_view valueName, std::uint32_t* type, std::uint8_t* data,
                                        std::uint32_t* cbData);
PLATFORM_EXPORT LSTATUS RegSetValueEx(HKEY key, std::string_view valueName, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t cbData);
PLATFORM_EXPORT LSTATUS RegDeleteValue(HKEY key, std::string_view valueName);
// Deletes subKey, which must have no subkeys.
PLATFORM_EXPORT LSTATUS RegDeleteKey(HKEY key, std::string_view subKey);
// Deletes subKey with all its subkeys; with subKey "" deletes the key's
// subkeys and values but keeps the key.
PLATFORM_EXPORT LSTATUS RegDeleteTree(HKEY key, std::string_view subKey);
// The index-th subkey or value name (in name order); ERROR_NO_MORE_ITEMS past the end.
PLATFORM_EXPORT LSTATUS RegEnumKeyEx(HKEY key, std::uint32_t index, std::string* name);
PLATFORM_EXPORT LSTATUS RegEnumValue(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* type = nullptr);

// Conveniences over the calls above, on subKey below key.
PLATFORM_EXPORT std::optional<std::string> RegGetString(HKEY key, std::string_view subKey, std::string_view valueName);
PLATFORM_EXPORT std::optional<std::uint32_t> RegGetDword(HKEY key, std::string_view subKey, std::string_view valueName);
PLATFORM_EXPORT LSTATUS RegSetString(HKEY key, std::string_view subKey, std::string_view valueName,
                                     std::string_view value);
PLATFORM_EXPORT LSTATUS RegSetDword(HKEY key, std::string_view subKey, std::string_view valueName, std::uint32_t value);
PLATFORM_EXPORT bool RegKeyExists(HKEY key, std::string_view subKey);

// The registry file in use (VELNORA_REGISTRY or the per-user default).
PLATFORM_EXPORT std::string RegistryPath();
// Why the last access failed to read or write the file; empty when it did not.
PLATFORM_EXPORT std::string RegistryProblem();
// A readable name for an LSTATUS ("ERROR_FILE_NOT_FOUND").
PLATFORM_EXPORT const char* RegistryErrorName(LSTATUS status);

// Groups changes into one write of the file: while an instance lives on a
// thread, changes made by that thread are kept in memory (and other threads'
// calls wait); the file is written once when the outermost instance ends. A
// failed write discards the group, leaving the file as it was.
class PLATFORM_EXPORT RegistryTransaction {
public:
    RegistryTransaction();
    ~RegistryTransaction();
    RegistryTransaction(const RegistryTransaction&) = delete;
    RegistryTransaction& operator=(const RegistryTransaction&) = delete;
    // Writes now; the result of the write (ERROR_SUCCESS when nothing changed).
    LSTATUS commit();
    // Ends the group without writing: its changes are dropped.
    void abandon();

private:
    bool done_ = false;
};

} // namespace plat
