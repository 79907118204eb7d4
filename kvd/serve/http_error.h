// What a route answers when it refuses a request: the status and the
// message the user reads, sent as {"error": "…"}; with a code, also
// "code" and its "params", which the pages word in their own language.
#pragma once

#include <stdexcept>
#include <string>

#include "kvd/serve/json_io.h"

namespace zel::serve {

class HttpError : public std::runtime_error {
 public:
  HttpError(int status, const std::string& message, std::string code = {}, Json params = {})
      : std::runtime_error(message), status_(status), code_(std::move(code)), params_(std::move(params)) {}
  int status() const { return status_; }
  const std::string& code() const { return code_; }
  const Json& params() const { return params_; }

 private:
  int status_;
  std::string code_;
  Json params_;
};

}  // namespace zel::serve
