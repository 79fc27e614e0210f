// pictaf-convert INPUT... -o DIR: every input converted into DIR by a pool
// of workers, each working on one picture at a time (so -j N holds at most N
// pictures in memory), with progress on a terminal and one line per failure.
#pragma once

#include "Conversion.h"
#include "ConvertOptions.h"

#include <functional>
#include <string>
#include <vector>

namespace pictaf::convert {

// Extensions of the files -r picks up in directories (lower case, with the
// dot); files named on the command line are tried whatever their name.
bool HasPictureExtension(const std::string& name);

struct Plan {
    std::vector<Job> jobs;
    std::vector<std::string> failures;   // inputs refused before any work (a directory without -r)
    std::vector<std::string> collisions; // outputs two inputs would share, one line each
};

// The jobs for options.inputs, sorted by input within each named input,
// with their outputs under options.outputDir.
Plan PlanBatch(const ConvertOptions& options);

// Runs the whole batch; returns the exit status (0, 1 or 2). prepareFonts
// runs on this thread before any worker starts when some input is a metafile.
int RunBatch(const ConvertOptions& options, const std::function<void()>& prepareFonts);

} // namespace pictaf::convert
