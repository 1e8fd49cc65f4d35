#pragma once
// Creates the main window with every control, then shows it topmost.
void BuildMainWindow();
