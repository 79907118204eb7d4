// The command line of the lab's details and its protocols.
#include "kvd/commands/archive_cli_state.h"

namespace zel::cli {

void ArchiveCli::addProtocols() {
  State& s = *state_;
  ArchiveLabOptions& l = s.lab;
  ArchiveProtocolOptions& p = s.protocol;

  CLI::App* lab = s.add(s.archive, "lab", "the laboratory's details, as its protocols name it",
                        [&s](const std::string& loc, Streams& io) { return runArchiveLab(loc, s.lab, io); });
  addFormat(lab, l.json);
  CLI::App* c = s.add(lab, "set", "set the laboratory's details (only those given change; empty clears)",
                      [&s](const std::string& loc, Streams& io) { return runArchiveLabSet(loc, s.lab, io); });
  addText(c, "--name", l.change.name, "the laboratory's name");
  addText(c, "--address", l.change.address, "its address");
  addText(c, "--phone", l.change.phone, "its phone");
  addText(c, "--email", l.change.email, "its e-mail");
  addText(c, "--accreditation", l.change.accreditation, "its accreditation: body and certificate number");
  addText(c, "--accredited-until", l.change.accreditedUntil, "the accreditation's last day");
  addText(c, "--method", l.change.method, "the measurement method the protocols name");
  addText(c, "--decision-rule", l.change.decisionRule, "the decision rule stated beside the verdicts");
  addText(c, "--coverage-factor", l.coverageFactor, "k of the expanded uncertainty U = k·u (default 2)");
  addText(c, "--number-format", l.change.numberFormat, "the protocol number: {n} the year's running number, "
                                                       "{yyyy} the year, e.g. {n}/{yyyy}-Р");
  addText(c, "--footer", l.change.footer, "a line at the foot of every protocol");
  c->get_option("--accredited-until")->type_name("DATE");
  c->get_option("--coverage-factor")->type_name("K");
  addReason(c, l.reason);

  CLI::App* protocol = s.archive->add_subcommand("protocol", "draft, issue or show a protocol of an object");
  protocol->require_subcommand(1);
  auto language = [&s](CLI::App* command) {
    command->add_option("--lang", s.language, "en or ru")->check(CLI::IsMember({"en", "ru"}));
    command->add_option("--norm", s.protocol.norms, "an information-only reference level (repeatable): who, eu, epa")
        ->allow_extra_args(false);
  };
  auto output = [&p](CLI::App* command, const char* what) {
    command->add_option("-o,--output", p.output, what)->required();
    command->add_option("--browser", p.browser, "the Chromium, Edge or Chrome that prints a PDF (default: the one "
                                                "installed)")
        ->type_name("PATH");
  };
  c = s.add(protocol, "draft", "the protocol of an object as it stands, marked as a draft (HTML or PDF)",
            [&s](const std::string& loc, Streams& io) {
              return runArchiveProtocolDraft(loc, s.protocol, s.language == "ru", io);
            });
  c->add_option("--object", p.object, "the object")->required();
  output(c, "the file to write: .html, or .pdf");
  language(c);
  c = s.add(protocol, "issue", "issue the object's protocol: numbered, signed and kept as it is",
            [&s](const std::string& loc, Streams& io) {
              return runArchiveProtocolIssue(loc, s.protocol, s.language == "ru", io);
            });
  c->add_option("--object", p.object, "the object")->required();
  c->add_option("--signed-by", p.signers, "the login of an approver who signs (repeatable)")
      ->required()
      ->allow_extra_args(false)
      ->type_name("LOGIN");
  c->add_option("--replaces", p.replaces, "the number of the protocol this one corrects")->type_name("NUMBER");
  c->add_flag("--accept-unverified", p.acceptUnverified,
              "issue although records lie outside their instrument's verification (needs --reason; the protocol "
              "says so)");
  addReason(c, p.reason);
  language(c);
  c = s.add(protocol, "show", "an issued protocol, byte for byte as it was issued (HTML), or printed (PDF)",
            [&s](const std::string& loc, Streams& io) { return runArchiveProtocolShow(loc, s.protocol, io); });
  c->add_option("NUMBER", p.number, "the protocol's number")->required();
  output(c, "the file to write: .html, or .pdf");
  c = s.add(s.archive, "protocols", "the issued protocols: number, object, date, signers, status and digest",
            [&s](const std::string& loc, Streams& io) { return runArchiveProtocols(loc, s.protocol, io); });
  addText(c, "--object", p.filterObject, "only this object's");
  addFormat(c, p.json);
}

}  // namespace zel::cli
