// The lines a unit came from, in a fixed amount of memory however many there
// are: the first few runs of consecutive lines, then a count of the rest.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel::trace {

class TLineList {
public:
    // The runs of consecutive lines kept; lines beyond them are counted.
    static constexpr size_t kListedRuns = 8;

    void Add(long long Line) { Add(Line, Line); }
    // Lines First to Last; lines not after the last one already added are
    // left out, so a line is never counted twice.
    void Add(long long First, long long Last);
    void clear() noexcept { *this = TLineList(); }

    bool empty() const noexcept { return FCount == 0; }
    long long size() const noexcept { return FCount; }
    long long front() const noexcept { return FRuns[0].First; }
    long long back() const noexcept { return FLast; }

    // "line 3", "lines 3, 4", "lines 3-5, 7, 9-12", and past the runs kept
    // "lines 3-5, 7, ... and 12 more"; Counted names what the numbers count
    // ("packet": "packets 3-5").
    std::string Text(std::string_view Counted = "line") const;

private:
    struct TRun {
        long long First = 0;
        long long Last = 0;
    };
    TRun FRuns[kListedRuns];
    size_t FRunCount = 0;
    long long FCount = 0;
    long long FLast = 0;
    long long FUnlisted = 0;
};

}  // namespace vantrel::trace
