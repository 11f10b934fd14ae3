// The registry as the library sees it on POSIX: the ".reg" file named by
// MVDB_REGISTRY, parsed by the library's own parser, or no key at all.
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "cli/machine_settings.h"
#include "cli/reg_text.h"
#include "cli/text_codec.h"

namespace mvdb::cli {

MachineSettings ReadMachineSettings() {
    MachineSettings settings;
    const char* path = std::getenv("MVDB_REGISTRY");
    if (path == nullptr || *path == '\0') {
        settings.source = "no registry file (MVDB_REGISTRY is not set)";
        return settings;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        settings.source = "no registry file (" + std::string(path) + " cannot be read)";
        return settings;
    }
    settings.source = "the registry file " + std::string(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A UTF-16 file's texts reach the library in its code page, as here.
    const TextCodec codec(DatabaseCodePage());
    const format::RegText reg =
        format::RegText::Parse(text, [&codec](std::string_view utf8) { return codec.FromUtf8(utf8); });
    settings.folder = KeyValues(reg, kFolderKeyPath);
    settings.hostMan = KeyValues(reg, kHostManKeyPath);
    return settings;
}

}  // namespace mvdb::cli
