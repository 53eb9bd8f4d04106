// The benchmark harness: cases time the library's operations at the largest
// sizes the formats allow, each against its lower bound measured in the same
// run where it has one, and print one line per case with the median.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace w32kbench {

// How a case is judged against its goal.
enum class GoalKind {
    Under,       // median below a fixed time (ms)
    RatioAtMost, // median at most limit times the bound
    ExtraAtMost, // median at most the bound plus limit ms
    Linear,      // median at most limit times the bound, the bound being a
                 // quarter-size run scaled by four
};

struct Goal {
    GoalKind kind;
    double limit;

    std::string text() const;
    bool met(double median, std::optional<double> bound) const;
};

// One printed line.
struct Row {
    std::string name;
    double median = 0;              // ms
    std::optional<double> bound;    // ms, measured in the same run
    Goal goal;
    int samples = 0;
};

// The run: its size (the smoke run uses tiny sizes and a single sample and
// judges no goal), the printed rows and the correctness failures.
class Bench {
public:
    explicit Bench(bool smoke) : smoke_(smoke) {}

    bool smoke() const { return smoke_; }
    // full in a real run, tiny in the smoke run.
    int size(int full, int tiny) const { return smoke_ ? tiny : full; }
    // Samples of a case: `full` in a real run, one in the smoke run.
    int samples(int full) const { return smoke_ ? 1 : full; }

    void printHeader() const;
    void report(const Row& row);
    // A wrong result: printed, and the run fails.
    void fail(const std::string& caseName, const std::string& what);
    // Checks a condition of a case's result.
    bool check(bool condition, const std::string& caseName, const std::string& what);
    void printSummary() const;
    int exitCode() const { return failures_ == 0 ? 0 : 1; }

private:
    bool smoke_;
    int failures_ = 0;
    std::vector<Row> rows_;
};

using Clock = std::chrono::steady_clock;

// Milliseconds that work() takes.
template <typename Work>
double timeMs(Work&& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values);

// Medians of a case and its bound, sampled in turn so that both see the same
// load. Each callable returns the milliseconds of one sample.
struct Medians {
    double work;
    double bound;
};
template <typename Work, typename Bound>
Medians pairedMedians(int samples, Work&& work, Bound&& bound)
{
    std::vector<double> w, b;
    for (int i = 0; i < samples; ++i) {
        w.push_back(work());
        b.push_back(bound());
    }
    return {median(w), median(b)};
}

template <typename Work>
double medianOf(int samples, Work&& work)
{
    std::vector<double> w;
    for (int i = 0; i < samples; ++i)
        w.push_back(work());
    return median(w);
}

// The case families.
void runFolderCases(Bench& bench);
void runTagCases(Bench& bench);
void runBitmapCases(Bench& bench);
void runTextCases(Bench& bench);
void runDialogCases(Bench& bench);

} // namespace w32kbench
