#include "support/code_pages.h"

#include <cstdlib>

namespace mvdb::test {

#if defined(_WIN32)

std::vector<int> TestableCodePages() { return {platform::CurrentCodePage()->Number()}; }

std::unique_ptr<platform::CodePage> CodePageNumbered(int number) {
    std::unique_ptr<platform::CodePage> codePage = platform::CurrentCodePage();
    if (codePage->Number() != number) return nullptr;
    return codePage;
}

#else

std::vector<int> TestableCodePages() { return {932, 1252}; }

std::unique_ptr<platform::CodePage> CodePageNumbered(int number) {
    // The setting is read when the code page is made; the caller's own
    // setting comes back at once.
    const char* saved = std::getenv("MVDB_CODEPAGE");
    const std::string savedValue = saved != nullptr ? saved : "";
    ::setenv("MVDB_CODEPAGE", std::to_string(number).c_str(), 1);
    std::unique_ptr<platform::CodePage> codePage = platform::CurrentCodePage();
    if (saved != nullptr) {
        ::setenv("MVDB_CODEPAGE", savedValue.c_str(), 1);
    } else {
        ::unsetenv("MVDB_CODEPAGE");
    }
    if (codePage->Number() != number) return nullptr;
    return codePage;
}

#endif

}  // namespace mvdb::test
