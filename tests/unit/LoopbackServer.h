#pragma once
// A tiny HTTP server on 127.0.0.1 for tests that need a download to succeed
// with exact bytes: every request gets the current body with status 200.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

class LoopbackServer {
 public:
  LoopbackServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    listen(listener_, 16);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    thread_.join();
  }
  void SetBody(std::string body) {
    std::lock_guard<std::mutex> lock(mutex_);
    body_ = std::move(body);
  }
  std::string Url(const std::string& path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  int Requests() const { return requests_; }

 private:
  void Serve() {
    while (!stopping_) {
      int client = accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = read(client, buffer, sizeof buffer);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
      }
      std::string body;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        body = body_;
      }
      ++requests_;
      std::string response = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                             "\r\nConnection: close\r\n\r\n" + body;
      for (size_t done = 0; done < response.size();) {
        ssize_t n = write(client, response.data() + done, response.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
      close(client);
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> requests_{0};
  std::mutex mutex_;
  std::string body_;
  std::thread thread_;
};
