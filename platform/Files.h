#pragma once
// Numbered files, as the core uses them: a small integer names an open file.
// Names are core texts (code page 1251), relative names resolve against the
// working directory. Opening a number that is in use closes the old file.
#include <cstdint>
#include <string>
#include <string_view>

// An existing file, read-only; other readers may share it.
bool FileOpenRead(int number, const std::string& name);
// Opened with its content, or created empty when missing; never truncated.
bool FileOpenReadWrite(int number, const std::string& name);

// True when no further byte can be read (also for a number not open).
bool FileEof(int number);

// Reads the next line into `line` (replacing its content). A line ends at LF,
// CR, CR LF or a zero byte; the terminator is not part of the line. Lines have
// no length limit; bytes are passed on as they are. The end of the file ends
// the last line; a terminator at the very end yields no extra empty line.
// Returns false when nothing was left to read.
bool FileReadLine(int number, std::string& line);

// Writes text followed by CR LF at the current position.
bool FileWriteLine(int number, std::string_view text);

int64_t FileLength(int number);          // -1 when not open
bool FileSeek(int number, int64_t position);
void FileClose(int number);
void FilesCloseAll();

bool FileDelete(const std::string& name);
