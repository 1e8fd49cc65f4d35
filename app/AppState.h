#pragma once
// The process-wide state the parts of the program share. The catalogue's
// arrays live with the catalogue (catalogue/Catalogue.h).
#include <cstdint>
#include <string>

extern int32_t CurrentPage;       // catalogue page shown, 0..151
extern std::string AppDir;        // program directory, ending with "/"
extern int32_t SkinLoaded;        // 1 when the skin library is bound
extern int ThumbnailThread;       // worker started last, 0 for none
extern int LogoPicture;           // picture number of the logo
extern int32_t LastEvent;         // kind of the event taken last
extern int32_t LastEventControl;  // control named by that event

// Control numbers of the main window.
enum ControlNumber {
  MainWindow = 100,
  PlayerFrame = 101,
  WebView = 102,
  ChannelStrip = 103,
  PrevPageLink = 104,
  NextPageLink = 105,
  HomeButton = 106,
  PageLabel = 107,
  LogoImage = 117,
  StripBackground = 777,
  FirstTitleLink = 30,
  LastTitleLink = 50,
};

constexpr int StripRows = 21;

// "file://localhost/" + AppDir + name, joined as they are.
std::string LocalPageUrl(const std::string& name);
// AppDir computed from the executable's path: cut after its last slash or
// backslash.
std::string DirectoryOfPath(const std::string& path);
