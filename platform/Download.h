#pragma once
// Blocking download of one address into one local file.
#include <atomic>
#include <string>

// Returns 0 when `fileName` holds the whole response body, negative on
// failure. Only http and https are fetched (also after a redirect, at most 5
// of them); a status of 400 or more, no connection within 15 s, no data for
// 30 s or a body over 32 MiB count as failures. The body is written to a
// temporary file beside the target and renamed over it only on success, so a
// failed download leaves the earlier file as it was.
//
// When `abort` is given and becomes true, the transfer stops promptly and
// fails. Called on the window's thread, the window keeps painting and queues
// its events while the transfer runs. Each thread reuses one connection
// cache, so a run of downloads to one host reuses its connection.
int DownloadToFile(const std::string& address, const std::string& fileName,
                   const std::atomic<bool>* abort = nullptr);

// Result codes, all negative.
enum DownloadError {
  DownloadFailed = -1,          // network, status, protocol or size failure
  DownloadAborted = -2,
  DownloadBadAddress = -3,      // empty, or not http/https
  DownloadFileError = -4,       // the local file could not be written
};
