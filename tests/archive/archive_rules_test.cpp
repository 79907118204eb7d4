// The archive's rules, the same suite on SQLite and PostgreSQL: each record
// once across renamed and overlapping files, the view `records` against a
// reading of the bytes of its own, placements and their refusals, the
// schema's versions, and hostile texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "kvd/archive/archive.h"
#include "kvd/archive/schema.h"
#include "kvd/archive/sha256.h"
#include "tests/archive/backend_fixture.h"
#include "tools/kvdgen/kvd_description.h"

namespace zel::archive::test {

namespace {

std::vector<MeasurementRecord> records(const std::string& description) {
  std::vector<std::uint8_t> bytes;
  kvd::ParseError error;
  EXPECT_TRUE(kvd::buildFile(description, bytes, error)) << error.line << ": " << error.message;
  std::vector<MeasurementRecord> out(bytes.size() / kRecordSize);
  for (std::size_t k = 0; k < out.size(); ++k) std::memcpy(out[k].bytes.data(), &bytes[k * kRecordSize], kRecordSize);
  return out;
}

// `count` different records of one device, one an hour from 1 March 2024 on.
std::vector<MeasurementRecord> hourly(int first, int count, unsigned device = 1137) {
  std::string d;
  for (int k = first; k < first + count; ++k) {
    char line[200];
    std::snprintf(line, sizeof line,
                  "mode=14 deviceNumber=%u date=%02d.03.2024 time=%02d:00:00 eecRn=%d eecRnError=5 eecTn=%d "
                  "eecTnError=1 bounds=44,62,86 spectrum=flat(2)\n",
                  device, 1 + k / 24, k % 24, 40 + k, k % 7);
    d += line;
  }
  return records(d);
}

ImportResult importRecords(Archive& a, const std::vector<MeasurementRecord>& recs, const std::string& name) {
  std::string bytes;
  for (const MeasurementRecord& r : recs) bytes.append(reinterpret_cast<const char*>(r.bytes.data()), kRecordSize);
  const Digest d = sha256(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  FileFacts facts{name, "/lab/" + name, bytes.size(), hexText(d.data(), d.size()), 0};
  std::size_t next = 0;
  return a.importFile(
      facts, [&](MeasurementRecord& r) { return next < recs.size() ? (r = recs[next++], true) : false; }, "anna",
      "lab-pc");
}

DateTime at(int day, int hour) {
  return {2024, 3, static_cast<std::uint16_t>(day), static_cast<std::uint16_t>(hour), 0, 0};
}

class ArchiveRules : public BackendTest {
 protected:
  Archive& archive() {
    if (!archive_) archive_ = std::make_unique<Archive>(freshDatabase());
    return *archive_;
  }
  std::uint64_t count(const std::string& sql) {
    std::uint64_t n = 0;
    archive().database().run(sql, {}, [&](const Row& row) { n = static_cast<std::uint64_t>(row.integer(0)); });
    return n;
  }
  std::unique_ptr<Archive> archive_;
};

TEST_P(ArchiveRules, EachRecordOnceAcrossRenamedAndOverlappingFiles) {
  Archive& a = archive();
  const std::vector<MeasurementRecord> first = hourly(0, 100);
  std::vector<MeasurementRecord> second = hourly(50, 100);
  second.push_back(second[3]);  // the same record twice in one download
  struct Step {
    const std::vector<MeasurementRecord>* file;
    std::string name;
    bool already;
    std::uint64_t records, fresh, known;
  } steps[] = {
      {&first, "march.kvd", false, 100, 100, 0},
      {&second, "Копия march (2).KVD", false, 101, 50, 51},
      {&first, "renamed; 'again'.kvd", true, 100, 0, 100},
      {&first, "renamed; 'again'.kvd", true, 100, 0, 100},
      {&second, "Копия march (2).KVD", true, 101, 0, 101},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    const ImportResult r = importRecords(a, *s.file, s.name);
    EXPECT_EQ(r.alreadyImported, s.already);
    EXPECT_EQ(r.records, s.records);
    EXPECT_EQ(r.fresh, s.fresh);
    EXPECT_EQ(r.known, s.known);
  }
  EXPECT_EQ(count("SELECT count(*) FROM records"), 150u);
  // The renamed copy is a file of its own, once however often it comes.
  EXPECT_EQ(count("SELECT count(*) FROM imports"), 3u);
  EXPECT_EQ(count("SELECT count(*) FROM sightings"), 301u);
  // New records take ids in the file's order: the second file is one run of
  // 100 (50 known, then 50 new) and its repeated record; the copy one run.
  EXPECT_EQ(count("SELECT count(*) FROM sighting_runs"), 4u);
  // Record 60 of the first file is record 10 of the second: seen in both.
  std::int64_t id = 0;
  a.forEachRecord({}, [&](const StoredRecord& r) {
    if (r.record.bytes == first[60].bytes) id = r.id;
  });
  const std::vector<Sighting> seen = a.where(id);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].path, "march.kvd");
  EXPECT_EQ(seen[0].index, 60u);
  EXPECT_EQ(seen[1].path, "Копия march (2).KVD");
  EXPECT_EQ(seen[1].index, 10u);
  EXPECT_EQ(seen[1].user, "anna");
  EXPECT_EQ(seen[2].path, "renamed; 'again'.kvd");
  EXPECT_EQ(seen[2].absolutePath, "/lab/renamed; 'again'.kvd");
  EXPECT_EQ(seen[2].index, 60u);
  EXPECT_EQ(a.lastImports(1).at(0).known, 100u);
}

TEST_P(ArchiveRules, TheRecordsViewReadsAsTheBytesSay) {
  Archive& a = archive();
  const std::vector<MeasurementRecord> demo =
      records(kvd::demoDescription() +
              "\nmode=14 date=31.02.2019 time=23:61:00 eecRn=4000000000 eecTnError=70000\n"
              "mode=7 date=01.01.2020 byte@640=0 byte@641=0 byte@642=0xC0 byte@643=0x7F\n");
  importRecords(a, demo, "demo.kvd");
  auto u16 = [](const MeasurementRecord& r, std::size_t o) { return r.bytes[o] | (r.bytes[o + 1] << 8); };
  auto u32 = [&](const MeasurementRecord& r, std::size_t o) {
    return static_cast<std::uint32_t>(u16(r, o)) | (static_cast<std::uint32_t>(u16(r, o + 2)) << 16);
  };
  std::size_t seen = 0;
  a.database().run(
      "SELECT s.raw, r.device_number, r.mode_code, r.date_time, r.eec_rn, r.eec_tn_error, r.temperature, "
      "r.humidity, r.ca, r.window_sum3, r.window_sum4, r.first_file, r.first_index, r.object, r.value "
      "FROM records r JOIN stored_records s ON s.record_id = r.record_id",
      {}, [&](const Row& row) {
        MeasurementRecord r;
        const std::string raw = row.blob(0);
        ASSERT_EQ(raw.size(), kRecordSize);
        std::memcpy(r.bytes.data(), raw.data(), kRecordSize);
        const int mode = u16(r, 8);
        SCOPED_TRACE("mode " + std::to_string(mode) + " index " + row.text(12));
        EXPECT_EQ(row.integer(1), u32(r, 4));
        EXPECT_EQ(row.integer(2), mode);
        char when[40];
        std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", u16(r, 10), u16(r, 12), u16(r, 14),
                      u16(r, 16), u16(r, 18), u16(r, 20));
        const bool calendar = u16(r, 14) <= 28 && u16(r, 16) < 24 && u16(r, 18) < 60;
        EXPECT_EQ(row.isNull(3), !calendar);
        if (calendar) {
          EXPECT_EQ(row.text(3), when);
        }
        EXPECT_EQ(row.integer(4), u32(r, 604));
        EXPECT_EQ(row.integer(5), u32(r, 620));
        EXPECT_EQ(row.integer(6), static_cast<std::int8_t>(r.bytes[38]));
        EXPECT_EQ(row.integer(7), r.bytes[40]);
        float ca;
        std::memcpy(&ca, &r.bytes[640], 4);
        if (std::isnan(ca))
          EXPECT_TRUE(row.isNull(8));
        else
          EXPECT_EQ(static_cast<float>(row.real(8)), ca);
        const bool fourWindows = mode == 7 || mode == 10 || mode == 14 || mode == 15 || mode == 20 || mode == 22;
        const bool noViewer =
            mode == 0 || mode == 8 || mode == 9 || mode == 11 || mode == 16 || mode == 17 || mode == 23;
        EXPECT_EQ(row.isNull(9), noViewer);
        EXPECT_EQ(row.isNull(10), noViewer || !fourWindows);
        EXPECT_EQ(row.text(11), "demo.kvd");
        EXPECT_TRUE(row.isNull(13));
        if (mode == 1) {
          EXPECT_EQ(row.real(14), 186);
        }
        if (mode == 20) {
          EXPECT_EQ(row.real(14), 4.5);
        }
        ++seen;
      });
  EXPECT_EQ(seen, demo.size());
}

