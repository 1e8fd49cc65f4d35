// The thumbnail worker's passes, with doubles for the download and the
// picture calls, and its sharing of the catalogue with a page change.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "app/AppState.h"
#include "catalogue/Catalogue.h"
#include "catalogue/ThumbnailWorker.h"
#include "platform/Text.h"
#include "platform/Threads.h"

namespace {

struct Call {
  std::string what;
  int number;
  std::string text;
  bool operator==(const Call&) const = default;
};

std::mutex CallsLock;
std::vector<Call> Calls;
std::function<int(const std::string&)> DownloadAnswer;

void Record(Call call) {
  std::lock_guard<std::mutex> lock(CallsLock);
  Calls.push_back(std::move(call));
}

int FakeDownload(const std::string& address, const std::string& file, const std::atomic<bool>*) {
  Record({"download", 0, address + " -> " + file});
  return DownloadAnswer(address);
}
bool FakeLoad(int picture, const std::string& file) {
  Record({"load", picture, file});
  return true;
}
void FakeResize(int picture, int width, int height) {
  Record({"resize", picture, std::to_string(width) + "x" + std::to_string(height)});
}
bool FakeShow(int view, int picture) {
  Record({"show", view, std::to_string(picture)});
  return true;
}

class WorkerPasses : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = ThumbnailOps;
    ThumbnailOps = {FakeDownload, FakeLoad, FakeResize, FakeShow};
    ThumbnailStopRequested = false;
    Calls.clear();
    CreateCatalogue();
    for (int i = 0; i < CatalogueSlots; ++i) ThumbnailUrls[i] = "http://img/" + std::to_string(i);
    DownloadAnswer = [](const std::string&) { return 0; };
  }
  void TearDown() override { ThumbnailOps = saved; }
  std::vector<Call> CallsOf(const std::string& what) {
    std::vector<Call> out;
    for (const auto& c : Calls)
      if (c.what == what) out.push_back(c);
    return out;
  }
  ThumbnailOperations saved;
};

TEST_F(WorkerPasses, TwentyOnePassesInOrderEachDownloadLoadResizeShow) {
  EXPECT_EQ(ThumbnailWorker(0), 0);
  ASSERT_EQ(Calls.size(), 21u * 4);
  for (int i = 0; i < 21; ++i) {
    std::string n = std::to_string(i);
    EXPECT_EQ(Calls[i * 4 + 0], (Call{"download", 0, "http://img/" + n + " -> img/" + n + ".jpg"}));
    EXPECT_EQ(Calls[i * 4 + 1], (Call{"load", i, "img/" + n + ".jpg"}));
    EXPECT_EQ(Calls[i * 4 + 2], (Call{"resize", i, "170x96"}));
    EXPECT_EQ(Calls[i * 4 + 3], (Call{"show", i, n}));
  }
}

TEST_F(WorkerPasses, EveryResultButZeroLoadsThePlaceholder) {
  // Slot 3 fails, slot 4 answers above zero, slot 5 succeeds again.
  DownloadAnswer = [](const std::string& address) {
    if (address == "http://img/3") return -1;
    if (address == "http://img/4") return 7;
    return 0;
  };
  ThumbnailWorker(0);
  auto loads = CallsOf("load");
  const std::string placeholder = "img/" + Utf8ToCp1251("фон") + ".jpg";
  EXPECT_EQ(loads[3].text, placeholder);
  EXPECT_EQ(loads[4].text, placeholder);
  EXPECT_EQ(loads[5].text, "img/5.jpg");
  EXPECT_EQ(CallsOf("show").size(), 21u);
}

