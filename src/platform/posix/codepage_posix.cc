// TEMPORARY single-byte stub (to be replaced by the full code page backend).
#include <cctype>
#include <cstring>

#include "platform/platform.h"

namespace mvdb::platform {
namespace {
class StubCodePage final : public CodePage {
public:
    int Number() const override { return 1252; }
    bool IsLeadByte(unsigned char) const override { return false; }
    int CompareNoCase(const char* a, const char* b) const override { return strcasecmp(a, b); }
    const char* FindChar(const char* s, unsigned char c) const override { return std::strchr(s, c); }
    unsigned int ToSingleByte(unsigned int c) const override { return c; }
};
}  // namespace
std::unique_ptr<CodePage> CurrentCodePage() { return std::make_unique<StubCodePage>(); }
std::string LiveVideoCategoryName(const CodePage&) { return "Live Video"; }
}  // namespace mvdb::platform
