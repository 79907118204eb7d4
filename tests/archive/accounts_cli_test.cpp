// kvd archive user … and kvd archive users as a user runs them, on both
// backends: the password from a script's standard input or typed twice at
// a terminal that never shows it, refusals said plainly with nothing
// changed, and the accounts listed.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <pty.h>
#include <signal.h>

#include "kvd/archive/archive.h"
#include "tests/archive/backend_fixture.h"
#include "tests/cli/program_run.h"

namespace zel::archive::test {

namespace {

using Json = nlohmann::json;
using zel::test::Result;

// Runs the program on a terminal of its own (a pseudo-terminal), typing
// each answer once its prompt is shown; `out` is everything the terminal
// showed.
Result onTerminal(const std::vector<std::string>& argv,
                  const std::vector<std::pair<std::string, std::string>>& answers) {
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) {
    std::vector<const char*> args;
    for (const std::string& a : argv) args.push_back(a.c_str());
    args.push_back(nullptr);
    ::execv(args[0], const_cast<char* const*>(args.data()));
    ::_exit(127);
  }
  std::string shown;
  std::size_t answered = 0, from = 0;
  for (;;) {
    pollfd ready{terminal, POLLIN, 0};
    if (::poll(&ready, 1, 60'000) <= 0) {
      ADD_FAILURE() << "the program showed nothing more for a minute: " << shown;
      ::kill(pid, SIGKILL);
      break;
    }
    char buffer[4096];
    const ssize_t got = ::read(terminal, buffer, sizeof buffer);
    if (got <= 0) break;  // the program has ended and closed the terminal
    shown.append(buffer, static_cast<std::size_t>(got));
    while (answered < answers.size()) {
      const std::size_t at = shown.find(answers[answered].first, from);
      if (at == std::string::npos) break;
      from = at + answers[answered].first.size();
      const std::string line = answers[answered].second + "\n";
      EXPECT_EQ(::write(terminal, line.data(), line.size()), static_cast<ssize_t>(line.size()));
      ++answered;
    }
  }
  ::close(terminal);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), shown, ""};
}

class AccountCommands : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    db_.reset();  // kvd opens the archive itself
  }

  std::vector<std::string> command(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {ZEL_KVD, "archive"});
    arguments.insert(arguments.end(), {"--archive", location()});
    return arguments;
  }

  // `kvd archive ARGS... --archive LOCATION` with `input` on standard input.
  Result kvd(const std::vector<std::string>& arguments, const std::string& input = "") {
    return zel::test::runProgram(command(arguments), dir_, input);
  }

  std::optional<Account> signIn(const std::string& login, const std::string& password) {
    return Archive(openLocation(location(), false)).signIn(login, password);
  }
};

