// Printing and judging of the benchmark's rows.
#include "bench.h"

#include <algorithm>
#include <cstdio>

namespace w32kbench {

std::string Goal::text() const
{
    char buffer[48];
    switch (kind) {
    case GoalKind::Under:
        std::snprintf(buffer, sizeof buffer, "< %g ms", limit);
        break;
    case GoalKind::RatioAtMost:
        std::snprintf(buffer, sizeof buffer, "<= %gx bound", limit);
        break;
    case GoalKind::ExtraAtMost:
        std::snprintf(buffer, sizeof buffer, "<= bound + %g ms", limit);
        break;
    case GoalKind::Linear:
        std::snprintf(buffer, sizeof buffer, "linear (<= %gx)", limit);
        break;
    }
    return buffer;
}

bool Goal::met(double medianMs, std::optional<double> bound) const
{
    switch (kind) {
    case GoalKind::Under:
        return medianMs < limit;
    case GoalKind::RatioAtMost:
    case GoalKind::Linear:
        return bound && medianMs <= limit * *bound;
    case GoalKind::ExtraAtMost:
        return bound && medianMs <= *bound + limit;
    }
    return false;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void Bench::printHeader() const
{
    std::printf("%-46s %10s %10s %7s  %-18s %s\n", "case", "median ms", "bound ms", "ratio", "goal",
                smoke_ ? "(smoke run: sizes tiny, goals not judged)" : "met");
}

void Bench::report(const Row& row)
{
    rows_.push_back(row);
    char bound[16] = "-", ratio[16] = "-";
    if (row.bound && !smoke_) {
        std::snprintf(bound, sizeof bound, "%.3f", *row.bound);
        if (*row.bound > 0)
            std::snprintf(ratio, sizeof ratio, "%.2fx", row.median / *row.bound);
    }
    const char* met = smoke_ ? "-" : row.goal.met(row.median, row.bound) ? "yes" : "NO";
    std::printf("%-46s %10.3f %10s %7s  %-18s %s\n", row.name.c_str(), row.median, bound, ratio,
                row.goal.text().c_str(), met);
    std::fflush(stdout);
}

void Bench::fail(const std::string& caseName, const std::string& what)
{
    ++failures_;
    std::printf("FAILED %s: %s\n", caseName.c_str(), what.c_str());
    std::fflush(stdout);
}

bool Bench::check(bool condition, const std::string& caseName, const std::string& what)
{
    if (!condition)
        fail(caseName, what);
    return condition;
}

void Bench::printSummary() const
{
    if (smoke_) {
        std::printf("%zu cases ran, %d wrong results\n", rows_.size(), failures_);
        return;
    }
    const auto met = std::count_if(rows_.begin(), rows_.end(),
                                   [](const Row& r) { return r.goal.met(r.median, r.bound); });
    std::printf("%lld of %zu goals met; %d wrong results\n", static_cast<long long>(met), rows_.size(),
                failures_);
}

} // namespace w32kbench
