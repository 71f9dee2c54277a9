// Ten million polls of WinMain on the fake device, one animation pass each, with the tick count
// crossing 2^32 half way: every group keeps its period across the wrap, the program holds one
// palette throughout, and the steady state allocates nothing that it keeps.
//
// The binary replaces the global operator new and delete with counting ones; the fake's records
// are dropped at every checkpoint (fake::ForgetHistory), so what stays alive there is what the
// program, the layer and the device hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "animation/cycling.h"
#include "palette/work_palette.h"
#include "tests/fake/fake_device.h"
#include "tests/support/test_support.h"

namespace {

long live_allocations = 0;
long long live_bytes = 0;

// Each block carries its size in front, so a delete knows how much went.
constexpr std::size_t header = alignof(std::max_align_t);

void* counted_new(std::size_t size) {
    char* p = static_cast<char*>(std::malloc(header + size));
    if (!p)
        throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(p) = size;
    ++live_allocations;
    live_bytes += static_cast<long long>(size);
    return p + header;
}

void counted_delete(void* p) noexcept {
    if (p) {
        char* block = static_cast<char*>(p) - header;
        --live_allocations;
        live_bytes -= static_cast<long long>(*reinterpret_cast<std::size_t*>(block));
        std::free(block);
    }
}

} // namespace

