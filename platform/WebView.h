#pragma once
// The embedded browser. Addresses are core texts of the form
// "file://localhost/" + directory + name; the platform makes a correct file
// URI of them (spaces, "#" and Cyrillic letters included).
//
// Pages may load local files only from the program's directory and the
// working directory: navigations to other file: addresses are refused, and
// so are scripts, pictures and frames a page would take from them.
#include <string>
#include <vector>

// Created inside the current parent, loading `address` at once.
void CreateWebView(int number, int x, int y, int width, int height,
                   const std::string& address);
// Starts a navigation and returns at once. Sent to the address it already
// shows, it loads the file again from disk.
void SetWebViewAddress(int number, const std::string& address);

// The URI the browser is given for a core address: a "file://localhost/"
// address becomes a file URI of that path (code page 1251 taken to UTF-8,
// every byte that needs it escaped, backslashes kept as characters); any
// other address is passed on as UTF-8.
std::string WebViewUri(const std::string& address);

// True when the local file that a file: URI names lies inside one of the
// directories (absolute paths, UTF-8). Paths are compared after "." and
// ".." are resolved and symbolic links followed where the file exists.
bool FileUriInside(const std::string& uri, const std::vector<std::string>& directories);

// The content-blocker rules that refuse every file: load except those under
// the given directory URIs (each ending with "/").
std::string LocalFileRulesJson(const std::vector<std::string>& directoryUris);
