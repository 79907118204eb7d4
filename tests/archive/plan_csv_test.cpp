// The measurement plan's CSV: columns by name in any order and case,
// either separator, RFC 4180 quoting, and every bad row named by its line.
#include <gtest/gtest.h>

#include "kvd/archive/plan_csv.h"

namespace {

using zel::archive::parsePlanCsv;
using zel::archive::PlanError;

TEST(PlanCsv, ColumnsByNameEitherSeparatorQuotedFields) {
  const auto plan = parsePlanCsv("\xEF\xBB\xBFTO,Device, object ,Room,point,From\r\n"
                                 "2019-07-06T12:00,101,\"Дом, \"\"7\"\"\",\"1\r\n2\",A,2019-07-06\r\n"
                                 "\r\n"
                                 "07.07.2019,202,Склад,5,,07.07.2019\n",
                                 "p.csv");
  ASSERT_EQ(plan.size(), 2u);
  EXPECT_EQ(plan[0].line, 2u);
  EXPECT_EQ(plan[0].object, "Дом, \"7\"");
  EXPECT_EQ(plan[0].placement.point.room, "1\r\n2");
  EXPECT_EQ(plan[0].placement.point.point, "A");
  EXPECT_EQ(plan[0].placement.device, 101u);
  EXPECT_EQ(plan[0].placement.to.hour, 12);
  EXPECT_EQ(plan[1].line, 5u);
  EXPECT_EQ(plan[1].placement.to.hour, 23);  // a date alone: the whole day
  EXPECT_EQ(plan[1].placement.to.second, 59);

  const auto semicolons = parsePlanCsv("object;room;device;from;to\nA, B;1;7;01.07.2019;2019-07-02\n", "p.csv");
  ASSERT_EQ(semicolons.size(), 1u);
  EXPECT_EQ(semicolons[0].object, "A, B");
  EXPECT_EQ(semicolons[0].placement.from.hour, 0);
}

TEST(PlanCsv, EveryFaultNamedWithItsLine) {
  const std::string header = "object,room,device,from,to\n";
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"", "p.csv: empty: the plan needs a header line and rows"},
      {header, "p.csv: the plan has a header but no rows"},
      {"object,room,device,from\nA,1,2,2019-07-01\n", "p.csv:1: the plan has no column 'to'"},
      {"object,room,flor,device,from,to\n", "p.csv:1: column 'flor' is none of object, address, floor, room, point, "
                                            "device, from, to"},
      {"object,Object,room,device,from,to\n", "p.csv:1: column 'object' is given twice"},
      {header + "A,1,101,2019-07-01,2019-07-02\n\nB,2,x,2019-07-01,2019-07-02\n",
       "p.csv:4: device 'x' is not a number"},
      {header + "A,1,-1,2019-07-01,2019-07-02\n", "p.csv:2: device '-1' is not a number"},
      {header + "A,1,4294967296,2019-07-01,2019-07-02\n", "p.csv:2: device '4294967296' is not a number"},
      {header + "A,1,7,31.02.2019,2019-07-02\n",
       "p.csv:2: from '31.02.2019' is not a date of the forms YYYY-MM-DD[Thh:mm[:ss]] or dd.mm.yyyy[ hh:mm[:ss]]"},
      {header + "A,1,7,2019-07-03,2019-07-02\n", "p.csv:2: 'to' lies before 'from'"},
      {header + ",1,7,2019-07-01,2019-07-02\n", "p.csv:2: no object"},
      {header + "A,,7,2019-07-01,2019-07-02\n", "p.csv:2: no room"},
      {header + "A,1,7,2019-07-01\n", "p.csv:2: 4 fields, the header has 5"},
      {header + "\"A,1,7,2019-07-01,2019-07-02\n", "p.csv:2: a quoted field has no closing quote"},
      {header + "\"A\"x,1,7,2019-07-01,2019-07-02\n", "p.csv:2: text after a closing quote"},
      {header + "\xC4\xEE\xEC,1,7,2019-07-01,2019-07-02\n",
       "p.csv: not UTF-8 text: save the plan as CSV in UTF-8 (Excel: \"CSV UTF-8\")"},
  };
  for (const auto& c : cases) {
    try {
      parsePlanCsv(c.text, "p.csv");
      ADD_FAILURE() << "taken: " << c.text;
    } catch (const PlanError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.text;
    }
  }
}

}  // namespace
