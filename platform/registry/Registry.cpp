#include "registry/Registry.h"

#include "common/ByteReader.h"
#include "registry/RegistryStore.h"

#include <cstring>

namespace plat {

namespace {

RegistryStore& store() { return RegistryStore::instance(); }

// A handle's own key must still exist; roots always do.
LSTATUS checkHandleKey(const RegistryTree& tree, HKEY handle, HKEY root, std::string_view handlePath)
{
    if (RegistryTree::isRoot(handle))
        return ERROR_SUCCESS;
    return tree.find(root, handlePath) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

struct Resolved {
    LSTATUS status = ERROR_SUCCESS;
    HKEY root = 0;
    std::string handlePath; // the handle's own key
    std::string path;       // the handle's key plus subKey
};

Resolved resolve(HKEY key, std::string_view subKey)
{
    Resolved r;
    if (!store().resolve(key, "", r.root, r.handlePath) || !store().resolve(key, subKey, r.root, r.path))
        r.status = ERROR_INVALID_HANDLE;
    else if (std::vector<std::string_view> parts; !SplitKeyPath(r.path, parts))
        r.status = ERROR_INVALID_PARAMETER;
    return r;
}

} // namespace

LSTATUS RegOpenKeyEx(HKEY key, std::string_view subKey, std::uint32_t, std::uint32_t, HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    Resolved r = resolve(key, subKey);
    if (r.status != ERROR_SUCCESS)
        return r.status;
    LSTATUS st = store().read([&](const RegistryTree& tree) {
        if (LSTATUS s = checkHandleKey(tree, key, r.root, r.handlePath); s != ERROR_SUCCESS)
            return s;
        return tree.find(r.root, r.path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    if (st == ERROR_SUCCESS)
        *result = store().openHandle(r.root, r.path);
    return st;
}

LSTATUS RegCreateKeyEx(HKEY key, std::string_view subKey, HKEY* result, std::uint32_t* disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    Resolved r = resolve(key, subKey);
    if (r.status != ERROR_SUCCESS)
        return r.status;
    bool existed = false;
    LSTATUS st = store().write([&](RegistryTree& tree, bool& changed) {
        if (LSTATUS s = checkHandleKey(tree, key, r.root, r.handlePath); s != ERROR_SUCCESS)
            return s;
        existed = tree.find(r.root, r.path) != nullptr;
        if (!existed) {
            if (!tree.create(r.root, r.path))
                return ERROR_INVALID_PARAMETER;
            changed = true;
        }
        return ERROR_SUCCESS;
    });
    if (st != ERROR_SUCCESS)
        return st;
    if (disposition)
        *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = store().openHandle(r.root, r.path);
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key)
{
    if (RegistryTree::isRoot(key))
        return ERROR_SUCCESS;
    return store().closeHandle(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegQueryValueEx(HKEY key, std::string_view valueName, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* cbData)
{
    if (data && !cbData)
        return ERROR_INVALID_PARAMETER;
    Resolved r = resolve(key, "");
    if (r.status != ERROR_SUCCESS)
        return r.status;
    return store().read([&](const RegistryTree& tree) {
        const RegistryKey* k = tree.find(r.root, r.path);
        if (!k)
            return RegistryTree::isRoot(key) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
        const RegistryValue* v = k->value(valueName);
        if (!v)
            return ERROR_FILE_NOT_FOUND;
        if (type)
            *type = v->type;
        auto size = static_cast<std::uint32_t>(v->data.size());
        LSTATUS st = ERROR_SUCCESS;
        if (data) {
            if (*cbData < size)
                st = ERROR_MORE_DATA;
            else if (size)
                std::memcpy(data, v->data.data(), size);
        }
        if (cbData)
            *cbData = size;
        return st;
    });
}

LSTATUS RegSetValueEx(HKEY key, std::string_view valueName, std::uint32_t type, const std::uint8_t* data,
                      std::uint32_t cbData)
{
    if (!data && cbData)
        return ERROR_INVALID_PARAMETER;
    Resolved r = resolve(key, "");
    if (r.status != ERROR_SUCCESS)
        return r.status;
    RegistryValue value;
    value.type = type;
    if (cbData)
        value.data.assign(data, data + cbData);
    return store().write([&](RegistryTree& tree, bool& changed) {
        RegistryKey* k = tree.find(r.root, r.path);
        if (!k)
            return ERROR_KEY_DELETED;
        const RegistryValue* old = k->value(valueName);
        if (!old || !(*old == value)) {
            k->setValue(valueName, value);
            changed = true;
        }
        return ERROR_SUCCESS;
    });
}

LSTATUS RegDeleteValue(HKEY key, std::string_view valueName)
{
    Resolved r = resolve(key, "");
    if (r.status != ERROR_SUCCESS)
        return r.status;
    return store().write([&](RegistryTree& tree, bool& changed) {
        RegistryKey* k = tree.find(r.root, r.path);
        if (!k)
            return ERROR_KEY_DELETED;
        changed = k->removeValue(valueName);
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LSTATUS RegDeleteKey(HKEY key, std::string_view subKey)
{
    if (subKey.empty())
        return ERROR_INVALID_PARAMETER;
    Resolved r = resolve(key, subKey);
    if (r.status != ERROR_SUCCESS)
        return r.status;
    return store().write([&](RegistryTree& tree, bool& changed) {
        const RegistryKey* k = tree.find(r.root, r.path);
        if (!k)
            return ERROR_FILE_NOT_FOUND;
        if (!k->children().empty())
            return ERROR_KEY_HAS_CHILDREN;
        changed = tree.remove(r.root, r.path);
        return ERROR_SUCCESS;
    });
}

LSTATUS RegDeleteTree(HKEY key, std::string_view subKey)
{
    Resolved r = resolve(key, subKey);
    if (r.status != ERROR_SUCCESS)
        return r.status;
    return store().write([&](RegistryTree& tree, bool& changed) {
        RegistryKey* k = tree.find(r.root, r.path);
        if (!k)
            return ERROR_FILE_NOT_FOUND;
        if (subKey.empty() || r.path.empty()) {
            changed = !k->children().empty() || !k->values().empty();
            k->clear();
        } else {
            changed = tree.remove(r.root, r.path);
        }
        return ERROR_SUCCESS;
    });
}

LSTATUS RegEnumKeyEx(HKEY key, std::uint32_t index, std::string* name)
{
    if (!name)
        return ERROR_INVALID_PARAMETER;
    Resolved r = resolve(key, "");
    if (r.status != ERROR_SUCCESS)
        return r.status;
    return store().read([&](const RegistryTree& tree) {
        const RegistryKey* k = tree.find(r.root, r.path);
        if (!k)
            return ERROR_KEY_DELETED;
        auto children = k->children();
        if (index >= children.size())
            return ERROR_NO_MORE_ITEMS;
        *name = children[index]->name();
        return ERROR_SUCCESS;
    });
}

LSTATUS RegEnumValue(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* type)
{
    if (!name)
        return ERROR_INVALID_PARAMETER;
    Resolved r = resolve(key, "");
    if (r.status != ERROR_SUCCESS)
        return r.status;
    return store().read([&](const RegistryTree& tree) {
        const RegistryKey* k = tree.find(r.root, r.path);
        if (!k)
            return ERROR_KEY_DELETED;
        if (index >= k->values().size())
            return ERROR_NO_MORE_ITEMS;
        auto it = std::next(k->values().begin(), index);
        *name = it->first;
        if (type)
            *type = it->second.type;
        return ERROR_SUCCESS;
    });
}

std::optional<std::string> RegGetString(HKEY key, std::string_view subKey, std::string_view valueName)
{
    Resolved r = resolve(key, subKey);
    if (r.status != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::string> out;
    store().read([&](const RegistryTree& tree) {
        const RegistryKey* k = tree.find(r.root, r.path);
        const RegistryValue* v = k ? k->value(valueName) : nullptr;
        if (v && (v->type == REG_SZ || v->type == REG_EXPAND_SZ)) {
            std::string text(v->data.begin(), v->data.end());
            if (auto zero = text.find('\0'); zero != std::string::npos)
                text.resize(zero);
            out = std::move(text);
        }
        return ERROR_SUCCESS;
    });
    return out;
}

std::optional<std::uint32_t> RegGetDword(HKEY key, std::string_view subKey, std::string_view valueName)
{
    Resolved r = resolve(key, subKey);
    if (r.status != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::uint32_t> out;
    store().read([&](const RegistryTree& tree) {
        const RegistryKey* k = tree.find(r.root, r.path);
        const RegistryValue* v = k ? k->value(valueName) : nullptr;
        if (v && v->type == REG_DWORD && v->data.size() == 4)
            out = ByteReader(v->data).u32();
        return ERROR_SUCCESS;
    });
    return out;
}

namespace {

LSTATUS setValueAt(HKEY key, std::string_view subKey, std::string_view valueName, const RegistryValue& value)
{
    HKEY k = 0;
    if (LSTATUS st = RegCreateKeyEx(key, subKey, &k); st != ERROR_SUCCESS)
        return st;
    LSTATUS st =
        RegSetValueEx(k, valueName, value.type, value.data.data(), static_cast<std::uint32_t>(value.data.size()));
    RegCloseKey(k);
    return st;
}

} // namespace

LSTATUS RegSetString(HKEY key, std::string_view subKey, std::string_view valueName, std::string_view value)
{
    return setValueAt(key, subKey, valueName, RegistryValue::string(value));
}

LSTATUS RegSetDword(HKEY key, std::string_view subKey, std::string_view valueName, std::uint32_t value)
{
    return setValueAt(key, subKey, valueName, RegistryValue::dword(value));
}

bool RegKeyExists(HKEY key, std::string_view subKey)
{
    HKEY k = 0;
    if (RegOpenKeyEx(key, subKey, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

std::string RegistryPath() { return RegistryStore::instance().path(); }

std::string RegistryProblem() { return RegistryStore::instance().problem(); }

const char* RegistryErrorName(LSTATUS status)
{
    switch (status) {
    case ERROR_SUCCESS: return "ERROR_SUCCESS";
    case ERROR_FILE_NOT_FOUND: return "ERROR_FILE_NOT_FOUND";
    case ERROR_INVALID_HANDLE: return "ERROR_INVALID_HANDLE";
    case ERROR_INVALID_PARAMETER: return "ERROR_INVALID_PARAMETER";
    case ERROR_MORE_DATA: return "ERROR_MORE_DATA";
    case ERROR_NO_MORE_ITEMS: return "ERROR_NO_MORE_ITEMS";
    case ERROR_CANTWRITE: return "ERROR_CANTWRITE";
    case ERROR_REGISTRY_CORRUPT: return "ERROR_REGISTRY_CORRUPT";
    case ERROR_KEY_DELETED: return "ERROR_KEY_DELETED";
    case ERROR_KEY_HAS_CHILDREN: return "ERROR_KEY_HAS_CHILDREN";
    }
    return "ERROR_UNKNOWN";
}

RegistryTransaction::RegistryTransaction() { RegistryStore::instance().beginTransaction(); }

RegistryTransaction::~RegistryTransaction()
{
    if (!done_)
        RegistryStore::instance().endTransaction(true);
}

LSTATUS RegistryTransaction::commit()
{
    if (done_)
        return ERROR_SUCCESS;
    done_ = true;
    return RegistryStore::instance().endTransaction(true);
}

void RegistryTransaction::abandon()
{
    if (done_)
        return;
    done_ = true;
    RegistryStore::instance().endTransaction(false);
}

} // namespace plat
