#include "registry/RegistryStore.h"

#include "registry/RegistryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace plat {

RegistryStore& RegistryStore::instance()
{
    static RegistryStore* store = new RegistryStore; // outlives every static destructor that may still query it
    return *store;
}

std::string RegistryStore::currentPath()
{
    if (const char* env = std::getenv("VELNORA_REGISTRY"); env && *env)
        return env;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = "/tmp";
    return base + "/velnora/registry.reg";
}

RegistryStore::Identity RegistryStore::identify(const std::string& path)
{
    Identity id;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return id;
    id.exists = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.size = st.st_size;
    id.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return id;
}

LSTATUS RegistryStore::refresh()
{
    std::string path = currentPath();
    Identity id = identify(path);
    if (loaded_ && path == path_ && id == identity_)
        return corrupt_ ? ERROR_REGISTRY_CORRUPT : ERROR_SUCCESS;

    path_ = path;
    identity_ = id;
    loaded_ = true;
    corrupt_ = false;
    problem_.clear();
    tree_ = RegistryTree();
    if (!id.exists)
        return ERROR_SUCCESS; // no file yet: an empty registry
    if (static_cast<std::uint64_t>(id.size) > kMaxRegistryFileSize) {
        problem_ = "registry file " + path + ": " + toString(RegistryFileStatus::TooLarge);
        corrupt_ = true;
        return ERROR_REGISTRY_CORRUPT;
    }
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text.size() <= kMaxRegistryFileSize)
            text.append(buf, n);
        bool bad = std::ferror(f);
        std::fclose(f);
        if (bad) {
            problem_ = "registry file " + path + ": cannot be read";
            corrupt_ = true;
            return ERROR_REGISTRY_CORRUPT;
        }
    } else {
        if (errno == ENOENT)
            return ERROR_SUCCESS;
        problem_ = "registry file " + path + ": cannot be opened: " + std::strerror(errno);
        corrupt_ = true;
        return ERROR_REGISTRY_CORRUPT;
    }
    RegistryParseResult result = RegistryFile::parse(text, tree_);
    if (result.status != RegistryFileStatus::Ok) {
        tree_ = RegistryTree();
        problem_ = "registry file " + path + ": " + result.describe() + " (left unchanged)";
        corrupt_ = true;
        return ERROR_REGISTRY_CORRUPT;
    }
    return ERROR_SUCCESS;
}

bool RegistryStore::lockFile()
{
    std::string path = currentPath();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    lockFd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) {
        problem_ = "registry file " + path + ": cannot create its lock file: " + std::strerror(errno);
        return false;
    }
    while (::flock(lockFd_, LOCK_EX) != 0 && errno == EINTR) {
    }
    return true;
}

void RegistryStore::unlockFile()
{
    if (lockFd_ >= 0) {
        ::flock(lockFd_, LOCK_UN);
        ::close(lockFd_);
        lockFd_ = -1;
    }
}

std::string RegistryStore::writeTarget(const std::string& path)
{
    // A registry file that is a symbolic link (kept with other dotfiles, say)
    // is written where the link leads; renaming over the link itself would
    // replace it with a regular file and leave its target stale.
    namespace fs = std::filesystem;
    fs::path at = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(at, ec)))
            break;
        const fs::path next = fs::read_symlink(at, ec);
        if (ec)
            break;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return at.string();
}

LSTATUS RegistryStore::save()
{
    std::string text = RegistryFile::format(tree_);
    const std::string target = writeTarget(path_);
    // The new text goes beside the file it replaces, so the rename stays on
    // one file system and is atomic.
    std::string tmp = target + ".tmp-" + std::to_string(::getpid());
    mode_t mode = 0644;
    if (struct stat st{}; ::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool ok = fd >= 0 && ::fchmod(fd, mode) == 0;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    if (fd >= 0)
        ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        int err = errno;
        if (fd >= 0)
            ::unlink(tmp.c_str());
        problem_ = "registry file " + path_ + ": cannot be written: " + std::strerror(err);
        loaded_ = false; // the tree holds changes the file lacks: read the file again next time
        return ERROR_CANTWRITE;
    }
    identity_ = identify(path_);
    return ERROR_SUCCESS;
}

LSTATUS RegistryStore::read(const Reader& reader)
{
    std::lock_guard lock(mutex_);
    if (depth_ == 0) {
        if (LSTATUS st = refresh(); st != ERROR_SUCCESS)
            return st;
    } else if (corrupt_) {
        return ERROR_REGISTRY_CORRUPT;
    }
    return reader(tree_);
}

LSTATUS RegistryStore::write(const Writer& writer)
{
    std::lock_guard lock(mutex_);
    if (depth_ > 0) {
        if (lockFd_ < 0)
            return ERROR_CANTWRITE;
        if (corrupt_)
            return ERROR_REGISTRY_CORRUPT;
        bool changed = false;
        LSTATUS st = writer(tree_, changed);
        dirty_ = dirty_ || changed;
        return st;
    }
    if (!lockFile())
        return ERROR_CANTWRITE;
    LSTATUS st = refresh();
    if (st == ERROR_SUCCESS) {
        bool changed = false;
        st = writer(tree_, changed);
        if (changed) {
            LSTATUS saved = save();
            if (st == ERROR_SUCCESS)
                st = saved;
        }
    }
    unlockFile();
    return st;
}

void RegistryStore::beginTransaction()
{
    mutex_.lock();
    if (depth_++ > 0)
        return;
    dirty_ = false;
    if (lockFile())
        refresh();
    else
        loaded_ = false;
}

LSTATUS RegistryStore::endTransaction(bool write)
{
    LSTATUS st = ERROR_SUCCESS;
    if (!write)
        abandoned_ = true; // an inner group's abandonment drops the whole group
    if (--depth_ == 0) {
        if (abandoned_) {
            if (dirty_)
                loaded_ = false; // the tree holds dropped changes: read the file again
        } else if (lockFd_ < 0)
            st = ERROR_CANTWRITE;
        else if (corrupt_)
            st = ERROR_REGISTRY_CORRUPT;
        else if (dirty_)
            st = save();
        dirty_ = false;
        abandoned_ = false;
        unlockFile();
    }
    mutex_.unlock();
    return st;
}

HKEY RegistryStore::openHandle(HKEY root, std::string path)
{
    std::lock_guard lock(mutex_);
    HKEY handle = nextHandle_++;
    if (nextHandle_ >= 0x80000000u)
        nextHandle_ = 1;
    handles_[handle] = {root, std::move(path)};
    return handle;
}

bool RegistryStore::closeHandle(HKEY handle)
{
    std::lock_guard lock(mutex_);
    return handles_.erase(handle) > 0;
}

bool RegistryStore::resolve(HKEY handle, std::string_view subKey, HKEY& root, std::string& path)
{
    std::lock_guard lock(mutex_);
    if (RegistryTree::isRoot(handle)) {
        root = handle;
        path = subKey;
        return true;
    }
    auto it = handles_.find(handle);
    if (it == handles_.end())
        return false;
    root = it->second.first;
    path = it->second.second;
    if (!subKey.empty()) {
        if (!path.empty())
            path += '\\';
        path += subKey;
    }
    return true;
}

std::string RegistryStore::path() { return currentPath(); }

std::string RegistryStore::problem()
{
    std::lock_guard lock(mutex_);
    return problem_;
}

} // namespace plat
