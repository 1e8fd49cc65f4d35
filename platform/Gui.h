#pragma once
// The window and its controls, named by the program's own small numbers.
// Texts are core texts (code page 1251); colours are RGB(r, g, b) =
// r + 256 * g + 65536 * b. Positions and sizes are exact pixels relative to
// the parent's client area (for a scroll area's children, to its inner area).
// Every call here belongs on the window's thread.
#include <string>

constexpr int EventCloseRequest = 16;
constexpr int EventControl = 13100;

constexpr int Rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

// Brings the toolkit up (X11 backend); false when there is no display.
bool GuiInit();
// Destroys every window and control.
void GuiRelease();

// A top-level window: framed, resizable, hidden, centred, with the given
// client size (reduced to the screen when larger). Controls created later
// belong to it until a container or scroll area opens a nested parent.
void OpenWindow(int number, int width, int height, const std::string& title);
void SetWindowBackground(int window, int rgb);
void ShowWindowNormal(int window);
void SetWindowTopmost(int window);
void SetWindowTitle(int window, const std::string& title);

// A borderless child clipping its children; the parent of what follows
// until CloseParent().
void OpenContainer(int number, int x, int y, int width, int height);
// A borderless scroll area with an inner area of innerWidth x innerHeight and
// the given step for wheel notches, arrow clicks and arrow keys; the parent of
// what follows until CloseParent().
void OpenScrollArea(int number, int x, int y, int width, int height,
                    int innerWidth, int innerHeight, int step);
void CloseParent();

// Shows the picture of number `picture` unscaled at the top-left and takes
// its size; with no picture it keeps the given size and shows nothing.
void CreatePictureView(int number, int x, int y, int width, int height, int picture);
// One line, cut at the edges, no underline, hand pointer; text in the text
// colour, or the hover colour while the mouse is over it; a left-button
// release over it raises a control event.
void CreateLink(int number, int x, int y, int width, int height,
                const std::string& text, int hoverRgb);
void CreateButton(int number, int x, int y, int width, int height,
                  const std::string& caption);

void SetControlBackground(int control, int rgb);
void SetControlTextColour(int control, int rgb);
void SetControlText(int control, const std::string& text);
std::string ControlText(int control);
void DisableControl(int control);

// Shows the busy pointer over the program's windows while a command keeps
// the program's loop waiting, and takes it away again.
void ShowBusy(bool busy);

// Blocks until an event is queued and takes it: returns its kind and puts
// the control number in `control` (the window's number for a close request).
int WaitEvent(int& control);
