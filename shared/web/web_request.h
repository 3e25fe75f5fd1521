#pragma once
// A reusable request object for a sequence of simple requests (the radio's lookups):
// Create once, then Open / Send / ResponseText for each request.

#include <chrono>
#include <memory>
#include <stop_token>
#include <string>

namespace quilla::web {

// One object is used from one thread at a time; different objects are independent.
// Send blocks the calling thread until the transfer completes, fails or times out.
class WebRequest {
 public:
  WebRequest();
  ~WebRequest();
  WebRequest(const WebRequest&) = delete;
  WebRequest& operator=(const WebRequest&) = delete;

  // Creates the underlying handle. Returns false when that fails; every later call then
  // fails too. Calling it again keeps the existing handle and returns true.
  bool Create();

  // Prepares a request: method name ("GET", "POST", ...; empty means "GET") and URL.
  // Forgets the previous response. Only synchronous requests exist: asynchronous == true
  // returns false. Returns false as well before a successful Create or for an empty URL.
  bool Open(std::string method, std::string url, bool asynchronous = false);

  // Sends the opened request with no body. Returns true when a response arrived (any
  // status), false on a transport failure, a time-out, a body over 64 MiB, when no
  // request is open, or when `stop` is requested (the transfer then ends within about a
  // second), so that another thread can abandon a slow service.
  bool Send(std::stop_token stop = {});

  // The response body as UTF-8: converted from GBK when the Content-Type charset is gbk,
  // gb2312 or gb18030, otherwise taken as UTF-8 as it is. Empty before a successful Send.
  std::string ResponseText() const;

  // HTTP status of the last response; 0 before a successful Send.
  int Status() const;

  // Limit for connecting and for each wait for data. The default is the request object's
  // own: 60 s to connect, 30 s without data. Values <= 0 restore the default.
  void SetTimeout(std::chrono::milliseconds timeout);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quilla::web
