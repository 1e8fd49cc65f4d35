#include "platform/Threads.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/MainLoop.h"

namespace {

struct ThreadRecord {
  std::thread thread;
  std::shared_ptr<std::atomic<bool>> running;
};

std::mutex TableLock;
std::map<int, ThreadRecord> Table;
int NextIdentity = 1;

// Ended threads are joined as new ones start, so records do not pile up.
void ReapEnded() {
  for (auto it = Table.begin(); it != Table.end();) {
    if (!it->second.running->load()) {
      if (it->second.thread.joinable()) it->second.thread.join();
      it = Table.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace

int ThreadStart(ThreadProcedure procedure, int argument) {
  std::lock_guard<std::mutex> lock(TableLock);
  ReapEnded();
  auto running = std::make_shared<std::atomic<bool>>(true);
  ThreadRecord record;
  try {
    record.thread = std::thread([procedure, argument, running] {
      procedure(argument);
      running->store(false);
      WakeGuiThread();
    });
  } catch (const std::system_error&) {
    return 0;
  }
  record.running = running;
  int identity = NextIdentity++;
  Table.emplace(identity, std::move(record));
  return identity;
}

bool ThreadIsRunning(int identity) {
  std::lock_guard<std::mutex> lock(TableLock);
  auto it = Table.find(identity);
  return it != Table.end() && it->second.running->load();
}

void ThreadJoin(int identity) {
  ThreadRecord record;
  {
    std::lock_guard<std::mutex> lock(TableLock);
    auto it = Table.find(identity);
    if (it == Table.end()) return;
    record = std::move(it->second);
    Table.erase(it);
  }
  // The window's thread keeps serving the thread's requests while it waits,
  // or a thread waiting on it would never end.
  if (OnGuiThread()) PumpUntil([&] { return !record.running->load(); });
  if (record.thread.joinable()) record.thread.join();
}

void ThreadsRelease() {
  std::lock_guard<std::mutex> lock(TableLock);
  for (auto& [identity, record] : Table)
    if (record.thread.joinable()) record.thread.detach();
  Table.clear();
}
