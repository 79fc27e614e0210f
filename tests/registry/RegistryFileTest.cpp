#include <registry/RegistryFile.h>

#include <gtest/gtest.h>

using namespace plat;

namespace {

RegistryTree parseOk(std::string_view text)
{
    RegistryTree tree;
    RegistryParseResult r = RegistryFile::parse(text, tree);
    EXPECT_EQ(r.status, RegistryFileStatus::Ok) << r.describe();
    return tree;
}

RegistryParseResult parseFail(std::string_view text)
{
    RegistryTree tree;
    return RegistryFile::parse(text, tree);
}

std::string stringOf(const RegistryTree& tree, HKEY root, const char* path, const char* name)
{
    const RegistryKey* key = tree.find(root, path);
    const RegistryValue* v = key ? key->value(name) : nullptr;
    if (!v || v->type != REG_SZ || v->data.empty())
        return "<none>";
    return std::string(v->data.begin(), v->data.end() - 1);
}

} // namespace

TEST(RegistryFile, readsDefaultStringAndDwordValues)
{
    RegistryTree tree = parseOk("REGEDIT4\n"
                                "\n"
                                "[HKEY_CLASSES_ROOT\\Pictaform.Pictaform\\CurVer]\n"
                                "@=\"Pictaform.Pictaform.1\"\n"
                                "\"Count\"=dword:0000abcd\n");
    EXPECT_EQ(stringOf(tree, HKEY_CLASSES_ROOT, "Pictaform.Pictaform\\CurVer", ""), "Pictaform.Pictaform.1");
    const RegistryValue* count = tree.find(HKEY_CLASSES_ROOT, "pictaform.pictaform\\curver")->value("COUNT");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(*count, RegistryValue::dword(0xabcd));
    // The intermediate key exists although it has no section of its own.
    EXPECT_NE(tree.find(HKEY_CLASSES_ROOT, "Pictaform.Pictaform"), nullptr);
}

TEST(RegistryFile, toleratesBomCrLfCommentsVersion5HeaderShortRootsAndWrappedHex)
{
    RegistryTree tree = parseOk("\xef\xbb\xbfWindows Registry Editor Version 5.00\r\n"
                                "; written by hand\r\n"
                                "\r\n"
                                "[HKLM\\Software\\A]\r\n"
                                "\"Name\" = \"a\\\\b\\\"c\"\r\n"
                                "\"Blob\"=hex:01,02,\\\r\n"
                                "   03\r\n");
    EXPECT_EQ(stringOf(tree, HKEY_LOCAL_MACHINE, "Software\\A", "Name"), "a\\b\"c");
    const RegistryValue* blob = tree.find(HKEY_LOCAL_MACHINE, "Software\\A")->value("Blob");
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(blob->type, REG_BINARY);
    EXPECT_EQ(blob->data, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(RegistryFile, deletionFormsRemoveKeysAndValues)
{
    RegistryTree tree = parseOk("REGEDIT4\n[HKCU\\A\\B]\n\"x\"=\"1\"\n\"y\"=\"2\"\n[HKCU\\C]\n"
                                "[-HKCU\\A]\n[HKCU\\C]\n\"z\"=\"3\"\n\"z\"=-\n");
    EXPECT_EQ(tree.find(HKEY_CURRENT_USER, "A"), nullptr);
    ASSERT_NE(tree.find(HKEY_CURRENT_USER, "C"), nullptr);
    EXPECT_EQ(tree.find(HKEY_CURRENT_USER, "C")->value("z"), nullptr);
}

TEST(RegistryFile, refusesWhatItCannotParseAndSaysWhere)
{
    struct Case {
        const char* name;
        const char* text;
        RegistryFileStatus status;
        int line;
    };
    const Case cases[] = {
        {"no header", "[HKCU\\A]\n", RegistryFileStatus::NotARegistryFile, 1},
        {"unknown root", "REGEDIT4\n\n[HKEY_NOWHERE\\A]\n", RegistryFileStatus::Malformed, 3},
        {"value before any key", "REGEDIT4\n@=\"x\"\n", RegistryFileStatus::Malformed, 2},
        {"unterminated string", "REGEDIT4\n[HKCU\\A]\n\"x\"=\"abc\n", RegistryFileStatus::Malformed, 3},
        {"nine-digit dword", "REGEDIT4\n[HKCU\\A]\n\"x\"=dword:123456789\n", RegistryFileStatus::Malformed, 3},
        {"odd hex digit", "REGEDIT4\n[HKCU\\A]\n\"x\"=hex:1\n", RegistryFileStatus::Malformed, 3},
        {"empty key name", "REGEDIT4\n[HKCU\\A\\\\B]\n", RegistryFileStatus::Malformed, 2},
        {"stray text", "REGEDIT4\n[HKCU\\A]\nhello\n", RegistryFileStatus::Malformed, 3},
        {"continued past end", "REGEDIT4\n[HKCU\\A]\n\"x\"=hex:01,\\\n", RegistryFileStatus::Malformed, 3},
        {"utf-16", "\xff\xfeR\0E\0", RegistryFileStatus::Unsupported, 1},
    };
    for (const Case& c : cases) {
        RegistryParseResult r = parseFail(c.text);
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.describe();
        EXPECT_EQ(r.line, c.line) << c.name;
    }
}

TEST(RegistryFile, formatThenParseGivesTheSameTreeIncludingOddValues)
{
    RegistryTree tree;
    RegistryKey* key = tree.create(HKEY_CLASSES_ROOT, "CLSID\\{1}\\InprocServer32");
    key->setValue("", RegistryValue::string("/opt/lib/libpictaf.so"));
    key->setValue("ThreadingModel", RegistryValue::string("Apartment"));
    key->setValue("Quote\"And\\Slash\nLine", RegistryValue::string("multi\nline \"quoted\" \\ text"));
    key->setValue("Number", RegistryValue::dword(0x80000005u));
    RegistryValue unterminated{REG_SZ, {'a', 'b'}};
    key->setValue("Unterminated", unterminated);
    RegistryValue inner{REG_SZ, {'a', 0, 'b', 0}};
    key->setValue("InnerZero", inner);
    RegistryValue shortDword{REG_DWORD, {1, 2}};
    key->setValue("ShortDword", shortDword);
    RegistryValue big{REG_BINARY, std::vector<std::uint8_t>(100, 0xab)};
    key->setValue("Big", big);
    tree.create(HKEY_CURRENT_USER, "Empty\\Key");
    tree.root(HKEY_USERS)->setValue("", RegistryValue::string("root value"));

    std::string text = RegistryFile::format(tree);
    EXPECT_NE(text.find("\"ThreadingModel\"=\"Apartment\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"Number\"=dword:80000005"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Unterminated\"=hex(1):61,62"), std::string::npos) << text;
    RegistryTree again = parseOk(text);
    EXPECT_TRUE(again == tree) << text;
}
