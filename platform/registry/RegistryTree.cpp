#include "registry/RegistryTree.h"

#include <algorithm>

namespace plat {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

struct RootInfo {
    HKEY key;
    const char* name;
    const char* shortName;
};
// Written to the file in this order.
constexpr RootInfo kRoots[] = {
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},   {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},     {HKEY_USERS, "HKEY_USERS", "HKU"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC"},
};

int rootIndex(HKEY key)
{
    for (std::size_t i = 0; i < std::size(kRoots); ++i)
        if (kRoots[i].key == key)
            return static_cast<int>(i);
    return -1;
}

} // namespace

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

RegistryValue RegistryValue::string(std::string_view text)
{
    RegistryValue v;
    v.type = REG_SZ;
    v.data.assign(text.begin(), text.end());
    v.data.push_back(0);
    return v;
}

RegistryValue RegistryValue::dword(std::uint32_t number)
{
    RegistryValue v;
    v.type = REG_DWORD;
    for (int i = 0; i < 4; ++i)
        v.data.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
    return v;
}

RegistryKey::RegistryKey(const RegistryKey& other) : name_(other.name_), values_(other.values_)
{
    for (const auto& [name, key] : other.children_)
        children_.emplace(name, std::make_unique<RegistryKey>(*key));
}

RegistryKey& RegistryKey::operator=(const RegistryKey& other)
{
    if (this != &other) {
        RegistryKey copy(other);
        name_ = std::move(copy.name_);
        children_ = std::move(copy.children_);
        values_ = std::move(copy.values_);
    }
    return *this;
}

RegistryKey* RegistryKey::child(std::string_view name) const
{
    auto it = children_.find(name);
    return it == children_.end() ? nullptr : it->second.get();
}

RegistryKey& RegistryKey::createChild(std::string_view name)
{
    auto it = children_.find(name);
    if (it == children_.end())
        it = children_.emplace(std::string(name), std::make_unique<RegistryKey>(std::string(name))).first;
    return *it->second;
}

bool RegistryKey::removeChild(std::string_view name)
{
    auto it = children_.find(name);
    if (it == children_.end())
        return false;
    children_.erase(it);
    return true;
}

std::vector<const RegistryKey*> RegistryKey::children() const
{
    std::vector<const RegistryKey*> out;
    for (const auto& [name, key] : children_)
        out.push_back(key.get());
    return out;
}

const RegistryValue* RegistryKey::value(std::string_view name) const
{
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
}

void RegistryKey::setValue(std::string_view name, RegistryValue value)
{
    auto it = values_.find(name);
    if (it == values_.end())
        values_.emplace(std::string(name), std::move(value));
    else
        it->second = std::move(value);
}

bool RegistryKey::removeValue(std::string_view name)
{
    auto it = values_.find(name);
    if (it == values_.end())
        return false;
    values_.erase(it);
    return true;
}

void RegistryKey::clear()
{
    children_.clear();
    values_.clear();
}

bool RegistryKey::operator==(const RegistryKey& other) const
{
    if (name_ != other.name_ || values_.size() != other.values_.size() || children_.size() != other.children_.size())
        return false;
    for (auto a = values_.begin(), b = other.values_.begin(); a != values_.end(); ++a, ++b)
        if (a->first != b->first || !(a->second == b->second))
            return false;
    for (auto a = children_.begin(), b = other.children_.begin(); a != children_.end(); ++a, ++b)
        if (!(*a->second == *b->second))
            return false;
    return true;
}

bool SplitKeyPath(std::string_view path, std::vector<std::string_view>& parts)
{
    parts.clear();
    if (path.empty())
        return true;
    std::size_t start = 0;
    while (true) {
        std::size_t end = path.find('\\', start);
        std::string_view part =
            path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part.empty() || part.size() > kMaxKeyNameLength || parts.size() >= kMaxKeyDepth)
            return false;
        // Control characters would break the file's one-line sections.
        for (char c : part)
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
        parts.push_back(part);
        if (end == std::string_view::npos)
            return true;
        start = end + 1;
    }
}

RegistryTree::RegistryTree()
{
    for (const RootInfo& r : kRoots)
        roots_.emplace_back(r.name);
}

bool RegistryTree::isRoot(HKEY key) { return rootIndex(key) >= 0; }

const char* RegistryTree::rootName(HKEY key)
{
    int i = rootIndex(key);
    return i < 0 ? nullptr : kRoots[i].name;
}

HKEY RegistryTree::rootFromName(std::string_view name)
{
    for (const RootInfo& r : kRoots)
        if (EqualsIgnoringCase(name, r.name) || EqualsIgnoringCase(name, r.shortName))
            return r.key;
    return 0;
}

const std::vector<HKEY>& RegistryTree::roots()
{
    static const std::vector<HKEY> all = [] {
        std::vector<HKEY> v;
        for (const RootInfo& r : kRoots)
            v.push_back(r.key);
        return v;
    }();
    return all;
}

RegistryKey* RegistryTree::root(HKEY key)
{
    int i = rootIndex(key);
    return i < 0 ? nullptr : &roots_[static_cast<std::size_t>(i)];
}

const RegistryKey* RegistryTree::root(HKEY key) const
{
    int i = rootIndex(key);
    return i < 0 ? nullptr : &roots_[static_cast<std::size_t>(i)];
}

RegistryKey* RegistryTree::find(HKEY rootKey, std::string_view path) const
{
    std::vector<std::string_view> parts;
    const RegistryKey* key = root(rootKey);
    if (!key || !SplitKeyPath(path, parts))
        return nullptr;
    for (std::string_view part : parts) {
        key = key->child(part);
        if (!key)
            return nullptr;
    }
    return const_cast<RegistryKey*>(key);
}

RegistryKey* RegistryTree::create(HKEY rootKey, std::string_view path)
{
    std::vector<std::string_view> parts;
    RegistryKey* key = root(rootKey);
    if (!key || !SplitKeyPath(path, parts))
        return nullptr;
    for (std::string_view part : parts)
        key = &key->createChild(part);
    return key;
}

bool RegistryTree::remove(HKEY rootKey, std::string_view path)
{
    std::vector<std::string_view> parts;
    if (!SplitKeyPath(path, parts) || parts.empty())
        return false;
    RegistryKey* parent = root(rootKey);
    for (std::size_t i = 0; parent && i + 1 < parts.size(); ++i)
        parent = parent->child(parts[i]);
    return parent && parent->removeChild(parts.back());
}

bool RegistryTree::operator==(const RegistryTree& other) const { return roots_ == other.roots_; }

} // namespace plat
