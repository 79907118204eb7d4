#include "tests/spreadsheet/crafted_records.h"

#include <iterator>

namespace zel::sheet_test {

// Crafted records: every mode code, codes outside the table, 32-bit
// extremes, the thoron tenths on both sides of 0.5, floats that need all
// their digits, NaN and infinities, dates that are no calendar dates and
// dates before spreadsheets' calendars, signed temperatures, low bytes.
const char* const kRecords[] = {
    "mode=0 date=01.07.2019 time=08:00:00 primaryResult=0 primaryError=0",
    "mode=1 date=05.07.2019 time=09:04:07 primaryResult=186 primaryError=37 temperature=0x00FB humidity=0x0164 "
    "pressure=745 pulseCount=65535 bounds=44,62 spectrum=flat(2)+peak(50,120,3)+channel(255,65535)",
    "mode=2 date=31.12.2099 time=23:59:59 primaryResult=4294967295 primaryError=4294967295 deviceNumber=4294967295",
    "mode=3 date=29.02.2020 time=12:00:00 primaryResult=4294967295 primaryError=70000 cycleCount=300",
    "mode=3 date=01.03.2019 time=12:00:00 primaryResult=1234 primaryError=99",
    "mode=4 date=02.03.2019 time=00:00:01 primaryResult=4 primaryError=2",
    "mode=5 date=03.03.2019 time=14:15:16 primaryResult=5340 primaryError=820 temperature=0x0119",
    "mode=6 date=04.03.2019 time=14:15:16 primaryResult=37 primaryError=9 variantFlag=1",
    "mode=7 date=09.10.2018 time=10:20:30 ca=0.25 bounds=40,60,90 spectrum=flat(1)",
    "mode=7 date=09.10.2018 time=10:20:31 ca=1.352",
    "mode=7 date=09.10.2018 time=10:20:32 ca=3.4028235e38",
    "mode=7 date=09.10.2018 time=10:20:33 ca=1e-45",
    "mode=7 date=09.10.2018 time=10:20:34 ca=nan",
    "mode=7 date=09.10.2018 time=10:20:35 ca=inf cb=-inf cc=0.1",
    "mode=8 date=45.13.2019 time=25:61:99 primaryResult=3 primaryError=1",
    "mode=9 date=29.02.2019 time=00:00:00 primaryResult=5 primaryError=2",
    "mode=10 date=28.02.2019 time=08:00:00 pulseCount=412 primaryError=9 countN1=1 countN2=2 countN3=3 "
    "pumpingTime=300 delayTime=90 measurementTime=3725 bounds=30,60,120 spectrum=flat(3)",
    "mode=11 date=01.01.1900 time=00:00:00 primaryResult=7 primaryError=1",
    "mode=12 date=28.02.1900 time=23:59:59 primaryResult=97 primaryError=19",
    "mode=13 date=01.03.1900 time=00:00:00 primaryResult=88 primaryError=11",
    "mode=14 date=03.07.2019 time=15:38:02 eecRn=57 eecRnError=8 eecTn=3 eecTnError=1 countN1=1024 countN2=618 "
    "countN3=290 ca=1.352 cb=0.847 cc=0.221 kv=12.5 fd=0.482 bounds=44,62,86 spectrum=flat(2)+peak(70,300,5)",
    "mode=15 date=03.07.2019 time=20:45:15 eecRn=4294967295 eecRnError=70000 eecTn=0 eecTnError=4294967295",
    "mode=16 date=00.00.0 time=00:00:00",
    "mode=17 date=31.04.2019 time=24:00:00 primaryResult=1",
    "mode=18 date=04.07.2019 time=08:06:54 primaryResult=264 primaryError=52",
    "mode=19 date=04.07.2019 time=11:13:07 primaryResult=18650 primaryError=2790",
    "mode=20 date=04.07.2019 time=15:20:20 primaryResult=57 primaryError=8 delayTime=5",
    "mode=20 date=04.07.2019 time=15:20:21 primaryResult=4 primaryError=3",
    "mode=20 date=04.07.2019 time=15:20:22 primaryResult=5 primaryError=3",
    "mode=20 date=04.07.2019 time=15:20:23 primaryResult=90 primaryError=3",
    "mode=20 date=04.07.2019 time=15:20:24 primaryResult=123 primaryError=3",
    "mode=20 date=04.07.2019 time=15:20:25 primaryResult=4294967286 primaryError=3",
    "mode=21 date=04.07.2019 time=20:27:33 primaryResult=160 primaryError=17 integralResult=171 integralError=18 "
    "cycleCount=5 bounds=300,20",
    "mode=22 date=04.07.2019 time=23:34:46 eecRn=66 eecRnError=7 ca=-0.482 fd=0.1",
    "mode=23 date=05.07.2019 time=03:41:59 eecRn=73 eecRnError=11",
    "mode=24 date=05.07.2019 time=08:48:12 primaryResult=23 primaryError=6 bounds=100,200 spectrum=flat(7)",
    "mode=25 date=05.07.2019 time=11:55:25 pulseCount=2871 variantFlag=1",
    "mode=26 date=05.07.2019 time=15:02:38 primaryResult=131 primaryError=14",
    "mode=27 date=06.07.2019 time=00:00:00 primaryResult=1 primaryError=1 spectrum=flat(9)",
    "mode=263 date=06.07.2019 time=00:00:01 primaryResult=2 primaryError=1 ca=0.5",
    "mode=65535 date=06.07.2019 time=00:00:02 primaryResult=3 primaryError=1",
};

const std::size_t kRecordCount = std::size(kRecords);

}  // namespace zel::sheet_test
