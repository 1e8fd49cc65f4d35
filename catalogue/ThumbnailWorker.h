#pragma once
// Fetches the thumbnails of strip rows 0 to 20, one after another, on a
// thread of its own, and shows each through the window's thread.
#include <atomic>
#include <string>

constexpr int ThumbnailWidth = 170;
constexpr int ThumbnailHeight = 96;

// The worker's body; the argument is ignored.
int ThumbnailWorker(int argument);
// Starts a run unless the one recorded in ThumbnailThread is still going.
void StartThumbnailWorker();
// Shutdown: aborts the running transfer, releases a wait for the window's
// thread and waits until the worker has ended.
void StopThumbnailWorker();

// The operations a pass uses; tests put doubles here.
struct ThumbnailOperations {
  int (*download)(const std::string& address, const std::string& fileName,
                  const std::atomic<bool>* abort);
  bool (*load)(int picture, const std::string& fileName);
  void (*resize)(int picture, int width, int height);
  bool (*show)(int view, int picture);
};
extern ThumbnailOperations ThumbnailOps;
extern std::atomic<bool> ThumbnailStopRequested;
