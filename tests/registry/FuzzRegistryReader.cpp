// Registry files come from disk: parsing any bytes must end in a tree or a
// clean refusal, and a parsed tree must survive formatting and parsing again.
#include <registry/RegistryFile.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    plat::RegistryTree tree;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (plat::RegistryFile::parse(text, tree).status != plat::RegistryFileStatus::Ok)
        return 0;
    std::string again = plat::RegistryFile::format(tree);
    plat::RegistryTree reread;
    if (plat::RegistryFile::parse(again, reread).status != plat::RegistryFileStatus::Ok || !(reread == tree))
        std::abort();
    return 0;
}
