// One conversion of pictaf-convert: one input to one output, start to end,
// with its outcome as a value. The one-input command and every worker of a
// batch run go through here.
#pragma once

#include "ConvertOptions.h"
#include "MemoryGate.h"

#include <cstdint>
#include <functional>
#include <string>

namespace pictaf::convert {

struct Job {
    std::string input;  // "-" is standard input
    std::string output; // "-" is standard output
};

struct Outcome {
    enum class Kind { Converted, Failed, Skipped };
    Kind kind = Kind::Failed;
    std::string message;     // one line, without the program's name, for failures and budget overruns
    bool overBudget = false; // converted, but larger than --size-budget
    std::uint64_t bytesIn = 0;
    std::uint64_t bytesOut = 0;
};

// Never throws; every failure is an outcome with its reason. beforeMetafile
// runs (on the calling thread) before a metafile is played, whose text needs
// the application object's fonts.
Outcome ConvertOne(const Job& job, const ConvertOptions& options, MemoryGate& memory,
                   const std::function<void()>& beforeMetafile = {});

// The system's words for an errno value, thread-safe.
std::string SystemReason(int error);

} // namespace pictaf::convert
