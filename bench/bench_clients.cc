// Logins and lookups by name among 10,000 client and user records.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mvdb.h"
#include "storage/account.h"
#include "support/bench_database.h"
#include "support/container_bytes.h"
#include "support/temp_folder.h"

namespace {

class ClientFixture {
public:
    // Half clients, half users, written as a client file before the open.
    explicit ClientFixture(int32_t records) {
        std::vector<ClientInfo> all(static_cast<size_t>(records));
        for (int32_t i = 0; i < records; ++i) {
            ClientInfo& r = all[static_cast<size_t>(i)];
            r.recordSize = sizeof r;
            r.recordIndex = i;
            if (i % 2 == 0) {
                std::snprintf(r.clientName, sizeof r.clientName, "player-%05d", i);
                continue;
            }
            std::snprintf(r.clientName, sizeof r.clientName, "global\\user%05d", i);
            DBAccount user{};
            std::snprintf(user.password, sizeof user.password, "pw%05d", i);
            user.passwordLength = static_cast<int32_t>(std::strlen(user.password));
            user.userLevel = 3;
            mvdb::ScrambleAccount(&user);
            std::memcpy(r.clientData3, user.password, sizeof user.password);
            std::memcpy(r.clientData3 + 60, &user.passwordLength, 4);
            std::memcpy(r.clientData3 + 64, &user.userLevel, 4);
        }
        mvdb::test::WriteFileBytes(
            db_.clientFile(), mvdb::test::ContainerBytes(DBAccount{}, records, mvdb::test::RecordBytes(all)));
    }
    MVDB_HANDLE get() { return db_.Open(); }

private:
    mvdb::bench::BenchDatabase db_;
};

// One fixture for all runs.
ClientFixture& Fixture() {
    static ClientFixture fixture(10000);
    return fixture;
}

void BM_LoginUser(benchmark::State& state) {
    MVDB_HANDLE h = Fixture().get();
    // The last user: a whole scan of the records.
    for (auto _ : state) benchmark::DoNotOptimize(LoginUser(h, "USER09999", "pw09999"));
}
BENCHMARK(BM_LoginUser)->Unit(benchmark::kMicrosecond);

void BM_GetClientInfoByName(benchmark::State& state) {
    MVDB_HANDLE h = Fixture().get();
    ClientInfo out;
    for (auto _ : state) benchmark::DoNotOptimize(GetClientInfoByName(h, "PLAYER-09998", &out));
}
BENCHMARK(BM_GetClientInfoByName)->Unit(benchmark::kMicrosecond);

}  // namespace
