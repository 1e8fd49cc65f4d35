// Runs one download the way the program does, for the end-to-end tests:
//   download_probe ADDRESS FILE [ABORT_AFTER_MS]
// prints the result code and exits 0.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/Download.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: download_probe ADDRESS FILE [ABORT_AFTER_MS]\n");
    return 2;
  }
  std::atomic<bool> abort{false};
  std::thread aborter;
  if (argc > 3) {
    int after = std::atoi(argv[3]);
    aborter = std::thread([&abort, after] {
      std::this_thread::sleep_for(std::chrono::milliseconds(after));
      abort = true;
    });
  }
  int result = DownloadToFile(argv[1], argv[2], &abort);
  if (aborter.joinable()) aborter.join();
  std::printf("%d\n", result);
  return 0;
}
