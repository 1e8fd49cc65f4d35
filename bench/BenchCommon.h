#pragma once
// What every benchmark program needs: a clock, a median and the peak
// resident size the kernel has recorded for this process.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

inline double SecondsNow() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// A field of /proc/self/status in KiB ("VmHWM", "VmRSS"), or -1.
inline long StatusKib(const char* field) {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return -1;
  char line[256];
  long value = -1;
  const size_t length = std::strlen(field);
  while (std::fgets(line, sizeof line, status)) {
    if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
      value = std::strtol(line + length + 1, nullptr, 10);
      break;
    }
  }
  std::fclose(status);
  return value;
}

// One result line for bench/report.py: name, then key=value pairs.
inline void PrintResult(const std::string& name, const std::vector<std::pair<std::string, double>>& values) {
  std::printf("RESULT %s", name.c_str());
  for (const auto& [key, value] : values) std::printf(" %s=%.9g", key.c_str(), value);
  std::printf("\n");
  std::fflush(stdout);
}
