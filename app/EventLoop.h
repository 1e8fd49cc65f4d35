#pragma once
// The program's only loop: takes one event at a time and dispatches clicks
// until the first close request.
void RunEventLoop();
