#pragma once
// The window's thread and the work that must happen on it. The program's own
// loop blocks in WaitEvent or in a download; while it blocks, the toolkit's
// main context keeps turning so the window repaints, scrolls and shows hover
// colours, and other threads' requests are served. Events that arrive
// meanwhile are only queued.
#include <functional>

// Called once the toolkit is up, on the thread that owns the window.
void MarkGuiThread();
// True on the window's thread once the toolkit is up.
bool OnGuiThread();

// On the window's thread: turns the main context until done() is true.
// done() is checked again after every wake-up; whoever changes what it tests
// from another thread calls WakeGuiThread() afterwards.
void PumpUntil(const std::function<bool()>& done);
void WakeGuiThread();

// From any thread: runs fn on the window's thread and waits for it. Runs fn
// at once when called on the window's thread. Returns false, without running
// fn, once StopServingGuiRequests() has been called.
bool RunOnGuiThread(const std::function<void()>& fn);

// Shutdown: releases every thread waiting in RunOnGuiThread (they get false)
// and refuses later requests.
void StopServingGuiRequests();