void* operator new(std::size_t size) {
    return counted_new(size);
}
void* operator new[](std::size_t size) {
    return counted_new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return counted_new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return counted_new(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    counted_delete(p);
}
void operator delete[](void* p) noexcept {
    counted_delete(p);
}
void operator delete(void* p, std::size_t) noexcept {
    counted_delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    counted_delete(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    counted_delete(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    counted_delete(p);
}

namespace {

const char* const group_names[CYCLE_GROUPS] = {"A", "B", "C", "D"};

// QUARNEL_LONG_RUN_POLLS=1000000 runs a shorter stretch around the same wrap, by hand.
uint64_t PollsToRun() {
    const char* text = std::getenv("QUARNEL_LONG_RUN_POLLS");
    return text ? std::strtoull(text, nullptr, 10) : 10'000'000;
}

struct GroupLog {
    DWORD last = 0;        // lastFire as last seen
    uint64_t before = 0;   // firings before the wrap
    uint64_t after = 0;    // and after it
    uint64_t off_beat = 0; // intervals other than the group's period
    DWORD first_off_interval = 0;
    bool crossed = false; // an interval spanning the wrap was seen, and was right
};

bool off_beat_seen(const GroupLog* groups) {
    for (int g = 0; g < CYCLE_GROUPS; ++g)
        if (groups[g].off_beat > 0)
            return true;
    return false;
}

TEST(LongRun, GroupsKeepTheirPeriodsAcrossTheTickWrapAndNothingAccumulates) {
    const uint64_t polls = PollsToRun();
    ASSERT_GE(polls, 1'000'000u) << "too short to see the periods on both sides of the wrap";
    // The clock starts so that it wraps half way, at 1 ms a poll.
    const uint64_t wrap_after = polls / 2;
    const DWORD start = static_cast<DWORD>(0x100000000ull - wrap_after);

    ResetProgramState();
    std::string dir = MakeScratchDir();
    std::vector<unsigned char> file(PALETTE_BYTES);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<unsigned char>(i % 64);
    SetArguments({"quarnel", WriteBytes(dir + "/gradient.pal", file)});
    fake::SetTicks(start);
    fake::SetTickStep(1);
    fake::SetPollLimit(polls);

    GroupLog groups[CYCLE_GROUPS];
    std::vector<long> live_at_checkpoints;
    std::vector<long long> bytes_at_checkpoints;
    long long most_palettes_held = 0;
    int palettes_at_last_poll = -1;
    size_t misuses = 0;
    bool cut_short = false;
    // The fake keeps every record and released palette until told to forget them; forgetting
    // often keeps its lists, and the time it spends in them, short.
    const uint64_t forget_every = 10'000;
    // Twenty checkpoints, however long the run.
    const uint64_t checkpoint_every =
        std::max<uint64_t>(polls / 20 / forget_every, 1) * forget_every;

    // Reserved up front: the hook must not allocate what it keeps.
    live_at_checkpoints.reserve(polls / checkpoint_every + 2);
    bytes_at_checkpoints.reserve(polls / checkpoint_every + 2);
    fake::OnPoll([&] {
        for (int g = 0; g < CYCLE_GROUPS; ++g) {
            GroupLog& log = groups[g];
            DWORD fired = CycleGroups[g].lastFire;
            if (fired == log.last)
                continue;
            if (log.before + log.after > 0) {
                DWORD interval = fired - log.last;
                if (interval != SpeedFactor * CycleGroups[g].period && log.off_beat++ == 0)
                    log.first_off_interval = interval;
                if (fired < log.last)
                    log.crossed = interval == SpeedFactor * CycleGroups[g].period;
            }
            (fired >= start ? log.before : log.after)++;
            log.last = fired;
        }
        long long held = fake::LivePalettes();
        if (held > most_palettes_held)
            most_palettes_held = held;
        uint64_t n = fake::Polls();
        // A broken run ends at once (a close on the next poll) rather than grinding on.
        if ((held > 1 || off_beat_seen(groups)) && !cut_short) {
            fake::SetPollLimit(n + 1);
            cut_short = true;
        }
        if (n == polls - 1)
            palettes_at_last_poll = fake::LivePalettes();
        if (n % forget_every == 0) {
            misuses += fake::Misuses().size();
            fake::ForgetHistory();
            if (n % checkpoint_every == 0) {
                live_at_checkpoints.push_back(live_allocations);
                bytes_at_checkpoints.push_back(live_bytes);
                if ((live_allocations != live_at_checkpoints[0] ||
                     live_bytes != bytes_at_checkpoints[0]) &&
                    !cut_short) {
                    fake::SetPollLimit(n + 1);
                    cut_short = true;
                }
            }
        }
    });

    int code = RunWinMain();
    fake::OnPoll(nullptr);
    RemoveScratchDir(dir);

    EXPECT_EQ(code, 0);
    EXPECT_GE(fake::Polls(), polls) << "the run was cut short by a breach shown below";
    misuses += fake::Misuses().size();
    EXPECT_EQ(misuses, 0u) << "calls the platform would refuse";
    EXPECT_EQ(palettes_at_last_poll, 1);
    EXPECT_EQ(most_palettes_held, 1) << "between two passes the program holds one palette";
    EXPECT_EQ(fake::LivePalettes(), 0);
    EXPECT_EQ(fake::LiveSurfaces(), 0);
    EXPECT_EQ(fake::LiveDirectDraws(), 0);
    EXPECT_FALSE(fake::DisplayModeSet());

    for (int g = 0; g < CYCLE_GROUPS; ++g) {
        const GroupLog& log = groups[g];
        SCOPED_TRACE(std::string("group ") + group_names[g]);
        std::printf("group %s: %llu firings before the wrap, %llu after\n", group_names[g],
                    static_cast<unsigned long long>(log.before),
                    static_cast<unsigned long long>(log.after));
        uint64_t period = CycleGroups[g].period;
        // One firing on the first pass, then one every period, on both sides of the wrap.
        EXPECT_NEAR(static_cast<double>(log.before), static_cast<double>(wrap_after / period + 1),
                    1.0);
        EXPECT_NEAR(static_cast<double>(log.after),
                    static_cast<double>((polls - wrap_after) / period), 2.0);
        EXPECT_EQ(log.off_beat, 0u) << "first interval off the period: " << log.first_off_interval;
        EXPECT_TRUE(log.crossed) << "no firing interval spanned the wrap at the period";
        // The ranges moved once per firing.
        for (CycleRange** range = CycleGroups[g].ranges; *range; ++range)
            EXPECT_EQ(static_cast<uint64_t>((*range)->phase),
                      (log.before + log.after) % static_cast<uint64_t>((*range)->length));
    }

    // The first checkpoint comes after the start-up and many passes: from there on the live
    // allocations, their count and their bytes, stay put.
    ASSERT_GE(live_at_checkpoints.size(), 3u);
    std::printf("live at %zu checkpoints: %ld allocations of %lld bytes at the first\n",
                live_at_checkpoints.size(), live_at_checkpoints[0], bytes_at_checkpoints[0]);
    for (size_t i = 1; i < live_at_checkpoints.size(); ++i) {
        EXPECT_EQ(live_at_checkpoints[i], live_at_checkpoints[0])
            << "checkpoint " << i << " of " << live_at_checkpoints.size();
        EXPECT_EQ(bytes_at_checkpoints[i], bytes_at_checkpoints[0])
            << "checkpoint " << i << " of " << live_at_checkpoints.size();
    }
}

} // namespace
