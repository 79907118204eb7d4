#include "browser/summary_list.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "browser_test_support.h"

namespace zel::browser {
namespace {

using test::kvdBytes;
using test::listOf;
using test::MemorySource;

struct SummaryCase {
  const char* record;
  std::uint8_t category;
  std::uint32_t value;
  std::uint32_t error;
  ValueForm form;
};

class SummaryValueTest : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(SummaryValueTest, PicksTheModesValueAndError) {
  const SummaryCase& c = GetParam();
  const SummaryList list = listOf(c.record);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].category, c.category) << c.record;
  EXPECT_EQ(list[0].value, c.value) << c.record;
  EXPECT_EQ(list[0].error, c.error) << c.record;
  EXPECT_EQ(valueForm(list[0]), c.form) << c.record;
  EXPECT_EQ(list[0].mark, 0);
}

// Every record also carries decoys in the fields its mode does not use.
#define DECOYS " primaryResult=901 primaryError=902 integralResult=903 integralError=904 eecRn=905 eecRnError=906"

INSTANTIATE_TEST_SUITE_P(
    Modes, SummaryValueTest,
    ::testing::Values(
        SummaryCase{"mode=1 pulseCount=7" DECOYS, 0, 901, 902, ValueForm::Number},
        SummaryCase{"mode=21" DECOYS, 0, 903, 904, ValueForm::Number},
        SummaryCase{"mode=3 primaryResult=1234 primaryError=1187", 0, 1234, 246, ValueForm::Number},
        // 214,748,365 x 20 passes 2^32: the error must not wrap to 0.
        SummaryCase{"mode=3 primaryResult=214748365", 0, 214748365, 42949673, ValueForm::Number},
        SummaryCase{"mode=3 primaryResult=4294967295", 0, 4294967295u, 858993459, ValueForm::Number},
        SummaryCase{"mode=14" DECOYS, 2, 905, 906, ValueForm::Number},
        SummaryCase{"mode=23" DECOYS, 2, 905, 906, ValueForm::Number},
        SummaryCase{"mode=20" DECOYS, 2, 901, 902, ValueForm::Tenths},
        SummaryCase{"mode=7 ca=0.25" DECOYS, 2, 0x3E800000u, 0, ValueForm::Float},
        SummaryCase{"mode=10 pulseCount=1650" DECOYS, 4, 1650, 0, ValueForm::Number},
        // Codes outside the table: plain category-0 rows, whatever their low
        // byte says (259, 263, 276 and 277 end in 3, 7, 20 and 21).
        SummaryCase{"mode=259" DECOYS, 0, 901, 902, ValueForm::Number},
        SummaryCase{"mode=263 ca=0.25" DECOYS, 0, 901, 902, ValueForm::Number},
        SummaryCase{"mode=276" DECOYS, 0, 901, 902, ValueForm::Number},
        SummaryCase{"mode=277" DECOYS, 0, 901, 902, ValueForm::Number},
        SummaryCase{"mode=266 pulseCount=5" DECOYS, 0, 901, 902, ValueForm::Number}));

#undef DECOYS

struct SizeCase {
  std::size_t bytes;
  ReadStatus status;
  std::uint32_t records;
};

class FileSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FileSizeTest, ListsEveryWholeRecord) {
  const SizeCase& c = GetParam();
  std::vector<std::uint8_t> bytes(c.bytes);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i / kRecordSize);
  MemorySource source(bytes);
  SummaryList list;
  EXPECT_EQ(readSummaryList(source, list), c.status);
  ASSERT_EQ(list.size(), c.records);
  // Record i has every byte equal to i, so its mode code is i * 257.
  for (std::uint32_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i].modeCode, (i & 0xFF) * 257u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FileSizeTest,
                         ::testing::Values(SizeCase{0, ReadStatus::NoWholeRecord, 0},
                                           SizeCase{687, ReadStatus::NoWholeRecord, 0},
                                           SizeCase{688, ReadStatus::Ok, 1}, SizeCase{1375, ReadStatus::Ok, 1},
                                           SizeCase{1376, ReadStatus::Ok, 2},
                                           SizeCase{688 * 65 + 300, ReadStatus::Ok, 65},
                                           SizeCase{688 * 300 + 687, ReadStatus::Ok, 300}));

struct ShrinkCase {
  const char* what;
  std::size_t delivered;  // bytes the file still holds when it is read
  std::uint64_t reported;  // its size when the count was taken
  std::size_t piece;       // bytes per read call
  ReadStatus status;
  std::uint32_t records;
};

class ShortReadTest : public ::testing::TestWithParam<ShrinkCase> {};

TEST_P(ShortReadTest, EndsAtTheLastWholeRecordRead) {
  const ShrinkCase& c = GetParam();
  std::string description;
  for (int i = 0; i < 200; ++i) description += "mode=1 primaryResult=" + std::to_string(1000 + i) + "\n";
  std::vector<std::uint8_t> bytes = kvdBytes(description);
  bytes.resize(c.delivered);
  MemorySource source(bytes);
  source.reportSize(c.reported).piecesOf(c.piece);
  SummaryList list;
  ASSERT_EQ(readSummaryList(source, list), c.status) << c.what;
  ASSERT_EQ(list.size(), c.records) << c.what;
  // No summary comes from bytes left over in a buffer by an earlier read.
  for (std::uint32_t i = 0; i < list.size(); ++i) ASSERT_EQ(list[i].value, 1000 + i) << c.what << ", record " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ShortReadTest,
    ::testing::Values(ShrinkCase{"whole", 688 * 200, 688 * 200, SIZE_MAX, ReadStatus::Ok, 200},
                      ShrinkCase{"in small pieces", 688 * 200, 688 * 200, 100, ReadStatus::Ok, 200},
                      ShrinkCase{"shrank inside a record", 688 * 65 + 344, 688 * 200, SIZE_MAX, ReadStatus::Ok, 65},
                      ShrinkCase{"shrank inside a record, small pieces", 688 * 129 + 1, 688 * 200, 500,
                                 ReadStatus::Ok, 129},
                      ShrinkCase{"shrank to a part record", 687, 688 * 200, SIZE_MAX, ReadStatus::NoWholeRecord, 0},
                      ShrinkCase{"emptied", 0, 688 * 200, SIZE_MAX, ReadStatus::NoWholeRecord, 0},
                      ShrinkCase{"grew", 688 * 200, 688 * 2 + 5, SIZE_MAX, ReadStatus::Ok, 2}));

TEST(SummaryListTest, CountsTheRecordsOfAFileOfFourGibibytesFromItsFullSize) {
  // The low 32 bits of this size would give 2 records; the file, cut short
  // while it is read, still holds 5.
  const std::uint64_t size = (std::uint64_t{1} << 32) + 2 * kRecordSize;
  std::string description;
  for (int i = 0; i < 5; ++i) description += "mode=2 primaryResult=" + std::to_string(i) + "\n";
  MemorySource source(kvdBytes(description));
  source.reportSize(size);
  SummaryList list;
  ASSERT_EQ(readSummaryList(source, list), ReadStatus::Ok);
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[4].value, 4u);
}

TEST(SummaryListTest, RefusesAListTooLongToHoldWithoutTryingToAllocateIt) {
  MemorySource source(kvdBytes("mode=1"));
  source.reportSize(UINT64_MAX);
  SummaryList list;
  EXPECT_EQ(readSummaryList(source, list), ReadStatus::NoMemory);
}

}  // namespace
}  // namespace zel::browser
