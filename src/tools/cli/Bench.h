#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace quillan::cli::bench {

// Machines are shared and noisy: every figure is the best of several runs, and every target is a
// ratio to a baseline measured in the same process right beside it.
double BestSeconds(int runs, const std::function<void()>& body);

// The reference reader: one fread into one fresh buffer, lines counted with memchr.
// Returns the line count so the work cannot be optimised away.
std::size_t FreadMemchr(const std::string& path);

// Runs a shell command (output discarded) and returns its best wall time over `runs` runs, or a
// negative value when the command is not available or fails.
double BestCommandSeconds(int runs, const std::string& shellCommand);

std::size_t FileSize(const std::string& path);

// Resident set size of this process in bytes (from /proc/self/statm).
std::size_t ResidentBytes();

// Default location of the generated corpus: $CORPUS, else /tmp/corpus.
std::string CorpusPath(std::string_view fileName);

// "name: 12.3 ms" style rows, so that every bench prints alike.
void Report(std::string_view what, double seconds);
void ReportRatio(std::string_view what, double ratio, double target);

} // namespace quillan::cli::bench
