// The catalogue scraper over a file of many catalogue pages, timed against
// `grep -c grid_title` on the same file, and its peak memory.
//
//   zirta-bench-scrape time DIR ROUNDS   median times of both, alternating
//   zirta-bench-scrape memory DIR        peak resident size before and after
//
// DIR holds the file as "vexo.txt". The scraper is called with an empty
// address: that download fails before it touches the file, so the file the
// benchmark prepared is what gets read, exactly as after a real download.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "bench/BenchCommon.h"
#include "catalogue/Catalogue.h"

extern char** environ;

namespace {

const char* const ListFile = "vexo.txt";

// The whole process, start to exit, as a shell would time it, with its
// count read through a pipe: given /dev/null as its output, grep stops at the
// first match. The C locale keeps grep on its plain byte search, the fastest
// floor it offers.
double TimeGrep() {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    std::perror("pipe");
    std::exit(1);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  std::vector<std::string> environment = {"LC_ALL=C", "PATH=/usr/bin:/bin"};
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  char grep[] = "grep", count[] = "-c", pattern[] = "grid_title", file[] = "vexo.txt";
  char* argv[] = {grep, count, pattern, file, nullptr};
  pid_t pid;
  const double start = SecondsNow();
  if (posix_spawnp(&pid, "grep", &actions, nullptr, argv, envp.data()) != 0) {
    std::perror("grep");
    std::exit(1);
  }
  close(pipeEnds[1]);
  std::string output;
  char buffer[64];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = SecondsNow() - start;
  close(pipeEnds[0]);
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || std::atol(output.c_str()) < CatalogueSlots) {
    std::fprintf(stderr, "grep found too few title lines: %s\n", output.c_str());
    std::exit(1);
  }
  return seconds;
}

double TimeScrape() {
  const double start = SecondsNow();
  LoadCataloguePage("");
  return SecondsNow() - start;
}

// A scrape that read nothing would be fast for the wrong reason.
void CheckScraped() {
  std::lock_guard<std::mutex> lock(CatalogueLock);
  if (ChannelTitles[0].empty() || ThumbnailUrls[CatalogueSlots - 1].empty()) {
    std::fprintf(stderr, "the scraper found no channels in %s\n", ListFile);
    std::exit(1);
  }
}

int Time(int rounds) {
  std::vector<double> scrape, grep;
  TimeScrape();  // brings the file into the page cache for both
  TimeGrep();
  for (int i = 0; i < rounds; ++i) {
    // Alternating which goes first keeps a slow moment of the machine from
    // landing on one side only.
    if (i % 2) {
      grep.push_back(TimeGrep());
      scrape.push_back(TimeScrape());
    } else {
      scrape.push_back(TimeScrape());
      grep.push_back(TimeGrep());
    }
  }
  CheckScraped();
  const double s = Median(scrape), g = Median(grep);
  PrintResult("scrape_time", {{"scrape_s", s}, {"grep_s", g}, {"ratio", s / g}, {"rounds", rounds}});
  return 0;
}

// Peak resident size is kept by the kernel for the life of the process, so
// one scrape in a fresh process shows what the scrape itself needed on top
// of the libraries and tables the program starts with.
int Memory() {
  CreateCatalogue();
  const long before = StatusKib("VmHWM");
  LoadCataloguePage("");
  const long after = StatusKib("VmHWM");
  CheckScraped();
  PrintResult("scrape_memory", {{"before_kib", before}, {"after_kib", after},
                                {"growth_kib", after - before}});
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || chdir(argv[2]) != 0) {
    std::fprintf(stderr, "usage: %s time DIR ROUNDS | memory DIR\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  if (mode == "time" && argc == 4) return Time(std::max(1, std::atoi(argv[3])));
  if (mode == "memory") return Memory();
  std::fprintf(stderr, "usage: %s time DIR ROUNDS | memory DIR\n", argv[0]);
  return 2;
}
