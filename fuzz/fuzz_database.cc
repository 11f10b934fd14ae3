#include "fuzz_database.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "format/configuration.h"
#include "format/reg_text.h"

namespace mvdb::fuzz {

namespace fs = std::filesystem;

FuzzDatabase::FuzzDatabase() {
    const char* base = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/mvdb-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    fs::create_directories(Path(format::kInfoFolderName));
    fs::create_directories(Path("locks"));
    std::ofstream reg(Path("registry.reg"), std::ios::binary);
    reg << format::kRegHeader << "\n\n[HKEY_LOCAL_MACHINE\\" << format::kFolderKey << "]\n";
    for (const format::CatalogueFormat& catalogue : format::kCatalogueFormats) {
        reg << "\"" << catalogue.registryValue << "\"=\"" << Path(catalogue.fileName) << "\"\n";
    }
    reg << "\"" << format::kInfoFolderValue << "\"=\"" << Path(format::kInfoFolderName) << "\"\n\n"
        << "[HKEY_LOCAL_MACHINE\\" << format::kHostManKey << "]\n"
        << "\"" << format::kHostNameValue << "\"=\"fuzzhost\"\n";
    reg.close();
    ::setenv("MVDB_REGISTRY", Path("registry.reg").c_str(), 1);
    ::setenv("MVDB_LOCK_DIR", Path("locks").c_str(), 1);
}

FuzzDatabase::~FuzzDatabase() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

void FuzzDatabase::Write(const std::string& name, const uint8_t* data, size_t size) const {
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void FuzzDatabase::RemoveKeptCopies() const {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder_, ignored)) {
        if (entry.path().filename().string().find(".damaged-") != std::string::npos)
            fs::remove(entry, ignored);
    }
}

const FuzzDatabase& Database() {
    static const FuzzDatabase database;
    return database;
}

}  // namespace mvdb::fuzz
