// The process's view of the registry file: the parsed tree, refreshed when
// another process has replaced the file, and written back atomically under a
// lock file. Internal to the registry; callers use Registry.h.
#pragma once

#include "registry/Registry.h"
#include "registry/RegistryTree.h"

#include <sys/stat.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace plat {

class RegistryStore {
public:
    static RegistryStore& instance();

    using Reader = std::function<LSTATUS(const RegistryTree&)>;
    using Writer = std::function<LSTATUS(RegistryTree&, bool& changed)>;
    LSTATUS read(const Reader& reader);
    LSTATUS write(const Writer& writer);

    void beginTransaction();
    LSTATUS endTransaction(bool write);

    // Open key handles: each names a root and a path below it.
    HKEY openHandle(HKEY root, std::string path);
    bool closeHandle(HKEY handle);
    // root and path of handle plus subKey; false for an unknown handle.
    bool resolve(HKEY handle, std::string_view subKey, HKEY& root, std::string& path);

    std::string path();
    std::string problem();

private:
    struct Identity {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        long long mtimeNs = 0;
        bool operator==(const Identity&) const = default;
    };
    static std::string currentPath();
    static Identity identify(const std::string& path);
    LSTATUS refresh();
    LSTATUS save();
    static std::string writeTarget(const std::string& path);
    bool lockFile();
    void unlockFile();

    std::recursive_mutex mutex_;
    std::string path_;
    bool loaded_ = false;
    Identity identity_;
    RegistryTree tree_;
    std::string problem_;
    bool corrupt_ = false;
    int depth_ = 0;
    bool dirty_ = false;
    bool abandoned_ = false;
    int lockFd_ = -1;
    std::map<HKEY, std::pair<HKEY, std::string>> handles_;
    HKEY nextHandle_ = 1;
};

} // namespace plat
