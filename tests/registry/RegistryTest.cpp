#include "ScopedRegistry.h"

#include <registry/Registry.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

using namespace plat;

TEST(Registry, createSetQueryAndDeleteTreeThroughHandles)
{
    ScopedRegistry reg;
    HKEY key = 0;
    std::uint32_t disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, "CLSID\\{A}\\MiscStatus", &key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    const std::uint8_t text[] = "0";
    EXPECT_EQ(RegSetValueEx(key, "", REG_SZ, text, sizeof text), ERROR_SUCCESS);
    EXPECT_EQ(RegSetDword(key, "1", "Bits", 132497), ERROR_SUCCESS);
    RegCloseKey(key);

    ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, "clsid\\{a}", &key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(RegGetString(key, "MISCSTATUS", ""), "0");
    EXPECT_EQ(RegGetDword(key, "MiscStatus\\1", "bits"), 132497u);
    std::string name;
    EXPECT_EQ(RegEnumKeyEx(key, 0, &name), ERROR_SUCCESS);
    EXPECT_EQ(name, "MiscStatus");
    EXPECT_EQ(RegEnumKeyEx(key, 1, &name), ERROR_NO_MORE_ITEMS);

    EXPECT_EQ(RegDeleteKey(HKEY_CLASSES_ROOT, "CLSID\\{A}\\MiscStatus"), ERROR_KEY_HAS_CHILDREN);
    EXPECT_EQ(RegDeleteTree(key, "MiscStatus"), ERROR_SUCCESS);
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{A}\\MiscStatus"));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{A}"));
    EXPECT_EQ(RegDeleteTree(HKEY_CLASSES_ROOT, "CLSID"), ERROR_SUCCESS);
    // A handle whose key went away answers so instead of reading another key.
    EXPECT_EQ(RegQueryValueEx(key, "", nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST(Registry, queryReportsTypeAndSizeWithTerminatorAndRefusesSmallBuffers)
{
    ScopedRegistry reg;
    ASSERT_EQ(RegSetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tools", "PATH", "/usr/bin/info"), ERROR_SUCCESS);
    ASSERT_EQ(RegSetDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tools", "Count", 65537), ERROR_SUCCESS);
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tools", 0, 0x2003F, &key), ERROR_SUCCESS);

    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(RegQueryValueEx(key, "PATH", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 14u); // 13 characters and the zero
    std::uint8_t small[4];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key, "PATH", &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 14u);
    std::uint8_t buf[1024];
    size = sizeof buf;
    ASSERT_EQ(RegQueryValueEx(key, "Count", &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    ASSERT_EQ(size, 4u);
    EXPECT_EQ(buf[0] | buf[1] << 8 | buf[2] << 16, 65537);
    EXPECT_EQ(RegQueryValueEx(key, "Missing", &type, buf, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing", 0, 0, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, 0u);
}

TEST(Registry, writesReadableRegedit4FileThatOtherProcessesShare)
{
    ScopedRegistry reg;
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "Pictaform.Pictaform\\CurVer", "", "Pictaform.Pictaform.1"),
              ERROR_SUCCESS);
    std::string text = reg.text();
    EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u) << text;
    EXPECT_NE(text.find("[HKEY_CLASSES_ROOT\\Pictaform.Pictaform\\CurVer]\n@=\"Pictaform.Pictaform.1\"\n"),
              std::string::npos)
        << text;
    // No temporary file is left behind by the atomic write.
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(reg.path()).parent_path()))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();

    // Another process replaces the file: the next call sees its content.
    reg.write("REGEDIT4\n\n[HKEY_CURRENT_USER\\Other]\n\"Who\"=\"them\"\n");
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, "Other", "Who"), "them");
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "Pictaform.Pictaform"));
}

TEST(Registry, unparsableFileIsReportedAndNeverOverwritten)
{
    ScopedRegistry reg;
    const std::string broken = "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:zz\n";
    reg.write(broken);
    EXPECT_EQ(RegSetString(HKEY_CURRENT_USER, "B", "y", "1"), ERROR_REGISTRY_CORRUPT);
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "A", 0, KEY_READ, &key), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(reg.text(), broken);
    std::string problem = RegistryProblem();
    EXPECT_NE(problem.find(reg.path()), std::string::npos) << problem;
    EXPECT_NE(problem.find("line 3"), std::string::npos) << problem;

    // Once mended by hand the registry works again.
    reg.write("REGEDIT4\n");
    EXPECT_EQ(RegSetString(HKEY_CURRENT_USER, "B", "y", "1"), ERROR_SUCCESS);
    EXPECT_TRUE(RegistryProblem().empty());
}

