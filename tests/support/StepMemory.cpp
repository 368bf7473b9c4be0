// The step's peak from /proc/self/status, the high-water mark reset through
// /proc/self/clear_refs.
#include "support/StepMemory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
#define BRISKO_STEP_MEMORY_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRISKO_STEP_MEMORY_SANITIZED 1
#endif
#endif

namespace testing_support {

namespace {

// A "Name:   1234 kB" line of /proc/self/status, in KiB; -1 when missing.
long statusKiB(const char* name)
{
    FILE* file = std::fopen("/proc/self/status", "r");
    if (!file)
        return -1;
    char line[256];
    long value = -1;
    const size_t length = std::strlen(name);
    while (std::fgets(line, sizeof line, file)) {
        if (std::strncmp(line, name, length) == 0 && line[length] == ':') {
            value = std::strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(file);
    return value;
}

bool resetHighWaterMark()
{
#ifdef BRISKO_STEP_MEMORY_SANITIZED
    // The sanitizer's allocator keeps what is freed aside for a while and
    // shadows every byte: a step's resident growth there is not its cost.
    return false;
#endif
    FILE* file = std::fopen("/proc/self/clear_refs", "w");
    if (!file)
        return false;
    const bool written = std::fputs("5", file) >= 0;
    return std::fclose(file) == 0 && written;
}

} // namespace

StepMemory::StepMemory()
{
    malloc_trim(0);
    isolated_ = resetHighWaterMark();
    startKiB_ = statusKiB(isolated_ ? "VmRSS" : "VmHWM");
}

long StepMemory::peakGrowthMiB() const { return (statusKiB("VmHWM") - startKiB_) / 1024; }

} // namespace testing_support
