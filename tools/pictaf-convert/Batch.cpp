#include "Batch.h"

#include "Messages.h"
#include "PictureInput.h"

#include <engine/Preflight.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace pictaf::convert {

namespace {

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string outputName(const fs::path& relative, const ConvertOptions& options)
{
    fs::path name = relative;
    name.replace_extension(options.type == ConvertOptions::Type::Gif ? ".gif" : ".bmp");
    return (fs::path(options.outputDir) / name).lexically_normal().string();
}

bool isHidden(const fs::path& p)
{
    const std::string name = p.filename().string();
    return name.size() > 1 && name[0] == '.' && name != "..";
}

// Adds the pictures below dir, sorted, each keeping its place relative to dir.
void walk(const std::string& dir, const ConvertOptions& options, Plan& plan)
{
    std::error_code ec;
    const fs::path outputDir = fs::weakly_canonical(options.outputDir, ec);
    std::vector<Job> found;
    fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        plan.failures.push_back("cannot read '" + dir + "': " + ec.message());
        return;
    }
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) {
            plan.failures.push_back("cannot read all of '" + dir + "': " + ec.message());
            break;
        }
        const fs::directory_entry& entry = *it;
        // Hidden entries (among them half-written outputs of other programs)
        // and the output folder itself are not inputs. Linked folders are
        // not followed, so a link loop can't make the walk endless.
        if (isHidden(entry.path())) {
            if (entry.is_directory(ec) && !entry.is_symlink(ec))
                it.disable_recursion_pending();
            continue;
        }
        if (entry.is_directory(ec)) {
            std::error_code same;
            if (!outputDir.empty() && fs::equivalent(entry.path(), outputDir, same))
                it.disable_recursion_pending();
            continue;
        }
        if (!entry.is_regular_file(ec) || !HasPictureExtension(entry.path().filename().string()))
            continue;
        const fs::path relative = entry.path().lexically_relative(dir);
        found.push_back({entry.path().string(), outputName(relative, options)});
    }
    std::sort(found.begin(), found.end(), [](const Job& a, const Job& b) { return a.input < b.input; });
    plan.jobs.insert(plan.jobs.end(), found.begin(), found.end());
}

std::string clock(double seconds)
{
    const long s = std::lround(seconds);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

// The shared state of a run: counters, and stderr, where failure lines and
// the progress bar take turns.
class Progress {
public:
    Progress(std::size_t total, bool bar) : total_(total), bar_(bar), start_(std::chrono::steady_clock::now()) {}

    void record(const Outcome& outcome)
    {
        std::lock_guard lock(mutex_);
        switch (outcome.kind) {
        case Outcome::Kind::Converted: ++converted_; break;
        case Outcome::Kind::Failed: ++failed_; break;
        case Outcome::Kind::Skipped: ++skipped_; break;
        }
        bytesIn_ += outcome.bytesIn;
        bytesOut_ += outcome.bytesOut;
        if (outcome.kind == Outcome::Kind::Failed || outcome.overBudget)
            printLocked(outcome.message);
        if (outcome.overBudget)
            ++overBudget_;
        ++done_;
        if (done_ == total_)
            finished_.notify_all();
    }

    void failure(const std::string& message)
    {
        std::lock_guard lock(mutex_);
        ++failed_;
        printLocked(message);
    }

    // Redraws the bar now and then until every job is done.
    void waitForAll()
    {
        std::unique_lock lock(mutex_);
        while (done_ < total_) {
            if (bar_)
                drawLocked();
            finished_.wait_for(lock, std::chrono::milliseconds(200));
        }
        if (bar_) {
            // The finished bar stays on screen above the summary.
            drawLocked();
            std::fputc('\n', Messages());
            shown_ = false;
        }
    }

    void summary() const
    {
        std::fprintf(Messages(),
                     "pictaf-convert: %zu converted, %zu failed, %zu skipped; %llu bytes in, %llu bytes out\n",
                     converted_, failed_, skipped_, static_cast<unsigned long long>(bytesIn_),
                     static_cast<unsigned long long>(bytesOut_));
    }

    std::size_t failed() const { return failed_; }
    std::size_t overBudget() const { return overBudget_; }

private:
    void printLocked(const std::string& message)
    {
        if (shown_)
            std::fputs("\r\033[K", Messages());
        shown_ = false;
        std::fprintf(Messages(), "pictaf-convert: %s\n", message.c_str());
    }

    void drawLocked()
    {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double rate = elapsed > 0 ? static_cast<double>(done_) / elapsed : 0;
        constexpr int kWidth = 24;
        const int filled = total_ == 0 ? kWidth : static_cast<int>(kWidth * done_ / total_);
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.resize(kWidth, '-');
        const std::string left = rate > 0 ? clock(static_cast<double>(total_ - done_) / rate) : "?";
        std::fprintf(Messages(), "\r[%s] %zu/%zu  %.0f pictures/s  %s elapsed  %s left\033[K", bar.c_str(), done_,
                     total_, rate, clock(elapsed).c_str(), left.c_str());
        std::fflush(Messages());
        shown_ = true;
    }

    std::mutex mutex_;
    std::condition_variable finished_;
    const std::size_t total_;
    const bool bar_;
    bool shown_ = false;
    const std::chrono::steady_clock::time_point start_;
    std::size_t done_ = 0, converted_ = 0, failed_ = 0, skipped_ = 0, overBudget_ = 0;
    std::uint64_t bytesIn_ = 0, bytesOut_ = 0;
};

} // namespace