TEST_F(WorkerPasses, PageChangeMidRunReachesTheRowsStillToCome) {
  DownloadAnswer = [](const std::string& address) {
    if (address == "http://img/10") {
      // The window's thread rewrites the catalogue during pass 10.
      std::lock_guard<std::mutex> lock(CatalogueLock);
      for (int i = 0; i < CatalogueSlots; ++i) ThumbnailUrls[i] = "http://new/" + std::to_string(i);
    }
    return 0;
  };
  ThumbnailWorker(0);
  auto downloads = CallsOf("download");
  EXPECT_EQ(downloads[9].text.substr(0, 13), "http://img/9 ");
  EXPECT_EQ(downloads[10].text.substr(0, 14), "http://img/10 ");
  EXPECT_EQ(downloads[11].text.substr(0, 14), "http://new/11 ");
  EXPECT_EQ(downloads[20].text.substr(0, 14), "http://new/20 ");
}

TEST_F(WorkerPasses, StopRequestEndsTheRunBeforeTheNextPass) {
  DownloadAnswer = [](const std::string& address) {
    if (address == "http://img/2") ThumbnailStopRequested = true;
    return -2;
  };
  ThumbnailWorker(0);
  EXPECT_EQ(CallsOf("download").size(), 3u);
  EXPECT_EQ(CallsOf("show").size(), 2u);  // the aborted pass shows nothing
}

TEST_F(WorkerPasses, RefusedShowEndsTheRun) {
  ThumbnailOps.show = [](int view, int) { return view < 4; };
  ThumbnailWorker(0);
  EXPECT_EQ(CallsOf("download").size(), 5u);
}

// Runs the real lock and the real worker loop on real threads, so that
// ThreadSanitizer sees the catalogue's rewrites against the worker's copies.
TEST_F(WorkerPasses, RewritesAndCopiesOnTwoThreadsAreWhole) {
  ThumbnailOps.download = [](const std::string& address, const std::string&,
                             const std::atomic<bool>*) {
    bool whole = address.empty() || address == std::string(address.size(), address[0]);
    Record({"whole", whole, address});
    return 0;
  };
  ThumbnailOps.load = [](int, const std::string&) { return true; };
  ThumbnailOps.resize = [](int, int, int) {};
  ThumbnailOps.show = [](int, int) { return true; };
  for (int i = 0; i < CatalogueSlots; ++i) ThumbnailUrls[i] = "zzzz";
  for (int run = 0; run < 20; ++run) {
    int worker = ThreadStart(ThumbnailWorker, 0);
    ASSERT_NE(worker, 0);
    for (int page = 0; page < 50; ++page) {
      std::lock_guard<std::mutex> lock(CatalogueLock);
      for (int i = 0; i < CatalogueSlots; ++i)
        ThumbnailUrls[i] = std::string(100 + page * 7, static_cast<char>('a' + page % 26));
    }
    ThreadJoin(worker);
    EXPECT_FALSE(ThreadIsRunning(worker));
  }
  for (const auto& c : Calls) EXPECT_TRUE(c.number) << c.text.size();
}

TEST(WorkerStartRule, NoSecondRunWhileOneIsGoing) {
  static std::atomic<bool> release{false};
  static std::atomic<int> runs{0};
  auto saved = ThumbnailOps;
  ThumbnailStopRequested = false;
  ThumbnailOps.download = [](const std::string&, const std::string&, const std::atomic<bool>*) {
    while (!release) std::this_thread::yield();
    return -1;
  };
  ThumbnailOps.load = [](int picture, const std::string&) {
    if (picture == 0) ++runs;
    return true;
  };
  ThumbnailOps.resize = [](int, int, int) {};
  ThumbnailOps.show = [](int, int) { return true; };
  ThumbnailThread = 0;
  StartThumbnailWorker();
  int first = ThumbnailThread;
  EXPECT_NE(first, 0);
  StartThumbnailWorker();  // still blocked in its first download
  EXPECT_EQ(ThumbnailThread, first);
  release = true;
  ThreadJoin(first);
  StartThumbnailWorker();  // the run has ended: a new one starts
  EXPECT_NE(ThumbnailThread, first);
  ThreadJoin(ThumbnailThread);
  EXPECT_EQ(runs, 2);
  ThumbnailThread = 0;
  ThumbnailOps = saved;
}

}  // namespace
