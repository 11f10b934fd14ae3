#include "format/code_page.h"

#include <cstring>

namespace mvdb::format {

int ConfiguredCodePage(const std::function<const char*(const char*)>& environment) {
    if (const char* configured = environment("MVDB_CODEPAGE")) {
        if (std::strcmp(configured, "932") == 0) return kJapaneseCodePage;
        if (std::strcmp(configured, "1252") == 0) return kWesternCodePage;
    }
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* locale = environment(name);
        if (locale == nullptr || *locale == '\0') continue;
        return std::strncmp(locale, "ja", 2) == 0 ? kJapaneseCodePage : kWesternCodePage;
    }
    return kWesternCodePage;
}

}  // namespace mvdb::format
