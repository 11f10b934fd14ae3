#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "support/test_registry.h"

namespace mvdb::test {

namespace {

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

void WriteKey(std::ofstream& out, const char* key, const std::map<std::string, RegistryValue>& values) {
    out << "\n[HKEY_LOCAL_MACHINE\\Software\\Tarnwick\\Marovale\\" << key << "]\n";
    for (const auto& [name, value] : values) {
        out << '"' << name << "\"=";
        if (const auto* text = std::get_if<std::string>(&value)) {
            out << '"' << Escape(*text) << "\"\n";
        } else {
            char dword[16];
            std::snprintf(dword, sizeof dword, "%08x", std::get<uint32_t>(value));
            out << "dword:" << dword << "\n";
        }
    }
}

}  // namespace

TestRegistry::TestRegistry(const std::string& scratch) : scratch_(scratch) {
    ::setenv("MVDB_REGISTRY", (scratch_ + "/registry.reg").c_str(), 1);
    Set({});
}

TestRegistry::~TestRegistry() { ::unsetenv("MVDB_REGISTRY"); }

void TestRegistry::Set(const RegistryContent& content) {
    std::ofstream out(scratch_ + "/registry.reg", std::ios::binary | std::ios::trunc);
    out << "Windows Registry Editor Version 5.00\n";
    if (content.folder) WriteKey(out, "Folder", *content.folder);
    if (content.hostMan) WriteKey(out, "HostMan", *content.hostMan);
}

}  // namespace mvdb::test