TEST_P(ArchiveRules, PlacementsByDeviceAndPeriodByFileAndByRecord) {
  Archive& a = archive();
  const ImportResult one = importRecords(a, hourly(0, 48), "one.kvd");
  importRecords(a, hourly(0, 48, 2001), "two.kvd");
  a.addObject({"School 5", "ул. Мира, 5", "Roshydromet", ""});
  Selection byDevice;
  byDevice.device = 1137;
  byDevice.from = at(1, 8);
  byDevice.to = at(1, 17);
  AssignResult r = a.assign("School 5", {"1", "101", "A"}, byDevice, false);
  EXPECT_EQ(r.assigned, 10u);
  EXPECT_TRUE(r.pointCreated);
  r = a.assign("School 5", {"1", "101", "A"}, byDevice, false);
  EXPECT_EQ(r.assigned, 0u);
  EXPECT_EQ(r.already, 10u);

  Selection byFile;
  byFile.importIds = {one.importId};
  byFile.indexes = {{17, 20}};  // hour 17 stands at point A already
  EXPECT_THROW(a.assign("School 5", {"1", "102", ""}, byFile, false), ArchiveError);
  Selection room102;
  room102.room = "102";
  EXPECT_EQ(a.countRecords(room102), 0u) << "a refused assignment changes nothing";
  r = a.assign("School 5", {"1", "102", ""}, byFile, true);
  EXPECT_EQ(r.assigned, 4u);
  EXPECT_EQ(r.moved, 1u);
  EXPECT_EQ(a.countRecords(room102), 4u);

  Selection unassigned;
  unassigned.unassigned = true;
  unassigned.device = 2001;
  EXPECT_EQ(a.countRecords(unassigned), 48u);
  Selection byRecord;
  a.forEachRecord(unassigned, [&](const StoredRecord& s) {
    if (byRecord.recordIds.size() < 3) byRecord.recordIds.push_back(s.id);
  });
  EXPECT_EQ(a.assign("School 5", {"", "Hall", ""}, byRecord, false).assigned, 3u);
  EXPECT_THROW(a.assign("No such object", {"", "Hall", ""}, byRecord, false), ArchiveError);
  EXPECT_EQ(a.unassign(byRecord), 3u);
  EXPECT_EQ(a.assign("School 5", {"", "Hall", ""}, byRecord, false).assigned, 3u);

  const std::vector<ObjectSummary> objects = a.objects();
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects[0].records, 16u);
  ASSERT_EQ(objects[0].points.size(), 3u);
  EXPECT_EQ(objects[0].points[0].name.room, "Hall");
  ASSERT_EQ(a.placements("School 5").size(), 1u);
  EXPECT_EQ(a.placements("School 5")[0].from, at(1, 8));

  EXPECT_THROW(a.removeObject("School 5", false), ArchiveError);
  EXPECT_EQ(a.objects().size(), 1u);
  EXPECT_EQ(a.removeObject("School 5", true), 16u);
  EXPECT_TRUE(a.objects().empty());
  EXPECT_EQ(count("SELECT count(*) FROM records WHERE object IS NOT NULL"), 0u);
}

