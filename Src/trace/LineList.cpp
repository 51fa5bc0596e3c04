#include "LineList.h"

namespace vantrel::trace {

void TLineList::Add(long long First, long long Last) {
    if (FCount > 0 && First <= FLast) First = FLast + 1;
    if (First > Last) return;
    const long long added = Last - First + 1;
    if (FCount > 0 && FUnlisted == 0 && First == FLast + 1) {
        FRuns[FRunCount - 1].Last = Last;
    } else if (FRunCount < kListedRuns) {
        FRuns[FRunCount++] = TRun{First, Last};
    } else {
        FUnlisted += added;
    }
    FCount += added;
    FLast = Last;
}

std::string TLineList::Text(std::string_view Counted) const {
    std::string text(Counted);
    text += FCount == 1 ? " " : "s ";
    for (size_t i = 0; i < FRunCount; ++i) {
        if (i) text += ", ";
        const TRun& run = FRuns[i];
        text += std::to_string(run.First);
        if (run.Last > run.First) text += (run.Last == run.First + 1 ? ", " : "-") + std::to_string(run.Last);
    }
    if (FUnlisted > 0) text += ", ... and " + std::to_string(FUnlisted) + " more";
    return text;
}

}  // namespace vantrel::trace
