#include "com/ComRuntime.h"
#include "com/OleControl.h"
#include "com/RefCounted.h"
#include "registry/Registry.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace plat::com {

namespace {

std::string classKey(REFCLSID clsid) { return "CLSID\\" + GuidToString(clsid); }

LPOLESTR taskString(const std::u16string& text)
{
    auto* p = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (p) {
        std::memcpy(p, text.data(), text.size() * sizeof(OLECHAR));
        p[text.size()] = 0;
    }
    return p;
}

struct VerbEntry {
    LONG verb;
    std::u16string name;
    DWORD flags;
    DWORD attribs;
};

class VerbEnumerator final : public IEnumOLEVERB, public RefCounted<VerbEnumerator> {
public:
    explicit VerbEnumerator(std::vector<VerbEntry> verbs) : verbs_(std::move(verbs)) {}
    HRESULT QueryInterface(REFIID iid, void** out) override { return queryInterfaces<IEnumOLEVERB>(this, iid, out); }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }
    HRESULT Next(ULONG count, OLEVERB* verbs, ULONG* fetched) override
    {
        if (!verbs)
            return E_POINTER;
        ULONG n = 0;
        for (; n < count && pos_ < verbs_.size(); ++n, ++pos_) {
            const VerbEntry& e = verbs_[pos_];
            verbs[n] = OLEVERB{e.verb, taskString(e.name), e.flags, e.attribs};
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override
    {
        pos_ = std::min<std::size_t>(verbs_.size(), pos_ + count);
        return pos_ < verbs_.size() ? S_OK : S_FALSE;
    }
    HRESULT Reset() override
    {
        pos_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumOLEVERB** out) override
    {
        if (!out)
            return E_POINTER;
        auto* c = new VerbEnumerator(verbs_);
        c->pos_ = pos_;
        *out = c;
        return S_OK;
    }

private:
    std::vector<VerbEntry> verbs_;
    std::size_t pos_ = 0;
};

} // namespace

HRESULT OleRegGetUserType(REFCLSID clsid, DWORD form, std::u16string* userType)
{
    if (!userType)
        return E_POINTER;
    const std::string key = classKey(clsid);
    std::optional<std::string> text =
        RegGetString(HKEY_CLASSES_ROOT, key + "\\AuxUserType\\" + std::to_string(form), "");
    if (!text)
        text = RegGetString(HKEY_CLASSES_ROOT, key, "");
    if (!text)
        return REGDB_E_CLASSNOTREG;
    *userType = Utf16FromUtf8(*text);
    return S_OK;
}

HRESULT OleRegGetMiscStatus(REFCLSID clsid, DWORD aspect, DWORD* status)
{
    if (!status)
        return E_POINTER;
    *status = 0;
    const std::string key = classKey(clsid) + "\\MiscStatus";
    std::optional<std::string> text = RegGetString(HKEY_CLASSES_ROOT, key + "\\" + std::to_string(aspect), "");
    if (!text)
        text = RegGetString(HKEY_CLASSES_ROOT, key, "");
    if (!text)
        return RegKeyExists(HKEY_CLASSES_ROOT, classKey(clsid)) ? S_OK : REGDB_E_CLASSNOTREG;
    *status = static_cast<DWORD>(std::strtoul(text->c_str(), nullptr, 10));
    return S_OK;
}

HRESULT OleRegEnumVerbs(REFCLSID clsid, IEnumOLEVERB** verbs)
{
    if (!verbs)
        return E_POINTER;
    *verbs = nullptr;
    const std::string key = classKey(clsid) + "\\Verb";
    HKEY k = 0;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return OLEOBJ_E_NOVERBS;
    std::vector<VerbEntry> entries;
    std::string name;
    for (std::uint32_t i = 0; RegEnumKeyEx(k, i, &name) == ERROR_SUCCESS; ++i) {
        std::optional<std::string> text = RegGetString(k, name, "");
        if (!text)
            continue;
        VerbEntry e{static_cast<LONG>(std::strtol(name.c_str(), nullptr, 10)), {}, 0, 0};
        std::size_t c1 = text->find(','), c2 = c1 == std::string::npos ? c1 : text->find(',', c1 + 1);
        e.name = Utf16FromUtf8(text->substr(0, c1));
        if (c1 != std::string::npos)
            e.flags = static_cast<DWORD>(std::strtoul(text->c_str() + c1 + 1, nullptr, 10));
        if (c2 != std::string::npos)
            e.attribs = static_cast<DWORD>(std::strtoul(text->c_str() + c2 + 1, nullptr, 10));
        entries.push_back(std::move(e));
    }
    RegCloseKey(k);
    if (entries.empty())
        return OLEOBJ_E_NOVERBS;
    *verbs = new VerbEnumerator(std::move(entries));
    return S_OK;
}

} // namespace plat::com
