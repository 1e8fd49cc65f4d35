#pragma once
// Threads named by small identities. 0 is "none" and never runs.
using ThreadProcedure = int (*)(int argument);

// Starts procedure(argument) on a new thread; returns its identity, or 0.
int ThreadStart(ThreadProcedure procedure, int argument);
// True from the start until the procedure has returned.
bool ThreadIsRunning(int identity);
// Waits for the thread to end and forgets it. Safe on 0 and unknown ids.
void ThreadJoin(int identity);
// Forgets every thread without waiting; threads still running go on alone.
void ThreadsRelease();
