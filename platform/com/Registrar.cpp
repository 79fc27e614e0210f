#include "com/Registrar.h"

#include "registry/Registry.h"

namespace plat::com {

namespace {

std::string expand(const char* text, const RegistrarReplacements& replacements)
{
    std::string out = text ? text : "";
    for (const auto& [name, value] : replacements) {
        const std::string token = "%" + name + "%";
        for (std::size_t pos = out.find(token); pos != std::string::npos; pos = out.find(token, pos + value.size()))
            out.replace(pos, token.size(), value);
    }
    return out;
}

LSTATUS registerKey(HKEY root, const std::string& parent, const RegistrarKey& key, const RegistrarReplacements& r)
{
    const std::string path = (parent.empty() ? "" : parent + "\\") + expand(key.name, r);
    if (key.flags & kRegistrarForceRemove) {
        LSTATUS st = RegDeleteTree(root, path);
        if (st != ERROR_SUCCESS && st != ERROR_FILE_NOT_FOUND)
            return st;
    }
    HKEY k = 0;
    if (LSTATUS st = RegCreateKeyEx(root, path, &k); st != ERROR_SUCCESS)
        return st;
    LSTATUS st = ERROR_SUCCESS;
    if (key.defaultValue)
        st = RegSetString(k, "", "", expand(key.defaultValue, r));
    for (const RegistrarValue& v : key.values)
        if (st == ERROR_SUCCESS)
            st = RegSetString(k, "", expand(v.name, r), expand(v.value, r));
    RegCloseKey(k);
    for (const RegistrarKey& sub : key.subkeys)
        if (st == ERROR_SUCCESS)
            st = registerKey(root, path, sub, r);
    return st;
}

void unregisterKey(HKEY root, const std::string& parent, const RegistrarKey& key, const RegistrarReplacements& r)
{
    const std::string path = (parent.empty() ? "" : parent + "\\") + expand(key.name, r);
    if (key.flags & kRegistrarNoRemove) {
        for (const RegistrarKey& sub : key.subkeys)
            unregisterKey(root, path, sub, r);
        return;
    }
    RegDeleteTree(root, path);
}

} // namespace

HRESULT RegistrarRegister(const RegistrarScript& script, const RegistrarReplacements& replacements)
{
    RegistryTransaction tx;
    for (const RegistrarKey& key : script.keys)
        if (LSTATUS st = registerKey(script.root, "", key, replacements); st != ERROR_SUCCESS) {
            tx.abandon();
            return HRESULT_FROM_WIN32(st);
        }
    LSTATUS st = tx.commit();
    return st == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(st);
}

HRESULT RegistrarUnregister(const RegistrarScript& script, const RegistrarReplacements& replacements)
{
    RegistryTransaction tx;
    for (const RegistrarKey& key : script.keys)
        unregisterKey(script.root, "", key, replacements);
    tx.commit();
    return S_OK;
}

} // namespace plat::com
