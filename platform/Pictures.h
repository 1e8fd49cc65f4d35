#pragma once
// Numbered pictures: JPEG (through libjpeg), Windows bitmaps and icons.
// Safe to call from any thread; views only change on the window's thread.
#include <string>

// A number no picture ever has: a view given it shows nothing.
constexpr int NoPicture = -1;

// Loads a file into picture `number`, releasing what the number held first;
// a failed load leaves the number empty. Returns false on failure.
bool LoadPicture(int number, const std::string& fileName);
// Loads into a new number chosen here; returns it, or 0 when the load failed.
int LoadPictureNew(const std::string& fileName);
// Smooth area-averaging resize, aspect ratio not kept; nothing when the
// picture is empty or already has that size.
void ResizePicture(int number, int width, int height);
bool PictureExists(int number);
int PictureWidth(int number);
int PictureHeight(int number);
// Hands picture `picture` (or none, when it is empty) to picture view `view`,
// which takes its size. Called from another thread, the window's thread makes
// the change and the caller waits for it; returns false when the window's
// thread no longer serves requests. A view keeps what it shows even when the
// picture number is later released or loaded again.
bool ShowPicture(int view, int picture);
void PicturesReleaseAll();