bool HasPictureExtension(const std::string& name)
{
    static const char* const kExtensions[] = {".bmp",  ".dib", ".rle", ".wmf", ".emf",  ".png", ".jpg",
                                              ".jpeg", ".jpe", ".gif", ".tif", ".tiff", ".webp"};
    const std::string ext = lower(fs::path(name).extension().string());
    return std::any_of(std::begin(kExtensions), std::end(kExtensions), [&](const char* e) { return ext == e; });
}

Plan PlanBatch(const ConvertOptions& options)
{
    Plan plan;
    for (const std::string& input : options.inputs) {
        struct stat st {};
        if (::stat(input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            if (options.recursive)
                walk(input, options, plan);
            else
                plan.failures.push_back("cannot read '" + input + "': is a directory (-r converts the pictures in it)");
            continue;
        }
        // Missing and unreadable files are jobs too: they fail with their reason.
        plan.jobs.push_back({input, outputName(fs::path(input).filename(), options)});
    }
    std::map<std::string, std::vector<const Job*>> byOutput;
    for (const Job& job : plan.jobs)
        byOutput[job.output].push_back(&job);
    for (const auto& [output, jobs] : byOutput) {
        if (jobs.size() < 2)
            continue;
        std::string line;
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            line += i == 0 ? "'" : (i + 1 == jobs.size() ? " and '" : ", '");
            line += jobs[i]->input;
            line += '\'';
        }
        line += jobs.size() == 2 ? " would both write '" : " would all write '";
        line += output;
        line += '\'';
        plan.collisions.push_back(std::move(line));
    }
    return plan;
}

int RunBatch(const ConvertOptions& options, const std::function<void()>& prepareFonts)
{
    Plan plan = PlanBatch(options);
    if (!plan.collisions.empty()) {
        for (const std::string& line : plan.collisions)
            std::fprintf(Messages(), "pictaf-convert: %s\n", line.c_str());
        std::fprintf(Messages(),
                     "pictaf-convert: nothing converted; give the colliding inputs separate runs or -o folders\n");
        return 2;
    }
    std::error_code ec;
    fs::create_directories(options.outputDir, ec);
    if (ec || !fs::is_directory(options.outputDir)) {
        std::fprintf(Messages(), "pictaf-convert: cannot make the output folder '%s': %s\n", options.outputDir.c_str(),
                     ec ? ec.message().c_str() : "not a directory");
        return 1;
    }
    // Metafiles need the application object, which only this thread may make.
    for (const Job& job : plan.jobs) {
        struct stat st {};
        const bool plain = ::stat(job.input.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        if (!plain || KindNeedsFonts(job.input)) {
            prepareFonts();
            break;
        }
    }

    const bool bar = !options.quiet && ::isatty(STDERR_FILENO);
    Progress progress(plan.jobs.size(), bar);
    for (const std::string& line : plan.failures)
        progress.failure(line);

    MemoryGate memory(SpareMemoryBytes());
    std::size_t workers =
        options.jobs > 0 ? static_cast<std::size_t>(options.jobs) : std::max(1u, std::thread::hardware_concurrency());
    workers = std::min(workers, plan.jobs.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (;;) {
            const std::size_t i = next.fetch_add(1);
            if (i >= plan.jobs.size())
                return;
            const Job& job = plan.jobs[i];
            Outcome outcome;
            std::error_code made;
            fs::create_directories(fs::path(job.output).parent_path(), made);
            try {
                outcome = ConvertOne(job, options, memory);
            } catch (const std::exception& e) {
                outcome.kind = Outcome::Kind::Failed;
                outcome.message = "cannot convert '" + job.input + "': " + e.what();
            }
            progress.record(outcome);
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(workers);
    for (std::size_t i = 0; i < workers; ++i)
        pool.emplace_back(work);
    progress.waitForAll();
    for (std::thread& t : pool)
        t.join();
    if (!options.quiet)
        progress.summary();
    if (progress.failed() != 0)
        return 1;
    return progress.overBudget() == 0 ? 0 : 3;
}

} // namespace pictaf::convert
