#include "platform/Download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/Gui.h"
#include "platform/MainLoop.h"
#include "platform/Text.h"
#include "platform/UniqueFd.h"

namespace {

constexpr long MaxRedirects = 5;
constexpr long ConnectTimeoutSeconds = 15;
constexpr long StallSeconds = 30;
constexpr curl_off_t MaxBodyBytes = 32 * 1024 * 1024;
constexpr int AbortCheckMilliseconds = 50;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// One multi and one easy handle per thread: the multi handle keeps the
// connection cache, so a thread's run of downloads to one host reuses its
// connection; polling the multi handle lets an abort end a stalled transfer.
struct ThreadCurl {
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  ~ThreadCurl() {
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
  }
  bool Ready() {
    if (!multi) multi = curl_multi_init();
    if (!easy) easy = curl_easy_init();
    return multi && easy;
  }
};
thread_local ThreadCurl Curl;

struct Sink {
  int fd;
  curl_off_t written = 0;
  bool tooBig = false;
  bool writeFailed = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  size_t length = size * count;
  if (sink->written + static_cast<curl_off_t>(length) > MaxBodyBytes) {
    sink->tooBig = true;
    return 0;  // makes curl stop with a write error
  }
  size_t done = 0;
  while (done < length) {
    ssize_t n = ::write(sink->fd, data + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      sink->writeFailed = true;
      return 0;
    }
    done += static_cast<size_t>(n);
  }
  sink->written += static_cast<curl_off_t>(length);
  return length;
}

// Non-ASCII bytes, spaces and controls are escaped; everything else is
// passed as the page gave it.
std::string EscapeAddress(const std::string& utf8) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : utf8) {
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += Hex[c >> 4];
      out += Hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int Transfer(const std::string& url, int fd, const std::atomic<bool>* abort) {
  if (!Curl.Ready()) return DownloadFailed;
  CURL* easy = Curl.easy;
  curl_easy_reset(easy);
  Sink sink{fd};
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, MaxRedirects);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, ConnectTimeoutSeconds);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, StallSeconds);
  curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, MaxBodyBytes);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "Mozilla/5.0 (X11; Linux x86_64) ZirtaTV/1.0");
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);

  if (curl_multi_add_handle(Curl.multi, easy) != CURLM_OK) return DownloadFailed;
  CURLcode code = CURLE_FAILED_INIT;
  bool aborted = false;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(Curl.multi, &running) != CURLM_OK) break;
    int queued;
    if (CURLMsg* msg = curl_multi_info_read(Curl.multi, &queued)) {
      if (msg->msg == CURLMSG_DONE) code = msg->data.result;
      break;
    }
    if (abort && abort->load()) {
      aborted = true;
      break;
    }
    curl_multi_poll(Curl.multi, nullptr, 0, AbortCheckMilliseconds, nullptr);
  }
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  curl_multi_remove_handle(Curl.multi, easy);

  if (aborted) return DownloadAborted;
  if (sink.writeFailed) return DownloadFileError;
  if (code != CURLE_OK || sink.tooBig) return DownloadFailed;
  // Only a final 2xx answer is the resource; error pages are not bodies.
  if (status < 200 || status > 299) return DownloadFailed;
  return 0;
}

}  // namespace

int DownloadToFile(const std::string& address, const std::string& fileName,
                   const std::atomic<bool>* abort) {
  if (address.empty() || fileName.empty()) return DownloadBadAddress;
  InitCurlOnce();
  const std::string url = EscapeAddress(Cp1251ToUtf8(address));
  const std::string target = Cp1251ToUtf8(fileName);

  std::string temporary = target + ".part-XXXXXX";
  UniqueFd fd(mkostemp(temporary.data(), O_CLOEXEC));
  if (!fd) return DownloadFileError;
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd.get(), 0666 & ~mask);

  int result;
  if (OnGuiThread()) {
    // The transfer runs beside the window's thread, which keeps the window
    // alive until it ends.
    std::atomic<bool> done{false};
    std::thread worker([&] {
      result = Transfer(url, fd.get(), abort);
      done = true;
      WakeGuiThread();
    });
    ShowBusy(true);
    PumpUntil([&] { return done.load(); });
    ShowBusy(false);
    worker.join();
  } else {
    result = Transfer(url, fd.get(), abort);
  }

  if (result == 0 && ::close(fd.release()) != 0) result = DownloadFileError;
  if (result == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) result = DownloadFileError;
  if (result != 0) ::unlink(temporary.c_str());
  return result;
}
