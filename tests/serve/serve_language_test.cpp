// The page's language, chosen from what the request says, and the
// address that the token leaves.
#include <gtest/gtest.h>

#include "kvd/serve/guards.h"
#include "kvd/serve/pages.h"

namespace zel::serve::test {
namespace {

struct LanguageCase {
  const char* query;
  const char* cookie;
  const char* option;
  const char* accept;
  const char* chosen;
};

TEST(ServeLanguage, QueryThenCookieThenOptionThenBrowser) {
  const LanguageCase cases[] = {
      {"ru", "en", "en", "en", "ru"},
      {"", "ru", "en", "en", "ru"},
      {"xx", "", "ru", "en", "ru"},
      {"", "", "", "ru-RU,ru;q=0.9,en-US;q=0.8", "ru"},
      {"", "", "", "en-US,en;q=0.9,ru;q=0.8", "en"},
      {"", "", "", "de-DE,ru;q=0.5", "ru"},
      {"", "", "", "de-DE,fr;q=0.5", "en"},
      {"", "", "", "ru;q=0", "en"},
      {"", "", "", "", "en"},
  };
  for (const LanguageCase& c : cases)
    EXPECT_EQ(chooseLanguage(c.query, c.cookie, c.option, c.accept), c.chosen)
        << c.query << "|" << c.cookie << "|" << c.option << "|" << c.accept;
}

TEST(ServeLanguage, EveryTextIsInBothLanguages) {
  const Json& en = pageTexts("en");
  const Json& ru = pageTexts("ru");
  for (auto it = en.begin(); it != en.end(); ++it) EXPECT_TRUE(ru.contains(it.key())) << it.key();
  for (auto it = ru.begin(); it != ru.end(); ++it) EXPECT_TRUE(en.contains(it.key())) << it.key();
}

TEST(ServeGuards, TheTokenLeavesTheQueryAndNothingElse) {
  const std::pair<const char*, const char*> cases[] = {
      {"/?token=abc", ""},
      {"/records?token=abc&lang=ru", "?lang=ru"},
      {"/records?lang=ru&token=abc&object=5", "?lang=ru&object=5"},
      {"/records?tokens=1&token=abc", "?tokens=1"},
      {"/records", ""},
  };
  for (const auto& [target, query] : cases) EXPECT_EQ(queryWithoutToken(target), query) << target;
}

TEST(ServeGuards, CookiesAreFoundByTheirWholeName) {
  EXPECT_EQ(cookieValue("a=1; kvd_token=abc; b=2", "kvd_token"), "abc");
  EXPECT_EQ(cookieValue("my_kvd_token=x; kvd_token=y", "kvd_token"), "y");
  EXPECT_EQ(cookieValue("kvd_tokenx=1", "kvd_token"), "");
  EXPECT_TRUE(constantTimeEqual("abc", "abc"));
  EXPECT_FALSE(constantTimeEqual("abc", "abd"));
  EXPECT_FALSE(constantTimeEqual("abc", "abcd"));
  EXPECT_FALSE(constantTimeEqual("", "a"));
}

}  // namespace
}  // namespace zel::serve::test
