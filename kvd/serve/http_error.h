// What a route answers when it refuses a request: the status and the
// message the user reads, sent as {"error": "…"}.
#pragma once

#include <stdexcept>
#include <string>

namespace zel::serve {

class HttpError : public std::runtime_error {
 public:
  HttpError(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
  int status() const { return status_; }

 private:
  int status_;
};

}  // namespace zel::serve
