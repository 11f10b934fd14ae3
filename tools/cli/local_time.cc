#include "cli/local_time.h"

#include <cstdio>
#include <ctime>
#include <limits>

namespace mvdb::cli {

namespace {

bool LocalTime(std::time_t seconds, std::tm* out) {
#if defined(_WIN32)
    return localtime_s(out, &seconds) == 0;
#else
    return localtime_r(&seconds, out) != nullptr;
#endif
}

std::optional<int32_t> InRange(long long seconds) {
    if (seconds < std::numeric_limits<int32_t>::min() || seconds > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(seconds);
}

std::optional<int32_t> ParseSeconds(const std::string& digits) {
    if (digits.empty() || digits.size() > 11) return std::nullopt;
    size_t start = digits[0] == '-' ? 1 : 0;
    if (start == digits.size()) return std::nullopt;
    for (size_t i = start; i < digits.size(); ++i) {
        if (digits[i] < '0' || digits[i] > '9') return std::nullopt;
    }
    return InRange(std::stoll(digits));
}

}  // namespace

std::string FormatLocalTime(int32_t seconds) {
    if (seconds == 0) return "-";
    std::tm local{};
    if (!LocalTime(static_cast<std::time_t>(seconds), &local)) return std::to_string(seconds);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::optional<int32_t> ParseTime(const std::string& text) {
    if (!text.empty() && text[0] == '@') return ParseSeconds(text.substr(1));
    if (std::optional<int32_t> seconds = ParseSeconds(text)) return seconds;

    std::tm local{};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &local.tm_year, &local.tm_mon, &local.tm_mday,
                    &consumed) != 3) {
        return std::nullopt;
    }
    std::string rest = text.substr(static_cast<size_t>(consumed));
    if (!rest.empty()) {
        if (rest[0] != ' ' && rest[0] != 'T') return std::nullopt;
        int used = 0;
        const int fields = std::sscanf(rest.c_str() + 1, "%2d:%2d%n:%2d%n", &local.tm_hour, &local.tm_min,
                                       &used, &local.tm_sec, &used);
        if (fields < 2 || static_cast<size_t>(used) + 1 != rest.size()) return std::nullopt;
    }
    if (local.tm_mon < 1 || local.tm_mon > 12 || local.tm_mday < 1 || local.tm_mday > 31 ||
        local.tm_hour < 0 || local.tm_hour > 23 || local.tm_min < 0 || local.tm_min > 59 ||
        local.tm_sec < 0 || local.tm_sec > 59) {
        return std::nullopt;
    }
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
    return InRange(static_cast<long long>(seconds));
}

}  // namespace mvdb::cli
