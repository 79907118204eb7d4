// How a protocol page goes to the browser, a draft or an issued one: as
// HTML under a policy that lets nothing but its own inline style and script
// run (the object page shows it in a frame), or printed to PDF by the
// server's Chromium-family browser.
#pragma once

#include <string>

namespace httplib {
struct Response;
}

namespace zel::serve {

// "protocol-NAME.EXTENSION" with every character of `name` outside
// [A-Za-z0-9._-] as '_': "1/2026-Р" gives "protocol-1_2026-__.html".
std::string protocolFileName(const std::string& name, const char* extension);

// The page as it is, an attachment named `fileName` when that is given.
void sendProtocolHtml(httplib::Response& response, const std::string& html, const std::string& fileName = {});

// Whether this server has a browser to print PDF files with.
bool pdfAvailable();
// The page printed to PDF in a folder of the server's own, removed at once,
// as an attachment named `fileName`. Refused, in the words of `lang` (a link
// followed shows the answer as it is), with 501 pdf_unavailable when there
// is no browser to print with, 500 pdf_failed when printing fails. One
// print at a time: each is a browser of its own.
void sendProtocolPdf(httplib::Response& response, const std::string& html, const std::string& fileName,
                     const std::string& lang);

}  // namespace zel::serve
