// Where kvd's text goes: the console (standard output, standard error) or,
// in tests, a string.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace zel::cli {

class TextSink {
 public:
  virtual ~TextSink() = default;
  // Whole pieces of UTF-8 text; a piece is never split between two writes
  // to the system, so a console never sees half a character.
  virtual void write(std::string_view text) = 0;
  virtual void flush() {}
};

class StringSink : public TextSink {
 public:
  void write(std::string_view text) override { text_.append(text); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// Collects text and hands it to the platform's console writer in large
// pieces, so that listing a large file costs few system calls.
class ConsoleSink : public TextSink {
 public:
  explicit ConsoleSink(std::FILE* stream) : stream_(stream) {}
  ~ConsoleSink() override { flush(); }
  void write(std::string_view text) override;
  void flush() override;

 private:
  std::FILE* stream_;
  std::string buffer_;
};

// One line per failed file on standard error, notes likewise; remembers
// whether any file failed (exit code 1).
class Diagnostics {
 public:
  explicit Diagnostics(TextSink& err) : err_(err) {}
  // "kvd: NAME: WHY"
  void fileFailed(std::string_view name, std::string_view why);
  // "kvd: note: NAME: TEXT" (does not change the exit code)
  void note(std::string_view name, std::string_view text);
  // "kvd: TEXT", a failure that belongs to no input file (the output).
  void failed(std::string_view text);
  bool anyFailed() const { return failed_; }
  TextSink& sink() { return err_; }

 private:
  TextSink& err_;
  bool failed_ = false;
};

}  // namespace zel::cli
