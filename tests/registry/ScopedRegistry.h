// Points VELNORA_REGISTRY at a fresh file for the life of one test and puts
// the previous value back afterwards. Shared by every test that touches the
// registry, so that no test sees another's keys.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

class ScopedRegistry {
public:
    explicit ScopedRegistry(const std::string& tag = "test")
    {
        if (const char* old = std::getenv("VELNORA_REGISTRY"))
            previous_ = old;
        hadPrevious_ = std::getenv("VELNORA_REGISTRY") != nullptr;
        static int counter = 0;
        dir_ = std::filesystem::temp_directory_path()
            / ("velnora-reg-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" + tag);
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "registry.reg").string();
        setenv("VELNORA_REGISTRY", path_.c_str(), 1);
    }
    ~ScopedRegistry()
    {
        if (hadPrevious_)
            setenv("VELNORA_REGISTRY", previous_.c_str(), 1);
        else
            unsetenv("VELNORA_REGISTRY");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    ScopedRegistry(const ScopedRegistry&) = delete;
    ScopedRegistry& operator=(const ScopedRegistry&) = delete;

    const std::string& path() const { return path_; }
    std::string text() const
    {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    void write(const std::string& text) const
    {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << text;
    }

private:
    std::filesystem::path dir_;
    std::string path_;
    std::string previous_;
    bool hadPrevious_ = false;
};