TEST(Registry, damagedFileIsLeftToTheCallerToReport)
{
    // The library writes no log: a program that shows RegistryProblem()
    // shows it once.
    ScopedRegistry reg;
    reg.write("REGEDIT4\n[HKEY_CURRENT_USER\\A\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(RegSetString(HKEY_CURRENT_USER, "B", "y", "1"), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegSetString(HKEY_CURRENT_USER, "B", "y", "1"), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(RegistryProblem().empty());
}

TEST(Registry, fileThatIsASymbolicLinkIsWrittenThroughToItsTarget)
{
    ScopedRegistry reg;
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(reg.path()).parent_path();
    fs::create_directories(dir / "dotfiles" / "velnora");
    const fs::path target = dir / "dotfiles" / "velnora" / "registry.reg";
    {
        std::ofstream(target) << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Kept]\n\"k\"=\"v\"\n";
    }
    ::chmod(target.c_str(), 0640);
    // A relative link to a relative link, as dotfile managers make them.
    fs::create_symlink("dotfiles/velnora/registry.reg", dir / "middle.reg");
    fs::create_symlink("middle.reg", reg.path());

    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "Added", "a", "b"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(reg.path())));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "middle.reg")));
    std::ifstream in(target);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Added"), std::string::npos) << text;
    EXPECT_NE(text.find("Kept"), std::string::npos) << text;
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms(0640));
    // Nothing left beside either file but the lock.
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (!fs::is_directory(e.symlink_status()))
            names.push_back(e.path().lexically_relative(dir).string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"dotfiles/velnora/registry.reg", "middle.reg", "registry.reg",
                                        "registry.reg.lock"}));

    // A dangling link: the file is made where the link points.
    const fs::path later = dir / "dotfiles" / "later.reg";
    fs::remove(reg.path());
    fs::create_symlink(later, reg.path());
    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "New", "n", "1"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(later)));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(reg.path())));
}

TEST(Registry, transactionWritesOnceAtTheEnd)
{
    ScopedRegistry reg;
    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "Before", "", "x"), ERROR_SUCCESS);
    const std::string before = reg.text();
    {
        RegistryTransaction tx;
        EXPECT_EQ(RegSetString(HKEY_CURRENT_USER, "A", "", "1"), ERROR_SUCCESS);
        EXPECT_EQ(RegSetString(HKEY_CURRENT_USER, "A\\B", "", "2"), ERROR_SUCCESS);
        EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, "A\\B", ""), "2"); // visible inside the group
        EXPECT_EQ(reg.text(), before);                               // but not yet on disk
        EXPECT_EQ(tx.commit(), ERROR_SUCCESS);
    }
    EXPECT_NE(reg.text().find("[HKEY_CURRENT_USER\\A\\B]"), std::string::npos);
}

TEST(Registry, locationComesFromEnvironmentElseXdgConfigHome)
{
    ScopedRegistry reg;
    EXPECT_EQ(RegistryPath(), reg.path());
    unsetenv("VELNORA_REGISTRY");
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    std::string saved = oldXdg ? oldXdg : "";
    setenv("XDG_CONFIG_HOME", "/some/config", 1);
    EXPECT_EQ(RegistryPath(), "/some/config/velnora/registry.reg");
    if (oldXdg)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST(Registry, refusesMalformedPathsAndUnknownHandles)
{
    ScopedRegistry reg;
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "A\\\\B", &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, std::string(300, 'x'), &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Line\nBreak", &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyEx(12345, "A", &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetString(HKEY_CURRENT_USER, "A", "", "1"), ERROR_SUCCESS);
}

TEST(Registry, abandonedTransactionLeavesFileAndKeysAsTheyWere)
{
    ScopedRegistry reg;
    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "Keep", "", "x"), ERROR_SUCCESS);
    const std::string before = reg.text();
    {
        RegistryTransaction tx;
        RegSetString(HKEY_CURRENT_USER, "Dropped", "", "1");
        RegDeleteTree(HKEY_CURRENT_USER, "Keep");
        tx.abandon();
    }
    EXPECT_EQ(reg.text(), before);
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Keep"));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Dropped"));
}

TEST(Registry, twoProcessesWritingAtOnceLoseNothing)
{
    ScopedRegistry reg;
    constexpr int kEach = 25;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int failures = 0;
        for (int i = 0; i < kEach; ++i)
            failures += RegSetDword(HKEY_CURRENT_USER, "Shared", "child" + std::to_string(i), i) != ERROR_SUCCESS;
        ::_exit(failures);
    }
    for (int i = 0; i < kEach; ++i)
        EXPECT_EQ(RegSetDword(HKEY_CURRENT_USER, "Shared", "parent" + std::to_string(i), i), ERROR_SUCCESS);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (int i = 0; i < kEach; ++i) {
        EXPECT_EQ(RegGetDword(HKEY_CURRENT_USER, "Shared", "child" + std::to_string(i)), static_cast<std::uint32_t>(i));
        EXPECT_EQ(RegGetDword(HKEY_CURRENT_USER, "Shared", "parent" + std::to_string(i)),
                  static_cast<std::uint32_t>(i));
    }
}
