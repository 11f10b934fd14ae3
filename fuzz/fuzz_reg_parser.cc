// Registry files of any content: the .reg parser behind the registry
// stand-in, and the string and integer reads the library makes from what it
// parsed, as OpenMVDB makes them.
#include <stdlib.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_database.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = mvdb::fuzz::Database().Path("fuzzed.reg");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ::setenv("MVDB_REGISTRY", path.c_str(), 1);
    for (const char* subkey : {"Software\\Tarnwick\\Marovale\\Folder", "Software\\Tarnwick\\Marovale\\HostMan"}) {
        const auto key = mvdb::platform::OpenMachineKey(subkey);
        if (!key) continue;
        for (const char* value : {"DBCATEGORY", "DBHOST", "DBMEDIA", "DBINFODIR", "HostName"}) {
            key->ReadString(value, 260);
            key->ReadString(value, 63);
        }
        key->ReadInt32("DefaultChannels");
    }
    return 0;
}
