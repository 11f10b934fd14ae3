#include "support/container_bytes.h"

#include "storage/account.h"

namespace mvdb::test {

std::string ContainerBytes(const DBAccount& plainAccount, int32_t count, const std::string& records) {
    DBAccount scrambled = plainAccount;
    ScrambleAccount(&scrambled);
    std::string bytes(kMagic, kMagicBytes);
    bytes.append(reinterpret_cast<const char*>(&scrambled), sizeof scrambled);
    bytes.append(reinterpret_cast<const char*>(&count), sizeof count);
    return bytes + records;
}

int32_t CountInFile(const std::string& bytes) {
    int32_t count = 0;
    if (bytes.size() >= kRecordsOffset) std::memcpy(&count, bytes.data() + kCountOffset, sizeof count);
    return count;
}

DBAccount AccountInFile(const std::string& bytes) {
    DBAccount account{};
    if (bytes.size() >= kCountOffset) std::memcpy(&account, bytes.data() + kAccountOffset, sizeof account);
    UnscrambleAccount(&account);
    return account;
}

MediaInfo MediaInFile(const std::string& bytes, size_t index) {
    return RecordInFile<MediaInfo>(bytes, index, kMediaElementBytes);
}

}  // namespace mvdb::test