TEST_P(AccountCommands, PasswordFromStandardInputAndRefusalsThatChangeNothing) {
  const Result added = kvd({"user", "add", "anna", "--role", "admin", "--name", "Анна Петрова", "--position",
                            "chemist", "--reason", "new colleague"},
                           kAnnaPassword + "\r\n");
  EXPECT_EQ(added.code, 0) << added.err;
  EXPECT_EQ(added.out, "Account anna added: admin, Анна Петрова\n");
  struct Step {
    std::vector<std::string> arguments;
    std::string input;
    int code;
    std::string out;
    std::string err;  // a part of it
  };
  const Step steps[] = {
      {{"user", "set", "anna", "--role", "viewer"}, "", 1, "", "anna is the last active admin: make another admin first"},
      {{"user", "add", "boris", "--role", "wizard", "--name", "B"}, "", 2, "", "--role"},
      {{"user", "add", "boris", "--role", "viewer"}, "", 2, "", "--name"},
      {{"user", "add", "boris", "--role", "viewer", "--name", " "}, "", 2, "", "--name"},
      {{"user", "add", "bad login", "--role", "viewer", "--name", "B"}, "", 2, "", "\"bad login\" is no login"},
      {{"user", "add", "anna", "--role", "viewer", "--name", "A"}, "", 1, "", "the login anna is taken"},
      {{"user", "passwd", "anna"}, "short\n", 1, "", "kvd: a password needs at least 10 characters; nothing changed\n"},
      {{"user", "passwd", "anna"}, "", 1, "", "kvd: no password on standard input; nothing changed\n"},
      {{"user", "passwd", "nobody"}, kBorisPassword, 1, "", "the archive has no account nobody"},
      {{"user", "set", "anna"}, "", 2, "", "nothing to change"},
      {{"user", "add", "boris", "--role", "operator", "--name", "Boris"}, kBorisPassword + "\n", 0,
       "Account boris added: operator, Boris\n", ""},
      {{"user", "disable", "boris", "--reason", "left the lab"}, "", 0, "Account boris disabled\n", ""},
      {{"user", "disable", "boris"}, "", 0, "Account boris is disabled already\n", ""},
      {{"user", "set", "boris", "--position", "field work"}, "", 0, "Account boris changed\n", ""},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::PrintToString(step.arguments));
    const Result r = kvd(step.arguments, step.input);
    EXPECT_EQ(r.code, step.code) << r.err;
    EXPECT_EQ(r.out, step.out);
    EXPECT_NE(r.err.find(step.err), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(kBorisPassword), std::string::npos);
  }

  Archive archive(openLocation(location(), false));
  const std::string annaCreated = archive.account("anna")->createdAt, borisCreated = archive.account("boris")->createdAt;
  EXPECT_EQ(Json::parse(kvd({"users", "--format", "json"}).out), Json::parse(R"([
      {"login": "anna", "name": "Анна Петрова", "position": "chemist", "role": "admin", "active": true,
       "created": ")" + annaCreated + R"("},
      {"login": "boris", "name": "Boris", "position": "field work", "role": "operator", "active": false,
       "created": ")" + borisCreated + R"("}])"));
  EXPECT_EQ(kvd({"users"}).out, "anna: admin, Анна Петрова (chemist), created " + annaCreated + " UTC\n" +
                                    "boris: operator, Boris (field work), created " + borisCreated + " UTC, disabled\n");

  // The line's CR LF is no part of the password.
  EXPECT_TRUE(archive.signIn("anna", kAnnaPassword));
  std::vector<std::string> reasons;
  for (const AuditEntry& e : archive.auditLog({})) reasons.push_back(e.action + ": " + e.reason);
  EXPECT_EQ(reasons, (std::vector<std::string>{"user.add: new colleague", "user.add: ", "user.disable: left the lab",
                                               "user.set: "}));
}

TEST_P(AccountCommands, PasswordTypedTwiceAtATerminalIsNeverShown) {
  const Result added = onTerminal(command({"user", "add", "anna", "--role", "admin", "--name", "Anna"}),
                                  {{"Password for anna: ", kAnnaPassword}, {"Again: ", kAnnaPassword}});
  EXPECT_EQ(added.code, 0) << added.out;
  EXPECT_NE(added.out.find("Account anna added: admin, Anna"), std::string::npos) << added.out;
  EXPECT_EQ(added.out.find(kAnnaPassword), std::string::npos) << added.out;
  EXPECT_TRUE(signIn("anna", kAnnaPassword));

  const Result mistyped = onTerminal(command({"user", "passwd", "anna"}),
                                     {{"Password for anna: ", kBorisPassword}, {"Again: ", kBorisPassword + "!"}});
  EXPECT_EQ(mistyped.code, 1) << mistyped.out;
  EXPECT_NE(mistyped.out.find("kvd: the two passwords differ; nothing changed"), std::string::npos) << mistyped.out;
  EXPECT_EQ(mistyped.out.find(kBorisPassword), std::string::npos) << mistyped.out;

  const Result refused = onTerminal(command({"user", "passwd", "anna"}), {{"Password for anna: ", "anna"}});
  EXPECT_EQ(refused.code, 1) << refused.out;
  EXPECT_NE(refused.out.find("a password needs at least 10 characters"), std::string::npos) << refused.out;
  EXPECT_EQ(refused.out.find("Again: "), std::string::npos) << refused.out;
  EXPECT_TRUE(signIn("anna", kAnnaPassword));
}

INSTANTIATE_BACKENDS(AccountCommands);

}  // namespace

}  // namespace zel::archive::test
