// POST /api/devices/{number}: an instrument's model, type, serial number,
// certificate, stated error and verification period, as kvd archive device
// set changes them: only the fields given, dates in either of kvd's forms,
// a bad one refused at its field.
#include <httplib.h>

#include "kvd/serve/archive_json.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/routes.h"

namespace zel::serve {

namespace {

std::optional<std::string> verificationDay(const Json& body, const char* key) {
  const std::optional<std::string> text = optionalText(body, key);
  if (!text) return std::nullopt;
  std::string day;
  if (!archive::verificationDay(*text, day))
    throw HttpError(400, std::string("\"") + key + "\": \"" + *text + "\" is not a date (dd.mm.yyyy or YYYY-MM-DD)",
                    "bad_day", Json{{"field", key}, {"text", *text}});
  return day;
}

}  // namespace

void addDeviceRoutes(Routes& routes, ServeContext& context) {
  routes.post(R"(/api/devices/(\d+))", [&context](const httplib::Request& request, httplib::Response& response) {
    const std::int64_t number = pathId(request, "device");
    const Json body = bodyObject(request);
    onlyFields(body, {"model", "type", "serial", "certificate", "error", "verified_from", "verified_until", "reason"});
    const std::optional<std::string> model = optionalText(body, "model");
    const std::optional<std::string> type = optionalText(body, "type");
    const std::optional<std::string> serial = optionalText(body, "serial");
    const std::optional<std::string> certificate = optionalText(body, "certificate");
    const std::optional<std::string> statedError = optionalText(body, "error");
    const std::optional<std::string> from = verificationDay(body, "verified_from");
    const std::optional<std::string> until = verificationDay(body, "verified_until");
    sendJson(response, context.changeArchive([&](archive::Archive& a) {
      std::optional<archive::DeviceInfo> device = findDevice(a, number);
      if (!device) throw HttpError(404, "the archive has no device " + std::to_string(number), "no_device");
      if (model) device->model = *model;
      if (type) device->type = *type;
      if (serial) device->serial = *serial;
      if (certificate) device->certificate = *certificate;
      if (statedError) device->statedError = *statedError;
      if (from) device->verifiedFrom = *from;
      if (until) device->verifiedUntil = *until;
      try {
        a.setDevice(*device);
      } catch (const archive::ArchiveError& e) {
        if (e.code() != "verification_order") throw;
        throw HttpError(400, e.what(), e.code(), Json{{"field", "verified_until"}});
      }
      return deviceJson(*device);
    }));
  });
}

}  // namespace zel::serve
