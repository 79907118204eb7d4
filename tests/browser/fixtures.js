// The measurement files of the browser tests: two files that share three
// records, from two devices, in an EEC mode (three spectrum boundaries)
// and a radon mode (two).
'use strict';
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const h = require('./harness');

const firstDevice = 1137, secondDevice = 2040;
const spectrum = { bounds: [44, 46, 80], channelX: (c) => 3 * c + 12 };

function eec(hour) {
  return 'mode=14 deviceNumber=' + firstDevice + ' date=05.07.2019 time=' + String(hour).padStart(2, '0') +
    ':04:07 temperature=23 humidity=45 pressure=745 eecRn=' + (100 + hour) + ' eecRnError=10 bounds=' +
    spectrum.bounds.join(',') + ' spectrum=peak(60,500,3)+peak(100,200,4)+flat(2)';
}
function radon(hour) {
  return 'mode=2 deviceNumber=' + secondDevice + ' date=06.07.2019 time=' + String(hour).padStart(2, '0') +
    ':30:00 temperature=21 humidity=50 pressure=750 pulseCount=1377 primaryResult=' + (140 + hour) +
    ' primaryError=21 bounds=40,90 spectrum=peak(70,300,5)+flat(3)';
}

const records = [eec(8), eec(9), eec(10), eec(11), eec(12), radon(8), radon(9), radon(10), radon(11)];
const first = records.slice(0, 6);
const second = records.slice(3);

module.exports = {
  first, second, overlap: 3, distinct: records.length, secondDevice,
  onSecondDevice: records.filter((r) => r.includes('deviceNumber=' + secondDevice)).length,
  spectrum,
  object: { name: 'Школа № 5', address: 'ул. Ленина, 12', client: 'Управление образования' },
  // An archive of many records, imported by kvd archive import: a list too
  // long to be in the page whole.
  async longArchive(dir) {
    const count = 30000;
    const lines = [];
    for (let n = 0; n < count; ++n) {
      const two = (v) => String(v).padStart(2, '0');
      lines.push('mode=2 deviceNumber=3000 date=' + two(1 + Math.floor(n / 86400)) + '.01.2020 time=' +
        two(Math.floor(n / 3600) % 24) + ':' + two(Math.floor(n / 60) % 60) + ':' + two(n % 60) +
        ' primaryResult=' + (n % 1000) + ' primaryError=5 bounds=40,90');
    }
    const file = h.makeFile(dir, 'long.kvd', lines);
    const archive = path.join(dir, 'long.sqlite');
    execFileSync(h.env.kvd, ['archive', '--archive', archive, 'import', file], { stdio: 'ignore' });
    return { archive, records: count };
  },
  write(dir) {
    return { first: h.makeFile(dir, 'first.kvd', first), second: h.makeFile(dir, 'second.kvd', second) };
  },
};
