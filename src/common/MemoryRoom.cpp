#include "common/MemoryRoom.h"

#include "common/RuntimeError.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>

namespace wtb {

namespace {

std::uint64_t pageSize() {
    return static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

// The address space the process maps now, from /proc/self/statm (pages); 0 when unknown.
std::uint64_t mappedBytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) {
        return 0;
    }
    unsigned long long pages = 0;
    const bool read = std::fscanf(statm, "%llu", &pages) == 1;
    std::fclose(statm);
    return read ? pages * pageSize() : 0;
}

// The first number in a file such as /proc/meminfo's line or a control group's limit, scaled;
// nothing when the file is missing or holds no number ("max").
std::optional<std::uint64_t> numberIn(const char* path, const char* prefix, std::uint64_t scale) {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind(prefix, 0) != 0) {
            continue;
        }
        std::uint64_t value = 0;
        const char* first = line.data() + std::strlen(prefix);
        while (*first == ' ') {
            ++first;
        }
        if (std::from_chars(first, line.data() + line.size(), value).ec != std::errc()) {
            return std::nullopt;
        }
        return value * scale;
    }
    return std::nullopt;
}

// What a memory control group (v2, else v1) still allows the program; nothing without a limit.
std::optional<std::uint64_t> controlGroupRoom() {
    for (const auto& [limitFile, usageFile] :
         {std::pair{"/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory.current"},
          std::pair{"/sys/fs/cgroup/memory/memory.limit_in_bytes",
                    "/sys/fs/cgroup/memory/memory.usage_in_bytes"}}) {
        const auto limit = numberIn(limitFile, "", 1);
        const auto usage = numberIn(usageFile, "", 1);
        if (limit && usage) {
            return *limit > *usage ? *limit - *usage : 0;
        }
    }
    return std::nullopt;
}

} // namespace

std::uint64_t memoryRoom() {
    std::uint64_t room =
        numberIn("/proc/meminfo", "MemAvailable:", 1024)
            .value_or(static_cast<std::uint64_t>(::sysconf(_SC_PHYS_PAGES)) * pageSize());
    room = std::min(room, controlGroupRoom().value_or(room));
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const auto allowed = static_cast<std::uint64_t>(limit.rlim_cur);
        const std::uint64_t mapped = mappedBytes();
        room = std::min(room, allowed > mapped ? allowed - mapped : 0);
    }
    return room;
}

} // namespace wtb
