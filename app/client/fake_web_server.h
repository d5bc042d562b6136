// A web server on 127.0.0.1 for tests: it records every request and answers each path
// with a canned status, body and delay. It runs on its own threads while the test's
// event loop drives the client.
#pragma once

#include <httplib.h>

#include <QUrl>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zx::client {

class FakeWebServer {
 public:
  struct Canned {
    Canned(int status = 200, std::string body = {}, std::string contentType = "application/json",
           std::chrono::milliseconds delay = std::chrono::milliseconds(0),
           std::string redirectTo = {})
        : status(status),
          body(std::move(body)),
          contentType(std::move(contentType)),
          delay(delay),
          redirectTo(std::move(redirectTo)) {}

    // The body one byte at a time, `every` apart; when `endless`, blanks follow for as
    // long as the client listens. Never compressed, so each byte leaves at once.
    static Canned dripping(std::string body, std::chrono::milliseconds every, bool endless) {
      Canned canned(200, std::move(body), "application/octet-stream");
      canned.drip = every;
      canned.endless = endless;
      return canned;
    }

    int status;
    std::string body;
    std::string contentType;
    std::chrono::milliseconds delay;
    std::string redirectTo;  // a Location header, with `status` as the redirect status
    std::chrono::milliseconds drip{0};
    bool endless = false;
  };
  struct Recorded {
    std::string method;
    std::string path;
    std::string target;  // path and query exactly as sent
    std::string body;
    httplib::Headers headers;
    httplib::Params params;

    bool has(const char* header) const { return headers.count(header) != 0; }
    std::string header(const char* name) const {
      auto it = headers.find(name);
      return it == headers.end() ? std::string() : it->second;
    }
    std::string param(const char* name) const {
      auto it = params.find(name);
      return it == params.end() ? std::string("(absent)") : it->second;
    }
  };

  FakeWebServer() {
    auto handler = [this](const httplib::Request& req, httplib::Response& res) {
      Canned canned;
      {
        std::lock_guard lock(mutex_);
        requests_.push_back({req.method, req.path, req.target, req.body, req.headers, req.params});
        auto it = routes_.find(req.path);
        if (it != routes_.end())
          canned = it->second;
        else
          canned = Canned{404, "", "text/plain"};
      }
      if (canned.delay.count() > 0) {
        std::unique_lock lock(mutex_);
        stopping_.wait_for(lock, canned.delay, [this] { return stopped_; });
      }
      if (!canned.redirectTo.empty()) {
        res.set_redirect(canned.redirectTo, canned.status);
        return;
      }
      res.status = canned.status;
      if (canned.drip.count() > 0) {
        res.set_chunked_content_provider(
            canned.contentType, [this, canned](size_t offset, httplib::DataSink& sink) {
              if (offset > 0) {
                std::unique_lock lock(mutex_);
                if (stopping_.wait_for(lock, canned.drip, [this] { return stopped_; })) {
                  return false;
                }
              }
              if (offset < canned.body.size()) return sink.write(&canned.body[offset], 1);
              if (!canned.endless) {
                sink.done();
                return true;
              }
              return sink.write(" ", 1);
            });
        return;
      }
      res.set_content(canned.body, canned.contentType.c_str());
    };
    server_.Get(R"(.*)", handler);
    server_.Post(R"(.*)", handler);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() is ignored until the accept loop runs, so a quick test could never end.
    for (int i = 0; i < 5000 && !server_.is_running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  ~FakeWebServer() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    stopping_.notify_all();
    server_.stop();
    thread_.join();
  }

  int port() const { return port_; }
  QUrl base() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port_)); }

  void route(const std::string& path, Canned canned) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(canned);
  }
  std::vector<Recorded> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable stopping_;
  bool stopped_ = false;
  std::map<std::string, Canned> routes_;
  std::vector<Recorded> requests_;
};

}  // namespace zx::client
