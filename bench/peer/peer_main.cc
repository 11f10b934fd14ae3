// mvdb beside SQLite on the same data, in one run: runs the workloads, then
// prints each workload's figures, the ratio and the goal it is held to.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace mvdb::peer {
void RegisterWorkloads();
void PrepareWorld();
}  // namespace mvdb::peer

namespace {

// Keeps each run's time per iteration, in seconds, by workload name.
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0 || run.run_type != Run::RT_Iteration) continue;
            const double n = static_cast<double>(run.iterations);
            const std::string& name = run.run_name.function_name;
            wall_[name] = run.real_accumulated_time / n;
            cpu_[name] = run.cpu_accumulated_time / n;
        }
    }
    // Seconds per iteration; negative when the workload did not run.
    double Seconds(const std::string& name, bool wallClock) const {
        const auto& table = wallClock ? wall_ : cpu_;
        const auto it = table.find(name);
        return it == table.end() ? -1.0 : it->second;
    }

private:
    std::map<std::string, double> wall_;
    std::map<std::string, double> cpu_;
};

struct Row {
    const char* workload;
    const char* mvdb;       // benchmark name of mvdb's side
    double mvdbScale;       // mvdb's time is multiplied by this (adds: per add -> 100,000 adds)
    const char* reference;  // the figure the goal compares with
    const char* referenceLabel;
    double goal;  // mvdb / reference must stay at or below this
    const char* unit;
    double unitScale;
    // Work that waits for the disk is timed by the clock on the wall; the
    // rest by processor time, which other load on the machine disturbs less.
    bool wallClock;
};

void PrintTable(const TableReporter& reporter) {
    const Row rows[] = {
        {"SearchMedia by location, per lookup", "SearchMedia/mvdb", 1, "SearchMedia/sqlite", "SQLite", 0.2,
         "us", 1e6, false},
        {"LoginUser among 10,000 users", "LoginUser/mvdb", 1, "LoginUser/sqlite", "SQLite", 0.2, "us", 1e6,
         false},
        {"FindMedia, one text node on titles", "FindMedia/mvdb", 1, "FindMedia/sqlite", "SQLite (LIKE)", 0.25,
         "ms", 1e3, false},
        {"  the same against one pass of strstr", "FindMedia/mvdb", 1, "FindMedia/limit", "strstr pass", 0,
         "ms", 1e3, false},
        {"CheckChangedData selecting 45,000", "CheckChangedData/mvdb", 1, "CheckChangedData/limit",
         "memcpy of them", 1.2, "ms", 1e3, false},
        {"  the same against SQLite", "CheckChangedData/mvdb", 1, "CheckChangedData/sqlite", "SQLite", 0,
         "ms", 1e3, false},
        {"OpenMVDB on the 122 MB media file", "OpenMVDB/mvdb", 1, "OpenMVDB/limit", "read() of files", 1.0,
         "ms", 1e3, false},
        {"  open, then a search that reads all", "OpenAndScan/mvdb", 1, "OpenMVDB/limit", "read() of files",
         0, "ms", 1e3, false},
        {"a durable add (one commit each)", "Add/mvdb", 1, "DurableAdd/sqlite", "SQLite WAL FULL", 0.8, "us",
         1e6, true},
        {"  the same against one write and flush", "Add/mvdb", 1, "DurableWrite/limit", "write+fdatasync", 0,
         "us", 1e6, true},
        {"  SQLite's commit against the same", "DurableAdd/sqlite", 1, "DurableWrite/limit",
         "write+fdatasync", 0, "us", 1e6, true},
        {"a durable replace (one commit each)", "DurableReplace/mvdb", 1, "DurableReplace/sqlite",
         "SQLite WAL FULL", 0.8, "us", 1e6, true},
        {"a durable delete (one commit each)", "DurableDelete/mvdb", 1, "DurableDelete/sqlite",
         "SQLite WAL FULL", 0.8, "us", 1e6, true},
        {"adding 100,000 items (one add each)", "Add/mvdb", 100000, "Add/sqlite", "SQLite, 1 txn", 0, "ms",
         1e3, true},
        {"adding 100,000 items (mvdb import)", "Import/mvdb", 1, "Add/sqlite", "SQLite, 1 txn", 1.0, "ms",
         1e3, true},
    };
    std::printf("\n%-40s %12s %12s %-16s %8s %6s %s\n", "workload", "mvdb", "reference", "(reference)",
                "ratio", "goal", "");
    for (const Row& row : rows) {
        const double mine = reporter.Seconds(row.mvdb, row.wallClock);
        const double theirs = reporter.Seconds(row.reference, row.wallClock);
        if (mine < 0 || theirs <= 0) {
            std::printf("%-40s %12s\n", row.workload, "(not run)");
            continue;
        }
        const double scaled = mine * row.mvdbScale;
        const double ratio = scaled / theirs;
        char goal[16] = "";
        const char* verdict = "";
        if (row.goal > 0) {
            std::snprintf(goal, sizeof goal, "%.2f", row.goal);
            verdict = ratio <= row.goal ? "met" : "MISSED";
        }
        std::printf("%-40s %9.1f %s %9.1f %s %-16s %7.2fx %6s %-6s %s\n", row.workload,
                    scaled * row.unitScale, row.unit, theirs * row.unitScale, row.unit, row.referenceLabel,
                    ratio, goal, verdict, row.wallClock ? "(wall clock)" : "(cpu time)");
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    mvdb::peer::RegisterWorkloads();
    // Both databases are built before anything is timed.
    mvdb::peer::PrepareWorld();
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintTable(reporter);
    benchmark::Shutdown();
    return 0;
}