TEST_P(ArchiveRules, APlanIsCheckedWholeBeforeAnythingChanges) {
  Archive& a = archive();
  importRecords(a, hourly(0, 48), "one.kvd");
  auto row = [](std::size_t line, std::string object, std::string room, int from, int to) {
    PlanRow p;
    p.line = line;
    p.object = std::move(object);
    p.address = "Address of " + p.object;
    p.placement = {p.object, {"", room, ""}, 1137, at(1 + from / 24, from % 24), at(1 + to / 24, to % 24)};
    return p;
  };
  // Line 4 overlaps line 2: the whole plan is refused, naming line 4.
  const std::vector<PlanRow> bad = {row(2, "House 1", "Kitchen", 0, 11), row(3, "House 1", "Bedroom", 12, 23),
                                    row(4, "House 2", "Hall", 10, 30)};
  try {
    a.assignPlan(bad, false);
    ADD_FAILURE() << "the plan was taken";
  } catch (const ArchiveError& e) {
    EXPECT_NE(std::string(e.what()).find("line 4"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(a.objects().empty());
  const std::vector<AssignResult> results = a.assignPlan({bad[0], bad[1], row(4, "House 2", "Hall", 24, 30)}, false);
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].assigned, 12u);
  EXPECT_EQ(results[1].assigned, 12u);
  EXPECT_EQ(results[2].assigned, 7u);
  EXPECT_EQ(a.object("House 2")->address, "Address of House 2");
}

TEST_P(ArchiveRules, TextsAreBoundNeverSpliced) {
  Archive& a = archive();
  const std::string hostile[] = {"O'Brien; DROP TABLE stored_records; --", "\"Школа №5\"; 'x'", "a\\b\tc\nd",
                                 "Robert'); DELETE FROM objects; --"};
  for (const std::string& name : hostile) a.addObject({name, name, name, name});
  importRecords(a, hourly(0, 2), hostile[0] + ".kvd");
  for (const std::string& name : hostile) {
    ASSERT_TRUE(a.object(name)) << name;
    EXPECT_EQ(a.object(name)->notes, name);
    a.editObject(name, {std::nullopt, std::nullopt, std::nullopt, name + " (edited)"});
    EXPECT_EQ(a.object(name)->notes, name + " (edited)");
  }
  EXPECT_EQ(a.objects().size(), 4u);
  EXPECT_EQ(count("SELECT count(*) FROM records"), 2u);
  EXPECT_EQ(a.where(1).at(0).path, hostile[0] + ".kvd");
  EXPECT_THROW(a.addObject({hostile[1], "", "", ""}), ArchiveError);
  EXPECT_THROW(a.editObject(hostile[2], {hostile[3], std::nullopt, std::nullopt, std::nullopt}), ArchiveError);
}

TEST_P(ArchiveRules, ANewerSchemaIsRefusedAndAnOlderOneUpgraded) {
  std::unique_ptr<Database> db = freshDatabase();
  for (const std::string& s : schema::migration(1, db->dialect())) db->run(s);
  db->run("INSERT INTO archive_info (key, value) VALUES ('schema_version', '1')");
  const std::string anImport =
      "INSERT INTO imports (path, absolute_path, size, sha256, imported_at, user_name, host) "
      "VALUES ('a.kvd', '/lab/', 688, 'ab', '2024-03-01 10:00:00', 'anna', 'lab-pc')";
  db->run(anImport);
  Archive upgraded(std::move(db));
  EXPECT_EQ(upgraded.upgradedFrom(), 1);
  EXPECT_TRUE(upgraded.objects().empty());
  // The imports kept, and the same contents now taken from another path.
  upgraded.database().run(std::string(anImport).replace(anImport.find("/lab/"), 5, "/usb/"));
  EXPECT_THROW(upgraded.database().run(anImport), DatabaseError);
  std::vector<std::string> paths;
  upgraded.database().run("SELECT absolute_path FROM imports ORDER BY import_id", {},
                          [&](const Row& row) { paths.push_back(row.text(0)); });
  EXPECT_EQ(paths, (std::vector<std::string>{"/lab/", "/usb/"}));
  upgraded.database().run("UPDATE archive_info SET value = '99' WHERE key = 'schema_version'");
  try {
    Archive newer(secondConnection());
    ADD_FAILURE() << "a newer schema was taken";
  } catch (const ArchiveError& e) {
    EXPECT_NE(std::string(e.what()).find("99"), std::string::npos) << e.what();
  }
  std::string version;
  upgraded.database().run("SELECT value FROM archive_info WHERE key = 'schema_version'", {},
                          [&](const Row& row) { version = row.text(0); });
  EXPECT_EQ(version, "99") << "the refusal changed nothing";
}

TEST_P(ArchiveRules, AnOlderArchivesSightingsBecomeRunsAndReadTheSame) {
  std::unique_ptr<Database> db = freshDatabase();
  for (int v = 1; v <= 6; ++v)
    for (const std::string& s : schema::migration(v, db->dialect())) db->run(s);
  db->run("INSERT INTO archive_info (key, value) VALUES ('schema_version', '6')");
  for (const char* file : {"a", "b"})
    db->run("INSERT INTO imports (path, absolute_path, size, sha256, imported_at, user_name, host) VALUES ('" +
            std::string(file) + ".kvd', '/lab/', 688, '" + file + "', '2024-03-01 10:00:00', 'anna', 'lab-pc')");
  // File 1: records 1 … 5000 (longer than a run), record 7 again, then
  // 5002 and 5003 (5001 skipped); file 2: records 3, 2, 1.
  std::vector<std::array<std::int64_t, 3>> rows;
  for (std::int64_t k = 0; k < 5000; ++k) rows.push_back({1, k, k + 1});
  rows.push_back({1, 5000, 7});
  rows.push_back({1, 5001, 5002});
  rows.push_back({1, 5002, 5003});
  for (std::int64_t k = 0; k < 3; ++k) rows.push_back({2, k, 3 - k});
  std::vector<Value> values;
  for (const auto& row : rows)
    for (std::int64_t v : row) values.push_back(Value::of(v));
  static constexpr std::string_view kColumns[] = {"import_id", "record_index", "record_id"};
  db->insertRows("sightings", kColumns, values, false);

  Archive upgraded(std::move(db));
  auto read = [&](const std::string& sql) {
    std::vector<std::array<std::int64_t, 4>> out;
    upgraded.database().run(sql, {}, [&](const Row& r) {
      out.push_back({r.integer(0), r.integer(1), r.integer(2), r.size() > 3 ? r.integer(3) : 0});
    });
    return out;
  };
  const std::vector<std::array<std::int64_t, 4>> runs = {{1, 0, 1, 4096},    {1, 4096, 4097, 904}, {1, 5000, 7, 1},
                                                         {1, 5001, 5002, 2}, {2, 0, 3, 1},         {2, 1, 2, 1},
                                                         {2, 2, 1, 1}};
  EXPECT_EQ(read("SELECT import_id, first_index, record_id, records FROM sighting_runs ORDER BY import_id, "
                 "first_index"),
            runs);
  std::vector<std::array<std::int64_t, 4>> each;
  for (const auto& row : rows) each.push_back({row[0], row[1], row[2], 0});
  EXPECT_EQ(read("SELECT import_id, record_index, record_id FROM sightings ORDER BY import_id, record_index"), each);
  struct Where {
    std::int64_t record;
    std::vector<std::pair<std::int64_t, std::uint64_t>> seen;  // import, index
  } wheres[] = {{7, {{1, 6}, {1, 5000}}}, {1, {{1, 0}, {2, 2}}}, {4097, {{1, 4096}}}, {5001, {}}, {5003, {{1, 5002}}}};
  for (const Where& w : wheres) {
    std::vector<std::pair<std::int64_t, std::uint64_t>> seen;
    for (const Sighting& s : upgraded.where(w.record)) seen.emplace_back(s.importId, s.index);
    EXPECT_EQ(seen, w.seen) << "record " << w.record;
  }
}

}  // namespace

INSTANTIATE_BACKENDS(ArchiveRules);

}  // namespace zel::archive::test
