#pragma once
// The embedded browser. Addresses are core texts of the form
// "file://localhost/" + directory + name; the platform makes a correct file
// URI of them (spaces, "#" and Cyrillic letters included).
#include <string>

// Created inside the current parent, loading `address` at once.
void CreateWebView(int number, int x, int y, int width, int height,
                   const std::string& address);
// Starts a navigation and returns at once. Sent to the address it already
// shows, it loads the file again from disk.
void SetWebViewAddress(int number, const std::string& address);
