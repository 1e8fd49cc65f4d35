#include "platform/MainLoop.h"

#include <glib.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

std::atomic<bool> GuiThreadKnown{false};
std::thread::id GuiThreadId;

// One request from another thread. The waiting thread and the main context
// both hold it, so neither outlives the other's use of it.
struct GuiRequest {
  std::function<void()> fn;
  bool done = false;
};

std::mutex RequestLock;
std::condition_variable RequestDone;
bool Serving = true;

gboolean RunRequest(gpointer data) {
  auto& request = *static_cast<std::shared_ptr<GuiRequest>*>(data);
  {
    std::lock_guard<std::mutex> lock(RequestLock);
    // After shutdown began the asker has already been told "no"; what fn
    // would touch may be gone.
    if (!Serving) return G_SOURCE_REMOVE;
  }
  request->fn();
  {
    std::lock_guard<std::mutex> lock(RequestLock);
    request->done = true;
  }
  RequestDone.notify_all();
  return G_SOURCE_REMOVE;
}

void FreeRequest(gpointer data) { delete static_cast<std::shared_ptr<GuiRequest>*>(data); }

}  // namespace

void MarkGuiThread() {
  GuiThreadId = std::this_thread::get_id();
  GuiThreadKnown = true;
}

bool OnGuiThread() { return GuiThreadKnown && std::this_thread::get_id() == GuiThreadId; }

void PumpUntil(const std::function<bool()>& done) {
  while (!done()) g_main_context_iteration(nullptr, TRUE);
}

void WakeGuiThread() { g_main_context_wakeup(nullptr); }

bool RunOnGuiThread(const std::function<void()>& fn) {
  if (OnGuiThread()) {
    {
      std::lock_guard<std::mutex> lock(RequestLock);
      if (!Serving) return false;
    }
    fn();
    return true;
  }
  auto request = std::make_shared<GuiRequest>();
  request->fn = fn;
  {
    std::lock_guard<std::mutex> lock(RequestLock);
    if (!Serving || !GuiThreadKnown) return false;
  }
  // Always queued, never run here: g_main_context_invoke would run fn on
  // this thread whenever the window's thread does not own the context at
  // that moment (between two turns), and then hold the context from it.
  GSource* source = g_idle_source_new();
  g_source_set_priority(source, G_PRIORITY_DEFAULT);
  g_source_set_callback(source, RunRequest, new std::shared_ptr<GuiRequest>(request), FreeRequest);
  g_source_attach(source, nullptr);
  g_source_unref(source);
  std::unique_lock<std::mutex> lock(RequestLock);
  RequestDone.wait(lock, [&] { return request->done || !Serving; });
  return request->done;
}

void StopServingGuiRequests() {
  {
    std::lock_guard<std::mutex> lock(RequestLock);
    Serving = false;
  }
  RequestDone.notify_all();
}
