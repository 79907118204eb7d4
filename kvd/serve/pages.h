// The HTML pages of kvd serve: the templates kvd/web/serve_PAGE.html.mustache
// with their partials, filled with the texts of the page's language
// (kvd/web/serve_texts.json) and the page's initial data; the language
// chosen per request; the static files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "kvd/serve/json_io.h"

namespace zel::serve {

// "?lang=" if given, else the cookie kvd_lang, else --lang, else the
// browser's Accept-Language: "ru" when it prefers Russian to English.
std::string chooseLanguage(std::string_view query, std::string_view cookie, std::string_view option,
                           std::string_view acceptLanguage);

// The texts of a language as an object of key and text.
const Json& pageTexts(const std::string& language);

struct PageRequest {
  std::string page;  // archive, records, record, object, instruments, signin, users, audit, lab
  std::string id;    // the record's or object's id, or empty
  std::string language;
  std::string csrf;
  std::string version;
  Json data;  // the page's initial data; "texts", "lang" and "me" are added
  // Who reads the page: {"login", "name", "role", "lab"}. The template gets
  // mayOperate, mayApprove, mayAdmin, labServer, meName and meLogin of it,
  // so that it offers nothing the reader's role may not do.
  Json me;
  // The server prints protocols to PDF: the template gets pdf, the script
  // its data's "pdf".
  bool pdf = false;
};
std::string renderPage(const PageRequest& request);

// A file for /static/NAME and its content type, or none.
struct StaticFile {
  std::string_view text;
  const char* contentType;
};
std::optional<StaticFile> staticFile(std::string_view name);

}  // namespace zel::serve
