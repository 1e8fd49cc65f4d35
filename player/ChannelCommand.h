#pragma once
#include <string>

// A click on title link `control` (30 to 50): plays that row's channel, then
// makes the link's text the window title.
void ChannelCommand(int control);
// Downloads the channel's page, writes its player into "TV.htm" and shows it.
void PlayChannel(const std::string& address);
